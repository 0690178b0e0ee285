#include "index/IndexCheck.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"
#include "index/KeyCompare.h"
#include "index/RecordScan.h"

namespace talvern {

namespace {

struct Entry {
  std::string key;
  std::int32_t recno;
};

std::string Printable(const std::string& key) {
  std::string out;
  for (unsigned char c : key) {
    if (c >= 0x20 && c != 0x7F) {
      out += static_cast<char>(c);
    } else {
      static const char* hex = "0123456789ABCDEF";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return "\"" + out + "\"";
}

int CompareBytes(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c < 0 ? -1 : 1;
  return (a.size() > b.size()) - (a.size() < b.size());
}

// Ascending by key, then record number.
bool Before(const Entry& a, const Entry& b) {
  int c = CompareBytes(a.key, b.key);
  return c < 0 || (c == 0 && a.recno < b.recno);
}

// Whether b may follow a in the tag's stored order: by key in the stored
// direction, equal keys by record number where the format orders them so
// (elsewhere in the order they were added).
bool MayFollow(const VXobjIndexTag& tag, const Entry& a, const Entry& b) {
  int c = CompareBytes(a.key, b.key);
  if (tag.StoredDescending) c = -c;
  if (c != 0) return c < 0;
  return tag.File()->RecNoOrdered ? a.recno < b.recno : a.recno != b.recno;
}

class Checker {
public:
  Checker(VXobjIndexTag& tag, const IndexCheckOptions& options) : tag_(tag), options_(options) {}

  std::vector<std::string> Run() {
    try {
      std::int32_t root = tag_.RootPointer();
      Walk(root, 0, nullptr, nullptr);
      CheckLevels();
      if (options_.content && !Full()) CheckContent();
    } catch (const ETalvernError& e) {
      Problem(e.what());
    }
    return problems_;
  }

private:
  bool Full() const { return static_cast<int>(problems_.size()) >= options_.maxProblems; }
  void Problem(const std::string& text) {
    if (!Full()) problems_.push_back(text);
  }

  // Walks the subtree of page; separator is the parent's entry that leads
  // to it (null for the root and for a bare last child pointer).
  void Walk(std::int32_t page, int depth, const VXobjIndexKeyData* separator, VXobjIndexKey* parent) {
    if (Full()) return;
    if (depth > 32 || !visited_.insert(page).second) {
      Problem("page " + std::to_string(page) + " is reached twice (the pages link in a loop)");
      return;
    }
    // Built below its parent: a format may read a page in its place in the
    // tree (a B-tree's leaf takes the item that follows it).
    VXobjIndexKey node(&tag_, page, parent);
    levels_[depth].push_back({page, node.Left, node.Right});
    const std::size_t before = leaves_.size();
    if (node.IsLeaf()) {
      for (int i = 0; i < node.Count(); ++i) {
        Entry e{std::string(node.At(i).View()), node.At(i).Link};
        if (!leaves_.empty() && !MayFollow(tag_, leaves_.back(), e))
          Problem("entry " + Printable(e.key) + " of record " + std::to_string(e.recno) + " on page " +
                  std::to_string(page) + " is out of order");
        leaves_.push_back(e);
      }
    } else {
      for (int i = 0; i < node.Count() && !Full(); ++i) {
        node.Pos = i;
        const bool bare = tag_.InteriorLastChild && i == node.Count() - 1;
        Walk(node.At(i).Link, depth + 1, bare ? nullptr : &node.At(i), &node);
      }
    }
    if (separator && options_.structure && leaves_.size() > before) {
      // The highest entry below the page; record numbers count where the
      // format orders equal keys by them.
      const Entry& last = leaves_.back();
      if (last.key != separator->View() || (tag_.File()->RecNoOrdered && last.recno != separator->RecNo))
        Problem("the separator " + Printable(std::string(separator->View())) + "/" +
                std::to_string(separator->RecNo) + " of page " + std::to_string(page) +
                " is not its highest entry " + Printable(last.key) + "/" + std::to_string(last.recno));
    }
    if (parent && node.Count() == 0 && !tag_.KeepsEmptyNode(node))
      Problem("page " + std::to_string(page) + " is empty but referenced");
  }

  void CheckLevels() {
    if (!options_.structure || !tag_.SiblingLinks) return;
    for (auto& [depth, nodes] : levels_) {
      for (std::size_t i = 0; i < nodes.size() && !Full(); ++i) {
        std::int32_t left = i == 0 ? -1 : nodes[i - 1].page;
        std::int32_t right = i + 1 == nodes.size() ? -1 : nodes[i + 1].page;
        if (nodes[i].left != left || nodes[i].right != right)
          Problem("page " + std::to_string(nodes[i].page) + " links left " + std::to_string(nodes[i].left) +
                  " and right " + std::to_string(nodes[i].right) + " instead of " + std::to_string(left) +
                  " and " + std::to_string(right));
      }
    }
  }

  void CheckContent() {
    VXO_dBaseFld* table = tag_.Table();
    if (!table) return;
    if (!tag_.KeysComputable()) {
      Problem("the keys cannot be computed: " + tag_.NotSearchableReason());
      return;
    }
    std::vector<Entry> expected;
    const bool filtered = tag_.HasFor && !Trim(tag_.ForExpr).empty();
    if (filtered && !tag_.ForIsLogical()) {
      Problem("the FOR expression does not give a logical value, so no record belongs in the tag");
      return;
    }
    VXobjIndexKeyData key;
    ScanRecords(*table, [&](std::int32_t r) {
      if (filtered && !tag_.ForEvaluate()) return;
      if (!tag_.CurrentKey(key)) return;
      expected.push_back({std::string(key.View()), r});
    });
    std::sort(expected.begin(), expected.end(), Before);
    if (tag_.Unique) CheckUnique(expected);
    else CheckAll(expected);
  }

  void CheckAll(const std::vector<Entry>& expected) {
    std::vector<Entry> actual = leaves_;
    std::sort(actual.begin(), actual.end(), Before);
    std::size_t i = 0, j = 0;
    while ((i < expected.size() || j < actual.size()) && !Full()) {
      if (j == actual.size() || (i < expected.size() && Before(expected[i], actual[j]))) {
        Problem("record " + std::to_string(expected[i].recno) + " has no entry for its key " +
                Printable(expected[i].key));
        ++i;
      } else if (i == expected.size() || Before(actual[j], expected[i])) {
        Problem("the entry " + Printable(actual[j].key) + " of record " + std::to_string(actual[j].recno) +
                " does not belong in the tag");
        ++j;
      } else {
        ++i;
        ++j;
      }
    }
  }

  void CheckUnique(const std::vector<Entry>& expected) {
    std::map<std::string, std::set<std::int32_t>> records;
    for (const auto& e : expected) records[e.key].insert(e.recno);
    std::set<std::string> seen;
    for (const auto& e : leaves_) {
      if (Full()) return;
      if (!seen.insert(e.key).second) Problem("the key " + Printable(e.key) + " is in the unique tag twice");
      auto it = records.find(e.key);
      if (it == records.end() || !it->second.count(e.recno))
        Problem("the entry " + Printable(e.key) + " of record " + std::to_string(e.recno) +
                " does not belong in the tag");
    }
    for (const auto& [k, recnos] : records)
      if (!seen.count(k)) Problem("no entry for the key " + Printable(k) + " of record " + std::to_string(*recnos.begin()));
  }

  struct NodeLinks {
    std::int32_t page, left, right;
  };

  VXobjIndexTag& tag_;
  IndexCheckOptions options_;
  std::vector<std::string> problems_;
  std::set<std::int32_t> visited_;
  std::map<int, std::vector<NodeLinks>> levels_;
  std::vector<Entry> leaves_;
};

}  // namespace

std::vector<std::string> CheckTag(VXobjIndexTag& tag, const IndexCheckOptions& options) {
  tag.ReleaseNodes();
  return Checker(tag, options).Run();
}

}  // namespace talvern

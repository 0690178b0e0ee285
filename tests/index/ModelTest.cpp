// A randomised test against a simple model, on each index format: thousands
// of appends, rewrites (key changes, FOR changes), deletions and seeks on
// character, numeric and date tags, ascending and descending, unique and not
// (FOR conditions and descending tags where the format has them). After
// every batch each tag must walk in the model's order and pass the
// structural and content checks of `dbftool check`.
//
// The order of equal keys is the format's: by record number in .cdx files;
// elsewhere by record number after a build and in the order they were added
// after that (a new entry goes after the equal keys already there).

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "IndexTestKit.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

struct Row {
  std::string name;  // trimmed
  double num = 0;
  std::string date;  // yyyymmdd or blank
};

// A tag of the model: how a row's key compares, and whether it is in.
struct ModelTag {
  std::string name, expr, forExpr;
  bool unique = false, ascending = true;
  char kind = 'C';  // C, N, D
  std::map<std::string, std::int32_t> owners;  // unique tags: key -> record
  // Formats without record-number order: the entries in stored order.
  std::vector<std::pair<std::string, std::int32_t>> stored;
};

bool InFor(const ModelTag& t, const Row& r) { return t.forExpr.empty() || r.num > 0; }

using Param = std::tuple<std::string, int>;  // file kind, seed

class ModelTest : public ::testing::TestWithParam<Param> {
protected:
  const std::string kind = std::get<0>(GetParam());
  const bool recnoOrdered = kind == "cdx";
  const bool singleTag = kind == "ndx" || kind == "ntx";

  // Sortable text for a row's key of a tag. An empty date sorts first,
  // except in .mdx and .ndx files, which keep it after every date.
  std::string SortKey(const ModelTag& t, const Row& r) const {
    if (t.kind == 'C') return r.name;
    if (t.kind == 'D') {
      if (r.date != "        ") return r.date;
      return kind == "mdx" || kind == "ndx" ? "99999999" : "";
    }
    char buffer[32];
    // Shifted so that the text sorts as the number does.
    std::snprintf(buffer, sizeof buffer, "%020.4f", r.num + 1e9);
    return buffer;
  }
  // Whether key a comes before key b in the tag's stored order.
  bool StoredBefore(const ModelTag& t, const std::string& a, const std::string& b) const {
    return !recnoOrdered && !t.ascending ? a > b : a < b;
  }
  std::string RandomName() {
    static const char letters[] = "ABC\x80\x81";  // two Cyrillic letters of code page 866
    int length = 1 + static_cast<int>(rng() % 5);
    std::string s;
    for (int i = 0; i < length; ++i) s += letters[rng() % 5];
    return s;
  }
  double RandomNumber() { return static_cast<double>(static_cast<int>(rng() % 41) - 20) / 4.0; }
  std::string RandomDate() {
    if (rng() % 10 == 0) return "        ";
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "20%02d%02d%02d", static_cast<int>(rng() % 30),
                  1 + static_cast<int>(rng() % 12), 1 + static_cast<int>(rng() % 28));
    return buffer;
  }
  void Put(const Row& r) {
    table->TextPutByName("NAME", r.name);
    table->NumberPutByName("NUM", r.num);
    table->RawPutByName("DAT", r.date);
  }
  // A new entry goes after the equal keys.
  void ListInsert(ModelTag& t, const std::string& key, std::int32_t recno) {
    auto at = std::find_if(t.stored.begin(), t.stored.end(), [&](const auto& e) { return StoredBefore(t, key, e.first); });
    t.stored.insert(at, {key, recno});
  }
  void Built() {
    for (auto& t : tags) {
      for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!InFor(t, rows[i])) continue;
        std::string key = SortKey(t, rows[i]);
        if (t.unique && !t.owners.count(key)) t.owners[key] = static_cast<std::int32_t>(i + 1);
        t.stored.push_back({key, static_cast<std::int32_t>(i + 1)});
      }
      std::stable_sort(t.stored.begin(), t.stored.end(),
                       [&](const auto& a, const auto& b) { return StoredBefore(t, a.first, b.first); });
    }
  }
  // The maintenance of one record's keys (before: null for an append).
  void Update(std::int32_t recno, const Row* before, const Row& after) {
    for (auto& t : tags) {
      const std::string key = SortKey(t, after);
      const bool in = InFor(t, after);
      if (t.unique) {
        // Unique tags keep the entry of the record that first had a key.
        if (before) {
          std::string old = SortKey(t, *before);
          bool changed = old != key || !in;
          auto it = t.owners.find(old);
          bool present = InFor(t, *before) && it != t.owners.end() && it->second == recno;
          if (changed && present) t.owners.erase(it);
          if (!changed && present) continue;
        }
        if (in && !t.owners.count(key)) t.owners[key] = recno;
        continue;
      }
      if (recnoOrdered) continue;
      bool add = in;
      if (before) {
        std::string old = SortKey(t, *before);
        auto it = std::find(t.stored.begin(), t.stored.end(), std::make_pair(old, recno));
        bool present = it != t.stored.end();
        if (old != key || (!t.forExpr.empty() && !in)) {
          if (present) t.stored.erase(it);
        } else {
          add = in && !present;
        }
      }
      if (add) ListInsert(t, key, recno);
    }
  }
  // The record numbers in the order a walk from the top gives them.
  std::vector<std::int32_t> ModelOrder(const ModelTag& t) {
    std::vector<std::int32_t> out;
    if (!t.unique && !recnoOrdered) {
      for (const auto& e : t.stored) out.push_back(e.second);
      return out;
    }
    std::vector<std::pair<std::string, std::int32_t>> entries;
    if (t.unique) {
      for (const auto& [k, r] : t.owners) entries.push_back({k, r});
    } else {
      for (std::size_t i = 0; i < rows.size(); ++i)
        if (InFor(t, rows[i])) entries.push_back({SortKey(t, rows[i]), static_cast<std::int32_t>(i + 1)});
    }
    std::sort(entries.begin(), entries.end());
    for (const auto& e : entries) out.push_back(e.second);
    if (!t.ascending) std::reverse(out.begin(), out.end());
    return out;
  }
  void OpenFiles(bool create) {
    table->Files.clear();
    if (!singleTag) table->OpenIndex(dir.File("m." + kind), create);
    else if (!create)
      for (const auto& t : tags) table->OpenIndex(dir.File(t.name + "." + kind));
  }
  VXobjIndexTag& Tag(const ModelTag& t) {
    for (auto& file : table->Files)
      if (VXobjIndexTag* tag = file->TagByName(t.name)) return *tag;
    throw std::runtime_error("no tag " + t.name);
  }
  void Verify() {
    for (const auto& t : tags) {
      SCOPED_TRACE(t.name);
      VXobjIndexTag& tag = Tag(t);
      auto walked = Walk(tag);
      auto model = ModelOrder(t);
      if (walked != model) {
        std::size_t i = 0;
        while (i < walked.size() && i < model.size() && walked[i] == model[i]) ++i;
        std::string detail = Numbered("first difference at ", i) + " of " + std::to_string(walked.size()) +
                             Numbered("/", model.size());
        if (i < walked.size()) detail += " tag has record " + std::to_string(walked[i]) + " key '" + SortKey(t, rows[walked[i] - 1]) + "'";
        if (i < model.size()) detail += " model has record " + std::to_string(model[i]) + " key '" + SortKey(t, rows[model[i] - 1]) + "'";
        FAIL() << detail;
      }
      IndexCheckOptions options;
      options.content = !t.unique;
      auto problems = CheckTag(tag, options);
      ASSERT_TRUE(problems.empty()) << problems.front();
    }
  }
  void SeekSome() {
    for (int i = 0; i < 20; ++i) {
      const ModelTag& t = tags[rng() % tags.size()];
      VXobjIndexTag& tag = Tag(t);
      Row probe{RandomName(), RandomNumber(), RandomDate()};
      if (!rows.empty() && rng() % 2) probe = rows[rng() % rows.size()];
      std::string text = t.kind == 'C' ? probe.name : t.kind == 'D' ? probe.date : std::to_string(probe.num);
      bool exact = t.kind != 'C' || rng() % 2;
      table->SetExactKey(exact);
      std::string wanted = SortKey(t, probe);
      // The model: the first entry in stored order whose key equals the
      // search text (or begins with it, for inexact seeks).
      std::vector<std::int32_t> order = ModelOrder(t);
      if (recnoOrdered && !t.ascending) std::reverse(order.begin(), order.end());
      std::int32_t expected = 0;
      for (std::int32_t r : order) {
        std::string k = SortKey(t, rows[static_cast<std::size_t>(r - 1)]);
        if (k == wanted || (!exact && k.compare(0, wanted.size(), wanted) == 0 && !wanted.empty())) {
          expected = r;
          break;
        }
      }
      if (t.kind == 'D' && probe.date == "        ") continue;  // a blank date is no search text
      ASSERT_EQ(tag.Seek(tag.SearchKey(text)), expected) << t.name << " seek '" << text << "'";
      tag.ReleaseNodes();
    }
  }

  std::mt19937 rng{static_cast<std::uint32_t>(std::get<1>(GetParam()))};
  TempDir dir;
  std::unique_ptr<IndexedTable> table;
  std::vector<Row> rows;
  std::vector<ModelTag> tags;
};

TEST_P(ModelTest, RandomWritesKeepEveryTagInStep) {
  std::vector<ModelTag> all = {
      {"NAME", "NAME", "", false, true, 'C', {}, {}},      {"NAMEDOWN", "NAME", "", false, false, 'C', {}, {}},
      {"NAMEU", "NAME", "", true, true, 'C', {}, {}},      {"NUM", "NUM", "", false, true, 'N', {}, {}},
      {"NUMFOR", "NUM", "NUM > 0", false, false, 'N', {}, {}}, {"DAT", "DAT", "", false, true, 'D', {}, {}},
      {"DATU", "DAT", "", true, false, 'D', {}, {}}};
  // .ndx files have neither descending tags nor FOR conditions.
  for (auto& t : all)
    if (kind != "ndx" || (t.ascending && t.forExpr.empty())) tags.push_back(t);
  CreateTable(dir.File("m.dbf"), 0x03, {{"NAME", 'C', 8, 0}, {"NUM", 'N', 8, 2}, {"DAT", 'D', 8, 0}});
  table = std::make_unique<IndexedTable>(dir.File("m.dbf"), true, true);
  // Some rows before the tags are built, the rest maintained.
  for (int i = 0; i < 150; ++i) {
    Row r{RandomName(), RandomNumber(), RandomDate()};
    table->BlankRecord();
    Put(r);
    table->AppendRecord();
    rows.push_back(r);
  }
  OpenFiles(true);
  for (auto& t : tags) {
    VXobjIndexFile& file = singleTag ? table->OpenIndex(dir.File(t.name + "." + kind), true) : *table->Files.front();
    ASSERT_TRUE(file.TagAdd(t.name, t.expr, t.unique, t.ascending, t.forExpr));
  }
  Built();
  Verify();
  for (int batch = 0; batch < 12; ++batch) {
    for (int op = 0; op < 150; ++op) {
      int what = static_cast<int>(rng() % 10);
      if (what < 4 || rows.empty()) {
        Row r{RandomName(), RandomNumber(), RandomDate()};
        table->BlankRecord();
        Put(r);
        table->AppendRecord();
        rows.push_back(r);
        Update(static_cast<std::int32_t>(rows.size()), nullptr, r);
      } else if (what < 9) {
        std::int32_t recno = 1 + static_cast<std::int32_t>(rng() % rows.size());
        Row before = rows[static_cast<std::size_t>(recno - 1)];
        Row after = before;
        switch (rng() % 3) {
          case 0: after.name = RandomName(); break;
          case 1: after.num = RandomNumber(); break;
          default: after.date = RandomDate(); break;
        }
        table->ReadRecord(recno);
        Put(after);
        table->WriteRecord(recno);
        rows[static_cast<std::size_t>(recno - 1)] = after;
        Update(recno, &before, after);
      } else {
        // Deleting or recalling writes the record; its keys stay (an entry
        // that is missing is added, as for any rewrite).
        std::int32_t recno = 1 + static_cast<std::int32_t>(rng() % rows.size());
        table->ReadRecord(recno);
        if (table->IsDeleted()) table->RecallRecord();
        else table->DeleteRecord();
        const Row& row = rows[static_cast<std::size_t>(recno - 1)];
        Update(recno, &row, row);
      }
    }
    Verify();
    SeekSome();
  }
  // The files read the same after they are closed and opened again.
  OpenFiles(false);
  Verify();
}

INSTANTIATE_TEST_SUITE_P(Formats, ModelTest,
                         ::testing::Combine(::testing::Values("cdx", "mdx", "ndx", "ntx"), ::testing::Values(1, 2, 3)),
                         [](const ::testing::TestParamInfo<Param>& info) {
                           return std::get<0>(info.param) + "_" + std::to_string(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace talvern::testing

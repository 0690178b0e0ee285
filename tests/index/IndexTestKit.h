#pragma once
// Helpers of the index tests: a table that keeps its open index files up to
// date on every write as the table handler does (IndexedTable), a way to
// fill tables quickly, and walks of a tag in either direction.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/TableTypes.h"
#include "index/CdxFile.h"
#include "index/IndexFile.h"

namespace talvern::testing {

// A table whose writes update its index files under their locks, and which
// records the status reports it receives.
class IndexedTable : public VXO_dBaseFld {
public:
  using VXO_dBaseFld::VXO_dBaseFld;
  ~IndexedTable() override { Files.clear(); }

  bool TableEvent(std::int32_t code, std::int32_t value) override {
    if (code == teAfterWrite)
      for (auto& file : Files) file->KeysUpdate(RecNo(), value == 0);
    return VXO_dBaseFld::TableEvent(code, value);
  }
  void WriteRecord(std::int32_t recno) override {
    Locked locked(*this);
    VXO_dBaseFld::WriteRecord(recno);
  }
  void AppendRecord() override {
    Locked locked(*this);
    VXO_dBaseFld::AppendRecord();
  }
  void StatusReport(std::int32_t a, std::int32_t b, std::int32_t c) override {
    if (KeepReports) Reports.push_back({a, b, c});
  }

  VXobjCDXFile& OpenCdx(const std::string& name, bool create = false) {
    auto file = std::make_unique<VXobjCDXFile>(this, name, false, create, IsShared(), IsReadWrite());
    if (!file->IsOpened()) Raise(file->IsCorrupted() ? "Index file %s is corrupted" : "File %s could not be found", {name});
    Files.push_back(std::move(file));
    return static_cast<VXobjCDXFile&>(*Files.back());
  }

  // An index file of the kind its extension names (.cdx, .mdx, .ndx, .ntx).
  VXobjIndexFile& OpenIndex(const std::string& name, bool create = false) {
    auto file = MakeIndexFile(this, name, create, IsShared(), IsReadWrite());
    if (!file || !file->IsOpened())
      Raise(file && file->IsCorrupted() ? "Index file %s is corrupted" : "File %s could not be found", {name});
    Files.push_back(std::move(file));
    return *Files.back();
  }

  std::vector<std::unique_ptr<VXobjIndexFile>> Files;
  bool KeepReports = false;
  std::vector<std::array<std::int32_t, 3>> Reports;

private:
  struct Locked {
    explicit Locked(IndexedTable& t) : table(t) {
      for (auto& f : table.Files) f->IndexLock();
    }
    ~Locked() {
      for (auto& f : table.Files) f->IndexUnlock();
    }
    IndexedTable& table;
  };
};

// A table file with the given fields and rows (one text per field).
inline void MakeTable(const std::string& path, const std::vector<FieldSpec>& fields,
                      const std::vector<std::vector<std::string>>& rows) {
  CreateTable(path, 0x03, fields);
  VXO_dBaseFld table(path, false, true);
  for (const auto& row : rows) {
    table.BlankRecord();
    for (std::size_t i = 0; i < row.size(); ++i) table.TextPut(static_cast<std::int32_t>(i + 1), row[i]);
    table.AppendRecord();
  }
}

// prefix followed by the number (without the temporaries that g++ warns
// about when texts are added with +).
inline std::string Numbered(const std::string& prefix, long n) {
  std::string s = prefix;
  s += std::to_string(n);
  return s;
}

// The record numbers of a tag from top to bottom (forward) or back.
inline std::vector<std::int32_t> Walk(VXobjIndexTag& tag, bool forward = true) {
  std::vector<std::int32_t> recnos;
  for (std::int32_t r = tag.MoveTo(forward ? RecTop : RecBottom); r > 0;
       r = tag.MoveTo(forward ? RecNext : RecPrior))
    recnos.push_back(r);
  tag.ReleaseNodes();
  return recnos;
}

// (key text, record number) of every entry from top to bottom.
inline std::vector<std::pair<std::string, std::int32_t>> Entries(VXobjIndexTag& tag) {
  std::vector<std::pair<std::string, std::int32_t>> out;
  for (std::int32_t r = tag.MoveTo(RecTop); r > 0; r = tag.MoveTo(RecNext))
    out.emplace_back(std::string(tag.Current.View()), r);
  tag.ReleaseNodes();
  return out;
}

inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETalvernError& e) {
    return e.what();
  }
  return "";
}

}  // namespace talvern::testing

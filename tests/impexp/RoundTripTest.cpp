// Every kind of the sample catalogue exported and imported again, each
// device replaced: the devices keep their type, kind, drawings, import flag
// and temperature, their PARAMS is what the file's columns give back, and a
// second export writes the same bytes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ImpexpFixture.h"
#include "impexp/ExportTable.h"
#include "impexp/Importer.h"

namespace talvern::testing {
namespace {

// What PARAMS becomes: parameters 1 to n, each the trimmed piece when the
// kind has a column for it and empty otherwise, "|"-joined, trailing bars
// dropped.
std::string ParamsAfterImport(const std::string& params, const std::set<int>& columns, int n) {
  std::vector<std::string> pieces(1);
  for (char c : params) {
    if (c == '|') pieces.emplace_back();
    else pieces.back() += c;
  }
  std::string text;
  for (int k = 1; k <= n; ++k) {
    std::string value = columns.count(k) && k <= static_cast<int>(pieces.size()) ? pieces[k - 1] : "";
    value.erase(0, value.find_first_not_of(' '));
    value.erase(value.find_last_not_of(' ') + 1);
    text += (k > 1 ? "|" : "") + value;
  }
  return text.erase(text.find_last_not_of('|') + 1);
}

TEST(RoundTripTest, EveryKindOfTheSampleComesBackAsItWent) {
  TempDir dir;
  if (!CopySampleCatalogue(dir)) GTEST_SKIP() << "no sample catalogue in " << TALVERN_BINARY_DIR << "/app";
  std::map<int, std::set<int>> columns;  // kind -> parameter numbers with a column
  {
    TTalvernDataSet fields;
    fields.SetDatabaseName(dir.Path());
    fields.SetTableName("fields.dbf");
    fields.Open();
    for (; !fields.Eof(); fields.Next())
      columns[fields.FieldByName("VID").AsInteger()].insert(fields.FieldByName("FLD").AsInteger());
    TTalvernDataSet vids;
    vids.SetDatabaseName(dir.Path());
    vids.SetTableName("vids.dbf");
    vids.Open();
    for (; !vids.Eof(); vids.Next()) columns[vids.FieldByName("VID").AsInteger()];
  }
  const auto before = ReadDevices(dir.Path());

  RecordingHost host;
  impexp::CatalogueFiles catalogue(dir.Path());
  for (const auto& [kind, numbers] : columns) {
    std::size_t devices = 0;
    for (const auto& [recNo, d] : before) devices += d.vid == kind;
    const std::string first = dir.File("first.tbl"), second = dir.File("second.tbl");
    impexp::ExportTable(catalogue, first, kind);
    host.questions.clear();
    impexp::TImporter(catalogue, host, "").ImportFile(first);
    EXPECT_EQ(host.lines.back(), "Импорт завершен.") << kind;
    EXPECT_EQ(host.questions.size(), devices) << kind;
    impexp::ExportTable(catalogue, second, kind);
    EXPECT_EQ(ReadFile(first), ReadFile(second)) << kind;
  }

  auto expected = before;
  for (auto& [recNo, d] : expected) {
    const std::set<int>& numbers = columns[d.vid];
    d.params = ParamsAfterImport(d.params, numbers, numbers.empty() ? 0 : *numbers.rbegin());
  }
  EXPECT_EQ(ReadDevices(dir.Path()), expected);
}

}  // namespace
}  // namespace talvern::testing

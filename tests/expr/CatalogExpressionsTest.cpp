// The catalogue's own expressions on tables shaped like its own: the device
// table's TYPE key, the layout table's GRPD key, the kind filter and the
// search filter.
#include "ExprTestSupport.h"

#include <algorithm>
#include <vector>

#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "engine/Translate.h"
#include "expr/Variant.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern::testing {
namespace {

using platform::AnsiUpper;
using platform::OemToUtf8;
using platform::Utf8ToAnsi;
using platform::Utf8ToOem;

// The device table's TYPE key; its three letters are ГКА in code page 866,
// as the key is evaluated on stored text.
const std::string kTypeKey =
    "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + Utf8ToOem("ГКА") + "\")))";

struct Device {
  const char* type;  // UTF-8
  int vid;
  bool import;
};

class CatalogExpressions : public ::testing::Test {
protected:
  void MakeMain(const std::vector<Device>& devices) {
    path = dir.File("main.dbf");
    CreateTable(path, 0x03,
                {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PARAMS", 'C', 200, 0},
                 {"PIC", 'C', 9, 0}, {"TERM", 'C', 12, 0}, {"IMPORT", 'L', 1, 0}});
    table = std::make_unique<VXO_dBaseFld>(path, false, true);
    for (const Device& d : devices) {
      table->BlankRecord();
      table->RawPut(1, Utf8ToOem(d.type));
      table->NumberPut(2, d.vid);
      table->LogicPut(6, d.import);
      table->AppendRecord();
    }
  }
  // Record numbers, in table order, for which the filter is true.
  std::vector<int> Matching(const std::string& filter) {
    TvxExpHandler h(table->ExpressionLink(), filter);
    std::vector<int> found;
    ExprValue v;
    for (int n = 1; n <= table->RecordCount(); ++n) {
      table->ReadRecord(n);
      h.Evaluate(v);
      EXPECT_EQ(h.ResultKind(), ValueKind::Boolean);
      if (v.boolean) found.push_back(n);
    }
    return found;
  }
  // The types (UTF-8) in the order of a key expression.
  std::vector<std::string> TypesInKeyOrder(const std::string& key) {
    TvxExpHandler h(table->ExpressionLink(), key);
    std::vector<std::pair<TvxVariant, std::string>> keys;
    for (int n = 1; n <= table->RecordCount(); ++n) {
      table->ReadRecord(n);
      TvxVariant k;
      h.EvaluateTo(k);
      keys.emplace_back(k, OemToUtf8(TrimmedType()));
    }
    std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
      std::int32_t position;
      return a.first.Compare(&b.first, position) < 0;
    });
    std::vector<std::string> types;
    for (auto& k : keys) types.push_back(k.second);
    return types;
  }
  std::string TrimmedType() {
    std::string t = table->RawGet(1);
    return t.substr(0, t.find_last_not_of(' ') + 1);
  }

  TempDir dir;
  std::string path;
  std::unique_ptr<VXO_dBaseFld> table;
};

TEST_F(CatalogExpressions, TypeKeySortsOldDigitPrefixesWithTheirLetters) {
  MakeMain({{"КТ315А", 101, false}, {"2Т312Б", 101, false}, {"1N4007", 205, true},
            {"КД522Б", 205, false}, {"2Д522Б", 205, false}, {"3Л341Г", 301, false},
            {"ГТ308В", 101, false}, {"1Т308В", 101, false}, {"BC547B", 101, true},
            {"КТ312А", 101, false}});
  // Domestic 2... sorts as К..., 1... as Г..., 3... as А...; imported types
  // keep their digits.
  EXPECT_EQ(TypesInKeyOrder(kTypeKey),
            (std::vector<std::string>{"1N4007", "BC547B", "3Л341Г", "ГТ308В", "1Т308В",
                                      "КД522Б", "2Д522Б", "КТ312А", "2Т312Б", "КТ315А"}));
  table->ReadRecord(2);
  TvxVariant key;
  TvxExpHandler(table->ExpressionLink(), kTypeKey).EvaluateTo(key);
  EXPECT_EQ(OemToUtf8(key.View()), "КТ312Б              ");
}

TEST_F(CatalogExpressions, LayoutKeyOrdersGroupThenSubgroupThenField) {
  std::string layout = dir.File("fields.dbf");
  CreateTable(layout, 0x03, {{"VID", 'N', 4, 0}, {"GRP", 'N', 2, 0}, {"DOP", 'N', 2, 0},
                             {"FLD", 'N', 2, 0}});
  VXO_dBaseFld t(layout, false, true);
  const int rows[][3] = {{2, 1, 3}, {1, 10, 1}, {1, 2, 12}, {10, 0, 0}, {1, 2, 3}};
  for (const auto& r : rows) {
    t.BlankRecord();
    for (int i = 0; i < 3; ++i) t.NumberPut(i + 2, r[i]);
    t.AppendRecord();
  }
  TvxExpHandler h(t.ExpressionLink(), "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)");
  std::vector<std::string> keys;
  for (int n = 1; n <= t.RecordCount(); ++n) {
    t.ReadRecord(n);
    TvxVariant k;
    h.EvaluateTo(k);
    keys.emplace_back(k.View());
  }
  EXPECT_EQ(keys, (std::vector<std::string>{" 2 1 3", " 110 1", " 1 212", "10 0 0", " 1 2 3"}));
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(keys, (std::vector<std::string>{" 1 2 3", " 1 212", " 110 1", " 2 1 3", "10 0 0"}));
}

TEST_F(CatalogExpressions, KindFilter) {
  MakeMain({{"КТ315А", 3, false}, {"КТ361А", 31, false}, {"2N3055", 3, true}, {"BC547", 13, true}});
  EXPECT_EQ(Matching("VID=3"), (std::vector<int>{1, 3}));
  EXPECT_EQ(Matching("VID=31"), (std::vector<int>{2}));
}

TEST_F(CatalogExpressions, SearchFilterAfterTranslationTo866) {
  MakeMain({{"КТ315А", 1, false}, {"2Т315А", 1, false}, {"КТ3102", 2, false},
            {"ККТ3", 3, false}, {"кт315б", 1, false}, {"KT315", 4, true}});
  // The search window upper-cases the fragment in 1251 and builds the filter;
  // the dataset hands it to the table in 866.
  std::string fragment = AnsiUpper(Utf8ToAnsi("кт3"));
  std::string filter = AnsiToOem("AT(\"" + fragment + "\",TYPE,1)<>0");
  EXPECT_EQ(Matching(filter), (std::vector<int>{1, 3, 4}));
  // UPPER of stored 866 text upper-cases its Cyrillic letters (through
  // the display code page), so the lower-case type is found too.
  std::string upperFilter = AnsiToOem("AT(\"" + fragment + "\",UPPER(TYPE),1)<>0");
  EXPECT_EQ(Matching(upperFilter), (std::vector<int>{1, 3, 4, 5}));
  table->ReadRecord(5);
  EXPECT_EQ(OemToUtf8(Eval("UPPER(TYPE)", table->ExpressionLink()).value.text),
            "КТ315Б              ");
}

}  // namespace
}  // namespace talvern::testing

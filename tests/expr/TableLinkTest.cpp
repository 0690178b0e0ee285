// Expressions on a real table: the field variables read the current record,
// the table functions answer about the table, the link carries the flags.
#include "ExprTestSupport.h"

#include <cstdlib>
#include <cstring>

#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "expr/TableLink.h"

namespace talvern::testing {
namespace {

class TableLink : public ::testing::Test {
protected:
  TableLink() {
    path = dir.File("main.dbf");
    CreateTable(path, 0x83,
                {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PRICE", 'N', 8, 2},
                 {"BORN", 'D', 8, 0}, {"IMPORT", 'L', 1, 0}, {"NOTE", 'M', 10, 0},
                 {"LONGTEXT", 'C', 300, 0}});
    table = std::make_unique<VXO_dBaseFld>(path, false, true);
    Add("KT315A", " 315", "12.50", "19991231", "F", std::string("memo\0tail", 9));
    Add("1N4007", "  7", "", "", "T", "");
    table->ReadRecord(1);
  }
  void Add(const std::string& type, const std::string& vid, const std::string& price,
           const std::string& born, const std::string& import, const std::string& note) {
    table->BlankRecord();
    table->RawPut(1, type);
    table->RawPut(2, vid);
    table->RawPut(3, price);
    table->RawPut(4, born);
    table->RawPut(5, import);
    std::int32_t length = static_cast<std::int32_t>(note.size());
    table->MemoWrite(6, note.data(), length);
    table->RawPut(7, "long");
    table->AppendRecord();
  }
  Result On(std::string_view text) { return Eval(text, table->ExpressionLink()); }
  std::string Error(std::string_view text) {
    try {
      On(text);
    } catch (const ETalvernError& e) {
      return e.what();
    }
    return {};
  }

  TempDir dir;
  std::string path;
  std::unique_ptr<VXO_dBaseFld> table;
};

TEST_F(TableLink, FieldsReadTheCurrentRecordByType) {
  Result r = On("TYPE");
  EXPECT_EQ(r.kind, ValueKind::Text);
  EXPECT_EQ(r.value.text, "KT315A              ");  // not trimmed
  EXPECT_EQ(On("VID").value.number, 315);
  EXPECT_EQ(On("VID").kind, ValueKind::Number);
  EXPECT_EQ(On("PRICE").value.number, 12.5);
  EXPECT_EQ(On("BORN").kind, ValueKind::Date);
  EXPECT_EQ(On("BORN").value.number, 2451544);
  EXPECT_EQ(On("IMPORT").kind, ValueKind::Boolean);
  EXPECT_FALSE(On("IMPORT").value.boolean);
  EXPECT_EQ(On("NOTE").value.text, "memo");  // up to the first NUL
  EXPECT_EQ(On("LEN(LONGTEXT)").value.number, 300);

  table->ReadRecord(2);
  EXPECT_EQ(On("PRICE").value.number, 0);  // blank
  EXPECT_EQ(On("BORN").value.number, 0);   // empty date
  EXPECT_TRUE(On("IMPORT").value.boolean);
  EXPECT_EQ(On("NOTE").value.text, "");
  EXPECT_TRUE(On("TYPE = '1N4007' .AND. VID = 7 .AND. EMPTY(BORN)").value.boolean);
}

TEST_F(TableLink, FieldsAreKnownByBareAndQualifiedName) {
  EXPECT_EQ(On("MAIN.VID + main->VID").value.number, 630);
  TvxExpHandler h(table->ExpressionLink(), "VID = 3 .AND. MAIN.TYPE = 'x' .OR. UPPER(NOTE) = ''");
  EXPECT_EQ(h.FieldList(kOwnerTableField), "VID;TYPE;");
  EXPECT_EQ(h.LargestWidth(), 20);
  EXPECT_EQ(Error("OTHER.VID"), "There is no function for OTHER");
  // A variable is as wide as its field, a C field over 255 included.
  EXPECT_EQ(table->Fields()[6].second->Variable()->Width(), 300);
  EXPECT_EQ(table->Fields()[1].second->Variable()->Name(), "VID");
  EXPECT_EQ(table->Fields()[1].second->Variable()->AllNames(), "VID;MAIN.VID");
}

TEST_F(TableLink, TableFunctions) {
  table->ReadRecord(2);
  EXPECT_EQ(On("RECNO()").value.number, 2);
  EXPECT_FALSE(On("DELETED()").value.boolean);
  table->DeleteRecord();
  EXPECT_TRUE(On("DELETED()").value.boolean);
  EXPECT_EQ(On("TYPE('vid')").value.text, "N");
  EXPECT_EQ(On("TYPE('Born') + TYPE('NOTE')").value.text, "DM");
  EXPECT_EQ(On("FIELDNO('import')").value.number, 5);
  EXPECT_EQ(On("FIELDNO('nosuch')").value.number, 0);
  EXPECT_EQ(On("LEN('TYPE')").value.number, 4);  // the library's LEN comes first
  EXPECT_EQ(Error("TYPE('nosuch')"), "There is no field name " + path + "->NOSUCH");
  table->ReadRecord(3);  // past the end
  EXPECT_TRUE(On("EOF()").value.boolean);
  table->ReadRecord(-3);  // top
  EXPECT_FALSE(On("BOF() .OR. EOF()").value.boolean);
}

TEST_F(TableLink, TheLinkCarriesTheTranslateFlagAndTheDialect) {
  TvxExpUserLink* link = table->ExpressionLink();
  EXPECT_TRUE(link->Translate());
  table->SetTranslate(false);
  EXPECT_FALSE(link->Translate());
  EXPECT_EQ(On("STR(VID)").value.text, "       315");
  link->SetDialect(-1);  // STR as wide as its argument
  EXPECT_EQ(On("STR(VID)").value.text, " 315");
}

TEST_F(TableLink, ADamagedNumberGivesTheTablesError) {
  table->RawPut(2, "3x5");
  EXPECT_EQ(Error("VID = 1"), "Invalid numeric value in field main->VID (3x5)");
}

// Numeric fields are read by the expression itself for speed; the values
// must be exactly those the table's own reading gives.
TEST_F(TableLink, NumbersReadExactlyAsTheTableReadsThem) {
  std::string other = dir.File("numbers.dbf");
  CreateTable(other, 0x03, {{"X", 'N', 20, 5}});
  VXO_dBaseFld t(other, false, true);
  t.BlankRecord();
  std::vector<std::string> texts = {"12.50", "-0.5", "  +3", "0.1", "-0", "5.", ".5", "0.30000",
                                    "123456789012345", "1234567890123456", "9007199254740993",
                                    "1e3", "-1.5E-2", "99999.99999", "0.000000000000001"};
  std::srand(7);
  for (int i = 0; i < 2000; ++i) {
    std::string digits = std::to_string(std::rand() % 2000000 - 1000000);
    std::size_t point = static_cast<std::size_t>(std::rand() % 8);
    std::string s;
    if (point < digits.size()) {
      s.append(digits, 0, digits.size() - point);
      s += '.';
    }
    s.append(digits, point < digits.size() ? digits.size() - point : 0);
    texts.push_back(s);
  }
  TvxExpHandler x(t.ExpressionLink(), "X");
  ExprValue v;
  for (const std::string& text : texts) {
    t.RawPut(1, text);
    x.Evaluate(v);
    double expected = static_cast<double>(t.NumberGet(1));
    EXPECT_EQ(std::memcmp(&v.number, &expected, sizeof expected), 0) << text;
  }
}

TEST_F(TableLink, OtherFieldTypesGiveTheirBytes) {
  std::string other = dir.File("vfp.dbf");
  CreateTable(other, 0x30, {{"N", 'I', 4, 0}});
  VXO_dBaseFld t(other, false, true);
  t.BlankRecord();
  t.NumberPut(1, 258);
  Result r = Eval("N", t.ExpressionLink());
  EXPECT_EQ(r.kind, ValueKind::Memo);
  EXPECT_EQ(r.value.text, std::string("\x02\x01\0\0", 4));
}

}  // namespace
}  // namespace talvern::testing

// Locate by scanning (no tag), and keys built from values.
#include <gtest/gtest.h>

#include "HandlerTestKit.h"
#include "engine/Translate.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

class HandlerLocate : public ::testing::Test {
protected:
  void SetUp() override {
    // Types in code page 866, as the catalogue stores them.
    MakeDevices(path, {{platform::Utf8ToOem("КТ315А"), 1},
                       {"2N3055", 2},
                       {platform::Utf8ToOem("КТ315Б"), 1, true},
                       {platform::Utf8ToOem("КТ315Б"), 3},
                       {"2N3055", 4}});
  }
  // A value as the dataset hands it: in code page 1251.
  static TvxValueList Ansi(std::initializer_list<const char*> texts) {
    TvxValueList values;
    for (const char* t : texts) values.emplace_back(platform::Utf8ToAnsi(t));
    return values;
  }
  TempDir dir;
  std::string path = dir.File("main.dbf");
};

TEST_F(HandlerLocate, FindsTheFirstRecordShowingTheValues) {
  VXO_dBHandler t(path, true, true);
  EXPECT_TRUE(t.Locate("TYPE", Ansi({"2N3055"}), 0, false, false));
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_TRUE(t.Locate("TYPE", Ansi({"2N3055"}), 2, false, false));  // after record 2
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_TRUE(t.Locate("TYPE;VID", Ansi({"КТ315Б", "3"}), 0, false, false));
  EXPECT_EQ(t.RecNo(), 4);
  EXPECT_TRUE(t.Locate(" type ; vid ", Ansi({"КТ315Б", "1"}), 0, false, false));
  EXPECT_EQ(t.RecNo(), 3);  // deleted, but deleted records are visible

  t.SetUseDeleted(false);
  EXPECT_FALSE(t.Locate("TYPE;VID", Ansi({"КТ315Б", "1"}), 0, false, false));
  EXPECT_TRUE(t.Eof());
}

TEST_F(HandlerLocate, PartialAndCaseInsensitive) {
  VXO_dBHandler t(path, true, true);
  EXPECT_FALSE(t.Locate("TYPE", Ansi({"КТ315"}), 0, false, false));
  EXPECT_TRUE(t.Locate("TYPE", Ansi({"КТ315"}), 0, true, false));
  EXPECT_EQ(t.RecNo(), 1);
  EXPECT_FALSE(t.Locate("TYPE", Ansi({"кт315б"}), 0, false, false));
  EXPECT_TRUE(t.Locate("TYPE", Ansi({"кт315б"}), 0, false, true));
  EXPECT_EQ(t.RecNo(), 3);
  EXPECT_TRUE(t.Locate("VID;TYPE", Ansi({"4", "2n"}), 0, true, true));
  EXPECT_EQ(t.RecNo(), 5);
}

TEST_F(HandlerLocate, OnlyVisibleRecordsAreFound) {
  VXO_dBHandler t(path, true, true);
  t.SetFilterOn(true);
  t.SetFilter("VID>2", false, true);
  EXPECT_TRUE(t.Locate("TYPE", Ansi({"2N3055"}), 0, false, false));
  EXPECT_EQ(t.RecNo(), 5);
  EXPECT_FALSE(t.Locate("TYPE", Ansi({"КТ315А"}), 0, false, false));
  EXPECT_NE(ErrorOf([&] { t.Locate("NOPE", Ansi({"x"}), 0, false, false); }).find("There is no field name"),
            std::string::npos);

  t.ReadRecord(RecTop);
  t.SetFilter("VID>99", false, true);  // nothing visible
  EXPECT_FALSE(t.Locate("TYPE", Ansi({"2N3055"}), 0, false, false));
}

// The fields a key expression names outside function calls take the values
// in the order the expression uses them.
TEST_F(HandlerLocate, KeyFromValuesFillsTheKeyFieldsInOrder) {
  std::string names = dir.File("names.dbf");
  CreateTable(names, 0x03, {{"LAST", 'C', 6, 0}, {"FIRST", 'C', 4, 0}, {"AGE", 'N', 3, 0}});
  VXO_dBHandler t(names, true, true);
  EXPECT_EQ(t.KeyFromValues(Ansi({"Ivanov", "Ivan"}), "LAST+FIRST"), "IvanovIvan");
  EXPECT_EQ(t.KeyFromValues(Ansi({"Ivan", "Ivanov"}), "FIRST+LAST"), "IvanIvanov");
  EXPECT_EQ(t.KeyFromValues(Ansi({"Petrovsky", "Pyotr"}), "LAST+FIRST"), "PetrovPyot");  // cut to the fields
  EXPECT_EQ(t.KeyFromValues(Ansi({"Li"}), "LAST+FIRST"), "Li        ");  // FIRST stays blank
  EXPECT_EQ(t.KeyFromValues(Ansi({"Ли"}), "LAST"), platform::Utf8ToOem("Ли    "));
  EXPECT_EQ(t.KeyFromValues(Ansi({"42"}), "AGE"), "42");
  EXPECT_EQ(t.KeyFromValues({}, "LAST"), "      ");

  VXO_dBHandler devices(path, true, true);
  devices.ReadRecord(2);
  devices.KeyFromValues(Ansi({"X"}), "TYPE");
  EXPECT_EQ(devices.RecNo(), 2);  // the table does not move
  EXPECT_EQ(devices.TextGet(1), "2N3055");
}

}  // namespace
}  // namespace talvern::testing

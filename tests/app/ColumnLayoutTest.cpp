#include <gtest/gtest.h>

#include "app/ColumnLayout.h"
#include "app/LayoutSave.h"
#include "engine/Errors.h"
#include "platform/CodePage.h"

using namespace talvern;

namespace {

LayoutRow Row(int fld, int grp, int dop, int len, std::string shortHeading, std::string unit,
              std::string fullName) {
  LayoutRow row;
  row.vid = 7;
  row.fld = fld;
  row.grp = grp;
  row.dop = dop;
  row.len = len;
  row.shortHeading = std::move(shortHeading);
  row.unit = std::move(unit);
  row.fullName = std::move(fullName);
  return row;
}

}  // namespace

TEST(ColumnLayout, KindColumnsAreTypeThenRowsThenTemperature) {
  // Groups 1, 1, 2 with positions 0, 1, 0: two joined columns, one single.
  std::vector<LayoutRow> rows = {Row(3, 1, 0, 5, "Uce", "V", "Collector voltage"),
                                 Row(9, 1, 1, 0, "Ic", "A", "Collector current"),
                                 Row(4, 2, 0, 6, "h21", "", "Gain")};
  std::vector<ColumnDef> columns = BuildKindColumns(rows);
  ASSERT_EQ(columns.size(), 5u);

  EXPECT_EQ(columns[0].column.fieldName, "TYPE");
  EXPECT_EQ(columns[0].column.group, 0);
  EXPECT_EQ(columns[0].column.position, 0);
  EXPECT_EQ(columns[0].width, 4);
  EXPECT_EQ(columns[0].column.heading, columns[0].column.fullName);

  EXPECT_EQ(columns[1].column.fieldName, "3");
  EXPECT_EQ(columns[1].column.heading, "Uce\rV");
  EXPECT_EQ(columns[1].column.fullName, "Collector voltage");
  EXPECT_EQ(columns[1].width, 5);
  EXPECT_EQ(columns[2].column.fieldName, "9");
  EXPECT_EQ(columns[2].column.group, 1);
  EXPECT_EQ(columns[2].column.position, 1);
  EXPECT_EQ(columns[2].width, 0);
  EXPECT_EQ(columns[3].column.heading, "h21\r");
  EXPECT_EQ(columns[3].column.group, 2);

  EXPECT_EQ(columns[4].column.fieldName, "TERM");
  EXPECT_EQ(columns[4].column.group, 999);
  EXPECT_EQ(columns[4].column.position, 0);
  EXPECT_EQ(columns[4].width, 8);
  // The fixed columns' texts, in code page 1251.
  using platform::AnsiToUtf8;
  EXPECT_EQ(AnsiToUtf8(columns[0].column.heading), "Тип");
  EXPECT_EQ(AnsiToUtf8(columns[4].column.heading), "Температура\r°C");
  EXPECT_EQ(AnsiToUtf8(columns[4].column.fullName), "Диапазон рабочих температур");
}

TEST(ColumnLayout, KindWithoutLayoutRowsShowsTypeAndTemperature) {
  std::vector<ColumnDef> columns = BuildKindColumns({});
  ASSERT_EQ(columns.size(), 2u);
  EXPECT_EQ(columns[0].column.fieldName, "TYPE");
  EXPECT_EQ(columns[1].column.fieldName, "TERM");
  EXPECT_EQ(HighestParameterNumber({}), 0);
}

TEST(ColumnLayout, HighestParameterNumberIgnoresScreenOrder) {
  EXPECT_EQ(HighestParameterNumber({Row(12, 1, 0, 4, "", "", ""), Row(30, 2, 0, 4, "", "", ""),
                                    Row(2, 3, 0, 4, "", "", "")}),
            30);
}

TEST(ColumnList, FieldNamesAreCutToFifteenCharacters) {
  TColumnList list;
  list.Add({1, 0, "full", "h", "ABCDEFGHIJKLMNOPQRS"});
  list.Add({1, 1, "full", "h", "SHORT"});
  EXPECT_EQ(list.At(0).fieldName, "ABCDEFGHIJKLMNO");
  EXPECT_EQ(list.At(1).fieldName, "SHORT");
  EXPECT_THROW(list.At(2), ETalvernError);
  EXPECT_THROW(list.At(-1), ETalvernError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(ColumnList, HeadingSplitsAtTheFirstCarriageReturn) {
  EXPECT_EQ(SplitHeading("Uce\rV").first, "Uce");
  EXPECT_EQ(SplitHeading("Uce\rV").second, "V");
  // Without a unit the second line is empty; without a CR all is the first line.
  EXPECT_EQ(SplitHeading("Uce\r").second, "");
  EXPECT_EQ(SplitHeading("Uce").first, "Uce");
  EXPECT_EQ(SplitHeading("Uce").second, "");
  EXPECT_EQ(SplitHeading("").first, "");
  // Only the first CR splits; the rest belongs to the second line.
  EXPECT_EQ(SplitHeading("a\rb\rc").second, "b\rc");
  EXPECT_EQ(SplitHeading("\rV").first, "");
  // The second line shows at most 200 characters.
  std::string unit(250, 'u');
  EXPECT_EQ(SplitHeading("a\r" + unit).second, unit.substr(0, 200));
}

// --- saving a layout ----------------------------------------------------------

namespace {

TColInfo Stored(int recNo, std::string shortHeading, std::uint8_t width = 5) {
  return {recNo, "V", std::move(shortHeading), "full", width};
}
TColInfo Fresh(std::string shortHeading, std::uint8_t width = 8) {
  return {0, "A", std::move(shortHeading), "new", width};
}

}  // namespace

TEST(LayoutSave, GroupsAreRenumberedInScreenOrder) {
  std::vector<TColInfoArr> groups = {{Stored(10, "a"), Stored(11, "b")}, {Stored(12, "c")}};
  // The first group moved down.
  std::vector<LayoutWrite> writes = PlanLayoutSave(7, groups, {2, 1}, 20);
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].recNo, 12);
  EXPECT_EQ(writes[0].row.grp, 1);
  EXPECT_EQ(writes[1].recNo, 10);
  EXPECT_EQ(writes[1].row.grp, 2);
  EXPECT_EQ(writes[2].recNo, 11);
  EXPECT_EQ(writes[2].row.grp, 2);
  EXPECT_EQ(writes[2].row.shortHeading, "b");
  EXPECT_EQ(writes[2].row.unit, "V");
  EXPECT_EQ(writes[2].row.fullName, "full");
  EXPECT_EQ(writes[2].row.len, 5);
}

TEST(LayoutSave, NewColumnsGetTheNextParameterNumbersAndTheirPlaceInTheGroup) {
  std::vector<TColInfoArr> groups = {{Stored(10, "a"), Stored(11, "b"), Fresh("c"), Fresh("d")},
                                     {Stored(12, "e")},
                                     {Stored(13, "f")},
                                     {Fresh("g")}};
  std::vector<LayoutWrite> writes = PlanLayoutSave(7, groups, {1, 2, 3, 4}, 20);
  ASSERT_EQ(writes.size(), 7u);
  // Existing columns keep their record; only new ones carry kind, FLD and DOP.
  EXPECT_EQ(writes[1].recNo, 11);
  EXPECT_EQ(writes[2].recNo, 0);
  EXPECT_EQ(writes[2].row.vid, 7);
  EXPECT_EQ(writes[2].row.fld, 21);
  EXPECT_EQ(writes[2].row.dop, 2);
  EXPECT_EQ(writes[2].row.len, 8);
  EXPECT_EQ(writes[3].row.fld, 22);
  EXPECT_EQ(writes[3].row.dop, 3);
  // A new group at the end of a kind with groups 1 to 3 gets GRP 4.
  EXPECT_EQ(writes[6].row.grp, 4);
  EXPECT_EQ(writes[6].row.dop, 0);
  EXPECT_EQ(writes[6].row.fld, 23);
}

TEST(LayoutSave, FirstColumnOfAKindWithoutLayoutGetsParameterOne) {
  std::vector<LayoutWrite> writes = PlanLayoutSave(3, {{Fresh("x")}}, {1}, 0);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].row.fld, 1);
  EXPECT_EQ(writes[0].row.grp, 1);
  EXPECT_EQ(writes[0].row.vid, 3);
}

TEST(LayoutSave, NumbersThatTwoDigitsCannotHoldAreRefusedBeforeAnyWrite) {
  // Parameter 99 exists: a new column would need 100.
  EXPECT_THROW(PlanLayoutSave(7, {{Stored(1, "a"), Fresh("b")}}, {1}, 99), ETalvernError);
  EXPECT_EQ(PlanLayoutSave(7, {{Fresh("b")}}, {1}, 98).at(0).row.fld, 99);
  // A hundredth group.
  std::vector<TColInfoArr> many(100, TColInfoArr{Stored(1, "a")});
  std::vector<int> order;
  for (int i = 1; i <= 100; ++i) order.push_back(i);
  EXPECT_THROW(PlanLayoutSave(7, many, order, 1), ETalvernError);
  order.pop_back();
  EXPECT_EQ(PlanLayoutSave(7, many, order, 1).back().row.grp, 99);
  // A group number the list does not have.
  EXPECT_THROW(PlanLayoutSave(7, {{Stored(1, "a")}}, {2}, 1), ETalvernError);
  EXPECT_THROW(PlanLayoutSave(7, {{Stored(1, "a")}}, {0}, 1), ETalvernError);
}

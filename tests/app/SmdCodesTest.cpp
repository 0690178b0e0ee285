// The SMD code file read by its splitting rules, and the SMD code window on
// it: the grid, the message for a missing file, the code search with and
// without case.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "CatalogueFixture.h"
#include "app/SmdCodeFile.h"
#include "app/SmdCodesForm.h"
#include "engine/Errors.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

std::optional<SmdCode> Split(const char* line) { return SplitSmdLine(line); }

SmdCode Code(std::initializer_list<const char*> fields) {
  SmdCode code;
  std::size_t i = 0;
  for (const char* field : fields) code[i++] = field;
  return code;
}

// The window's row: the code in the row heading, then the five other fields.
std::vector<QString> GridRow(const TSmdCodesForm& window, int row) {
  const QAbstractItemModel& model = *window.StringGrid1()->model();
  std::vector<QString> cells{model.headerData(row, Qt::Vertical).toString()};
  for (int c = 0; c < model.columnCount(); ++c) cells.push_back(Cell(model, row, c));
  return cells;
}

}  // namespace

TEST(SmdCodeFile, LinesSplitIntoSixFieldsAsTheyStand) {
  EXPECT_EQ(Split("A|B"), Code({"A", "B", "", "", "", ""}));
  EXPECT_EQ(Split(" A | B |"), Code({" A ", " B ", "", "", "", ""}));  // blanks kept
  EXPECT_EQ(Split("1A|BC846A|n-p-n|SOT-23|Philips|h21э 110"), Code({"1A", "BC846A", "n-p-n", "SOT-23", "Philips", "h21э 110"}));
  EXPECT_EQ(Split("1|2|3|4|5|6|7|8"), Code({"1", "2", "3", "4", "5", "6"}));  // from the sixth bar on: ignored
  EXPECT_EQ(Split("A||C\r"), Code({"A", "", "C", "", "", ""}));                 // a CR LF line end
  EXPECT_EQ(Split("|A|B"), std::nullopt);                                      // a leading bar
  EXPECT_EQ(Split("Кодовые обозначения"), std::nullopt);                       // no bar
  EXPECT_EQ(Split(""), std::nullopt);

  std::string_view rest = "a|b";
  EXPECT_EQ(TakeSmdField(rest), "a");
  EXPECT_EQ(TakeSmdField(rest), "b");
  EXPECT_EQ(rest, "");
  EXPECT_EQ(TakeSmdField(rest), "");
}

TEST(SmdCodeFile, TheSearchFindsTheFirstCodeNotLessThanTheText) {
  const std::vector<SmdCode> codes{Code({"A"}), Code({"B"}), Code({"c"})};
  EXPECT_EQ(FindSmdCode(codes, "b", true), 2);   // B < b in byte order: c
  EXPECT_EQ(FindSmdCode(codes, "b", false), 1);  // B
  EXPECT_EQ(FindSmdCode(codes, "", true), 0);
  EXPECT_EQ(FindSmdCode(codes, "A", true), 0);
  EXPECT_EQ(FindSmdCode(codes, "z", true), 2);  // every code less: the last
  // [ (0x5B) lies between the upper and the lower case letters.
  EXPECT_EQ(FindSmdCode(codes, "[", true), 2);
  EXPECT_EQ(FindSmdCode(codes, "[", false), 0);
  EXPECT_EQ(FindSmdCode({}, "A", true), -1);
}

TEST(SmdCodeFile, ReadingSkipsWhatIsNotADataLineAndReportsAMissingFile) {
  TempDir dir;
  WriteFile(dir.File("codes.dbc"), "\xEF\xBB\xBF" "1A|BC846A\r\n\r\nКоды SMD\n|x|y\n2A|MMBT3906|p-n-p");
  std::vector<SmdCode> codes;
  ReadSmdCodeFile(dir.File("codes.dbc"), codes);
  EXPECT_EQ(codes, (std::vector<SmdCode>{Code({"1A", "BC846A"}), Code({"2A", "MMBT3906", "p-n-p"})}));
  try {
    ReadSmdCodeFile(dir.File("none.dbc"), codes);
    ADD_FAILURE() << "no error";
  } catch (const ETalvernError& e) {
    EXPECT_STREQ(e.what(), "Ошибка при открытии файла \"codes.dbc\".");
  }
  EXPECT_EQ(codes.size(), 2u);
}

TEST(SmdCodesWindow, ShowsTheFileAndFindsCodesWithAndWithoutCase) {
  TempDir dir;
  WriteFile(dir.File("codes.dbc"),
            "Кодовые обозначения\n|заголовок|\n A | BC0 |x\nA|BC1|n-p-n|SOT-23|Philips|h21э\nB|BC2\nc|BC3\n");
  TSmdCodesForm window(dir.Path());
  EXPECT_EQ(window.windowTitle(), U("Кодовые обозначения"));
  EXPECT_EQ(window.size(), QSize(639, 434));
  QTableView& grid = *window.StringGrid1();
  ASSERT_EQ(grid.model()->rowCount(), 4);
  EXPECT_EQ(GridRow(window, 0), (std::vector<QString>{" A ", " BC0 ", "x", "", "", ""}));
  EXPECT_EQ(GridRow(window, 1), (std::vector<QString>{"A", "BC1", "n-p-n", "SOT-23", "Philips", U("h21э")}));
  EXPECT_EQ(GridRow(window, 2), (std::vector<QString>{"B", "BC2", "", "", "", ""}));
  const std::vector<const char*> headings{"Тип", "Описание", "Корпус", "Производитель", "Примечание"};
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(grid.model()->headerData(c, Qt::Horizontal).toString(), U(headings[c]));
    EXPECT_EQ(grid.columnWidth(c), TSmdCodesForm::kColumnWidths[c + 1]);
  }
  EXPECT_EQ(grid.verticalHeader()->width(), 64);
  EXPECT_EQ(grid.verticalHeader()->sectionSize(0), 16);

  EXPECT_TRUE(window.CheckBox1()->isChecked());
  QTest::keyClicks(window.Edit1(), "b");
  EXPECT_EQ(window.CurrentCodeRow(), 3);  // c
  window.CheckBox1()->click();
  EXPECT_EQ(window.CurrentCodeRow(), 2);  // B
  window.Edit1()->setText("A");
  EXPECT_EQ(window.CurrentCodeRow(), 1);  // the code with blanks is compared with them
  window.Edit1()->clear();
  EXPECT_EQ(window.CurrentCodeRow(), 0);
  window.Edit1()->setText("zz");
  EXPECT_EQ(window.CurrentCodeRow(), 3);
}

TEST(SmdCodesWindow, AMissingFileIsReportedAndLeavesOneEmptyRow) {
  TempDir dir;
  CollectedErrors errors;
  TSmdCodesForm window(dir.Path());
  EXPECT_EQ(errors.Shown(), (std::vector<QString>{U("Ошибка при открытии файла \"codes.dbc\".")}));
  EXPECT_EQ(window.StringGrid1()->model()->rowCount(), 1);
  EXPECT_EQ(GridRow(window, 0), std::vector<QString>(6));
  QTest::keyClicks(window.Edit1(), "1A");  // the search finds nothing and fails nothing
  EXPECT_EQ(window.CurrentCodeRow(), -1);

  // A file without data lines looks the same, without a message.
  WriteFile(dir.File("codes.dbc"), "Кодовые обозначения SMD\n\n");
  TSmdCodesForm empty(dir.Path());
  EXPECT_EQ(empty.StringGrid1()->model()->rowCount(), 1);
  EXPECT_EQ(errors.Shown().size(), 1u);
}

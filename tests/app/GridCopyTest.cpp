// What the device grid hands to spreadsheets: the selected cells or the
// current row with their headings as tab-separated text, and the rows shown
// as CSV; each read back by Python's csv module.
#include <gtest/gtest.h>

#include <QClipboard>

#include "GridFixture.h"
#include "Peers.h"
#include "platform/CodePage.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

std::string Ansi(const char* utf8) { return platform::Utf8ToAnsi(utf8); }

// Values with what a delimited text must quote: the separators, quotes, a
// line break; and Cyrillic.
const std::vector<LayoutRow> kLayout = {Layout(1, 1, 0, 5, Ansi("Uкэ"), Ansi("В"), "U"),
                                        Layout(2, 2, 0, 5, Ansi("Корпус"), "", "P")};

std::vector<Device> Devices() {
  return {{11, Ansi("КТ315А"), {"0,15", Ansi("КТ-13")}, "-60...+100"},
          {12, "2N3055", {"60", "TO-3 \"metal\""}, "-65...+200"},
          {13, Ansi("КТ3102Б"), {"a\tb", "two\nlines"}, ""}};
}

struct GridCopyTest : ::testing::Test {
  ShownGrid<> shown{QSize(700, 300)};
  TxGrid& grid = *shown.grid;
  TempDir dir;

  void SetUp() override {
    if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3";
    AddDevices(shown.data, Devices());
    FillGrid(grid, shown.data, kLayout, Devices());
    shown.Focus();
  }

  // The cells Python's csv module reads from a file: fields joined by "¦",
  // rows by "¶".
  std::string ReadBack(const std::string& bytes, const char* dialect) {
    const std::string file = dir.File("cells.txt");
    WriteFile(file, bytes);
    const CommandResult result = RunPython(dir,
                                           "import csv, sys\n"
                                           "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                           "    rows = list(csv.reader(f, dialect=sys.argv[2]))\n"
                                           "sys.stdout.write('¶'.join('¦'.join(r) for r in rows))\n",
                                           {file, dialect});
    EXPECT_EQ(result.exitCode, 0);
    return result.output;
  }
  std::string Copied() { return grid.CopyText().toStdString(); }
};

}  // namespace

TEST_F(GridCopyTest, OneCellCopiesItsRowABlockCopiesItself) {
  grid.SetRow(2);
  grid.SetCol(2);
  EXPECT_EQ(ReadBack(Copied(), "excel-tab"),
            "Тип¦Uкэ, В¦Корпус¦Температура, °C¶"
            "2N3055¦60¦TO-3 \"metal\"¦-65...+200");
  QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), grid.CopyText());

  // Shift with the arrows spreads the selection from the current cell.
  grid.SetCol(1);
  QTest::keyClick(&grid, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(&grid, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(grid.Selection(), QRect(QPoint(1, 2), QPoint(2, 3)));
  EXPECT_EQ(ReadBack(Copied(), "excel-tab"),
            "Uкэ, В¦Корпус¶"
            "60¦TO-3 \"metal\"¶"
            "a\tb¦two\nlines");
  QTest::keyClick(&grid, Qt::Key_Up);  // a plain move leaves one cell
  EXPECT_EQ(grid.Selection(), QRect(2, 2, 1, 1));
}

TEST_F(GridCopyTest, CsvHasEveryRowShownInTheOrderShown) {
  grid.SortByColumn(1, GridView::Descending);
  EXPECT_EQ(ReadBack(grid.CsvText(), "excel"),
            "Тип¦Uкэ, В¦Корпус¦Температура, °C¶"
            "2N3055¦60¦TO-3 \"metal\"¦-65...+200¶"
            "КТ315А¦0,15¦КТ-13¦-60...+100¶"
            "КТ3102Б¦a\tb¦two\nlines¦");
}

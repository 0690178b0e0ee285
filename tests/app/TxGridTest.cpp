// The device grid's shape and navigation, driven with a fake data set.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <random>
#include <set>
#include <tuple>

#include "GridFixture.h"
#include "app/DisplayText.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

const std::vector<LayoutRow> kLayout = {Layout(1, 1, 0, 5, "Uce", "V", "Collector voltage"),
                                        Layout(2, 1, 1, 0, "Ic", "A", "Collector current"),
                                        Layout(3, 2, 0, 6, "h21", "", "Gain")};

std::vector<Device> Devices(int count) {
  std::vector<Device> devices;
  for (int i = 1; i <= count; ++i)
    devices.push_back({100 + i, "KT" + std::to_string(300 + i), {std::to_string(i), "0,1", "50"}});
  return devices;
}

// One call of the select-cell event: its arguments and where the grid stood.
struct SelectCall {
  int aCol, aRow, colThen, rowThen;
  bool operator==(const SelectCall&) const = default;
};

struct GridTest : ::testing::Test {
  ShownGrid<> shown;
  TxGrid& grid = *shown.grid;
  std::vector<SelectCall> calls;

  void Fill(int devices) {
    AddDevices(shown.data, Devices(devices));
    FillGrid(grid, shown.data, kLayout, Devices(devices));
    grid.SetOnSelectCell([this](QObject* sender, int aCol, int aRow) {
      EXPECT_EQ(sender, &grid);
      calls.push_back({aCol, aRow, grid.Col(), grid.Row()});
    });
  }
  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(&grid, static_cast<Qt::Key>(key), modifiers);
  }
  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, at, grid.viewport()->mapToGlobal(at), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(grid.viewport(), &event);
  }
};

}  // namespace

TEST_F(GridTest, NewGridHasOneRowAndWhiteFixedCells) {
  EXPECT_EQ(grid.objectName(), "Grid1");
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(grid.FixedColor(), QColor(255, 255, 255));
}

TEST_F(GridTest, ColumnsAreOneDigitWiderThanTheirLengthOrAsWideAsTheirHeadings) {
  Fill(0);
  const QFontMetrics metrics(grid.font());
  const int digit = metrics.horizontalAdvance('0');
  // The widest heading line, with 2 pixels on either side and the border.
  auto heading = [&](const char* line) { return metrics.horizontalAdvance(QString::fromUtf8(line)) + 5; };
  ASSERT_EQ(grid.ColCount(), 5);
  EXPECT_EQ(grid.ColWidths(1), std::max(6 * digit, heading("Uce")));
  EXPECT_EQ(grid.ColWidths(2), std::max(1 * digit, heading("Ic")));  // LEN 0: one digit
  EXPECT_EQ(grid.ColWidths(3), std::max(7 * digit, heading("h21")));
  EXPECT_EQ(grid.ColWidths(4), std::max(9 * digit, heading("Температура")));  // temperature, 8
  EXPECT_EQ(grid.ColumnFullName(2), "Collector current");
  EXPECT_THROW(grid.ColumnFullName(5), ETalvernError);

  grid.AddColumn(3, 0, "A_VERY_LONG_FIELD_NAME", "x", "y", -40);
  EXPECT_EQ(grid.Columns().At(5).fieldName, "A_VERY_LONG_FIE");
  EXPECT_EQ(grid.ColWidths(5), heading("x"));  // a damaged negative length: the heading's width, not a negative one
}

TEST_F(GridTest, FirstRowSetsRowHeightsAndTypesWidenTheFirstColumn) {
  Fill(0);
  const QFontMetrics metrics(grid.font());
  const int h = metrics.height();
  const int typeWidth = 5 * metrics.horizontalAdvance('0');
  EXPECT_EQ(grid.ColWidths(0), typeWidth);

  shown.data.records[1]["TYPE"] = "KT3";  // narrower than four digits and a margin
  shown.data.recNo = 1;
  grid.AddRow(1);
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.RowHeights(0), 3 * h);
  EXPECT_EQ(grid.RowHeights(1), h);
  EXPECT_EQ(grid.ColWidths(0), typeWidth);

  const std::string wide = "2T9999999999-WIDE";
  shown.data.records[2]["TYPE"] = wide;
  shown.data.recNo = 2;
  grid.AddRow(2);
  EXPECT_EQ(grid.RowHeights(2), h);
  EXPECT_EQ(grid.ColWidths(0), metrics.horizontalAdvance(QString::fromStdString(wide)) + 4);
  EXPECT_EQ(grid.RowRecNo(2), 2);

  // Many random types of letters that kern (Latin and Cyrillic in code page
  // 1251, points, slashes): the column ends as wide as the widest one shaped,
  // row by row, and when rows added under a hold are taken in at once.
  const std::string letters = "AVTWYLoa.,-/17" "\xC3\xD2\xCA\xD3\xC4\xEE\xE0\xF3";
  std::mt19937 random(7);
  int widest = grid.ColWidths(0);
  auto add = [&](int recNo, int longest) {
    std::string type;
    for (int n = 2 + static_cast<int>(random() % (longest - 1)); n > 0; --n) type += letters[random() % letters.size()];
    shown.data.records[recNo]["TYPE"] = type;
    shown.data.recNo = recNo;
    grid.AddRow(recNo);
    widest = std::max(widest, metrics.horizontalAdvance(DisplayToQString(type)) + 4);
  };
  for (int recNo = 3; recNo < 1500; ++recNo) {
    add(recNo, 15);
    ASSERT_EQ(grid.ColWidths(0), widest) << recNo;
  }
  for (int from = 1500, longest = 17; from < 6000; from += 1500, longest += 2) {
    {
      CustomGrid::ShapeHold hold(grid);
      for (int recNo = from; recNo < from + 1500; ++recNo) add(recNo, longest);
    }
    ASSERT_EQ(grid.ColWidths(0), widest) << from;
  }
}

TEST_F(GridTest, ClearLeavesOneEmptyCell) {
  Fill(3);
  ASSERT_EQ(grid.FixedRows(), 1);
  grid.Clear();
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.ColCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_EQ(grid.FixedCols(), 0);
  EXPECT_EQ(grid.Columns().Count(), 0);
  EXPECT_THROW(grid.RowRecNo(1), ETalvernError);
  EXPECT_THROW(grid.CurrentRecNo(), ETalvernError);  // the heading row holds no device
}

TEST_F(GridTest, ArrowsAskTheHandlerBeforeTheCurrentCellMoves) {
  Fill(4);
  ASSERT_EQ(grid.Col(), 1);
  ASSERT_EQ(grid.Row(), 1);
  Key(Qt::Key_Down);
  Key(Qt::Key_Right);
  Key(Qt::Key_Up);
  Key(Qt::Key_Left);
  EXPECT_EQ(calls, (std::vector<SelectCall>{{1, 2, 1, 1}, {2, 2, 1, 2}, {2, 1, 2, 2}, {1, 1, 2, 1}}));
  // At the edges of the scrolled cells nothing moves and nothing is asked.
  Key(Qt::Key_Up);
  Key(Qt::Key_Left);
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(grid.CurrentRecNo(), 101);
}

TEST_F(GridTest, HomeEndAndControlJumps) {
  Fill(4);
  Key(Qt::Key_End);
  EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(4, 1));
  Key(Qt::Key_Home);
  EXPECT_EQ(grid.Col(), 1);  // the fixed type column is never current
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(4, 4));
  EXPECT_EQ(grid.CurrentRecNo(), 104);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(1, 1));
}

TEST_F(GridTest, PagesAndScrollBarsFollowTheCurrentRow) {
  Fill(200);
  QApplication::processEvents();
  const int visible = grid.VisibleRowCount();
  ASSERT_GT(visible, 2);
  ASSERT_LT(visible, 100);
  EXPECT_GT(grid.verticalScrollBar()->maximum(), 0);

  Key(Qt::Key_PageDown);
  EXPECT_EQ(grid.Row(), 1 + visible - 1);
  EXPECT_EQ(grid.TopRow(), 1 + visible - 1);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(grid.Row(), 1);
  EXPECT_EQ(grid.TopRow(), 1);

  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid.Row(), 200);
  // The last row is the last fully visible one, and the scroll bar shows it.
  EXPECT_EQ(grid.TopRow() + grid.VisibleRowCount() - 1, 200);
  EXPECT_EQ(grid.verticalScrollBar()->value(), grid.TopRow() - grid.FixedRows());
  EXPECT_EQ(grid.verticalScrollBar()->value(), grid.verticalScrollBar()->maximum());

  // Moving the scroll bar scrolls without moving the current cell.
  grid.verticalScrollBar()->setValue(0);
  EXPECT_EQ(grid.TopRow(), 1);
  EXPECT_EQ(grid.Row(), 200);
}

TEST_F(GridTest, ClickSelectsADataCellButNotAHeading) {
  Fill(4);
  QRect cell = grid.CellRect(3, 3);
  ASSERT_FALSE(cell.isNull());
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  EXPECT_EQ(calls, (std::vector<SelectCall>{{3, 3, 1, 1}}));
  EXPECT_EQ(grid.CurrentRecNo(), 103);

  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(2, 0).center());
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, grid.CellRect(0, 2).center());
  EXPECT_EQ(calls.size(), 1u);

  // Dragging with the button held moves the current cell along.
  Mouse(QEvent::MouseButtonPress, grid.CellRect(1, 1).center(), Qt::LeftButton);
  Mouse(QEvent::MouseMove, grid.CellRect(1, 2).center(), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, grid.CellRect(1, 2).center(), Qt::NoButton);
  EXPECT_EQ(std::make_pair(grid.Col(), grid.Row()), std::make_pair(1, 2));
}

TEST_F(GridTest, DraggingAColumnBorderInTheHeadingSizesTheColumn) {
  Fill(4);
  QRect heading = grid.CellRect(2, 0);
  const int before = grid.ColWidths(2);
  QPoint border(RightEdge(heading), heading.center().y());
  Mouse(QEvent::MouseButtonPress, border, Qt::LeftButton);
  Mouse(QEvent::MouseMove, border + QPoint(30, 0), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, border + QPoint(30, 0), Qt::NoButton);
  EXPECT_EQ(grid.ColWidths(2), before + 30);
  EXPECT_TRUE(calls.empty());
  // The same drag over a data row selects instead of sizing.
  QPoint dataBorder(RightEdge(grid.CellRect(2, 2)) - 3, grid.CellRect(2, 2).center().y());
  Mouse(QEvent::MouseButtonPress, dataBorder, Qt::LeftButton);
  Mouse(QEvent::MouseMove, dataBorder + QPoint(30, 0), Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, dataBorder + QPoint(30, 0), Qt::NoButton);
  EXPECT_EQ(grid.ColWidths(2), before + 30);
}

TEST_F(GridTest, GotoRecNoSelectsTheFirstRowHoldingTheRecord) {
  std::vector<Device> devices = Devices(3);
  devices.push_back(devices[1]);  // record 102 twice
  AddDevices(shown.data, devices);
  FillGrid(grid, shown.data, kLayout, devices);
  grid.SetOnSelectCell([this](QObject*, int aCol, int aRow) {
    calls.push_back({aCol, aRow, grid.Col(), grid.Row()});
  });
  grid.GotoRecNo(102);
  EXPECT_EQ(calls, (std::vector<SelectCall>{{1, 2, 1, 1}}));
  EXPECT_EQ(grid.Row(), 2);
  grid.GotoRecNo(999);
  EXPECT_EQ(grid.Row(), 2);
  EXPECT_EQ(calls.size(), 1u);
}

// --- repainting on selection ------------------------------------------------

namespace {

// Records which cells are painted.
class RecordingGrid : public TxGrid {
public:
  std::multiset<std::pair<int, int>> painted;

protected:
  void DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) override {
    painted.insert({col, row});
    TxGrid::DrawCell(canvas, col, row, rect, state);
  }
};

std::multiset<std::pair<int, int>> RowCells(int cols, std::initializer_list<int> rows) {
  std::multiset<std::pair<int, int>> cells;
  for (int row : rows)
    for (int col = 0; col < cols; ++col) cells.insert({col, row});
  return cells;
}

}  // namespace

TEST(GridRepaint, MovingTheCurrentCellRepaintsItsRowsOnce) {
  ShownGrid<RecordingGrid> shown;
  RecordingGrid& grid = *shown.grid;
  AddDevices(shown.data, Devices(5));
  FillGrid(grid, shown.data, kLayout, Devices(5));
  QApplication::processEvents();
  ASSERT_EQ(grid.VisibleColCount(), 4);  // every column is on screen

  grid.painted.clear();
  grid.SetCol(3);
  QApplication::processEvents();
  EXPECT_EQ(grid.painted, RowCells(5, {1}));

  grid.painted.clear();
  grid.SetRow(4);
  QApplication::processEvents();
  EXPECT_EQ(grid.painted, RowCells(5, {1, 4}));
}

// What the device grid paints, read back from grabbed images: heading bands,
// tints, borders and the empty grid.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include "GridFixture.h"
#include "ViewFixture.h"
#include "app/Application.h"
#include "platform/CodePage.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

QColor Pixel(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

// Groups 3, 3, 4 between the type and temperature columns; the second column
// of group 3 is an additional one.
const std::vector<LayoutRow> kGroupedLayout = {Layout(1, 3, 0, 5, "Uce", "V"),
                                               Layout(2, 3, 1, 5, "Ic", "A"),
                                               Layout(3, 4, 0, 5, "h21", "")};

struct PaintTest : ::testing::Test {
  ShownGrid<> shown;
  TxGrid& grid = *shown.grid;
  int h = QFontMetrics(grid.font()).height();

  void Fill(const std::vector<LayoutRow>& layout, int devices) {
    std::vector<Device> list;
    for (int i = 1; i <= devices; ++i) list.push_back({i, std::string("D").append(std::to_string(i)), {"1", "2", "3", "4", "5"}});
    AddDevices(shown.data, list);
    FillGrid(grid, shown.data, layout, list);
  }
  QImage Grab() { return grid.viewport()->grab().toImage(); }
  // A point inside the heading band above the heading lines of a column.
  int BandY() const { return h / 4; }
  // A point of a cell away from its text (the lower right corner).
  QPoint Inside(int col, int row) {
    QRect r = grid.CellRect(col, row);
    return {RightEdge(r) - 2, BottomEdge(r) - 2};
  }
};

}  // namespace

TEST_F(PaintTest, BandSeparatorsOnlyBetweenDifferentGroups) {
  Fill(kGroupedLayout, 3);
  QImage image = Grab();
  const QColor line(TxGrid::kLineColor);
  const QColor white(TxGrid::kFixedCellColor);
  auto borderX = [&](int col) { return RightEdge(grid.CellRect(col, 0)); };
  ASSERT_GT(h / 2, 1);
  // Type (group 0) | group 3: separator in the band.
  EXPECT_EQ(Pixel(image, borderX(0), BandY()), line);
  // Group 3 | group 3: none; the band reads as one.
  EXPECT_EQ(Pixel(image, borderX(1), BandY()), white);
  // The second column of group 3 is additional: its border in the band takes
  // its tint, which is the brush it was drawn with, not the line colour.
  EXPECT_EQ(Pixel(image, borderX(2), BandY()), line);  // group 3 | group 4
  EXPECT_EQ(Pixel(image, borderX(3), BandY()), line);  // group 4 | temperature
  // Below the band every column has its border.
  const int headingY = grid.RowHeights(0) - 2;
  for (int col = 0; col < 5; ++col) EXPECT_EQ(Pixel(image, borderX(col), headingY), line) << col;
  // And each heading closes at the bottom.
  EXPECT_EQ(Pixel(image, grid.CellRect(1, 0).x() + 2, grid.RowHeights(0)), line);
}

TEST_F(PaintTest, SameGroupSeparatorAfterAnAdditionalColumnTakesItsTint) {
  Fill({Layout(1, 3, 0, 5, "a"), Layout(2, 3, 1, 5, "b"), Layout(3, 3, 2, 5, "c")}, 2);
  QImage image = Grab();
  EXPECT_EQ(Pixel(image, RightEdge(grid.CellRect(2, 0)), BandY()),
            QColor(TxGrid::kAdditionalColumnColor));
}

TEST_F(PaintTest, AdditionalColumnsAreTintedBelowTheBandAndInDataRows) {
  Fill(kGroupedLayout, 3);
  QImage image = Grab();
  const QColor tint(TxGrid::kAdditionalColumnColor);
  const QRect heading = grid.CellRect(2, 0);
  const int bandBottom = h / 2;
  // The band above the heading stays white; a line closes the tint at the top.
  EXPECT_EQ(Pixel(image, heading.x() + 2, bandBottom - 1), QColor(TxGrid::kFixedCellColor));
  EXPECT_EQ(Pixel(image, heading.x() + 2, bandBottom), QColor(TxGrid::kLineColor));
  EXPECT_EQ(Pixel(image, RightEdge(heading) - 2, BottomEdge(heading) - 1), tint);
  // A first column of a group has a white heading without that line.
  const QRect first = grid.CellRect(1, 0);
  EXPECT_EQ(Pixel(image, first.x() + 2, bandBottom), QColor(TxGrid::kFixedCellColor));
  // Data rows other than the current one.
  EXPECT_EQ(Pixel(image, Inside(2, 3).x(), Inside(2, 3).y()), tint);
  EXPECT_EQ(Pixel(image, Inside(1, 3).x(), Inside(1, 3).y()), grid.Color());
}

TEST_F(PaintTest, CurrentRowIsLightGreenAndTheFocusedCurrentCellHighlighted) {
  Fill(kGroupedLayout, 3);
  shown.Focus();
  grid.SetRow(2);
  grid.SetCol(2);  // an additional column
  QImage image = Grab();
  const QColor green(TxGrid::kCurrentRowColor);
  ASSERT_TRUE(grid.IsActiveControl());
  for (int col : {0, 1, 3, 4}) EXPECT_EQ(Pixel(image, Inside(col, 2).x(), Inside(col, 2).y()), green) << col;
  QRect current = grid.CellRect(2, 2);
  EXPECT_EQ(Pixel(image, current.center().x(), BottomEdge(current) - 3),
            grid.palette().color(QPalette::Highlight));
  // Other rows keep their colours.
  EXPECT_EQ(Pixel(image, Inside(1, 1).x(), Inside(1, 1).y()), grid.Color());
  EXPECT_EQ(Pixel(image, Inside(0, 3).x(), Inside(0, 3).y()), QColor(TxGrid::kFixedCellColor));
}

TEST_F(PaintTest, UnfocusedCurrentCellInATintedColumnKeepsReadableText) {
  Fill(kGroupedLayout, 3);
  shown.data.records[2]["2"] = "8888888";
  grid.SetRow(2);
  grid.SetCol(2);
  grid.clearFocus();
  ASSERT_FALSE(grid.IsActiveControl());
  QImage image = Grab();
  QRect current = grid.CellRect(2, 2);
  EXPECT_EQ(Pixel(image, RightEdge(current) - 1, current.y() + 1),
            QColor(TxGrid::kAdditionalColumnColor));
  // Some pixel of the text is dark.
  int darkest = 255;
  for (int x = current.x(); x < RightEdge(current); ++x)
    for (int y = current.y(); y < BottomEdge(current); ++y)
      darkest = std::min(darkest, qGray(image.pixel(x, y)));
  EXPECT_LT(darkest, 100);
}

TEST_F(PaintTest, LinesAreDarkerOnAGreyGrid) {
  Fill(kGroupedLayout, 2);
  grid.SetColor(QColor(192, 192, 192));
  QImage image = Grab();
  EXPECT_EQ(Pixel(image, RightEdge(grid.CellRect(1, 2)), Inside(1, 2).y()), QColor(TxGrid::kLineColorOnGrey));
}

TEST_F(PaintTest, EmptyGridPaintsOnlyItsBackground) {
  auto onlyBackground = [&](const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) != grid.Color()) return false;
    return true;
  };
  grid.SetColor(QColor(250, 240, 200));
  Fill(kGroupedLayout, 0);  // columns but no devices
  EXPECT_TRUE(onlyBackground(Grab()));
  Fill(kGroupedLayout, 2);
  EXPECT_FALSE(onlyBackground(Grab()));
  grid.Clear();
  EXPECT_TRUE(onlyBackground(Grab()));
  Fill(kGroupedLayout, 2);
  grid.SetDataSet(nullptr);
  EXPECT_TRUE(onlyBackground(Grab()));
}

TEST_F(PaintTest, PaintingErrorsReachTheGeneralHandler) {
  auto& errors = dynamic_cast<TalvernApplication&>(*QCoreApplication::instance()).Errors();
  std::vector<QString> shownMessages;
  errors.SetPresenter([&](const QString& message) { shownMessages.push_back(message); });
  Fill({Layout(1, 1, 0, 5, "a")}, 2);
  grid.AddColumn(5, 0, "NOSUCH", "x", "y", 3);
  Grab();
  Grab();  // the same failure again while the first is waiting is not shown twice
  QApplication::processEvents();
  ASSERT_EQ(shownMessages.size(), 1u);
  EXPECT_EQ(shownMessages[0], "Field NOSUCH not found");
  // The grid goes on working.
  EXPECT_EQ(grid.CurrentRecNo(), 1);
  // The shown grid would fail again on its next paint.
  grid.Clear();
  QApplication::processEvents();
  errors.SetPresenter(UnexpectedError);
}

// A filled grid with Russian headings for a person to look at:
// build/<type>/screenshots/grid.png.
TEST_F(PaintTest, SnapshotOfAFilledGrid) {
  using platform::Utf8ToAnsi;
  auto row = [](int fld, int grp, int dop, int len, const char* shortHeading, const char* unit) {
    return Layout(fld, grp, dop, len, Utf8ToAnsi(shortHeading), Utf8ToAnsi(unit));
  };
  std::vector<LayoutRow> layout = {row(1, 1, 0, 6, "Uкэ", "В"),      row(2, 1, 1, 6, "Uкэ нас", "В"),
                                   row(3, 2, 0, 5, "Iк", "мА"),      row(4, 2, 1, 5, "Iк имп", "мА"),
                                   row(5, 3, 0, 6, "h21э", ""),      row(6, 4, 0, 7, "Pк", "мВт")};
  const char* types[] = {"КТ315А", "КТ315Б", "2Т312Б", "КТ3102Е", "BC547C", "2N2222A", "КТ819ГМ"};
  std::vector<Device> devices;
  for (int i = 0; i < 7; ++i)
    devices.push_back({i + 1, Utf8ToAnsi(types[i]), {"25", "0,4", "100", "200", "50...350", "150"},
                       "-60...+125"});
  AddDevices(shown.data, devices);
  FillGrid(grid, shown.data, layout, devices);
  shown.Focus();
  grid.SetRow(3);
  grid.SetCol(2);
  QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
  EXPECT_TRUE(grid.grab().save(TALVERN_BINARY_DIR "/screenshots/grid.png"));
}

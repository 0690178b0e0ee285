// The main window on the sample catalogue as a person uses it, with the mouse
// and the keyboard, under the Fusion style: lists that drop down at once and
// keep their row counts, cell texts that stay in their cells, headings that
// fit, scroll bars after a shrink, tables that open although another one is
// missing, an empty kind, commands that are offered only with a window behind
// them, opening a device's drawing and typing a type to find it.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QScrollBar>
#include <QStyleFactory>
#include <QToolTip>
#include <QWheelEvent>

#include "CatalogueFixture.h"
#include "ViewFixture.h"
#include "app/DisplayText.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

constexpr int kClickInterval = 20;

struct MainWindowUseTest : CatalogueWindowTest {
  void SetUp() override {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    // A list just dropped down takes no click for a double-click interval.
    QApplication::setDoubleClickInterval(kClickInterval);
    CatalogueWindowTest::SetUp();
  }

  TMainForm& Start() {
    OpenWindow();
    Show();
    return *form;
  }

  // Presses the mouse on the closed box: true when its list dropped down.
  // The release is left out: on a loaded machine it may come later than the
  // double-click interval, and the list then takes it for a choice of a row.
  static bool DropDown(LookupComboBox& box) {
    QTest::mousePress(&box, Qt::LeftButton, {}, box.rect().center());
    return box.view()->isVisible();
  }
  // Clicks the row of the dropped-down list that reads text.
  static void ClickRow(LookupComboBox& box, const char* text) {
    QAbstractItemView* list = box.view();
    const QModelIndexList found =
        list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, U(text), 1, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text;
    list->scrollTo(found[0]);
    QTest::qWait(2 * kClickInterval);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(found[0]).center());
    QCoreApplication::processEvents();
  }
  void ClickKind(const char* group, const char* kind) {
    ASSERT_TRUE(DropDown(*form->CBGroups()));
    ClickRow(*form->CBGroups(), group);
    ASSERT_TRUE(DropDown(*form->CBVids()));
    ClickRow(*form->CBVids(), kind);
  }
  void ClickSmallHighFrequency() { ClickKind("Транзисторы биполярные", "Маломощные высокочастотные"); }

  // Types text into a widget, one key a character (beyond ASCII too).
  static void Type(QWidget* widget, const char* text) {
    for (QChar c : U(text))
      QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(c.toUpper().unicode()), QString(c), Qt::NoModifier);
  }
  static void Wheel(QWidget& widget, int delta) {
    const QPointF at = QRectF(widget.rect()).center();
    QWheelEvent wheel(at, widget.mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&widget, &wheel);
  }
  // The tool tip the grid shows for a point of its viewport (a tip hides
  // slowly: one that stays as it was is none).
  QString ToolTipAt(QPoint at) {
    const QString none = "(none)";
    QToolTip::showText(Grid().viewport()->mapToGlobal(at), none);
    QHelpEvent help(QEvent::ToolTip, at, Grid().viewport()->mapToGlobal(at));
    QApplication::sendEvent(Grid().viewport(), &help);
    return QToolTip::text() == none ? QString() : QToolTip::text();
  }
  int ColumnOf(const char* fieldName) {
    for (int col = 0; col < Grid().ColCount(); ++col)
      if (Grid().Columns().At(col).fieldName == fieldName) return col;
    return -1;
  }
  // Clicks a cell, scrolling its row into view first.
  void ClickCell(int col, int row) {
    if (Grid().CellRect(col, row).isEmpty()) Grid().SetTopRow(row);
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, Grid().CellRect(col, row).center());
  }
};

bool Uniform(const QImage& image, int x, int top, int bottom) {
  for (int y = top; y < bottom; ++y)
    if (image.pixel(x, y) != image.pixel(x, top)) return false;
  return true;
}

}  // namespace

// Right after start-up, and right after a group is chosen, the lists drop
// down with a click, move with the wheel and jump to a first letter typed.
TEST_F(MainWindowUseTest, ListsOpenWithTheMouseTheWheelAndAFirstLetterRightAway) {
  TMainForm& w = Start();
  ASSERT_TRUE(DropDown(*w.CBGroups()));
  EXPECT_EQ(w.CBGroups()->count(), 7);
  ClickRow(*w.CBGroups(), "Диоды");
  EXPECT_EQ(KeyAsInteger(w.CBGroups()->KeyValue()), 3);
  ASSERT_TRUE(w.CBVids()->isEnabled());
  ASSERT_TRUE(DropDown(*w.CBVids()));
  ClickRow(*w.CBVids(), "Импульсные");
  EXPECT_EQ(KeyAsInteger(w.CBVids()->KeyValue()), 33);
  EXPECT_GT(Grid().RowCount(), 1);

  Start();
  Wheel(*form->CBGroups(), -120);
  EXPECT_EQ(KeyAsInteger(form->CBGroups()->KeyValue()), 1);
  Wheel(*form->CBVids(), -120);
  EXPECT_EQ(KeyAsInteger(form->CBVids()->KeyValue()), 11);
  EXPECT_GT(Grid().RowCount(), 1);

  Start();
  Type(form->CBGroups(), "Д");
  EXPECT_EQ(KeyAsInteger(form->CBGroups()->KeyValue()), 3);
  Type(form->CBVids(), "И");
  EXPECT_EQ(KeyAsInteger(form->CBVids()->KeyValue()), 33);
}

// h21э "400...1000" of КТ3102Г is wider than its column: it is cut with an
// ellipsis and shows whole in a tool tip; no text crosses a cell border or
// touches a cell's left border. Headings fit their columns and name them in
// full in a tool tip.
TEST_F(MainWindowUseTest, TextsStayInTheirCellsAndHeadingsFit) {
  Start();
  ClickSmallHighFrequency();
  const int row = RowOf("КТ3102Г");
  const int h21 = ColumnOf("12");
  ASSERT_TRUE(row > 0 && h21 > 0);
  // The row next to it is selected, so that no focus frame stands on its cells.
  Grid().SetTopRow(row - 2);
  ClickCell(1, row - 1);
  Grid().SetLeftCol(h21 - 1);
  QCoreApplication::processEvents();
  const QImage image = Grid().viewport()->grab().toImage();
  const QColor line(TxGrid::kLineColor);
  for (int col = 0; col < Grid().ColCount(); ++col) {
    const QRect cell = Grid().CellRect(col, row);
    if (cell.isEmpty() || RightEdge(cell) >= image.width()) continue;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      ASSERT_EQ(image.pixelColor(RightEdge(cell), y), line) << "border of column " << col << " at y " << y;
    EXPECT_TRUE(Uniform(image, cell.x(), cell.top(), BottomEdge(cell))) << "column " << col;
    EXPECT_TRUE(Uniform(image, cell.x() + 1, cell.top(), BottomEdge(cell))) << "column " << col;
  }
  const QRect h21Cell = Grid().CellRect(h21, row);
  EXPECT_EQ(ToolTipAt(h21Cell.center()), U("400...1000"));
  EXPECT_EQ(ToolTipAt(Grid().CellRect(h21 + 1, row).center()), QString());  // "0,3" fits
  EXPECT_EQ(ToolTipAt(Grid().CellRect(h21, 0).center()),
            U("Статический коэффициент передачи тока в схеме с общим эмиттером"));

  const QFontMetrics metrics(Grid().font());
  for (int col = 0; col < Grid().ColCount(); ++col) {
    const HeadingLines lines = SplitHeading(Grid().Columns().At(col).heading);
    for (std::string_view text : {lines.first, lines.second})
      EXPECT_LT(metrics.horizontalAdvance(DisplayToQString(std::string(text))), Grid().ColWidths(col))
          << Utf8(std::string(text));
  }
}

// Each list shows its own number of rows when dropped down, whatever the
// style, also when the list holds many more.
TEST_F(MainWindowUseTest, ListsKeepTheirRowCountsInEveryStyle) {
  auto many = [](const char* key) {
    auto list = std::make_unique<TMemoryDataSet>(
        std::vector<TMemoryDataSet::Column>{{key, ftInteger}, {"NAME", ftString, 40}});
    for (std::int64_t i = 1; i <= 40; ++i) list->AddRow({i, std::string("row ") + std::to_string(i)});
    list->Open();
    return list;
  };
  for (const QString& style : QStyleFactory::keys()) {
    QApplication::setStyle(QStyleFactory::create(style));
    auto groups = many("GROUP");
    auto kinds = many("VID");
    Start();
    form->Logic().DSGroups().SetDataSet(groups.get());
    form->Logic().DSVids().SetDataSet(kinds.get());
    form->CBVids()->setEnabled(true);
    for (auto [box, rows] : {std::pair{form->CBGroups(), 15}, std::pair{form->CBVids(), 10}}) {
      ASSERT_TRUE(DropDown(*box)) << style.toStdString();
      QAbstractItemView* list = box->view();
      EXPECT_EQ(list->viewport()->height() / list->sizeHintForRow(0), rows)
          << style.toStdString() << " " << box->objectName().toStdString();
      QTest::keyClick(list, Qt::Key_Escape);
    }
    form->Logic().DSVids().SetDataSet(nullptr);
    form->Logic().DSGroups().SetDataSet(nullptr);
    form.reset();
  }
}

TEST_F(MainWindowUseTest, ScrollBarsStayWhenTheWindowShrinksInOneStep) {
  Start();
  ClickSmallHighFrequency();
  QCoreApplication::processEvents();
  ASSERT_TRUE(Grid().horizontalScrollBar()->isVisible());
  form->resize(300, 250);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->size() == QSize(300, 250); }));
  QTest::qWait(20);
  for (QScrollBar* bar : {Grid().horizontalScrollBar(), Grid().verticalScrollBar()}) {
    EXPECT_TRUE(bar->isVisible());
    EXPECT_GT(bar->maximum(), 0);
  }
}

// A missing drawing table is reported once, with its path; the device table
// still opens with its index, so a kind shows its devices in type order.
TEST_F(MainWindowUseTest, AMissingTableIsReportedOnceAndTheOthersOpen) {
  std::filesystem::remove(dir.File("PICS.DBF"));
  std::filesystem::remove(dir.File("PICS.FPT"));
  {
    CollectedErrors errors;
    Start();
    EXPECT_EQ(errors.Shown(), std::vector<QString>{QString::fromStdString("Cannot find file " + dir.File("PICS.DBF"))});
    ClickSmallHighFrequency();
    EXPECT_EQ(errors.Shown().size(), 1u);
  }
  EXPECT_EQ(Main().IndexName(), "TYPE");
  ASSERT_GT(Grid().RowCount(), 100);
  EXPECT_LT(RowOf("КТ3102К"), RowOf("2Т312А"));  // 2 reads as К
  EXPECT_LT(RowOf("2Т312А"), RowOf("КТ315А"));
  EXPECT_LT(RowOf("2N2222"), RowOf("BC546A"));
  ClickCell(2, RowOf("КТ3102А"));
  EXPECT_TRUE(form->StatusText().startsWith(U("  Рис: ----- | "))) << form->StatusText().toStdString();

  // The device table itself missing: reported at start and at a kind's choice,
  // each time with its whole path.
  form.reset();
  std::filesystem::remove(dir.File("main.dbf"));
  const QString mainMissing = QString::fromStdString("Cannot find file " + dir.File("main.dbf"));
  CollectedErrors errors;
  Start();
  EXPECT_EQ(errors.Shown(), (std::vector<QString>{U("Cannot find file ") + QString::fromStdString(dir.File("PICS.DBF")), mainMissing}));
  ClickSmallHighFrequency();
  EXPECT_EQ(errors.Shown().back(), mainMissing);
}

// A kind without devices says so in the grid's area, has no scroll bars, and
// leaves "Рисунок" disabled although the kind before had a device selected
// with drawings.
TEST_F(MainWindowUseTest, AnEmptyKindSaysSoAndOffersNoDrawing) {
  TMainForm& w = Start();
  w.ConnectCommand(*w.M_Pict(), [] {});
  ClickSmallHighFrequency();
  ClickCell(1, RowOf("КТ3102А"));
  ASSERT_TRUE(w.M_Pict()->isEnabled());
  ASSERT_TRUE(DropDown(*w.CBVids()));
  ClickRow(*w.CBVids(), "Транзисторные сборки");
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_FALSE(w.M_Pict()->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_FALSE(Grid().horizontalScrollBar()->isVisible());
  EXPECT_FALSE(Grid().verticalScrollBar()->isVisible());
  EXPECT_EQ(Grid().EmptyText(), U("Нет приборов этого вида"));
  // The text stands in the middle of the area, on its background.
  const QImage image = Grid().viewport()->grab().toImage();
  const QRgb background = image.pixel(0, 0);
  int inked = 0;
  for (int x = 0; x < image.width(); ++x) inked += image.pixel(x, image.height() / 2) != background;
  EXPECT_GT(inked, 0);
  for (int x = 0; x < image.width(); ++x) EXPECT_EQ(image.pixel(x, 2), background);
}

// A command whose window is not there has no handler and is never offered;
// one with a handler follows the navigation.
TEST_F(MainWindowUseTest, OnlyCommandsWithAHandlerAreEnabled) {
  TMainForm& w = Start();
  ClickSmallHighFrequency();
  ClickCell(1, RowOf("КТ3102А"));
  for (QAction* command : w.findChildren<QAction*>()) {
    if (command->objectName().startsWith("M_") && !w.HasHandler(*command)) {
      EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    }
  }
  EXPECT_TRUE(w.HasHandler(*w.M_Exit()));
  EXPECT_TRUE(w.M_Exit()->isEnabled());

  int exports = 0;
  w.ConnectCommand(*w.M_Export(), [&] { ++exports; });
  EXPECT_TRUE(w.M_Export()->isEnabled());  // a kind is loaded
  w.M_Export()->trigger();
  EXPECT_EQ(exports, 1);
  ASSERT_TRUE(DropDown(*w.CBGroups()));
  ClickRow(*w.CBGroups(), "Диоды");
  EXPECT_FALSE(w.M_Export()->isEnabled());  // no kind
}

// Double click and Enter on a device row open its drawing, when the device
// has one.
TEST_F(MainWindowUseTest, DoubleClickAndEnterOpenTheDrawing) {
  TMainForm& w = Start();
  int opened = 0;
  w.ConnectCommand(*w.M_Pict(), [&] { ++opened; });
  ClickSmallHighFrequency();
  const int withDrawing = RowOf("КТ3102А");
  Grid().SetTopRow(withDrawing);
  QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, {}, Grid().CellRect(2, withDrawing).center());
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(Grid().Row(), withDrawing);
  QTest::keyClick(&Grid(), Qt::Key_Return);
  QTest::keyClick(&Grid(), Qt::Key_Enter);
  EXPECT_EQ(opened, 3);
  // The headings are no device.
  QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, {}, Grid().CellRect(2, 0).center());
  EXPECT_EQ(opened, 3);

  ASSERT_TRUE(DropDown(*w.CBVids()));
  ClickRow(*w.CBVids(), "Маломощные низкочастотные");
  ClickCell(1, RowOf("AC125"));  // no drawings
  ASSERT_FALSE(w.M_Pict()->isEnabled());
  QTest::keyClick(&Grid(), Qt::Key_Return);
  EXPECT_EQ(opened, 3);
}

// Typing in the grid goes to the first device whose type begins with what was
// typed; after a pause the typing starts anew.
TEST_F(MainWindowUseTest, TypingATypeGoesToTheFirstDeviceWithIt) {
  Start();
  ClickSmallHighFrequency();
  auto first = [&](const QString& prefix) {
    for (int row = 1; row < Grid().RowCount(); ++row)
      if (QString::fromStdString(RowType(row)).startsWith(prefix, Qt::CaseInsensitive)) return row;
    return 0;
  };
  Grid().setFocus();
  Type(&Grid(), "кт31");
  ASSERT_GT(first(U("КТ31")), 0);
  EXPECT_EQ(Grid().Row(), first(U("КТ31")));
  EXPECT_TRUE(form->StatusText().startsWith(U("  Рис: ")));
  Type(&Grid(), "5");
  EXPECT_EQ(Grid().Row(), first(U("КТ315")));
  Type(&Grid(), "Щ");  // no type: the row stays
  EXPECT_EQ(Grid().Row(), first(U("КТ315")));

  QTest::qWait(QApplication::keyboardInputInterval() + 100);
  Type(&Grid(), "b");
  EXPECT_EQ(Grid().Row(), first(U("B")));
}

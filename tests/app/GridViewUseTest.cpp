// Sorting and filtering the device grid of the main window on the sample
// catalogue, as a person does it: heading clicks, the filter editor from the
// keyboard and the context menu, the "n из m" panel, a filter that hides every
// device, another kind; and the rows leaving as CSV, read back by Python's csv
// module.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QStyleFactory>

#include "CatalogueFixture.h"
#include "Peers.h"
#include "app/ColumnFilterEditor.h"
#include "engine/Errors.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// Kind 11 "Маломощные низкочастотные" of group 1 has 51 devices.
constexpr int kDevices = 51;

struct GridViewUseTest : CatalogueWindowTest {
  void SetUp() override {
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    CatalogueWindowTest::SetUp();
    if (IsSkipped()) return;
    OpenWindow();
    form->resize(900, 600);
    Show();
    ChooseKind(1, 11);
  }

  int ColumnOf(const char* fieldName) {
    for (int col = 0; col < Grid().ColCount(); ++col)
      if (Grid().Columns().At(col).fieldName == fieldName) return col;
    ADD_FAILURE() << "no column " << fieldName;
    return 0;
  }
  std::vector<std::string> Types() {
    std::vector<std::string> types;
    for (int row = 1; row <= Grid().ShownCount(); ++row) types.push_back(RowType(row));
    return types;
  }
  void ClickHeading(int col) {
    if (Grid().CellRect(col, 0).isEmpty()) Grid().SetLeftCol(col);
    QTest::mouseClick(Grid().viewport(), Qt::LeftButton, {}, Grid().CellRect(col, 0).center());
  }
  QImage HeadingImage(int col) {
    return Grid().viewport()->grab().toImage().copy(Grid().CellRect(col, 0));
  }
  static bool HasColour(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
    return false;
  }
  // Types a filter into the open editor and presses Enter.
  void EnterFilter(const char* text) {
    ColumnFilterEditor* editor = Grid().FilterEditor();
    ASSERT_TRUE(editor != nullptr && editor->isVisible());
    editor->Line()->setText(U(text));
    QTest::keyClick(editor->Line(), Qt::Key_Return);
  }
  // The window as a person sees it, for the documentation (build/screenshots).
  void SaveScreenshot(const char* name) {
    QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->grab().save(QString(TALVERN_BINARY_DIR "/screenshots/") + name));
  }
  QAction* MenuCommand(QMenu& menu, int col, int row, const char* name) {
    menu.clear();
    Grid().FillContextMenu(menu, col, row);
    return menu.findChild<QAction*>(name);
  }
};

}  // namespace

// Ascending by the lower end of h21э, descending by the upper end, then back
// to type order; an arrow marks the sorted heading. Moving around keeps it.
TEST_F(GridViewUseTest, HeadingClicksSortUpDownAndBackToTypeOrder) {
  const std::vector<std::string> typeOrder = Types();
  ASSERT_EQ(typeOrder.size(), std::size_t{kDevices});
  const int h21 = ColumnOf("12");
  EXPECT_FALSE(HasColour(HeadingImage(h21), TxGrid::kMarkColor));

  ClickHeading(h21);
  std::vector<std::string> up = Types();
  // 9 (КТ203А and 2Т203А), then 9...36.
  EXPECT_EQ(std::set<std::string>(up.begin(), up.begin() + 2), (std::set<std::string>{"КТ203А", "2Т203А"}));
  EXPECT_EQ(up[2], "КТ104А");
  EXPECT_TRUE(HasColour(HeadingImage(h21), TxGrid::kMarkColor));
  QTest::keyClick(&Grid(), Qt::Key_Down);
  QTest::keyClick(&Grid(), Qt::Key_PageDown);
  EXPECT_EQ(Types(), up);

  ClickHeading(h21);
  const std::vector<std::string> down = Types();
  // 100...500 before 80...240, each group in type order.
  EXPECT_EQ(std::vector<std::string>(down.begin(), down.begin() + 4),
            (std::vector<std::string>{"AC125", "AC187", "AC188", "КТ208В"}));
  QTest::keyClick(&Grid(), Qt::Key_Home, Qt::ControlModifier);
  SaveScreenshot("grid-sorted.png");

  ClickHeading(h21);
  EXPECT_EQ(Types(), typeOrder);
  EXPECT_FALSE(HasColour(HeadingImage(h21), TxGrid::kMarkColor));
  EXPECT_EQ(form->ViewText(), "");  // sorting alone hides nothing
}

// Two filters, one from the keyboard and one from the heading's menu; the
// sort stays while a filter changes; clearing one, then all.
TEST_F(GridViewUseTest, FiltersFromKeyboardAndMenuCountInTheStatusBar) {
  const int ukbo = ColumnOf("5");
  const int h21 = ColumnOf("12");
  Grid().setFocus();
  Grid().SetCol(ukbo);
  QTest::keyClick(&Grid(), Qt::Key_F, Qt::ControlModifier);
  EnterFilter("≥ abc");
  EXPECT_TRUE(Grid().FilterEditor()->isVisible());
  EXPECT_FALSE(Grid().FilterEditor()->ErrorText().isEmpty());
  EXPECT_EQ(Grid().ShownCount(), kDevices);
  EnterFilter("≥ 60");
  EXPECT_FALSE(Grid().FilterEditor()->isVisible());
  EXPECT_EQ(form->ViewText(), U("8 из 51"));
  EXPECT_TRUE(HasColour(HeadingImage(ukbo), TxGrid::kFilteredHeadingColor));
  EXPECT_FALSE(HasColour(HeadingImage(h21), TxGrid::kFilteredHeadingColor));

  ClickHeading(h21);
  ClickHeading(h21);  // descending
  QMenu menu;
  MenuCommand(menu, h21, 0, "EditFilter")->trigger();
  EnterFilter("≥ 100");
  EXPECT_EQ(form->ViewText(), U("2 из 51"));
  EXPECT_EQ(Types(), (std::vector<std::string>{"КТ208М", "КТ209М"}));
  EXPECT_TRUE(form->StatusText().startsWith(U("  Рис: ")));

  // Uкбо at least 30 now: the sort by h21э still holds.
  Grid().EditColumnFilter(ukbo);
  EXPECT_EQ(Grid().FilterEditor()->Line()->text(), U("≥ 60"));
  EnterFilter("≥ 30");
  const std::vector<std::string> shown = Types();
  ASSERT_GT(shown.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 3),
            (std::vector<std::string>{"AC125", "КТ208Е", "КТ208К"}));  // 100...500, then 80...240
  EXPECT_EQ(Grid().View().SortDirection(), GridView::Descending);
  SaveScreenshot("grid-filtered.png");

  MenuCommand(menu, h21, 0, "ClearFilter")->trigger();
  EXPECT_FALSE(MenuCommand(menu, h21, 0, "ClearFilter")->isEnabled());
  EXPECT_TRUE(MenuCommand(menu, ukbo, 3, "ClearFilters")->isEnabled());
  QTest::keyClick(&Grid(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Grid().ShownCount(), kDevices);
  EXPECT_EQ(form->ViewText(), "");
  EXPECT_FALSE(HasColour(HeadingImage(ukbo), TxGrid::kFilteredHeadingColor));
}

// A filter that hides every device keeps the headings on screen (so that it
// can be cleared) and selects no device; another kind drops sort and filters.
TEST_F(GridViewUseTest, NothingLeftKeepsHeadingsAndAnotherKindDropsTheView) {
  ConnectNavigationCommands();
  const int structure = ColumnOf("1");
  ClickHeading(structure);
  ASSERT_TRUE(Grid().SetColumnFilter(structure, U("ничего")));
  EXPECT_EQ(Grid().ShownCount(), 0);
  EXPECT_EQ(form->ViewText(), U("0 из 51"));
  EXPECT_EQ(form->StatusText(), "");
  EXPECT_FALSE(form->M_Pict()->isEnabled());
  EXPECT_TRUE(HasColour(HeadingImage(structure), TxGrid::kFilteredHeadingColor));
  EXPECT_TRUE(HasColour(HeadingImage(structure), TxGrid::kMarkColor));
  EXPECT_THROW(Grid().CurrentRecNo(), ETalvernError);

  QMenu menu;
  MenuCommand(menu, structure, 0, "ClearFilter")->trigger();
  EXPECT_EQ(Grid().ShownCount(), kDevices);
  EXPECT_EQ(Grid().FixedRows(), 1);
  EXPECT_NO_THROW(Grid().CurrentRecNo());

  ASSERT_TRUE(Grid().SetColumnFilter(structure, U("n-p-n")));
  ChooseKind(1, 13);
  EXPECT_EQ(Grid().View().SortColumn(), -1);
  EXPECT_FALSE(Grid().View().HasFilters());
  EXPECT_EQ(form->ViewText(), "");
  EXPECT_EQ(Grid().ShownCount(), Grid().DeviceCount());
}

// "Сохранить как CSV..." writes the rows shown in their order, both heading
// lines joined, in UTF-8 that Python's csv module reads back as shown.
TEST_F(GridViewUseTest, CsvHoldsTheRowsShownInTheirOrder) {
  if (access("/usr/bin/python3", X_OK) != 0) GTEST_SKIP() << "no /usr/bin/python3";
  const int h21 = ColumnOf("12");
  ASSERT_TRUE(Grid().SetColumnFilter(ColumnOf("5"), U("≥ 60")));
  Grid().SortByColumn(h21, GridView::Descending);
  const std::string file = dir.File("shown.csv");
  form->SaveGridAsCsv(QString::fromStdString(file));
  EXPECT_TRUE(ReadFile(file).starts_with("\xEF\xBB\xBF"));
  const CommandResult result = RunPython(
      dir,
      std::string("import csv, sys\n"
                  "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                  "    rows = list(csv.reader(f))\n"
                  "print(len(rows), len(rows[0]))\n"
                  "print(rows[0][0] + '|' + rows[0][2] + '|' + rows[0][-1])\n"
                  "for r in rows[1:]: print(r[0] + '|' + r[") +
          std::to_string(h21) + "])\n",
      {file});
  ASSERT_EQ(result.exitCode, 0);
  std::string expected = "9 " + std::to_string(Grid().ColCount()) + "\nТип|Pк max, Вт|Температура, °C\n";
  for (const char* row : {"КТ208М|40...120", "КТ209М|40...120", "МП26Б|30...80", "КТ208Л|20...60", "КТ209Л|20...60",
                          "МП26А|20...50", "КТ203А|9", "2Т203А|9"})
    expected += std::string(row) + "\n";
  EXPECT_EQ(result.output, expected);

  // A file that cannot be written is reported, and nothing is left behind.
  const std::string nowhere = dir.File("no such folder/shown.csv");
  EXPECT_THROW(form->SaveGridAsCsv(QString::fromStdString(nowhere)), ETalvernError);
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

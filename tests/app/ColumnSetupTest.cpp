// The column setup driven through its two windows on the sample catalogue:
// groups read and moved (buttons and dragging), a column added to a group,
// a new group, widths, the editor's cancel and width message, the layout
// written to fields.dbf as python3-dbfread reads it with its index sound
// (dbftool check), a locked record while saving; the logic without windows.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

#include "CatalogueFixture.h"
#include "ModalDriver.h"
#include "Peers.h"
#include "app/ColumnEdit.h"
#include "app/ColumnSetup.h"
#include "app/ColumnSetupGroups.h"
#include "app/DisplayText.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

StoredLayoutRow Stored(std::int32_t recNo, std::int32_t grp, const char* shortHeading, std::int32_t len) {
  StoredLayoutRow stored{recNo, {}};
  stored.row.grp = grp;
  stored.row.len = len;
  stored.row.shortHeading = shortHeading;
  return stored;
}

std::vector<std::string> FieldNames(const TxGrid& grid) {
  std::vector<std::string> names;
  for (const TColumnRec& column : grid.Columns()) names.push_back(column.fieldName);
  return names;
}

// One row of the setup list: group number, short heading, unit, full name.
std::vector<QString> SetupRow(const TColumnSetup& setup, int row) {
  const QTableWidget& grid = *setup.SGrid();
  std::vector<QString> cells{grid.verticalHeaderItem(row)->text()};
  for (int c = 0; c < 3; ++c) cells.push_back(grid.item(row, c)->text());
  return cells;
}

void SetEditorRow(TColumnEdit& editor, int row, std::initializer_list<const char*> cells) {
  int c = 0;
  for (const char* text : cells) editor.CGrid()->item(row, c++)->setText(U(text));
}

struct ColumnSetupTest : CatalogueWindowTest {
  void Setup(const std::function<void(TColumnSetup&)>& act) {
    WithModal<TColumnSetup>([&] { form->M_ColumnSetup()->trigger(); }, act);
  }
  static void Edit(const std::function<void()>& open, const std::function<void(TColumnEdit&)>& act) {
    WithModal<TColumnEdit>(open, act);
  }
};

}  // namespace

TEST(ColumnSetupGroups, RowsGroupByGrpAndWidthsAreReadModulo256) {
  const std::vector<TColInfoArr> groups =
      ReadColumnGroups({Stored(4, 1, "a", 5), Stored(9, 1, "b", 300), Stored(2, 3, "c", 7), Stored(3, 2, "d", 0)});
  ASSERT_EQ(groups.size(), 3u);
  ASSERT_EQ(groups[0].size(), 2u);
  EXPECT_EQ(groups[0][1].recNo, 9);
  EXPECT_EQ(groups[0][1].width, 44);
  EXPECT_EQ(groups[1][0].shortHeading, "c");
  EXPECT_EQ(groups[2][0].recNo, 3);
  EXPECT_TRUE(ReadColumnGroups({}).empty());

  EXPECT_EQ(ParseColumnWidth("300"), 44);
  EXPECT_EQ(ParseColumnWidth(" 8 "), 8);
  EXPECT_EQ(ParseColumnWidth("+12"), 12);
  EXPECT_EQ(ParseColumnWidth("-1"), 255);
  for (const char* bad : {"", "  ", "3x0", "8.5", "+", "-", "+-3", "0x10", "99999999999"})
    EXPECT_EQ(ParseColumnWidth(bad), std::nullopt) << bad;
}

// Kind 31 has six groups: 1 Uобр + Uобр и, 2 Iпр ср + Iпр уд, 3 Uпр + при Iпр,
// 4 Iобр, 5 fmax, 6 Корпус (FLD 1 to 9).
TEST_F(ColumnSetupTest, MovedEditedAndAddedGroupsAreWrittenAsPeersReadThem) {
  OpenWindow();
  ChooseKind(3, 31);
  CollectedErrors errors;
  Setup([&](TColumnSetup& s) {
    EXPECT_EQ(s.windowTitle(), U("Настройка колонок"));
    EXPECT_EQ(s.size(), QSize(638, 409));
    EXPECT_EQ(s.BtUp()->toolTip(), U("Переместить строку вверх"));
    QTableWidget& grid = *s.SGrid();
    ASSERT_EQ(grid.rowCount(), 6);
    EXPECT_EQ(SetupRow(s, 0), (std::vector<QString>{"1", U("Uобр"), U("В"), U("Максимальное постоянное обратное напряжение")}));
    EXPECT_EQ(SetupRow(s, 5), (std::vector<QString>{"6", U("Корпус"), "", U("Тип корпуса")}));

    // "Вверх" on the first row and "Вниз" on the last do nothing.
    grid.setCurrentCell(0, 0);
    s.BtUp()->click();
    grid.setCurrentCell(5, 0);
    s.BtDown()->click();
    EXPECT_EQ(s.ScreenOrder(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    grid.setCurrentCell(0, 0);
    s.BtDown()->click();
    EXPECT_EQ(s.ScreenOrder(), (std::vector<int>{2, 1, 3, 4, 5, 6}));
    EXPECT_EQ(grid.currentRow(), 1);
    // Group 6 dragged by its number to the fourth place.
    grid.verticalHeader()->moveSection(5, 3);
    EXPECT_EQ(s.ScreenOrder(), (std::vector<int>{2, 1, 3, 6, 4, 5}));
    EXPECT_EQ(grid.verticalHeader()->visualIndex(3), 3);
    EXPECT_EQ(SetupRow(s, 3)[1], U("Корпус"));

    // A column added to group 3 (two columns), with a width of 300; a width
    // that is not a number first keeps the editor open on its cell.
    grid.setCurrentCell(2, 0);
    Edit([&] { s.BtEdit()->click(); }, [&](TColumnEdit& e) {
      EXPECT_EQ(e.windowTitle(), U("Редактирование группы колонок"));
      ASSERT_EQ(e.CGrid()->rowCount(), 2);
      EXPECT_EQ(e.CGrid()->item(0, 3)->text(), "4");
      e.BtAdd()->click();
      ASSERT_EQ(e.CGrid()->rowCount(), 3);
      EXPECT_EQ(e.CGrid()->item(2, 3)->text(), "8");
      SetEditorRow(e, 2, {"Uпр max", "В", "Максимальное прямое напряжение", "3x0"});
      e.BtOK()->click();
      EXPECT_TRUE(e.isVisible());
      EXPECT_EQ(e.CGrid()->currentRow(), 2);
      EXPECT_EQ(e.CGrid()->currentColumn(), 3);
      EXPECT_EQ(errors.Shown(), std::vector<QString>{U("Ошибка в указании ширины колонки")});
      e.CGrid()->item(2, 3)->setText("300");
      e.BtOK()->click();
      EXPECT_FALSE(e.isVisible());
    });
    // The editor cancelled after "Добавить" (by its button, or by Escape)
    // leaves the group as it was.
    for (bool escape : {false, true}) {
      grid.setCurrentCell(1, 0);
      Edit([&] { s.BtEdit()->click(); }, [&](TColumnEdit& e) {
        e.BtAdd()->click();
        if (escape) QTest::keyClick(&e, Qt::Key_Escape);
        else e.BtCancel()->click();
      });
      EXPECT_EQ(s.Groups()[0].size(), 2u);
    }
    // A group added and cancelled goes again; one added and applied stays.
    Edit([&] { s.BtAdd()->click(); }, [&](TColumnEdit& e) { e.BtCancel()->click(); });
    EXPECT_EQ(grid.rowCount(), 6);
    EXPECT_EQ(s.Groups().size(), 6u);
    Edit([&] { s.BtAdd()->click(); }, [&](TColumnEdit& e) {
      ASSERT_EQ(e.CGrid()->rowCount(), 1);
      EXPECT_EQ(e.CGrid()->item(0, 3)->text(), "8");
      SetEditorRow(e, 0, {"Cд", "пФ", "Ёмкость диода"});
      e.BtOK()->click();
    });
    EXPECT_EQ(SetupRow(s, 6), (std::vector<QString>{"7", U("Cд"), U("пФ"), U("Ёмкость диода")}));
    s.BtOK()->click();
  });

  // The kind is loaded again with the new layout.
  EXPECT_EQ(FieldNames(Grid()),
            (std::vector<std::string>{"TYPE", "3", "4", "1", "2", "5", "6", "10", "9", "7", "8", "11", "TERM"}));
  EXPECT_EQ(errors.Shown().size(), 1u);

  // fields.dbf as python3-dbfread reads it: the rows of kind 31 in record
  // order, the two new ones appended.
  if (!PythonPeersAvailable()) GTEST_SKIP() << "the Python peers are not installed";
  form.reset();
  const PeerTable peer = ReadWithDbfread(dir, dir.File("fields.dbf"));
  ASSERT_TRUE(peer.ok) << peer.error;
  std::vector<std::string> rows;
  for (const PeerRecord& r : peer.records) {
    if (r.values[0] != "N:31.0") continue;
    std::string row;
    for (std::size_t i = 1; i < 7; ++i) row += r.values[i].substr(2) + (i < 6 ? " " : "");
    rows.push_back(row);
  }
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "1.0 2.0 0.0 5.0 Uобр В", "2.0 2.0 1.0 5.0 Uобр и В", "3.0 1.0 0.0 5.0 Iпр ср А",
                      "4.0 1.0 1.0 5.0 Iпр уд А", "5.0 3.0 0.0 4.0 Uпр В", "6.0 3.0 1.0 5.0 при Iпр А",
                      "7.0 5.0 0.0 5.0 Iобр мкА", "8.0 6.0 0.0 5.0 fmax кГц", "9.0 4.0 0.0 7.0 Корпус ",
                      "10.0 3.0 2.0 44.0 Uпр max В", "11.0 7.0 0.0 8.0 Cд пФ"}));
  EXPECT_EQ(peer.records.back().values[7], "S:Ёмкость диода");
  const CommandResult check = RunCommand(std::string(TALVERN_BINARY_DIR) + "/tools/dbftool check " +
                                         ShellQuote(dir.File("fields.dbf")) + " " + ShellQuote(dir.File("fields.CDX")));
  EXPECT_EQ(check.exitCode, 0) << check.output;
}

// Another program holds a record of the layout: saving stops there with the
// message, what was posted before stays, the kind is loaded with it.
TEST_F(ColumnSetupTest, ALockedRecordStopsTheSavingAndTheKindReloadsWithWhatWasWritten) {
  OpenWindow();
  ChooseKind(3, 31);
  TTalvernDataSet other;
  other.SetDatabaseName(dir.Path());
  other.SetTableName("fields.dbf");
  other.Open();
  other.IndexFiles().Add("fields.CDX");  // it locks records where a program with the index file does
  ASSERT_TRUE(other.Locate("VID;FLD", {std::int64_t{31}, std::int64_t{7}}, 0));
  other.Edit();  // holds the record's lock

  CollectedErrors errors;
  Setup([&](TColumnSetup& s) {
    s.SGrid()->setCurrentCell(0, 0);
    s.BtDown()->click();
    s.SGrid()->setCurrentCell(5, 0);
    s.BtUp()->click();
    EXPECT_EQ(s.ScreenOrder(), (std::vector<int>{2, 1, 3, 4, 6, 5}));
    s.BtOK()->click();
  });
  EXPECT_EQ(errors.Shown(), std::vector<QString>{"Record is locked by another user"});
  other.Cancel();
  EXPECT_EQ(form->Logic().Fields().State(), dsBrowse);
  // Groups 2 and 1 swapped and written, group 3 rewritten as it was; the
  // locked record of group 4 and the groups after it (6 and 5 swapped on
  // screen) keep their numbers.
  EXPECT_EQ(FieldNames(Grid()), (std::vector<std::string>{"TYPE", "3", "4", "1", "2", "5", "6", "7", "8", "9", "TERM"}));
  EXPECT_EQ(Grid().Columns().At(7).group, 4);
}

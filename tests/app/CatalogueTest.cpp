// The catalogue driven as a user drives it, on the sample database: start,
// a group, a kind, the kind's columns and devices, the calculated parameter
// fields, the status bar and "&Рисунок" as the selection moves, and the
// edge cases of the sample (kinds without layout rows or devices, a drawing
// code without a record, a missing table, missing index files).
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QImage>
#include <algorithm>

#include "CatalogueFixture.h"
#include "impexp/CatalogueTables.h"
#include "app/ColumnLayout.h"
#include "app/DisplayText.h"
#include "app/ParamPieces.h"
#include "app/TxGrid.h"
#include "handler/DbfObject.h"
#include "dataset/Field.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

std::vector<std::string> Pieces(std::string_view text) {
  std::vector<std::string> pieces;
  for (std::string_view piece : SplitParams(text)) pieces.emplace_back(piece);
  return pieces;
}

std::vector<std::string> FieldNames(const TxGrid& grid) {
  std::vector<std::string> names;
  for (const TColumnRec& column : grid.Columns()) names.push_back(column.fieldName);
  return names;
}

}  // namespace

TEST(ParamPieces, EmptyPiecesKeepTheirPlaceAndATrailingBarStartsNone) {
  EXPECT_EQ(Pieces("5|10||0,3"), (std::vector<std::string>{"5", "10", "", "0,3"}));
  EXPECT_EQ(Pieces("|7"), (std::vector<std::string>{"", "7"}));
  EXPECT_EQ(Pieces("a|"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(Pieces("||"), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(Pieces("").empty());
}

TEST_F(CatalogueWindowTest, StartsWithEveryTableOpenAndTheMissingIndexFilesBuilt) {
  TMainForm& w = OpenWindow();
  Catalogue& c = w.Logic();
  for (const char* index : {"fields.CDX", "groups.CDX", "vids.CDX", "PICS.CDX", "main.CDX"})
    EXPECT_TRUE(std::filesystem::exists(dir.File(index))) << index;
  for (TTalvernDataSet* ds : {&c.Groups(), &c.Vids(), &c.Fields(), &c.Main(), &c.Pics()}) {
    EXPECT_TRUE(ds->Active()) << ds->TableName();
    EXPECT_EQ(ds->DatabaseName(), dir.Path());
    EXPECT_TRUE(ds->TranslateASCII());
    EXPECT_FALSE(ds->Exclusive());
    EXPECT_FALSE(ds->UseDeleted());
  }
  EXPECT_EQ(c.Fields().TagCount(), 2);
  EXPECT_EQ(c.Fields().IndexName(), "GRPD");
  EXPECT_EQ(c.Groups().IndexName(), "GROUP");
  EXPECT_EQ(c.Vids().IndexName(), "VID");
  EXPECT_EQ(c.Pics().IndexName(), "PIC");
  // Main: all devices, in TYPE order, no calculated fields.
  EXPECT_EQ(c.Main().IndexName(), "TYPE");
  EXPECT_TRUE(c.Main().Filtered());
  EXPECT_EQ(c.Main().Filter(), "");
  EXPECT_EQ(c.Main().FindField("1"), nullptr);
  EXPECT_TRUE(c.Vids().Filtered() && c.Fields().Filtered());
  EXPECT_FALSE(c.Groups().Filtered() || c.Pics().Filtered());
  EXPECT_FALSE(c.Pics().FieldByName("PICTURE").Transliterate());
  EXPECT_EQ(c.Pics().FieldCount(), 3);

  // The "no group" state.
  EXPECT_FALSE(w.CBGroups()->HasValue());
  EXPECT_FALSE(w.CBVids()->isEnabled());
  EXPECT_EQ(Grid().RowCount(), 1);
  for (QAction* a : {w.M_Pict(), w.M_Export(), w.M_ColumnSetup()}) EXPECT_FALSE(a->isEnabled());
  FetchAll(w.CBGroups()->ListModel());
  EXPECT_EQ(Column(w.CBGroups()->ListModel()).size(), 7u);
  EXPECT_EQ(Cell(w.CBGroups()->ListModel(), 0), U("Транзисторы биполярные"));
  EXPECT_EQ(Cell(w.CBGroups()->ListModel(), 6), U("Оптоэлектронные приборы"));

  // The next start opens the index files as they are.
  const std::string mainIndex = ReadFile(dir.File("main.CDX"));
  form.reset();
  OpenWindow();
  EXPECT_EQ(ReadFile(dir.File("main.CDX")), mainIndex);
  EXPECT_EQ(Main().IndexName(), "TYPE");
}

// A main.CDX made before the VID tag was in the list gets it at start, and
// a kind then takes its devices from it.
TEST_F(CatalogueWindowTest, AnIndexFileWithoutTheVidTagGetsItAndKindsUseIt) {
  {
    TTalvernDataSet old;
    old.SetDatabaseName(dir.Path());
    old.SetTableName("main.dbf");
    old.Open();
    old.CreateIndexTag("main.CDX", kMainTable.tags[0].name, kMainTable.tags[0].expression, "", 1, 0);
  }
  TMainForm& w = OpenWindow();
  EXPECT_EQ(Main().TagCount(), 2);
  EXPECT_EQ(Main().IndexName(), "TYPE");
  ConnectNavigationCommands();
  ChooseKind(3, 38);  // 5 of the 1269 devices
  EXPECT_TRUE(Main().Table()->FilterSetFromIndex());
  EXPECT_EQ(Grid().RowCount(), 1 + 5);
  (void)w;
}

TEST_F(CatalogueWindowTest, AGroupListsItsKindsAndAnotherGroupOrNoneStartsOver) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  ChooseGroup(3);
  EXPECT_TRUE(w.CBVids()->isEnabled());
  EXPECT_FALSE(w.CBVids()->HasValue());
  EXPECT_EQ(w.Logic().Vids().Filter(), "GROUP=3");
  FetchAll(w.CBVids()->ListModel());
  EXPECT_EQ(Column(w.CBVids()->ListModel()),
            (std::vector<QString>{U("Выпрямительные маломощные"), U("Выпрямительные средней и большой мощности"),
                                  U("Импульсные"), U("Диоды Шоттки"), U("Выпрямительные мосты и блоки"),
                                  U("Варикапы"), U("Диоды СВЧ"), U("Выпрямительные столбы")}));
  EXPECT_FALSE(Main().Active());
  EXPECT_EQ(Grid().RowCount(), 1);

  // From a loaded kind, another group empties the grid and the kind.
  Choose(*w.CBVids(), 31);
  ASSERT_GT(Grid().RowCount(), 1);
  EXPECT_TRUE(w.M_Export()->isEnabled());
  ChooseGroup(1);
  EXPECT_FALSE(Main().Active());
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_EQ(Grid().ColCount(), 1);
  EXPECT_FALSE(w.CBVids()->HasValue());
  EXPECT_TRUE(w.CBVids()->isEnabled());
  for (QAction* a : {w.M_Pict(), w.M_Export(), w.M_ColumnSetup()}) EXPECT_FALSE(a->isEnabled());

  // The program sets no group: back to "no group".
  w.CBGroups()->SetKeyValue(FieldValue{});
  w.CBGroupsClick();
  EXPECT_FALSE(w.CBVids()->isEnabled());
  EXPECT_FALSE(w.CBVids()->HasValue());
}

TEST_F(CatalogueWindowTest, AKindShowsItsLayoutAsColumnsInGrpdOrderWithTheirWidths) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  ChooseKind(1, 13);  // h21э (FLD 12) stands in group 3, next to the power columns
  const TxGrid& grid = Grid();
  EXPECT_EQ(FieldNames(grid), (std::vector<std::string>{"TYPE", "1", "2", "3", "12", "4", "5", "6", "7", "8", "9",
                                                         "10", "11", "13", "14", "15", "TERM"}));
  EXPECT_EQ(grid.Columns().At(2).group, 2);
  EXPECT_EQ(grid.Columns().At(3).group, 2);  // Pк т max joins Pк max
  EXPECT_EQ(grid.Columns().At(3).position, 1);
  EXPECT_EQ(grid.Columns().At(16).group, kTemperatureColumnGroup);
  const HeadingLines power = SplitHeading(grid.Columns().At(2).heading);
  EXPECT_EQ(Utf8(std::string(power.first)), "Pк max");
  EXPECT_EQ(Utf8(std::string(power.second)), "Вт");
  EXPECT_EQ(Utf8(std::string(SplitHeading(grid.Columns().At(4).heading).second)), "");  // h21э has no unit
  EXPECT_EQ(Utf8(grid.ColumnFullName(4)), "Статический коэффициент передачи тока в схеме с общим эмиттером");

  const int digit = grid.fontMetrics().horizontalAdvance(QLatin1Char('0'));
  // At least as wide as the heading's lines, with 2 pixels on either side and the border.
  auto heading = [&](const char* line) { return grid.fontMetrics().horizontalAdvance(U(line)) + 5; };
  EXPECT_EQ(grid.ColWidths(1), std::max(6 * digit, heading("Струк.")));  // LEN 5
  EXPECT_EQ(grid.ColWidths(4), std::max(8 * digit, heading("h21э")));    // LEN 7
  EXPECT_EQ(grid.ColWidths(16), std::max(9 * digit, heading("Температура")));  // the temperature column, 8
  int widest = 5 * digit;                    // the type column, 4, widened to its widest type
  for (int row = 1; row < grid.RowCount(); ++row)
    widest = std::max(widest, grid.fontMetrics().horizontalAdvance(QString::fromStdString(RowType(row))) + 4);
  EXPECT_EQ(grid.ColWidths(0), widest);

  EXPECT_EQ(grid.FixedCols(), 1);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.RowHeights(0), 3 * grid.RowHeights(1));
  EXPECT_TRUE(w.M_Export()->isEnabled());
  EXPECT_TRUE(w.M_ColumnSetup()->isEnabled());
  // Main holds the kind's devices with the fields "1".."15".
  EXPECT_EQ(Main().Filter(), "VID=13");
  EXPECT_EQ(w.Logic().Fields().Filter(), "VID=13");
  EXPECT_EQ(w.Logic().Fields().IndexName(), "GRPD");
  EXPECT_NE(Main().FindField("15"), nullptr);
  EXPECT_EQ(Main().FindField("16"), nullptr);
}

TEST_F(CatalogueWindowTest, DevicesComeInTypeOrderWithDomesticDigitPrefixesReadAsLetters) {
  OpenWindow();
  ChooseKind(1, 12);
  std::vector<std::string> types;
  for (int row = 1; row < Grid().RowCount(); ++row) types.push_back(RowType(row));
  EXPECT_EQ(types.size(), 112u);
  auto at = [&](const char* type) {
    auto found = std::find(types.begin(), types.end(), type);
    EXPECT_NE(found, types.end()) << type;
    return found - types.begin();
  };
  EXPECT_LT(at("2N2222"), at("BC546A"));  // foreign: as written, 2 before B
  EXPECT_LE(std::abs(at("1Т308А") - at("ГТ308А")), 1);  // 1 reads as Г
  EXPECT_GT(at("2Т312А"), at("КТ3102К"));              // 2 reads as К
  EXPECT_LT(at("2Т312А"), at("КТ315А"));
  EXPECT_LT(at("ГТ308А"), at("КТ3102А"));
  for (std::size_t i = 0; i < types.size(); ++i) {
    Main().SetRecNo(Grid().RowRecNo(static_cast<int>(i) + 1));
    EXPECT_EQ(Main().FieldByName("VID").AsInteger(), 12) << types[i];
  }
}

TEST_F(CatalogueWindowTest, CalculatedFieldsHoldThePiecesOfParams) {
  OpenWindow();
  ChooseKind(1, 12);
  auto setParams = [&](const char* type, const char* params) {
    Main().SetRecNo(Grid().RowRecNo(RowOf(type)));
    Main().Edit();
    Main().FieldByName("PARAMS").SetAsString(params);
    Main().Post();
  };
  setParams("КТ315А", "5|10||0,3");
  setParams("КТ315Б", "|7");
  Choose(*form->CBVids(), 12);  // the same kind again reads the devices anew

  EXPECT_EQ(FieldText("КТ315А", "1"), "5");
  EXPECT_EQ(FieldText("КТ315А", "2"), "10");
  EXPECT_EQ(FieldText("КТ315А", "3"), "");
  EXPECT_EQ(FieldText("КТ315А", "4"), "0,3");
  EXPECT_EQ(FieldText("КТ315А", "5"), "");
  EXPECT_EQ(FieldText("КТ315Б", "1"), "");
  EXPECT_EQ(FieldText("КТ315Б", "2"), "7");
  // 16 pieces for 15 parameters: the last has no column and is left out.
  EXPECT_EQ(FieldText("КТ315И", "14"), "7");
  EXPECT_EQ(FieldText("КТ315И", "15"), "КТ-13");
  // An empty PARAMS leaves every parameter empty.
  for (const char* k : {"1", "2", "15"}) EXPECT_EQ(FieldText("КТ3130А-9", k), "") << k;
  EXPECT_EQ(FieldText("КТ3130А-9", "TERM"), "-60...+125");

  // Whole columns read at once from PARAMS give what the fields hold.
  std::vector<std::int32_t> recNos;
  for (int row = 1; row < Grid().RowCount(); ++row) recNos.push_back(Grid().RowRecNo(row));
  std::vector<std::string> names{"TYPE", "TERM"};
  for (int k = 1; k <= 15; ++k) names.push_back(std::to_string(k));
  std::vector<std::vector<std::string>> quick(recNos.size(), std::vector<std::string>(names.size(), "?"));
  ASSERT_TRUE(form->Logic().ReadParameters(recNos, names, [&](std::size_t r, std::size_t f, std::string text) {
    quick[r][f] = std::move(text);
  }));
  for (std::size_t r = 0; r < recNos.size(); ++r) {
    Main().SetRecNo(recNos[r]);
    for (std::size_t f = 0; f < names.size(); ++f)
      ASSERT_EQ(quick[r][f], Main().FieldByName(names[f]).AsString()) << recNos[r] << " " << names[f];
  }
  EXPECT_FALSE(form->Logic().ReadParameters(recNos, {"1", "NOSUCH"}, [](std::size_t, std::size_t, std::string) {}));

  // The grid paints these cells without an error.
  CollectedErrors errors;
  Show();
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("КТ315И")));
  Grid().SetCol(Grid().ColCount() - 2);
  Grid().repaint();
  EXPECT_TRUE(errors.Shown().empty());
}

TEST_F(CatalogueWindowTest, TheStatusBarAndTheDrawingCommandFollowTheSelection) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  ChooseKind(1, 11);
  // After the kind is loaded the first device's first parameter is selected.
  EXPECT_EQ(Grid().Row(), 1);
  EXPECT_EQ(Grid().Col(), 1);
  auto status = [&] { return w.StatusText().toStdString(); };
  Main().SetRecNo(Grid().RowRecNo(1));
  const bool firstHasDrawing = !Main().FieldByName("PIC").AsString().empty();
  EXPECT_EQ(w.M_Pict()->isEnabled(), firstHasDrawing);
  EXPECT_NE(status().find(" | Структура"), std::string::npos) << status();

  Grid().GotoRecNo(Grid().RowRecNo(RowOf("МП39Б")));
  EXPECT_EQ(status(), "  Рис: MP | Структура");
  EXPECT_TRUE(w.M_Pict()->isEnabled());
  Grid().SetCol(6);
  EXPECT_EQ(status(), "  Рис: MP | Максимальное напряжение коллектор-эмиттер при заданном сопротивлении база-эмиттер");

  // A device without drawings.
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("AC125")));
  EXPECT_EQ(status(), "  Рис: ----- | Максимальное напряжение коллектор-эмиттер при заданном сопротивлении база-эмиттер");
  EXPECT_FALSE(w.M_Pict()->isEnabled());

  // The keyboard moves the selection too.
  Show();
  Grid().setFocus();
  const int row = Grid().Row();
  QTest::keyClick(&Grid(), Qt::Key_Down);
  EXPECT_EQ(Grid().Row(), row + 1);
  Main().SetRecNo(Grid().CurrentRecNo());
  const std::string pic = Main().FieldByName("PIC").AsString();
  EXPECT_EQ(w.M_Pict()->isEnabled(), !pic.empty());
  EXPECT_EQ(status().rfind("  Рис: ", 0), 0u);
}

TEST_F(CatalogueWindowTest, TheSameKindAgainRebuildsTheGridAndResetsTheStatusBar) {
  TMainForm& w = OpenWindow();
  ChooseKind(1, 12);
  const int rows = Grid().RowCount();
  const std::vector<std::string> fields = FieldNames(Grid());
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("КТ315А")));
  Grid().SetCol(8);
  EXPECT_EQ(w.StatusText(), U("  Рис: KT13 | Максимально допустимый постоянный ток коллектора"));

  Choose(*w.CBVids(), 12);
  EXPECT_EQ(Grid().RowCount(), rows);
  EXPECT_EQ(FieldNames(Grid()), fields);
  EXPECT_EQ(Grid().Row(), 1);
  EXPECT_EQ(Grid().Col(), 1);
  EXPECT_TRUE(w.StatusText().endsWith(U(" | Структура"))) << w.StatusText().toStdString();
}

TEST_F(CatalogueWindowTest, AKindWithoutLayoutRowsShowsTypeAndTemperatureOnly) {
  TMainForm& w = OpenWindow();
  ChooseKind(1, 19);
  EXPECT_EQ(FieldNames(Grid()), (std::vector<std::string>{"TYPE", "TERM"}));
  EXPECT_EQ(Main().FindField("1"), nullptr);  // no calculated fields
  EXPECT_GT(Grid().RowCount(), 1);
  EXPECT_EQ(FieldText("КТ117А", "TERM"), "-60...+125");
  EXPECT_TRUE(w.StatusText().endsWith(U(" | Диапазон рабочих температур"))) << w.StatusText().toStdString();
}

// The grid says so in its area, and shows no headings or lines.
TEST_F(CatalogueWindowTest, AKindWithoutDevicesShowsAnEmptyGrid) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  Show();
  ChooseKind(1, 18);
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_EQ(Grid().FixedRows(), 0);
  EXPECT_EQ(w.StatusText(), "");
  EXPECT_FALSE(w.M_Pict()->isEnabled());
  EXPECT_TRUE(w.M_Export()->isEnabled());
  EXPECT_TRUE(w.M_ColumnSetup()->isEnabled());
  EXPECT_EQ(Grid().EmptyText(), U("Нет приборов этого вида"));
  // Only the background is painted above the text.
  const QImage image = Grid().viewport()->grab().toImage();
  const QRgb background = image.pixel(0, 0);
  bool plain = true;
  for (int y = 0; y < image.height() / 3 && plain; ++y)
    for (int x = 0; x < image.width() && plain; ++x) plain = image.pixel(x, y) == background;
  EXPECT_TRUE(plain);
}

// The decision for a code that PICS.DBF has no record for: no file name to
// show, but the device has drawing codes, so "&Рисунок" stays enabled.
TEST_F(CatalogueWindowTest, ADrawingCodeWithoutARecordShowsNoFileName) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  ChooseKind(7, 71);
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("АЛ102А")));
  EXPECT_EQ(FieldText("АЛ102А", "PIC"), "00H");
  EXPECT_TRUE(w.StatusText().startsWith(U("  Рис: ----- | "))) << w.StatusText().toStdString();
  EXPECT_TRUE(w.M_Pict()->isEnabled());
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("АЛ307А")));
  EXPECT_TRUE(w.StatusText().startsWith(U("  Рис: LED5 | "))) << w.StatusText().toStdString();
}

// The tables after a missing one open all the same.
TEST_F(CatalogueWindowTest, AMissingTableIsReportedAndTheWindowStillOpens) {
  std::filesystem::remove(dir.File("vids.dbf"));
  CollectedErrors errors;
  TMainForm& w = OpenWindow();
  EXPECT_EQ(errors.Shown(), std::vector<QString>{QString::fromStdString("Cannot find file " + dir.File("vids.dbf"))});
  EXPECT_FALSE(w.Logic().Vids().Active());
  for (TTalvernDataSet* ds : {&w.Logic().Fields(), &w.Logic().Groups(), &w.Logic().Pics(), &w.Logic().Main()})
    EXPECT_TRUE(ds->Active()) << ds->TableName();
  Show();
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(Grid().RowCount(), 1);
}

// The device table gone while the program runs: choosing a kind reports it
// and leaves an empty grid, not rows that can no longer be read.
TEST_F(CatalogueWindowTest, AKindThatCannotBeLoadedIsReportedAndLeavesTheGridEmpty) {
  TMainForm& w = OpenWindow();
  ConnectNavigationCommands();
  ChooseKind(1, 12);
  ASSERT_GT(Grid().RowCount(), 1);
  std::filesystem::remove(dir.File("main.dbf"));
  CollectedErrors errors;
  Choose(*w.CBVids(), 11);
  EXPECT_EQ(errors.Shown(), std::vector<QString>{QString::fromStdString("Cannot find file " + dir.File("main.dbf"))});
  EXPECT_FALSE(Main().Active());
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_FALSE(w.M_Pict()->isEnabled());
}

// The main window at its first size with a kind loaded, for a person to look
// at: build/<type>/screenshots/catalogue.png (docs/ holds a copy): КТ3102Г
// selected, its h21э cut short, the headings around it whole.
TEST_F(CatalogueWindowTest, Screenshot) {
  TMainForm& w = OpenWindow();
  ChooseKind(1, 12);
  Grid().GotoRecNo(Grid().RowRecNo(RowOf("КТ3102Г")));
  Grid().SetTopRow(RowOf("КТ3102А"));
  Grid().SetCol(9);
  Grid().SetLeftCol(6);
  CollectedErrors errors;
  Show();
  QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
  EXPECT_TRUE(w.grab().save(TALVERN_BINARY_DIR "/screenshots/catalogue.png"));
  EXPECT_TRUE(errors.Shown().empty());
}

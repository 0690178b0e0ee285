// The main window as a shell: its widgets, names, captions, shortcuts, sizes
// and first enabling, the exit command, and its lists and grid showing what
// their data sources hold.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>

#include "CatalogueFixture.h"
#include "app/ColumnLayout.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "app/TxGrid.h"
#include "platform/CodePage.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

struct Command {
  const char* name;  // nullptr: a separator
  const char* caption = "";
  QKeySequence shortcut = {};
  bool enabled = false;
};

// enabled: as the program starts, once the command has a handler.
const std::vector<Command> kCatalogueMenu = {
    {"M_Find", "&Поиск...", QKeySequence(Qt::Key_F7), true},
    {"M_Pict", "&Рисунок", QKeySequence(Qt::Key_F3)},
    {"M_SMD", "Кодовая маркировка SMD", QKeySequence(Qt::Key_F5), true},
    {"M_Packages", "&Соответствие типов корпусов", QKeySequence(Qt::Key_F6), true},
    {nullptr},
    {"M_Exit", "&Выход", QKeySequence(Qt::ALT | Qt::Key_X), true},
};
const std::vector<Command> kServiceMenu = {
    {"M_ColumnSetup", "&Настройка колонок..."},
    {nullptr},
    {"M_Export", "&Экспорт в текстовый файл..."},
    {"M_SaveCsv", "Сохранить как CSV..."},
    {"M_Import", "&Импорт из текстового файла...", {}, true},
    {"M_PicUpdate", "&Обновление базы рисунков...", {}, true},
    {"M_Optimize", "Оптимизация &базы...", {}, true},
};

void ExpectCommands(const TMainForm& form, const QList<QAction*>& actions, const std::vector<Command>& commands) {
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(commands.size()));
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const QAction* action = actions[static_cast<qsizetype>(i)];
    const Command& command = commands[i];
    if (command.name == nullptr) {
      EXPECT_TRUE(action->isSeparator()) << i;
      continue;
    }
    EXPECT_EQ(action->objectName(), command.name);
    EXPECT_EQ(action->text(), U(command.caption)) << command.name;
    EXPECT_EQ(action->shortcut(), command.shortcut) << command.name;
    EXPECT_EQ(action->isEnabled(), command.enabled && form.HasHandler(*action)) << command.name;
  }
}

// The window on the sample catalogue.
struct MainFormTest : ::testing::Test {
  TempDir dir;
  bool copied = CopySampleCatalogue(dir);
  TMainForm form{dir.Path()};

  void SetUp() override { ASSERT_TRUE(copied) << "no sample catalogue in " << TALVERN_BINARY_DIR << "/app"; }

  void Show() {
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }
  template <class T>
  T* Child(const char* name) {
    T* child = form.findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
};

}  // namespace

TEST_F(MainFormTest, CaptionAndSizes) {
  EXPECT_EQ(form.windowTitle(), U("Справочник"));
  EXPECT_EQ(form.size(), QSize(625, 475));
  EXPECT_EQ(form.minimumSize(), QSize(300, 250));
  form.resize(100, 100);
  EXPECT_EQ(form.size(), QSize(300, 250));
}

TEST_F(MainFormTest, PanelWithTheTwoListsAboveTheGrid) {
  Show();
  auto* panel = Child<QWidget>("Panel1");
  auto* groups = Child<LookupComboBox>("CBGroups");
  auto* vids = Child<LookupComboBox>("CBVids");
  auto* grid = Child<TxGrid>("Grid1");
  ASSERT_TRUE(panel && groups && vids && grid);
  EXPECT_EQ(groups, form.CBGroups());
  EXPECT_EQ(vids, form.CBVids());
  EXPECT_EQ(grid, form.Grid1());

  EXPECT_EQ(panel->height(), TMainForm::kPanelHeight);
  EXPECT_EQ(panel->width(), form.centralWidget()->width());
  EXPECT_EQ(groups->parentWidget(), panel);
  EXPECT_EQ(vids->parentWidget(), panel);
  EXPECT_LT(groups->geometry().bottom(), vids->geometry().top());
  EXPECT_LE(vids->geometry().bottom(), panel->height());
  EXPECT_GT(groups->width(), panel->width() * 9 / 10);  // across the panel
  EXPECT_EQ(vids->width(), groups->width());

  const QColor info = QApplication::palette().color(QPalette::ToolTipBase);
  for (LookupComboBox* list : {groups, vids}) {
    EXPECT_EQ(list->palette().color(QPalette::Button), info) << list->objectName().toStdString();
    EXPECT_EQ(list->palette().color(QPalette::Base), info);
    EXPECT_FALSE(list->HasValue());
  }
  EXPECT_EQ(groups->DropDownCount(), 15);
  EXPECT_EQ(vids->DropDownCount(), 10);
  EXPECT_TRUE(groups->isEnabled());
  EXPECT_FALSE(vids->isEnabled());

  // The grid fills the rest of the window above the status bar.
  QWidget* client = form.centralWidget();
  EXPECT_EQ(grid->geometry().top(), panel->geometry().bottom() + 1);
  EXPECT_EQ(grid->geometry().bottom(), client->height() - 1);
  EXPECT_EQ(grid->width(), client->width());
  EXPECT_EQ(grid->RowCount(), 1);
  EXPECT_NE(grid->DataSet(), nullptr);
  EXPECT_TRUE(static_cast<bool>(grid->OnSelectCell()));
}

// The text panel, and the view panel at the right end for "n из m".
TEST_F(MainFormTest, StatusBarWithATextPanelAndAViewPanel) {
  auto* status = Child<QStatusBar>("StatusBar1");
  auto* text = Child<QLabel>("StatusPanel");
  auto* view = Child<QLabel>("ViewPanel");
  ASSERT_TRUE(status && text && view);
  EXPECT_EQ(status, form.statusBar());
  EXPECT_EQ(text->parentWidget(), status);
  EXPECT_EQ(view->parentWidget(), status);
  EXPECT_EQ(status->findChildren<QLabel*>().size(), 2);
  EXPECT_EQ(form.ViewText(), "");
  EXPECT_EQ(form.StatusText(), "");
  form.SetStatusText(U("  Рис: ----- | Тип"));
  EXPECT_EQ(text->text(), U("  Рис: ----- | Тип"));
}

TEST_F(MainFormTest, TheMenuWithItsCaptionsShortcutsAndFirstEnabling) {
  QList<QAction*> bar = form.menuBar()->actions();
  ASSERT_EQ(bar.size(), 3);
  auto* catalogue = Child<QMenu>("M_Catalogue");
  auto* service = Child<QMenu>("M_Service");
  ASSERT_TRUE(catalogue && service);
  EXPECT_EQ(bar[0], catalogue->menuAction());
  EXPECT_EQ(bar[1], service->menuAction());
  EXPECT_EQ(catalogue->title(), U("&Справочник"));
  EXPECT_EQ(service->title(), U("Се&рвис"));
  ExpectCommands(form, catalogue->actions(), kCatalogueMenu);
  ExpectCommands(form, service->actions(), kServiceMenu);
  ExpectCommands(form, {bar[2]}, {{"M_About", "&О программе...", QKeySequence(Qt::Key_F1), true}});

  EXPECT_EQ(form.M_Pict(), Child<QAction>("M_Pict"));
  EXPECT_EQ(form.M_Export(), Child<QAction>("M_Export"));
  EXPECT_EQ(form.M_ColumnSetup(), Child<QAction>("M_ColumnSetup"));
  EXPECT_EQ(form.M_About(), Child<QAction>("M_About"));
}

TEST_F(MainFormTest, ExitClosesTheWindow) {
  Show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(&form, Qt::Key_X, Qt::AltModifier);
  EXPECT_FALSE(form.isVisible());

  Show();
  form.M_Exit()->trigger();
  EXPECT_FALSE(form.isVisible());
}

// The lists and the grid bound to data sources that hold datasets, as the
// navigation will bind the catalogue's tables; the picture is left for a
// person to look at: build/<type>/screenshots/mainform.png.
TEST_F(MainFormTest, ListsAndGridShowTheirSources) {
  auto groups = std::make_unique<TMemoryDataSet>(
      std::vector<TMemoryDataSet::Column>{{"GROUP", ftInteger}, {"NAME", ftString, 40}});
  groups->AddRow({std::int64_t{1}, Ansi("Транзисторы биполярные")});
  groups->AddRow({std::int64_t{3}, Ansi("Диоды")});
  auto kinds = std::make_unique<TMemoryDataSet>(
      std::vector<TMemoryDataSet::Column>{{"VID", ftInteger}, {"NAME", ftString, 40}});
  kinds->AddRow({std::int64_t{11}, Ansi("Маломощные низкочастотные")});
  kinds->AddRow({std::int64_t{12}, Ansi("Маломощные высокочастотные")});
  auto devices = std::make_unique<TMemoryDataSet>(std::vector<TMemoryDataSet::Column>{
      {"TYPE", ftString, 20}, {"TERM", ftString, 20}, {"1", ftString, 20}, {"2", ftString, 20},
      {"3", ftString, 20}, {"4", ftString, 20}});
  const char* types[] = {"КТ315А", "КТ315Б", "2Т312Б", "КТ3102Е", "BC547C", "2N2222A"};
  for (const char* type : types)
    devices->AddRow({Ansi(type), std::string("-60...+100"), Ansi("n-p-n"), std::string("0,15"),
                     std::string("250"), std::string("100")});
  form.Logic().DSGroups().SetDataSet(groups.get());
  form.Logic().DSVids().SetDataSet(kinds.get());
  form.Logic().DSMain().SetDataSet(devices.get());
  groups->Open();
  kinds->Open();
  devices->Open();

  form.CBGroups()->SetKeyValue(std::int64_t{1});
  EXPECT_EQ(form.CBGroups()->currentText(), U("Транзисторы биполярные"));
  form.CBVids()->setEnabled(true);
  form.CBVids()->SetKeyValue(std::int64_t{12});
  EXPECT_EQ(form.CBVids()->currentText(), U("Маломощные высокочастотные"));

  auto row = [](int fld, int grp, int dop, int len, const char* shortHeading, const char* unit) {
    LayoutRow layout;
    layout.fld = fld;
    layout.grp = grp;
    layout.dop = dop;
    layout.len = len;
    layout.shortHeading = Ansi(shortHeading);
    layout.unit = Ansi(unit);
    return layout;
  };
  TxGrid& grid = *form.Grid1();
  for (const ColumnDef& d : BuildKindColumns({row(1, 1, 0, 5, "Струк.", ""), row(2, 2, 0, 5, "Pк max", "Вт"),
                                              row(3, 3, 0, 5, "fгр", "МГц"), row(4, 4, 0, 5, "Iк max", "мА")}))
    grid.AddColumn(d.column.group, d.column.position, d.column.fieldName, d.column.heading, d.column.fullName,
                   d.width);
  for (std::int32_t recNo = 1; recNo <= 6; ++recNo) {
    devices->SetRecNo(recNo);
    grid.AddRow(recNo);
  }
  grid.SetFixedCols(1);
  grid.SetFixedRows(1);
  form.SetStatusText(U("  Рис: KT-13 | Тип"));
  Show();
  CollectedErrors errors;
  QDir().mkpath(TALVERN_BINARY_DIR "/screenshots");
  EXPECT_TRUE(form.grab().save(TALVERN_BINARY_DIR "/screenshots/mainform.png"));
  EXPECT_TRUE(errors.Shown().empty());
  // The grid read the devices through its data source.
  devices->SetRecNo(3);
  EXPECT_EQ(grid.DataSet()->FieldText("TYPE"), Ansi("2Т312Б"));

  // The window goes before the datasets here; the sources let go of them.
  form.Logic().DSMain().SetDataSet(nullptr);
  form.Logic().DSVids().SetDataSet(nullptr);
  form.Logic().DSGroups().SetDataSet(nullptr);
}

#include "app/MainForm.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "app/GridDataLink.h"
#include "app/LookupComboBox.h"
#include "app/MaintenanceCommands.h"
#include "app/TxGrid.h"
#include "platform/ProgramDir.h"

namespace talvern {
namespace {

// Room around and between the two lists of the panel.
constexpr int kPanelMargin = 4;
constexpr int kPanelSpacing = 4;

// The lists stand on the pale background of tool tips.
void SetInfoBackground(QWidget& widget) {
  QPalette palette = widget.palette();
  const QColor info = palette.color(QPalette::ToolTipBase);
  for (QPalette::ColorRole role : {QPalette::Base, QPalette::Button, QPalette::Window})
    palette.setColor(role, info);
  widget.setPalette(palette);
}

LookupComboBox* AddLookupList(QWidget* panel, const char* objectName, int dropDownCount) {
  auto* list = new LookupComboBox(panel);
  list->setObjectName(objectName);
  list->SetDropDownCount(dropDownCount);
  SetInfoBackground(*list);
  panel->layout()->addWidget(list);
  return list;
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : TMainForm(platform::ProgramDirectory(), parent) {}

TMainForm::TMainForm(const std::string& databaseDirectory, QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  setWindowTitle(QString::fromUtf8(kProgramTitle));
  resize(kInitialWidth, kInitialHeight);
  setMinimumSize(kMinimumWidth, kMinimumHeight);

  auto* client = new QWidget(this);
  client->setObjectName("ClientArea");
  auto* column = new QVBoxLayout(client);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(CreatePanel(client));
  grid_ = new TxGrid(client);  // named Grid1 by itself
  column->addWidget(grid_, 1);
  setCentralWidget(client);

  auto* status = statusBar();
  status->setObjectName("StatusBar1");
  statusPanel_ = new QLabel(status);
  statusPanel_->setObjectName("StatusPanel");
  status->addWidget(statusPanel_, 1);

  CreateMenu();
  logic_ = std::make_unique<Catalogue>(CatalogueWidgets{
      *cbGroups_, *cbVids_, *grid_, *mPict_, *mExport_, *mColumnSetup_,
      [this](const std::string& text) { SetStatusText(DisplayToQString(text)); }},
      databaseDirectory);
  BindWidgets();
  maintenance_ = std::make_unique<MaintenanceCommands>(*this);
  // A table that cannot be opened is reported; the window opens all the same.
  RunGuarded([&] { FormCreate(); });
}

TMainForm::~TMainForm() {
  maintenance_.reset();
  grid_->SetDataSet(nullptr);
  gridLink_.reset();
  logic_.reset();
}

QWidget* TMainForm::CreatePanel(QWidget* parent) {
  auto* panel = new QWidget(parent);
  panel->setObjectName("Panel1");
  panel->setFixedHeight(kPanelHeight);
  auto* lists = new QVBoxLayout(panel);
  lists->setContentsMargins(kPanelMargin, kPanelMargin, kPanelMargin, kPanelMargin);
  lists->setSpacing(kPanelSpacing);
  cbGroups_ = AddLookupList(panel, "CBGroups", kGroupsDropDownCount);
  cbVids_ = AddLookupList(panel, "CBVids", kVidsDropDownCount);
  cbVids_->setEnabled(false);
  return panel;
}

QAction* TMainForm::AddCommand(QWidget* menu, const char* objectName, const char* caption,
                               const QKeySequence& shortcut, Handler handler, bool enabled) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(objectName);
  action->setShortcut(shortcut);
  action->setEnabled(enabled);
  connect(action, &QAction::triggered, this, [this, handler] { RunGuarded([&] { (this->*handler)(); }); });
  menu->addAction(action);
  return action;
}

// The commands whose windows are not built yet stay disabled until they are.
void TMainForm::CreateMenu() {
  QMenu* catalogue = menuBar()->addMenu(QString::fromUtf8("&Справочник"));
  catalogue->setObjectName("M_Catalogue");
  mFind_ = AddCommand(catalogue, "M_Find", "&Поиск...", Qt::Key_F7, &TMainForm::M_FindClick,
                      false);  // enabled with the search window
  mPict_ = AddCommand(catalogue, "M_Pict", "&Рисунок", Qt::Key_F3, &TMainForm::M_PictClick,
                      false);  // enabled while the selected device has drawings
  mSmd_ = AddCommand(catalogue, "M_SMD", "Кодовая маркировка SMD", Qt::Key_F5, &TMainForm::M_SMDClick,
                     false);  // enabled with the SMD code window
  mPackages_ = AddCommand(catalogue, "M_Packages", "&Соответствие типов корпусов", Qt::Key_F6,
                          &TMainForm::M_PackagesClick, false);  // enabled with the package list window
  catalogue->addSeparator();
  mExit_ = AddCommand(catalogue, "M_Exit", "&Выход", QKeySequence(Qt::ALT | Qt::Key_X), &TMainForm::M_ExitClick,
                      true);

  QMenu* service = menuBar()->addMenu(QString::fromUtf8("Се&рвис"));
  service->setObjectName("M_Service");
  mColumnSetup_ = AddCommand(service, "M_ColumnSetup", "&Настройка колонок...", {}, &TMainForm::M_ColumnSetupClick,
                             false);  // enabled while a kind is loaded
  service->addSeparator();
  mExport_ = AddCommand(service, "M_Export", "&Экспорт в текстовый файл...", {}, &TMainForm::M_ExportClick,
                        false);  // enabled while a kind is loaded
  mImport_ = AddCommand(service, "M_Import", "&Импорт из текстового файла...", {}, &TMainForm::M_ImportClick,
                        true);
  mPicUpdate_ = AddCommand(service, "M_PicUpdate", "&Обновление базы рисунков...", {},
                           &TMainForm::M_PicUpdateClick, true);
  mOptimize_ = AddCommand(service, "M_Optimize", "Оптимизация &базы...", {}, &TMainForm::M_OptimizeClick, true);

  mAbout_ = AddCommand(menuBar(), "M_About", "&О программе...", Qt::Key_F1, &TMainForm::M_AboutClick,
                       false);  // enabled with the About window
}

// Signals are connected here once; the handlers run guarded.
void TMainForm::BindWidgets() {
  cbGroups_->SetKeyField("GROUP");
  cbGroups_->SetListField("NAME");
  cbGroups_->SetListSource(&logic_->DSGroups());
  cbVids_->SetKeyField("VID");
  cbVids_->SetListField("NAME");
  cbVids_->SetListSource(&logic_->DSVids());
  connect(cbGroups_, &LookupComboBox::Click, this, [this] { RunGuarded([&] { CBGroupsClick(); }); });
  connect(cbVids_, &LookupComboBox::Click, this, [this] { RunGuarded([&] { CBVidsClick(); }); });

  gridLink_ = std::make_unique<GridDataLink>(*grid_);
  gridLink_->SetDataSource(&logic_->DSMain());
  grid_->SetDataSet(gridLink_.get());
  grid_->SetOnSelectCell([this](QObject* sender, int col, int row) {
    RunGuarded([&] { Grid1SelectCell(sender, col, row); });
  });
}

QString TMainForm::StatusText() const { return statusPanel_->text(); }

void TMainForm::SetStatusText(const QString& text) { statusPanel_->setText(text); }

void TMainForm::M_ExitClick() { close(); }

// The commands below open windows that come later.
void TMainForm::M_FindClick() {}
void TMainForm::M_PictClick() {}
void TMainForm::M_SMDClick() {}
void TMainForm::M_PackagesClick() {}
void TMainForm::M_ColumnSetupClick() {}

// The maintenance commands (MaintenanceCommands).
void TMainForm::M_ExportClick() { maintenance_->M_ExportClick(); }
void TMainForm::M_ImportClick() { maintenance_->M_ImportClick(); }
void TMainForm::M_PicUpdateClick() { maintenance_->M_PicUpdateClick(); }
void TMainForm::M_OptimizeClick() { maintenance_->M_OptimizeClick(); }
void TMainForm::M_AboutClick() {}

}  // namespace talvern

#include "app/MainForm.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QSaveFile>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/AboutForm.h"
#include "app/Application.h"
#include "app/ColumnSetup.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "app/FormSearch.h"
#include "app/GridDataLink.h"
#include "app/LookupComboBox.h"
#include "app/MaintenanceCommands.h"
#include "app/Package.h"
#include "app/PackagesForm.h"
#include "app/SmdCodesForm.h"
#include "app/TxGrid.h"
#include "engine/Errors.h"
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
  grid_->SetEmptyText(QString::fromUtf8("Нет приборов этого вида"));
  column->addWidget(grid_, 1);
  setCentralWidget(client);

  auto* status = statusBar();
  status->setObjectName("StatusBar1");
  statusPanel_ = new QLabel(status);
  statusPanel_->setObjectName("StatusPanel");
  status->addWidget(statusPanel_, 1);
  viewPanel_ = new QLabel(status);
  viewPanel_->setObjectName("ViewPanel");
  viewPanel_->setMinimumWidth(viewPanel_->fontMetrics().horizontalAdvance(QString::fromUtf8("000000 из 000000")));
  viewPanel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  status->addPermanentWidget(viewPanel_);

  CreateMenu();
  ConnectHandlers();
  logic_ = std::make_unique<Catalogue>(
      CatalogueWidgets{*cbGroups_, *cbVids_, *grid_, *mPict_, *mExport_, *mColumnSetup_,
                       [this](QAction& command, bool enabled) { EnableCommand(command, enabled); },
                       [this](const std::string& text) { SetStatusText(DisplayToQString(text)); }},
      databaseDirectory);
  BindWidgets();
  package_ = std::make_unique<TPackage>(logic_->Pics(), this);
  maintenance_ = std::make_unique<MaintenanceCommands>(*this);
  // A table that cannot be opened is reported; the window opens all the same.
  RunGuarded([&] { FormCreate(); });
}

TMainForm::~TMainForm() {
  package_.reset();
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
                               const QKeySequence& shortcut, bool enabled) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(objectName);
  action->setShortcut(shortcut);
  action->setEnabled(false);
  commands_[action].wanted = enabled;
  menu->addAction(action);
  return action;
}

// The menu with each command's first enabling; a command is enabled only once
// ConnectHandlers gives it a handler.
void TMainForm::CreateMenu() {
  QMenu* catalogue = menuBar()->addMenu(QString::fromUtf8("&Справочник"));
  catalogue->setObjectName("M_Catalogue");
  mFind_ = AddCommand(catalogue, "M_Find", "&Поиск...", Qt::Key_F7, true);
  mPict_ = AddCommand(catalogue, "M_Pict", "&Рисунок", Qt::Key_F3, false);  // while the device has drawings
  mSmd_ = AddCommand(catalogue, "M_SMD", "Кодовая маркировка SMD", Qt::Key_F5, true);
  mPackages_ = AddCommand(catalogue, "M_Packages", "&Соответствие типов корпусов", Qt::Key_F6, true);
  catalogue->addSeparator();
  mExit_ = AddCommand(catalogue, "M_Exit", "&Выход", QKeySequence(Qt::ALT | Qt::Key_X), true);

  QMenu* service = menuBar()->addMenu(QString::fromUtf8("Се&рвис"));
  service->setObjectName("M_Service");
  mColumnSetup_ = AddCommand(service, "M_ColumnSetup", "&Настройка колонок...", {}, false);  // while a kind is loaded
  service->addSeparator();
  mExport_ = AddCommand(service, "M_Export", "&Экспорт в текстовый файл...", {}, false);  // while a kind is loaded
  mSaveCsv_ = AddCommand(service, "M_SaveCsv", "Сохранить как CSV...", {}, false);  // while a kind is loaded
  mImport_ = AddCommand(service, "M_Import", "&Импорт из текстового файла...", {}, true);
  mPicUpdate_ = AddCommand(service, "M_PicUpdate", "&Обновление базы рисунков...", {}, true);
  mOptimize_ = AddCommand(service, "M_Optimize", "Оптимизация &базы...", {}, true);

  mAbout_ = AddCommand(menuBar(), "M_About", "&О программе...", Qt::Key_F1, true);
}

// The commands that have a window connect their handlers here. A command that
// is not connected stays disabled whatever the navigation says, so that no
// command is offered that would do nothing; connecting its handler here is all
// a new window needs for its command to follow the navigation's enabling.
void TMainForm::ConnectHandlers() {
  Connect(mPict_, &TMainForm::M_PictClick);
  Connect(mExit_, &TMainForm::M_ExitClick);
  Connect(mFind_, &TMainForm::M_FindClick);
  Connect(mSmd_, &TMainForm::M_SMDClick);
  Connect(mPackages_, &TMainForm::M_PackagesClick);
  Connect(mColumnSetup_, &TMainForm::M_ColumnSetupClick);
  Connect(mAbout_, &TMainForm::M_AboutClick);
  Connect(mExport_, &TMainForm::M_ExportClick);
  Connect(mImport_, &TMainForm::M_ImportClick);
  Connect(mPicUpdate_, &TMainForm::M_PicUpdateClick);
  Connect(mOptimize_, &TMainForm::M_OptimizeClick);
  Connect(mSaveCsv_, &TMainForm::M_SaveCsvClick);
}

void TMainForm::Connect(QAction* command, Handler handler) {
  ConnectCommand(*command, [this, handler] { (this->*handler)(); });
}

void TMainForm::ConnectCommand(QAction& command, std::function<void()> handler) {
  CommandState& state = commands_[&command];
  disconnect(state.handler);
  state.handler = connect(&command, &QAction::triggered, this,
                          [handler = std::move(handler)] { RunGuarded([&] { handler(); }); });
  command.setEnabled(state.wanted);
}

bool TMainForm::HasHandler(const QAction& command) const {
  auto found = commands_.find(&command);
  return found != commands_.end() && static_cast<bool>(found->second.handler);
}

void TMainForm::EnableCommand(QAction& command, bool enabled) {
  commands_[&command].wanted = enabled;
  command.setEnabled(enabled && HasHandler(command));
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
  gridLink_->SetQuickReader([this](const std::vector<std::int32_t>& recNos, const std::vector<std::string>& names,
                                   const TxGridDataSet::FieldTaker& take) {
    return logic_->ReadParameters(recNos, names, take);
  });
  grid_->SetDataSet(gridLink_.get());
  grid_->SetOnSelectCell([this](QObject* sender, int col, int row) {
    RunGuarded([&] { Grid1SelectCell(sender, col, row); });
  });
  // Double click or Enter on a device row: its drawing, when it has one.
  grid_->SetOnActivateRow([this](QObject*, int) {
    if (mPict_->isEnabled()) mPict_->trigger();
  });
  grid_->SetOnViewChanged([this](QObject*) { GridViewChanged(); });
  grid_->SetOnSaveCsv([this](QObject*) { mSaveCsv_->trigger(); });
  // Cells the grid's view has read are read again once a device is written.
  gridLink_->SetOnRecordsWritten([this] { grid_->ForgetCells(); });
}

// "n из m" while filters are set; the CSV command while a kind is shown.
void TMainForm::GridViewChanged() {
  viewPanel_->setText(grid_->View().HasFilters()
                          ? QString::fromUtf8("%1 из %2").arg(grid_->ShownCount()).arg(grid_->DeviceCount())
                          : QString());
  EnableCommand(*mSaveCsv_, grid_->Columns().Count() > 0);
}

QString TMainForm::StatusText() const { return statusPanel_->text(); }

void TMainForm::SetStatusText(const QString& text) { statusPanel_->setText(text); }

QString TMainForm::ViewText() const { return viewPanel_->text(); }

void TMainForm::M_SaveCsvClick() {
  const QString suggested = cbVids_->currentText().isEmpty() ? QString("devices.csv") : cbVids_->currentText() + ".csv";
  const QString fileName = QFileDialog::getSaveFileName(this, QString::fromUtf8("Сохранить как CSV"), suggested,
                                                        QString::fromUtf8("Файлы CSV (*.csv);;Все файлы (*)"));
  if (!fileName.isEmpty()) SaveGridAsCsv(fileName);
}

void TMainForm::SaveGridAsCsv(const QString& fileName) {
  const std::string text = grid_->CsvText();
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) !=
                                              static_cast<qint64>(text.size()) ||
      !file.commit()) {
    const QByteArray reason = file.errorString().toUtf8();
    Raise("Не удалось записать файл %s: %s", {fileName.toUtf8().toStdString(), reason.toStdString()});
  }
}

void TMainForm::M_ExitClick() { close(); }

void TMainForm::M_FindClick() { TFormSearch::Execute(*this); }
void TMainForm::M_SMDClick() { TSmdCodesForm::Execute(logic_->DatabaseDirectory(), this); }
void TMainForm::M_PackagesClick() { TPackagesForm::Execute(logic_->DatabaseDirectory(), this); }
void TMainForm::M_ColumnSetupClick() { TColumnSetup::Execute(*this); }
void TMainForm::M_AboutClick() { TAboutForm::Execute(this); }

// The drawings of the device in the grid's current row.
void TMainForm::M_PictClick() {
  if (grid_->RowCount() <= 1) return;  // no device
  TTalvernDataSet& main = logic_->Main();
  main.SetRecNo(grid_->RowRecNo(grid_->Row()));
  package_->Prepare(main.FieldByName("PIC").AsString());
  package_->ShowModal();
}

// The maintenance commands (MaintenanceCommands).
void TMainForm::M_ExportClick() { maintenance_->M_ExportClick(); }
void TMainForm::M_ImportClick() { maintenance_->M_ImportClick(); }
void TMainForm::M_PicUpdateClick() { maintenance_->M_PicUpdateClick(); }
void TMainForm::M_OptimizeClick() { maintenance_->M_OptimizeClick(); }

}  // namespace talvern

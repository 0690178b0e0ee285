#pragma once
// TMainForm: the catalogue's main window. From top to bottom: a panel with the
// group list CBGroups and the kind list CBVids, the device grid Grid1, and a
// status bar with a text panel and, at its right end, the view panel, which
// says "n из m" while filters hide devices of the kind; above them the menu. The window only sets
// up its widgets and passes their events on: the navigation is Catalogue's,
// the other commands open windows of their own.
//
// Every event handler runs guarded: what it raises goes to the general error
// handler, and the window goes on.

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/Catalogue.h"

class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace talvern {

class GridDataLink;
class LookupComboBox;
class MaintenanceCommands;
class TDataSet;
class TPackage;
class TTalvernDataSet;
class TxGrid;

class TMainForm : public QMainWindow {
public:
  static constexpr int kInitialWidth = 625;
  static constexpr int kInitialHeight = 475;
  static constexpr int kMinimumWidth = 300;
  static constexpr int kMinimumHeight = 250;
  static constexpr int kPanelHeight = 65;
  static constexpr int kGroupsDropDownCount = 15;
  static constexpr int kVidsDropDownCount = 10;

  // The catalogue in the program's own directory.
  explicit TMainForm(QWidget* parent = nullptr);
  // The catalogue in another directory (tests, benchmarks).
  explicit TMainForm(const std::string& databaseDirectory, QWidget* parent = nullptr);
  ~TMainForm() override;

  LookupComboBox* CBGroups() const { return cbGroups_; }
  LookupComboBox* CBVids() const { return cbVids_; }
  TxGrid* Grid1() const { return grid_; }
  QAction* M_Find() const { return mFind_; }
  QAction* M_Pict() const { return mPict_; }
  QAction* M_SMD() const { return mSmd_; }
  QAction* M_Packages() const { return mPackages_; }
  QAction* M_Exit() const { return mExit_; }
  QAction* M_ColumnSetup() const { return mColumnSetup_; }
  QAction* M_Export() const { return mExport_; }
  QAction* M_SaveCsv() const { return mSaveCsv_; }
  QAction* M_Import() const { return mImport_; }
  QAction* M_PicUpdate() const { return mPicUpdate_; }
  QAction* M_Optimize() const { return mOptimize_; }
  QAction* M_About() const { return mAbout_; }
  Catalogue& Logic() { return *logic_; }
  // The package drawing window, made with the main window and kept.
  TPackage* Package() const { return package_.get(); }
  MaintenanceCommands& Maintenance() { return *maintenance_; }

  // The status bar's text panel.
  QString StatusText() const;
  void SetStatusText(const QString& text);
  // The status bar's view panel: "n из m" while filters are set, else empty.
  QString ViewText() const;

  // The navigation (Catalogue).
  void FormCreate() { logic_->FormCreate(); }
  void OpenTable(TTalvernDataSet& dataSet, const std::vector<TTagDef>& tags) { logic_->OpenTable(dataSet, tags); }
  void ResetFields(TTalvernDataSet& dataSet) { logic_->ResetFields(dataSet); }
  void CBGroupsClick() { logic_->CBGroupsClick(); }
  void CBVidsClick() { logic_->CBVidsClick(); }
  void PrepareMain(std::int32_t v) { logic_->PrepareMain(v); }
  void MainCalcFields(TDataSet& dataSet) { logic_->MainCalcFields(dataSet); }
  void Grid1SelectCell(QObject* Sender, int ACol, int ARow) { logic_->Grid1SelectCell(Sender, ACol, ARow); }

  // Connects a menu command to its handler (in place of one it had); the
  // handler runs guarded. Only a command with a handler is ever enabled: from
  // then on it follows the enabling the navigation asks for.
  void ConnectCommand(QAction& command, std::function<void()> handler);
  bool HasHandler(const QAction& command) const;
  // Enables or disables a command as the navigation asks; a command without a
  // handler stays disabled.
  void EnableCommand(QAction& command, bool enabled);

  // Menu commands.
  void M_FindClick();
  void M_PictClick();
  void M_SMDClick();
  void M_PackagesClick();
  void M_ExitClick();
  void M_ColumnSetupClick();
  void M_ExportClick();
  // Asks for a file name and saves the grid's rows there (SaveGridAsCsv).
  void M_SaveCsvClick();
  // Writes the rows shown, in the order shown, as a CSV file; the file is
  // replaced only when the whole text was written.
  void SaveGridAsCsv(const QString& fileName);
  void M_ImportClick();
  void M_PicUpdateClick();
  void M_OptimizeClick();
  void M_AboutClick();

private:
  using Handler = void (TMainForm::*)();

  // What the window knows of a command: whether the navigation wants it
  // enabled, and the connection to its handler (none: no handler).
  struct CommandState {
    bool wanted = false;
    QMetaObject::Connection handler;
  };

  QWidget* CreatePanel(QWidget* parent);
  void CreateMenu();
  QAction* AddCommand(QWidget* menu, const char* objectName, const char* caption, const QKeySequence& shortcut,
                      bool enabled);
  void ConnectHandlers();
  void Connect(QAction* command, Handler handler);
  void BindWidgets();
  void GridViewChanged();

  LookupComboBox* cbGroups_ = nullptr;
  LookupComboBox* cbVids_ = nullptr;
  TxGrid* grid_ = nullptr;
  QLabel* statusPanel_ = nullptr;
  QLabel* viewPanel_ = nullptr;
  QAction* mFind_ = nullptr;
  QAction* mPict_ = nullptr;
  QAction* mSmd_ = nullptr;
  QAction* mPackages_ = nullptr;
  QAction* mExit_ = nullptr;
  QAction* mColumnSetup_ = nullptr;
  QAction* mExport_ = nullptr;
  QAction* mSaveCsv_ = nullptr;
  QAction* mImport_ = nullptr;
  QAction* mPicUpdate_ = nullptr;
  QAction* mOptimize_ = nullptr;
  QAction* mAbout_ = nullptr;
  std::map<const QAction*, CommandState> commands_;
  std::unique_ptr<Catalogue> logic_;
  std::unique_ptr<GridDataLink> gridLink_;
  std::unique_ptr<TPackage> package_;
  std::unique_ptr<MaintenanceCommands> maintenance_;
};

}  // namespace talvern

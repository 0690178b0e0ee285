#pragma once
// Catalogue: the navigation of the main window, from a device group to a kind
// to the kind's devices in the device grid, over the five catalogue datasets
// (Groups, Vids, Fields, Main, Pics). The window (TMainForm) owns it, binds
// its widgets to the data sources here and calls these operations, under the
// same names, from its event handlers; the operations drive the window's
// widgets through CatalogueWidgets.
//
// The three navigation states:
//   no group      CBVids disabled and empty, grid empty, M_Pict, M_Export and
//                 M_ColumnSetup disabled
//   group chosen  CBVids enabled, listing the group's kinds; grid empty
//   kind loaded   grid filled with the kind's devices; M_Export and
//                 M_ColumnSetup enabled, M_Pict while the selected device has
//                 drawings
//
// The datasets are table datasets (TTalvernDataSet), which do not exist yet:
// until they do, the operations below are empty and the window opens in the
// "no group" state with empty lists.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/CatalogueTables.h"
#include "dataset/DataSource.h"

class QAction;
class QObject;

namespace talvern {

class LookupComboBox;
class TDataSet;
class TxGrid;

// The window's widgets that the navigation drives.
struct CatalogueWidgets {
  LookupComboBox& CBGroups;
  LookupComboBox& CBVids;
  TxGrid& Grid1;
  QAction& M_Pict;
  QAction& M_Export;
  QAction& M_ColumnSetup;
  // Sets the status bar's text (code page 1251).
  std::function<void(const std::string& text)> setStatusText;
};

class Catalogue {
public:
  explicit Catalogue(CatalogueWidgets widgets);
  ~Catalogue();
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  // The data sources the window's widgets are bound to: CBGroups lists
  // Groups, CBVids lists Vids, Grid1 reads Main.
  TDataSource& DSGroups() { return dsGroups_; }
  TDataSource& DSVids() { return dsVids_; }
  TDataSource& DSMain() { return dsMain_; }

  // Start-up: database directory, the five tables opened with OpenTable.
  void FormCreate();
  // Opens one catalogue table with its ".CDX" file, creating the tags when
  // the file is missing.
  void OpenTable(TDataSet& dataSet, const std::vector<TTagDef>& tags);
  // Replaces the field objects of a closed dataset by one per table field.
  void ResetFields(TDataSet& dataSet);
  // CBGroups was chosen (or set by the program): back to "no group" or
  // "group chosen".
  void CBGroupsClick();
  // CBVids was chosen (or set by the program): loads its kind into the grid.
  void CBVidsClick();
  // Sets Main up for kind v: filter, calculated fields "1".."n", opened.
  void PrepareMain(std::int32_t v);
  // Main's calculated fields: the "|"-separated pieces of PARAMS.
  void MainCalcFields(TDataSet& dataSet);
  // The grid is about to select (ACol, ARow): status bar text and M_Pict.
  void Grid1SelectCell(QObject* Sender, int ACol, int ARow);

private:
  CatalogueWidgets widgets_;
  // The datasets Groups, Vids, Fields, Main and Pics come before the data
  // sources, which must go first.
  TDataSource dsGroups_;
  TDataSource dsVids_;
  TDataSource dsMain_;
};

}  // namespace talvern

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
//                 M_ColumnSetup disabled, Main closed (at start: open and
//                 unfiltered until the first group is chosen)
//   group chosen  CBVids enabled, listing the group's kinds; grid empty
//   kind loaded   Main filtered to the kind with its calculated fields "1"..
//                 "n", grid filled with the kind's devices; M_Export and
//                 M_ColumnSetup enabled, M_Pict while the selected device has
//                 drawing codes
//
// The grid repositions Main while it paints: whatever concerns "the selected
// device" positions Main on the grid's current row first.

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "impexp/CatalogueTables.h"
#include "dataset/DataSource.h"
#include "dataset/TalvernDataSet.h"

class QAction;
class QObject;

namespace talvern {

class LookupComboBox;
class TField;
class TxGrid;

// The window's widgets that the navigation drives.
struct CatalogueWidgets {
  LookupComboBox& CBGroups;
  LookupComboBox& CBVids;
  TxGrid& Grid1;
  QAction& M_Pict;
  QAction& M_Export;
  QAction& M_ColumnSetup;
  // Enables or disables one of the three commands (the window keeps a command
  // that has no handler yet disabled).
  std::function<void(QAction& command, bool enabled)> enableCommand;
  // Sets the status bar's text (code page 1251).
  std::function<void(const std::string& text)> setStatusText;
};

// Length of Main's calculated parameter fields.
inline constexpr int kParamFieldSize = 250;
// The status bar's drawing text for a device without drawing codes, and for
// one whose first code has no record in PICS.DBF.
inline constexpr char kNoDrawingText[] = "-----";

class Catalogue {
public:
  // The tables lie in databaseDirectory (the program's directory, without a
  // trailing separator).
  Catalogue(CatalogueWidgets widgets, std::string databaseDirectory);
  ~Catalogue();
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  const std::string& DatabaseDirectory() const { return databaseDirectory_; }

  // The five datasets, used by name by the other windows.
  TTalvernDataSet& Groups() { return groups_; }
  TTalvernDataSet& Vids() { return vids_; }
  TTalvernDataSet& Fields() { return fields_; }
  TTalvernDataSet& Main() { return main_; }
  TTalvernDataSet& Pics() { return pics_; }

  // The data sources the window's widgets are bound to: CBGroups lists
  // Groups, CBVids lists Vids, Grid1 reads Main.
  TDataSource& DSGroups() { return dsGroups_; }
  TDataSource& DSVids() { return dsVids_; }
  TDataSource& DSMain() { return dsMain_; }

  // Start-up: the engine's process-wide state, then the five tables opened
  // with OpenTable (Fields, Groups, Vids, Pics, Main). A table that fails is
  // reported to the general error handler and the others open all the same.
  void FormCreate();
  // Opens one catalogue table in the database directory with its ".CDX"
  // file, building the file with every tag of the list when it cannot be
  // opened; selects the first tag.
  void OpenTable(TTalvernDataSet& dataSet, const std::vector<TTagDef>& tags);
  // Replaces the field objects of a closed dataset by one per table field,
  // so that calculated fields can be added beside them.
  void ResetFields(TTalvernDataSet& dataSet);
  // CBGroups was chosen (or set by the program): back to "no group" or
  // "group chosen".
  void CBGroupsClick();
  // CBVids was chosen (or set by the program): loads its kind into the grid.
  void CBVidsClick();
  // Sets Main up for kind v: filter, calculated fields "1".."n", opened.
  // Nothing for v = 0.
  void PrepareMain(std::int32_t v);
  // Main's calculated fields: the "|"-separated pieces of PARAMS. Pieces past
  // the kind's highest parameter number have no field and are left out.
  void MainCalcFields(TDataSet& dataSet);
  // The texts of Main's fields for many devices at once (a sort or filter of
  // the grid reads columns of every device of the kind), the parameters cut
  // from PARAMS as MainCalcFields cuts them without working out the others:
  // take(record, field, text) as TxGridDataSet::ReadFields. False, with
  // nothing read, when a field asked for is neither a parameter nor a field
  // of the table, or Main is not browsing.
  bool ReadParameters(const std::vector<std::int32_t>& recNos, const std::vector<std::string>& fieldNames,
                      const std::function<void(std::size_t, std::size_t, std::string)>& take);
  // The grid is about to select (ACol, ARow): status bar text and M_Pict
  // (disabled while the grid has no device to select).
  void Grid1SelectCell(QObject* Sender, int ACol, int ARow);

private:
  void LoadKindColumns();
  void LoadKindRows();

  CatalogueWidgets widgets_;
  std::string databaseDirectory_;
  // The datasets come before the data sources, which must go first.
  TTalvernDataSet groups_;
  TTalvernDataSet vids_;
  TTalvernDataSet fields_;
  TTalvernDataSet main_;
  TTalvernDataSet pics_;
  TDataSource dsGroups_;
  TDataSource dsVids_;
  TDataSource dsMain_;
  // Main's calculated fields "1".."n" of the kind loaded, by number - 1.
  std::vector<TField*> paramFields_;
};

// A lookup list's key as a whole number (0 for none).
std::int32_t KeyAsInteger(const FieldValue& value);

}  // namespace talvern

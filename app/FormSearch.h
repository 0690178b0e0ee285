#pragma once
// TFormSearch: the device search. It lists every device of the catalogue
// whose type contains the text typed, in type order, with its kind's name,
// and closes with the result OK on "Перейти", a double click or Enter in the
// list while the list is not empty; "Закрыть" (or Escape) cancels.
//
// The list is the main window's own device dataset Main, filtered by
// Edit1Change and carrying the lookup field VN (the kind's NAME from Vids)
// while the search runs: Execute, the main window's M_FindClick, sets Main up
// for the search, shows the window and, on OK, leads the main window to the
// device found: its group, its kind, its row in the device grid.
//
// A search text holding a double quote searches for that quote like any
// other character (FormSearchFilter.h).

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace talvern {

class DataGrid;
class TMainForm;
class TTalvernDataSet;

class TFormSearch : public QDialog {
public:
  static constexpr int kClientWidth = 525;
  static constexpr int kClientHeight = 338;
  static constexpr int kLookupSize = 60;  // characters of VN

  // The list shows the main window's Main as PrepareSearch left it.
  TFormSearch(TMainForm& mainForm, QWidget* parent = nullptr);

  // The menu command: PrepareSearch, the window shown, and on OK
  // GoToChosenDevice.
  static void Execute(TMainForm& mainForm);
  // The main window to "no group"; Main over every device in type order, its
  // kind's fields replaced by the lookup field VN.
  static void PrepareSearch(TMainForm& mainForm);
  // The device Main stands on: its group and kind chosen in the main window,
  // its row made current in the device grid, which gets the focus.
  static void GoToChosenDevice(TMainForm& mainForm);

  QLineEdit* Edit1() const { return edit1_; }
  DataGrid* DBGrid1() const { return dbGrid1_; }
  QPushButton* ButtonOK() const { return buttonOK_; }
  QPushButton* ButtonCancel() const { return buttonCancel_; }

  void Edit1Change();
  void DBGrid1DblClick();
  // Enter (character 13) in the list.
  void DBGrid1KeyPress(char key);

private:
  void CloseWithOKWhenFound();

  TTalvernDataSet& main_;
  QLineEdit* edit1_ = nullptr;
  DataGrid* dbGrid1_ = nullptr;
  QPushButton* buttonOK_ = nullptr;
  QPushButton* buttonCancel_ = nullptr;
  bool changing_ = false;
};

}  // namespace talvern

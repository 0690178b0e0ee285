#pragma once
// TColumnSetup ("Настройка колонок"): the column groups of the kind loaded in
// the main window, one row each (group number, then the short heading, unit
// and full name of its first column). The rows can be reordered ("Вверх",
// "Вниз", or dragging a row by its number), a group edited (TColumnEdit, also
// by double-clicking its row) or added; nothing is written before "OK", which
// saves the layout through the main window's dataset Fields, groups numbered
// 1, 2, ... in the order on screen (PlanLayoutSave), and closes the window
// with OK, also when writing failed part way (the failure is reported, what
// was written stays): the main window then reloads the kind.
//
// A group's number is its place among the groups as read (new ones after
// them) and never changes while the window is open; the rows only change
// their order.

#include <QDialog>
#include <vector>

#include "app/LayoutSave.h"

class QPushButton;
class QTableWidget;

namespace talvern {

class Catalogue;
class TMainForm;

class TColumnSetup : public QDialog {
public:
  static constexpr int kWidth = 638;
  static constexpr int kHeight = 409;
  static constexpr int kMinimumWidth = 500;
  static constexpr int kMinimumHeight = 300;
  static constexpr int kButtonPanelWidth = 73;  // at least; wider when the captions need it
  static constexpr int kRowHeight = 16;
  static constexpr int kNumberWidth = 20;
  static constexpr int kNewGroupWidth = 8;

  TColumnSetup(TMainForm& mainForm, QWidget* parent = nullptr);

  // The menu command M_ColumnSetupClick: the window shown; after OK the kind
  // is loaded again.
  static void Execute(TMainForm& mainForm);

  // SGrid: the groups' rows below the heading row; the group number is the
  // row's heading.
  QTableWidget* SGrid() const { return sGrid_; }
  QPushButton* BtUp() const { return btUp_; }
  QPushButton* BtDown() const { return btDown_; }
  QPushButton* BtEdit() const { return btEdit_; }
  QPushButton* BtAdd() const { return btAdd_; }
  QPushButton* BtOK() const { return btOK_; }
  std::vector<TColInfoArr>& Groups() { return groups_; }
  // The group numbers from the top row down.
  std::vector<int> ScreenOrder() const;

  void FormCreate();
  // "Вверх" and "Вниз" (Sender tells which).
  void BtUpClick(QObject* Sender);
  void BtEditClick();
  void BtAddClick();
  void BtOKClick();

private:
  int GroupNumber(int row) const;
  void ShowGroup(int row, int number);
  void ExchangeRows(int a, int b);
  // A row dragged by its number from one place to another.
  void MoveRow(int from, int to);
  void SaveLayout();

  TMainForm& mainForm_;
  Catalogue& catalogue_;
  std::vector<TColInfoArr> groups_;
  QTableWidget* sGrid_ = nullptr;
  QPushButton* btUp_ = nullptr;
  QPushButton* btDown_ = nullptr;
  QPushButton* btEdit_ = nullptr;
  QPushButton* btAdd_ = nullptr;
  QPushButton* btOK_ = nullptr;
};

}  // namespace talvern

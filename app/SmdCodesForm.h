#pragma once
// The SMD code window ("Кодовые обозначения"): the codes of "codes.dbc" in the
// database directory, loaded when the window is made, and a code search that
// makes the first row whose code is not less than the text typed the current
// row, with or without "Учитывать регистр" (case sensitive, checked at first).
//
// The grid shows a row per data line of the file: the code in the fixed first
// column (the grid's row heading, which stays in place when the grid scrolls
// sideways), then type, description, package, manufacturer and note. A file
// that cannot be opened is reported and leaves the headings and one empty
// row; a file without data lines too.

#include <QDialog>
#include <string>
#include <vector>

#include "app/SmdCodeFile.h"

class QCheckBox;
class QLineEdit;
class QTableView;

namespace talvern {

class SmdCodeModel;

class TSmdCodesForm : public QDialog {
public:
  static constexpr int kWidth = 639;
  static constexpr int kHeight = 434;
  static constexpr int kPanelHeight = 41;
  static constexpr int kRowHeight = 16;
  static constexpr int kColumnWidths[kSmdFieldCount] = {64, 124, 213, 66, 64, 64};

  TSmdCodesForm(const std::string& databaseDirectory, QWidget* parent = nullptr);
  ~TSmdCodesForm() override;

  // The menu command: the window made (the file loaded), shown, destroyed.
  static void Execute(const std::string& databaseDirectory, QWidget* parent);

  QLineEdit* Edit1() const { return edit1_; }
  QCheckBox* CheckBox1() const { return checkBox1_; }
  QTableView* StringGrid1() const { return grid_; }
  const std::vector<SmdCode>& Codes() const { return codes_; }
  // The current row among the codes (0 the first); -1 when there is none.
  int CurrentCodeRow() const;

  // The search text or the check box changed.
  void FindCode();

private:
  std::vector<SmdCode> codes_;
  SmdCodeModel* model_ = nullptr;
  QLineEdit* edit1_ = nullptr;
  QCheckBox* checkBox1_ = nullptr;
  QTableView* grid_ = nullptr;
};

}  // namespace talvern

#pragma once
// TColumnEdit ("Редактирование группы колонок"): the editor of one column
// group of the column setup. It edits the group in place: one grid row per
// column (short heading, unit, full name, width), "Добавить" appends a column,
// "Применить" copies the rows back into the group and closes with OK unless a
// width is not a whole number ("Ошибка в указании ширины колонки"; the window
// stays open on that cell, the texts of every row are copied all the same),
// "Отменить" drops the columns added since the window opened and closes with
// Cancel. Closing the window any other way (Escape, the close box) is
// "Отменить" too, so that added columns never stay behind unconfirmed.

#include <QDialog>
#include <cstddef>

#include "app/LayoutSave.h"

class QPushButton;
class QTableWidget;

namespace talvern {

inline constexpr char kColumnWidthError[] = "Ошибка в указании ширины колонки";

class TColumnEdit : public QDialog {
public:
  static constexpr int kWidth = 577;
  static constexpr int kHeight = 344;
  static constexpr int kMinimumWidth = 400;
  static constexpr int kMinimumHeight = 200;
  static constexpr int kButtonPanelHeight = 44;
  static constexpr int kRowHeight = 16;
  static constexpr int kNewColumnWidth = 8;  // the width cell of a column added

  TColumnEdit(QWidget* owner, TColInfoArr& group);

  QTableWidget* CGrid() const { return cGrid_; }
  QPushButton* BtAdd() const { return btAdd_; }
  QPushButton* BtOK() const { return btOK_; }
  QPushButton* BtCancel() const { return btCancel_; }

  void FormCreate();
  void BtAddClick();
  void BtOKClick();
  void BtCancelClick();

  void reject() override;

private:
  void AddRow(const TColInfo& column, const QString& widthText);

  TColInfoArr& group_;
  std::size_t lengthAtOpening_;
  QTableWidget* cGrid_ = nullptr;
  QPushButton* btAdd_ = nullptr;
  QPushButton* btOK_ = nullptr;
  QPushButton* btCancel_ = nullptr;
};

}  // namespace talvern

#pragma once
// The device grid of the main window: the devices of one kind, one row per
// device, one column per TColumnRec. It keeps only the devices' physical record
// numbers and reads each cell's text from its data set when the cell is
// painted, so painting moves the data set's current record: whoever needs "the
// selected device" positions the data set on CurrentRecNo first.
//
// Row 0 is the heading row, three text lines high: a half-line band in which
// neighbouring columns of one group show no separator, then the two heading
// lines. Additional columns (position not 0) are tinted, the current row is
// light green, the current cell is highlighted. OnSelectCell is called before
// the current cell moves, with the cell it moves to.
//
// The caller adds the columns first, then the rows, positioning the data set on
// each record before adding it (the first column is widened to its text).

#include <QRgb>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ColumnList.h"
#include "app/CustomGrid.h"
#include "app/GridDataSet.h"

namespace talvern {

class TxGrid : public CustomGrid {
public:
  using TSelectCellEvent = std::function<void(QObject* Sender, int ACol, int ARow)>;

  static constexpr QRgb kFixedCellColor = qRgb(255, 255, 255);
  static constexpr QRgb kCurrentRowColor = qRgb(192, 220, 192);
  static constexpr QRgb kAdditionalColumnColor = qRgb(255, 251, 240);
  static constexpr QRgb kLineColor = qRgb(192, 192, 192);
  static constexpr QRgb kLineColorOnGrey = qRgb(128, 128, 128);  // when the grid itself is 192 grey

  explicit TxGrid(QWidget* parent = nullptr);
  ~TxGrid() override;

  TxGridDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TxGridDataSet* dataSet);  // not owned
  const TSelectCellEvent& OnSelectCell() const { return onSelectCell_; }
  void SetOnSelectCell(TSelectCellEvent handler) { onSelectCell_ = std::move(handler); }

  // Appends a column (field name cut to 15 characters) that is width + 1 digits
  // of the grid's font wide.
  void AddColumn(std::int32_t group, std::int32_t position, const std::string& fieldName,
                 const std::string& heading, const std::string& fullName, std::int32_t width);
  // Appends a row for a record; the data set stands on that record. The first
  // row sets the row heights; the first column widens to the record's text.
  void AddRow(std::int32_t recNo);
  // Leaves one empty cell: no rows, no columns, nothing fixed.
  void Clear();

  // These raise ETalvernError for a column or row the grid does not have.
  std::string ColumnFullName(int col) const;
  std::int32_t CurrentRecNo() const;
  std::int32_t RowRecNo(int row) const;
  // Makes the first row holding recNo current (with OnSelectCell); nothing when
  // no row holds it.
  void GotoRecNo(std::int32_t recNo);

  const TColumnList& Columns() const { return columns_; }

protected:
  bool SelectCell(int col, int row) override;
  void DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) override;
  void Paint(QPainter& painter, const QRegion& dirty) override;

private:
  void DrawHeadingCell(GridCanvas& canvas, int col, const QRect& rect);
  void DrawDataCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state);
  int TextHeight() const;

  TxGridDataSet* dataSet_ = nullptr;
  TSelectCellEvent onSelectCell_;
  TColumnList columns_;
  std::vector<std::int32_t> rows_;  // record of grid row r is rows_[r - 1]
};

}  // namespace talvern

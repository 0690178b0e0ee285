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
//
// Texts stay inside their cells: a value wider than its cell ends in an
// ellipsis and shows whole in a tool tip; a column is at least as wide as its
// heading lines, and its heading's tool tip is the column's full name. A grid
// with columns but no rows says EmptyText in its area and does not scroll.
// Double click and Enter on a device row, and typing the beginning of a type
// (the first column's text; a pause starts anew), are reported and acted on
// as described at their events.

#include <QElapsedTimer>
#include <QRgb>
#include <QString>
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
  using TActivateRowEvent = std::function<void(QObject* Sender, int ARow)>;

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
  // A device row was double clicked, or Enter was pressed on it.
  const TActivateRowEvent& OnActivateRow() const { return onActivateRow_; }
  void SetOnActivateRow(TActivateRowEvent handler) { onActivateRow_ = std::move(handler); }

  // Appends a column (field name cut to 15 characters) that is width + 1 digits
  // of the grid's font wide, or as wide as its heading lines need when that is
  // more.
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
  // The first row whose first-column text begins with prefix, ignoring case;
  // 0 when there is none.
  int FindRowStartingWith(const QString& prefix);

  const TColumnList& Columns() const { return columns_; }

  // What a grid with columns but no rows says in its area.
  const QString& EmptyText() const { return emptyText_; }
  void SetEmptyText(QString text);

protected:
  bool SelectCell(int col, int row) override;
  void DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) override;
  void Paint(QPainter& painter, const QRegion& dirty) override;
  bool Scrollable() const override;
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  void DrawHeadingCell(GridCanvas& canvas, int col, const QRect& rect);
  void DrawDataCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state);
  int TextHeight() const;
  QString CellText(int col, int row);
  void ShowToolTip(QPoint at, QPoint globalAt);
  void ActivateRow(int row);
  void TypeAhead(const QString& text);

  TxGridDataSet* dataSet_ = nullptr;
  TSelectCellEvent onSelectCell_;
  TActivateRowEvent onActivateRow_;
  TColumnList columns_;
  std::vector<std::int32_t> rows_;  // record of grid row r is rows_[r - 1]
  QString emptyText_;
  QString typed_;  // what was typed since the last pause
  QElapsedTimer lastTyped_;
};

}  // namespace talvern

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
//
// The view (GridView): a click on a heading sorts by that column (again:
// descending, a third time: back to type order) and an arrow marks it; a
// filter per column (the heading's context menu, or Ctrl+F on the current
// column) hides the devices that do not satisfy it, and a tinted heading with
// a funnel marks it; Ctrl+Shift+F clears every filter. Ctrl+C copies the
// selected block of cells, or the current row when one cell is selected, with
// their headings, as tab-separated text. The view touches no table, keeps the
// current device where it can, and is dropped by Clear (another kind). While
// filters leave no device the headings stay, above FilteredOutText.

#include <QElapsedTimer>
#include <QRgb>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/ColumnList.h"
#include "app/CustomGrid.h"
#include "app/GridDataSet.h"
#include "app/GridExport.h"
#include "app/GridView.h"
#include "app/TextWidthGauge.h"

class QMenu;

namespace talvern {

class ColumnFilterEditor;

class TxGrid : public CustomGrid {
public:
  using TSelectCellEvent = std::function<void(QObject* Sender, int ACol, int ARow)>;
  using TActivateRowEvent = std::function<void(QObject* Sender, int ARow)>;
  using TNotifyEvent = std::function<void(QObject* Sender)>;

  static constexpr QRgb kFixedCellColor = qRgb(255, 255, 255);
  static constexpr QRgb kCurrentRowColor = qRgb(192, 220, 192);
  static constexpr QRgb kAdditionalColumnColor = qRgb(255, 251, 240);
  static constexpr QRgb kLineColor = qRgb(192, 192, 192);
  static constexpr QRgb kLineColorOnGrey = qRgb(128, 128, 128);  // when the grid itself is 192 grey
  static constexpr QRgb kFilteredHeadingColor = qRgb(222, 234, 252);
  static constexpr QRgb kMarkColor = qRgb(64, 96, 160);  // the sort arrow and the filter funnel

  explicit TxGrid(QWidget* parent = nullptr);
  ~TxGrid() override;

  TxGridDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TxGridDataSet* dataSet);  // not owned
  const TSelectCellEvent& OnSelectCell() const { return onSelectCell_; }
  void SetOnSelectCell(TSelectCellEvent handler) { onSelectCell_ = std::move(handler); }
  // A device row was double clicked, or Enter was pressed on it.
  const TActivateRowEvent& OnActivateRow() const { return onActivateRow_; }
  void SetOnActivateRow(TActivateRowEvent handler) { onActivateRow_ = std::move(handler); }
  // The rows shown changed: sorted, filtered, cleared or filled.
  const TNotifyEvent& OnViewChanged() const { return onViewChanged_; }
  void SetOnViewChanged(TNotifyEvent handler) { onViewChanged_ = std::move(handler); }

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
  // What it says instead while filters hide every device.
  const QString& FilteredOutText() const { return filteredOutText_; }
  void SetFilteredOutText(QString text);

  // --- the view -------------------------------------------------------------
  const GridView& View() const { return view_; }
  // Devices shown, and devices of the kind.
  int ShownCount() const { return static_cast<int>(view_.Shown().size()); }
  int DeviceCount() const { return static_cast<int>(view_.All().size()); }
  // Sorts by a column (TypeOrder: back to type order).
  void SortByColumn(int col, GridView::Direction direction);
  // A click on a column's heading: the next step of its sort.
  void HeadingClick(int col);
  // Sets a column's filter from its text (UTF-8); a blank text clears it.
  // False, with the reason in error, when the text is no filter.
  bool SetColumnFilter(int col, const QString& text, QString* error = nullptr);
  void ClearColumnFilter(int col);
  void ClearFilters();
  // Opens the small filter editor under a column's heading.
  void EditColumnFilter(int col);
  ColumnFilterEditor* FilterEditor() const { return filterEditor_; }
  // The block selected, or the current row, with headings (tab-separated,
  // UTF-8), and the same put on the clipboard.
  QString CopyText();
  void CopyToClipboard();
  // Every row shown, in the order shown, under the joined headings, as CSV
  // (UTF-8 bytes).
  std::string CsvText();
  // The context menu of a cell (a heading's: sort and filter; a device's:
  // copy and filter), filled for the caller to show.
  void FillContextMenu(QMenu& menu, int col, int row);
  // Forgets the cells the view has read (the records were written).
  void ForgetCells();
  // Called by the context menu's "save as CSV" item.
  void SetOnSaveCsv(TNotifyEvent handler) { onSaveCsv_ = std::move(handler); }

protected:
  // Rows added under a ShapeHold widen the type column when it goes.
  void HoldReleased() override;
  bool SelectCell(int col, int row) override;
  void DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) override;
  void Paint(QPainter& painter, const QRegion& dirty) override;
  bool Scrollable() const override;
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

private:
  void DrawHeadingCell(GridCanvas& canvas, int col, const QRect& rect);
  void DrawDataCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state);
  int TextHeight() const;
  QString CellText(int col, int row);
  void ShowToolTip(QPoint at, QPoint globalAt);
  void ActivateRow(int row);
  void TypeAhead(const QString& text);
  void DrawHeadingMarks(GridCanvas& canvas, int col, const QRect& cell, int h);
  const std::vector<std::int32_t>& Rows() const { return view_.Shown(); }
  std::string ReadCell(std::int32_t recNo, int col);
  std::vector<std::vector<std::string>> ReadColumns(const std::vector<int>& cols);
  // Changes the view, makes its rows again and shows them; when reading
  // fails the view stays as it was.
  void ChangeView(const std::function<void()>& change);
  void ShowViewRows(std::int32_t current);
  void CloseFilterEditor();
  bool FilteredOut() const { return view_.Shown().empty() && !view_.All().empty(); }
  CellTable SelectedCells();

  TxGridDataSet* dataSet_ = nullptr;
  TSelectCellEvent onSelectCell_;
  TActivateRowEvent onActivateRow_;
  TNotifyEvent onViewChanged_;
  TNotifyEvent onSaveCsv_;
  TColumnList columns_;
  GridView view_;  // record of grid row r is view_.Shown()[r - 1]
  QString emptyText_;
  QString filteredOutText_;
  ColumnFilterEditor* filterEditor_ = nullptr;
  int filterColumn_ = 0;     // the column the filter editor is open for
  int pressedHeading_ = -1;  // the heading a left button went down on
  QString typed_;  // what was typed since the last pause
  QElapsedTimer lastTyped_;
  std::optional<TextWidthGauge> typeWidths_;  // for the first column's type texts
};

}  // namespace talvern

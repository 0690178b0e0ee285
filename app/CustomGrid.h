#pragma once
// A grid of cells on a scroll area: the base of the device grid. It keeps the
// grid's shape (row and column counts, fixed rows and columns at the top and
// left that do not scroll, column widths and row heights), the current cell
// and the first visible scrolled row and column; it scrolls by whole cells with
// both scroll bars, moves the current cell with the keyboard and the mouse,
// lets the user size columns by dragging a column border in the fixed rows,
// and paints by walking the visible cells and handing each to DrawCell.
//
// Before the current cell moves, SelectCell is asked; the move happens only
// when it answers true. The selection is the current cell; with RangeSelect it
// is the block of scrolled cells from an anchor to the current cell, which
// Shift with a moving key or a click, or dragging the mouse, spreads.
//
// Measures are in pixels of the viewport. Every cell is followed by a grid
// line (GridLineWidth pixels) to its right and below it, which the cell's own
// painting covers.

#include <QAbstractScrollArea>
#include <QColor>
#include <vector>

#include "app/GridCanvas.h"

namespace talvern {

class CustomGrid : public QAbstractScrollArea {
public:
  enum Option : unsigned {
    FixedVertLine = 1u << 0,
    FixedHorzLine = 1u << 1,
    VertLine = 1u << 2,
    HorzLine = 1u << 3,
    RangeSelect = 1u << 4,
    DrawFocusSelected = 1u << 5,
    ColSizing = 1u << 6,
    RowSelect = 1u << 7,
    AlwaysShowEditor = 1u << 8,
  };
  using Options = unsigned;

  // While one stands, changes of the rows and columns are taken in once,
  // when the last one goes (adding thousands of rows one by one).
  class ShapeHold {
  public:
    explicit ShapeHold(CustomGrid& grid) : grid_(grid) { ++grid_.shapeHolds_; }
    ~ShapeHold() {
      if (--grid_.shapeHolds_ > 0) return;
      grid_.HoldReleased();
      if (grid_.shapeHeld_) {
        grid_.shapeHeld_ = false;
        grid_.ShapeChanged();
      }
    }
    ShapeHold(const ShapeHold&) = delete;
    ShapeHold& operator=(const ShapeHold&) = delete;

  private:
    CustomGrid& grid_;
  };

  // How a cell is drawn.
  enum DrawStateFlag : unsigned { Selected = 1u << 0, Focused = 1u << 1, Fixed = 1u << 2 };
  using DrawState = unsigned;

  explicit CustomGrid(QWidget* parent = nullptr);

  // Counts never fall below one; fixed counts stay below the counts, and setting
  // either fixed count puts the current cell on the first scrolled cell (without
  // asking SelectCell).
  int ColCount() const { return static_cast<int>(colWidths_.size()); }
  void SetColCount(int count);
  int RowCount() const { return static_cast<int>(rowHeights_.size()); }
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);

  // The current cell. Setting a different one asks SelectCell first.
  int Col() const { return col_; }
  void SetCol(int col);
  int Row() const { return row_; }
  void SetRow(int row);

  // The first visible scrolled column and row, and how many scrolled columns
  // and rows are fully visible.
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int VisibleColCount() const;
  int VisibleRowCount() const;

  int ColWidths(int col) const;
  void SetColWidths(int col, int width);  // kept within 0..kMaxCellExtent
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);  // also resets every column to it
  int DefaultRowHeight() const { return defaultRowHeight_; }
  void SetDefaultRowHeight(int height);  // also resets every row to it
  int GridLineWidth() const { return gridLineWidth_; }
  void SetGridLineWidth(int width);

  // The grid's colour (data cells and empty area) and the fixed cells' colour.
  QColor Color() const { return color_; }
  void SetColor(const QColor& color);
  QColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(const QColor& color);
  Options GridOptions() const { return options_; }
  void SetGridOptions(Options options);

  // The selected block of cells (x columns, y rows): the current cell alone
  // unless RangeSelect spreads it.
  QRect Selection() const;

  // The cell's rectangle in the viewport; empty when the cell is scrolled out.
  QRect CellRect(int col, int row) const;
  // The cell under a viewport point; false when there is none.
  bool MouseToCell(QPoint point, int& col, int& row) const;
  void InvalidateCell(int col, int row);
  void InvalidateGrid();
  // True when the grid is its window's active control.
  bool IsActiveControl() const;

  static constexpr int kMaxCellExtent = 32767;

protected:
  bool ShapeHeld() const { return shapeHolds_ > 0; }
  // Called when the last ShapeHold goes, before the shape is taken in.
  virtual void HoldReleased() {}
  // Asked before the current cell moves to (col, row); false keeps it.
  virtual bool SelectCell(int col, int row);
  // Draws one cell: the canvas is filled and its colours set already.
  virtual void DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state);
  // Paints the viewport; by default the cells, in lines of the given colour.
  virtual void Paint(QPainter& painter, const QRegion& dirty);
  // False while there is nothing to scroll to: the scroll bars are then hidden.
  virtual bool Scrollable() const { return true; }

  // Layout of one axis with the current scroll position and viewport size.
  struct AxisInfo {
    int effectiveLineWidth = 0;
    int fixedBoundary = 0;  // end of the fixed cells, their lines included
    int gridBoundary = 0;   // end of the visible cells, at most gridExtent
    int gridExtent = 0;     // the viewport's size
    int lastFullVisibleCell = 0;
    int fullVisBoundary = 0;
    int fixedCellCount = 0;
    int firstGridCell = 0;  // first visible scrolled cell
    int gridCellCount = 0;
  };
  AxisInfo HorzInfo() const;
  AxisInfo VertInfo() const;

  // Paints the fixed corner, the fixed rows, the fixed columns and the
  // scrolled cells, each cell filled and handed to DrawCell with the pen in
  // lineColor, then fills the area right of and below the cells.
  void PaintCells(QPainter& painter, const QRegion& dirty, const QColor& lineColor);

  // Moves the current cell after asking SelectCell, and scrolls it into view;
  // extend keeps the selection's anchor (RangeSelect), else the selection is
  // the new current cell.
  void MoveCurrent(int col, int row, bool extend = false);
  // The column whose border lies under a point of the fixed rows, for
  // sizing; -1 when none.
  int SizingColumnAt(QPoint point) const;

  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

private:
  AxisInfo CalcAxis(const std::vector<int>& extents, int fixedCount, int firstCell, int gridExtent,
                    int lineWidth) const;
  int MaxTopLeft(const std::vector<int>& extents, int fixedCount, int gridExtent, int lineWidth) const;
  void ClampInView();
  void ShapeChanged();
  void UpdateScrollBars();
  void DrawRegion(GridCanvas& canvas, const QRegion& dirty, int firstCol, int firstRow, QRect area,
                  const QColor& regionColor, DrawState regionState);
  void CheckCell(int col, int row) const;

  std::vector<int> colWidths_;
  std::vector<int> rowHeights_;
  int fixedCols_ = 0;
  int fixedRows_ = 0;
  int col_ = 0;
  int row_ = 0;
  int anchorCol_ = 0;  // the selection's other corner
  int anchorRow_ = 0;
  int leftCol_ = 0;
  int topRow_ = 0;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  QColor color_;
  QColor fixedColor_;
  Options options_ = 0;
  bool updatingScrollBars_ = false;
  bool scrollBarsPending_ = false;
  int shapeHolds_ = 0;
  bool shapeHeld_ = false;  // a change came while held
  int sizingCol_ = -1;  // column whose border is being dragged
  int sizingStartX_ = 0;
  int sizingStartWidth_ = 0;
  bool selecting_ = false;
};

}  // namespace talvern

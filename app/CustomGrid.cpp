#include "app/CustomGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "app/ErrorHandler.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

// The framework's grid starts as 5 by 5 cells with one fixed row and column.
constexpr int kInitialCount = 5;
// How far from a column border the mouse may be to drag it.
constexpr int kSizingTolerance = 2;

}  // namespace

CustomGrid::CustomGrid(QWidget* parent)
    : QAbstractScrollArea(parent),
      colWidths_(kInitialCount, 64),
      rowHeights_(kInitialCount, 24),
      fixedCols_(1),
      fixedRows_(1),
      col_(1),
      row_(1),
      anchorCol_(1),
      anchorRow_(1),
      leftCol_(1),
      topRow_(1),
      color_(palette().color(QPalette::Base)),
      fixedColor_(palette().color(QPalette::Button)),
      options_(FixedVertLine | FixedHorzLine | VertLine | HorzLine | RangeSelect) {
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel of the viewport is painted by the grid itself.
  viewport()->setAutoFillBackground(false);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setMouseTracking(true);
  UpdateScrollBars();
}

// --- shape ------------------------------------------------------------------

void CustomGrid::SetColCount(int count) {
  count = std::max(1, count);
  colWidths_.resize(static_cast<std::size_t>(count), defaultColWidth_);
  fixedCols_ = std::min(fixedCols_, count - 1);
  col_ = std::min(col_, count - 1);
  anchorCol_ = std::min(anchorCol_, count - 1);
  leftCol_ = std::clamp(leftCol_, fixedCols_, count - 1);
  ShapeChanged();
}

void CustomGrid::SetRowCount(int count) {
  count = std::max(1, count);
  rowHeights_.resize(static_cast<std::size_t>(count), defaultRowHeight_);
  fixedRows_ = std::min(fixedRows_, count - 1);
  row_ = std::min(row_, count - 1);
  anchorRow_ = std::min(anchorRow_, count - 1);
  topRow_ = std::clamp(topRow_, fixedRows_, count - 1);
  ShapeChanged();
}

void CustomGrid::SetFixedCols(int count) {
  if (count < 0 || count >= ColCount()) Raise("Fixed column count must be less than column count");
  fixedCols_ = count;
  leftCol_ = col_ = anchorCol_ = fixedCols_;
  topRow_ = row_ = anchorRow_ = fixedRows_;
  ShapeChanged();
}

void CustomGrid::SetFixedRows(int count) {
  if (count < 0 || count >= RowCount()) Raise("Fixed row count must be less than row count");
  fixedRows_ = count;
  leftCol_ = col_ = anchorCol_ = fixedCols_;
  topRow_ = row_ = anchorRow_ = fixedRows_;
  ShapeChanged();
}

void CustomGrid::CheckCell(int col, int row) const {
  if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) Raise("Grid index out of range");
}

int CustomGrid::ColWidths(int col) const {
  CheckCell(col, 0);
  return colWidths_[static_cast<std::size_t>(col)];
}

void CustomGrid::SetColWidths(int col, int width) {
  CheckCell(col, 0);
  colWidths_[static_cast<std::size_t>(col)] = std::clamp(width, 0, kMaxCellExtent);
  ShapeChanged();
}

int CustomGrid::RowHeights(int row) const {
  CheckCell(0, row);
  return rowHeights_[static_cast<std::size_t>(row)];
}

void CustomGrid::SetRowHeights(int row, int height) {
  CheckCell(0, row);
  rowHeights_[static_cast<std::size_t>(row)] = std::clamp(height, 0, kMaxCellExtent);
  ShapeChanged();
}

void CustomGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = std::clamp(width, 0, kMaxCellExtent);
  std::fill(colWidths_.begin(), colWidths_.end(), defaultColWidth_);
  ShapeChanged();
}

void CustomGrid::SetDefaultRowHeight(int height) {
  defaultRowHeight_ = std::clamp(height, 0, kMaxCellExtent);
  std::fill(rowHeights_.begin(), rowHeights_.end(), defaultRowHeight_);
  ShapeChanged();
}

void CustomGrid::SetGridLineWidth(int width) {
  gridLineWidth_ = std::clamp(width, 0, kMaxCellExtent);
  ShapeChanged();
}

void CustomGrid::SetColor(const QColor& color) {
  color_ = color;
  InvalidateGrid();
}

void CustomGrid::SetFixedColor(const QColor& color) {
  fixedColor_ = color;
  InvalidateGrid();
}

void CustomGrid::SetGridOptions(Options options) {
  options_ = options;
  ShapeChanged();
}

// --- layout -----------------------------------------------------------------

CustomGrid::AxisInfo CustomGrid::CalcAxis(const std::vector<int>& extents, int fixedCount,
                                          int firstCell, int gridExtent, int lineWidth) const {
  AxisInfo info;
  info.effectiveLineWidth = lineWidth;
  info.gridExtent = gridExtent;
  info.fixedCellCount = fixedCount;
  info.firstGridCell = firstCell;
  info.gridCellCount = static_cast<int>(extents.size());
  for (int i = 0; i < fixedCount; ++i) info.fixedBoundary += extents[static_cast<std::size_t>(i)] + lineWidth;
  info.gridBoundary = info.fullVisBoundary = info.fixedBoundary;
  info.lastFullVisibleCell = firstCell;
  for (int i = firstCell; i < info.gridCellCount; ++i) {
    info.gridBoundary += extents[static_cast<std::size_t>(i)] + lineWidth;
    if (info.gridBoundary > gridExtent + lineWidth) {
      info.gridBoundary = gridExtent;
      break;
    }
    info.lastFullVisibleCell = i;
    info.fullVisBoundary = info.gridBoundary;
  }
  return info;
}

CustomGrid::AxisInfo CustomGrid::HorzInfo() const {
  return CalcAxis(colWidths_, fixedCols_, leftCol_, viewport()->width(),
                  (options_ & VertLine) ? gridLineWidth_ : 0);
}

CustomGrid::AxisInfo CustomGrid::VertInfo() const {
  return CalcAxis(rowHeights_, fixedRows_, topRow_, viewport()->height(),
                  (options_ & HorzLine) ? gridLineWidth_ : 0);
}

// The highest first scrolled cell that still leaves no empty space after the
// last cell (or the last cell, when even it alone does not fit).
int CustomGrid::MaxTopLeft(const std::vector<int>& extents, int fixedCount, int gridExtent,
                           int lineWidth) const {
  int fixedBoundary = 0;
  for (int i = 0; i < fixedCount; ++i) fixedBoundary += extents[static_cast<std::size_t>(i)] + lineWidth;
  int room = gridExtent - fixedBoundary + lineWidth;
  int count = static_cast<int>(extents.size());
  int result = count - 1;
  int used = 0;
  for (int i = count - 1; i >= fixedCount; --i) {
    used += extents[static_cast<std::size_t>(i)] + lineWidth;
    if (used > room) break;
    result = i;
  }
  return std::max(result, fixedCount);
}

int CustomGrid::VisibleColCount() const { return HorzInfo().lastFullVisibleCell - leftCol_ + 1; }
int CustomGrid::VisibleRowCount() const { return VertInfo().lastFullVisibleCell - topRow_ + 1; }

QRect CustomGrid::CellRect(int col, int row) const {
  if (col < 0 || col >= ColCount() || row < 0 || row >= RowCount()) return {};
  auto start = [](const AxisInfo& info, const std::vector<int>& extents, int cell) -> int {
    if (cell >= info.fixedCellCount && cell < info.firstGridCell) return -1;
    int pos = cell < info.fixedCellCount ? 0 : info.fixedBoundary;
    for (int i = cell < info.fixedCellCount ? 0 : info.firstGridCell; i < cell; ++i) {
      pos += extents[static_cast<std::size_t>(i)] + info.effectiveLineWidth;
      if (pos >= info.gridExtent) return -1;
    }
    return pos < info.gridExtent ? pos : -1;
  };
  int x = start(HorzInfo(), colWidths_, col);
  int y = start(VertInfo(), rowHeights_, row);
  if (x < 0 || y < 0) return {};
  return QRect(x, y, colWidths_[static_cast<std::size_t>(col)], rowHeights_[static_cast<std::size_t>(row)]);
}

bool CustomGrid::MouseToCell(QPoint point, int& col, int& row) const {
  auto find = [](const AxisInfo& info, const std::vector<int>& extents, int pos) -> int {
    if (pos < 0 || pos >= info.gridBoundary) return -1;
    int edge = 0;
    int cell = 0;
    if (pos >= info.fixedBoundary) {
      edge = info.fixedBoundary;
      cell = info.firstGridCell;
    }
    for (; cell < info.gridCellCount; ++cell) {
      edge += extents[static_cast<std::size_t>(cell)] + info.effectiveLineWidth;
      if (pos < edge) return cell;
    }
    return -1;
  };
  col = find(HorzInfo(), colWidths_, point.x());
  row = find(VertInfo(), rowHeights_, point.y());
  return col >= 0 && row >= 0;
}

void CustomGrid::InvalidateCell(int col, int row) {
  QRect rect = CellRect(col, row);
  if (rect.isNull()) return;
  viewport()->update(rect.adjusted(0, 0, gridLineWidth_, gridLineWidth_));
}

void CustomGrid::InvalidateGrid() { viewport()->update(); }

bool CustomGrid::IsActiveControl() const {
  QWidget* focus = window()->focusWidget();
  return focus == this || focus == viewport();
}

// --- scrolling --------------------------------------------------------------

// The first visible cells move back into range at once; the scroll bars follow
// from the event loop, so that adding thousands of rows one by one costs one
// scroll bar update, not thousands.
void CustomGrid::ShapeChanged() {
  if (shapeHolds_ > 0) {
    shapeHeld_ = true;
    return;
  }
  leftCol_ = std::clamp(leftCol_, fixedCols_, MaxTopLeft(colWidths_, fixedCols_, viewport()->width(),
                                                         HorzInfo().effectiveLineWidth));
  topRow_ = std::clamp(topRow_, fixedRows_, MaxTopLeft(rowHeights_, fixedRows_, viewport()->height(),
                                                       VertInfo().effectiveLineWidth));
  InvalidateGrid();
  if (scrollBarsPending_) return;
  scrollBarsPending_ = true;
  QMetaObject::invokeMethod(this, [this] { if (scrollBarsPending_) UpdateScrollBars(); },
                            Qt::QueuedConnection);
}

void CustomGrid::UpdateScrollBars() {
  scrollBarsPending_ = false;
  if (updatingScrollBars_) return;
  updatingScrollBars_ = true;
  // Showing or hiding a scroll bar resizes the viewport; a few passes settle it.
  for (int pass = 0; pass < 3; ++pass) {
    QSize before = viewport()->size();
    int lineH = (options_ & VertLine) ? gridLineWidth_ : 0;
    int lineV = (options_ & HorzLine) ? gridLineWidth_ : 0;
    const bool scrollable = Scrollable();
    int maxLeft = scrollable ? MaxTopLeft(colWidths_, fixedCols_, viewport()->width(), lineH) : fixedCols_;
    int maxTop = scrollable ? MaxTopLeft(rowHeights_, fixedRows_, viewport()->height(), lineV) : fixedRows_;
    leftCol_ = std::clamp(leftCol_, fixedCols_, maxLeft);
    topRow_ = std::clamp(topRow_, fixedRows_, maxTop);
    horizontalScrollBar()->setRange(0, maxLeft - fixedCols_);
    horizontalScrollBar()->setPageStep(std::max(1, VisibleColCount()));
    horizontalScrollBar()->setValue(leftCol_ - fixedCols_);
    verticalScrollBar()->setRange(0, maxTop - fixedRows_);
    verticalScrollBar()->setPageStep(std::max(1, VisibleRowCount()));
    verticalScrollBar()->setValue(topRow_ - fixedRows_);
    if (viewport()->size() == before) break;
  }
  updatingScrollBars_ = false;
}

void CustomGrid::scrollContentsBy(int, int) {
  if (updatingScrollBars_) return;
  leftCol_ = fixedCols_ + horizontalScrollBar()->value();
  topRow_ = fixedRows_ + verticalScrollBar()->value();
  InvalidateGrid();
}

void CustomGrid::SetLeftCol(int col) {
  if (col == leftCol_) return;
  leftCol_ = std::max(col, fixedCols_);
  UpdateScrollBars();
  InvalidateGrid();
}

void CustomGrid::SetTopRow(int row) {
  if (row == topRow_) return;
  topRow_ = std::max(row, fixedRows_);
  UpdateScrollBars();
  InvalidateGrid();
}

// Scrolls so that the current cell is fully visible where it can be.
void CustomGrid::ClampInView() {
  auto clamp = [](const AxisInfo& info, const std::vector<int>& extents, int cell, int first) {
    if (cell < info.fixedCellCount) return first;
    if (cell < first) return cell;
    if (cell <= info.lastFullVisibleCell) return first;
    int room = info.gridExtent - info.fixedBoundary + info.effectiveLineWidth;
    int used = extents[static_cast<std::size_t>(cell)] + info.effectiveLineWidth;
    int result = cell;
    while (result - 1 >= info.fixedCellCount) {
      int more = extents[static_cast<std::size_t>(result - 1)] + info.effectiveLineWidth;
      if (used + more > room) break;
      used += more;
      --result;
    }
    return result;
  };
  int left = clamp(HorzInfo(), colWidths_, col_, leftCol_);
  int top = clamp(VertInfo(), rowHeights_, row_, topRow_);
  if (left != leftCol_ || top != topRow_) {
    leftCol_ = left;
    topRow_ = top;
    UpdateScrollBars();
    InvalidateGrid();
  }
}

// --- current cell -----------------------------------------------------------

bool CustomGrid::SelectCell(int, int) { return true; }

QRect CustomGrid::Selection() const {
  return QRect(QPoint(std::min(col_, anchorCol_), std::min(row_, anchorRow_)),
               QPoint(std::max(col_, anchorCol_), std::max(row_, anchorRow_)));
}

void CustomGrid::MoveCurrent(int col, int row, bool extend) {
  CheckCell(col, row);
  if (!SelectCell(col, row)) return;
  // The handler may have changed the grid's shape.
  if (col >= ColCount() || row >= RowCount()) return;
  const bool wasBlock = Selection().size() != QSize(1, 1);
  int oldCol = col_;
  int oldRow = row_;
  col_ = col;
  row_ = row;
  if (!extend || !(options_ & RangeSelect)) {
    anchorCol_ = col_;
    anchorRow_ = row_;
  }
  ClampInView();
  if (wasBlock || Selection().size() != QSize(1, 1)) InvalidateGrid();
  InvalidateCell(oldCol, oldRow);
  InvalidateCell(col_, row_);
}

void CustomGrid::SetCol(int col) {
  CheckCell(col, row_);
  if (col != col_) MoveCurrent(col, row_);
}

void CustomGrid::SetRow(int row) {
  CheckCell(col_, row);
  if (row != row_) MoveCurrent(col_, row);
}

// --- painting ---------------------------------------------------------------

void CustomGrid::DrawCell(GridCanvas&, int, int, const QRect&, DrawState) {}

void CustomGrid::Paint(QPainter& painter, const QRegion& dirty) {
  PaintCells(painter, dirty, palette().color(QPalette::Mid));
}

void CustomGrid::paintEvent(QPaintEvent* event) {
  RunGuarded([&] {
    QPainter painter(viewport());
    Paint(painter, event->region());
  });
}

void CustomGrid::PaintCells(QPainter& painter, const QRegion& dirty, const QColor& lineColor) {
  GridCanvas canvas(painter);
  canvas.SetFont(font());
  canvas.penColor = lineColor;
  AxisInfo h = HorzInfo();
  AxisInfo v = VertInfo();
  int scrolledWidth = h.gridBoundary - h.fixedBoundary;
  int scrolledHeight = v.gridBoundary - v.fixedBoundary;
  DrawRegion(canvas, dirty, 0, 0, QRect(0, 0, h.fixedBoundary, v.fixedBoundary), fixedColor_, Fixed);
  DrawRegion(canvas, dirty, leftCol_, 0, QRect(h.fixedBoundary, 0, scrolledWidth, v.fixedBoundary),
             fixedColor_, Fixed);
  DrawRegion(canvas, dirty, 0, topRow_, QRect(0, v.fixedBoundary, h.fixedBoundary, scrolledHeight),
             fixedColor_, Fixed);
  DrawRegion(canvas, dirty, leftCol_, topRow_,
             QRect(h.fixedBoundary, v.fixedBoundary, scrolledWidth, scrolledHeight), color_, 0);
  canvas.brushColor = color_;
  if (h.gridBoundary < h.gridExtent)
    canvas.FillRect(QRect(h.gridBoundary, 0, h.gridExtent - h.gridBoundary, v.gridBoundary));
  if (v.gridBoundary < v.gridExtent)
    canvas.FillRect(QRect(0, v.gridBoundary, h.gridExtent, v.gridExtent - v.gridBoundary));
}

void CustomGrid::DrawRegion(GridCanvas& canvas, const QRegion& dirty, int firstCol, int firstRow,
                            QRect area, const QColor& regionColor, DrawState regionState) {
  const int lineH = HorzInfo().effectiveLineWidth;
  const int lineV = VertInfo().effectiveLineWidth;
  const bool active = IsActiveControl();
  const QRect selection = Selection();
  const QColor lineColor = canvas.penColor;
  const int areaRight = area.x() + area.width();
  const int areaBottom = area.y() + area.height();
  int top = area.y();
  for (int r = firstRow; top < areaBottom && r < RowCount(); ++r) {
    const int height = rowHeights_[static_cast<std::size_t>(r)];
    int left = area.x();
    for (int c = firstCol; left < areaRight && c < ColCount(); ++c) {
      const int width = colWidths_[static_cast<std::size_t>(c)];
      const QRect rect(left, top, width, height);
      if (width > 0 && dirty.intersects(QRect(left, top, width + 1, height + 1))) {
        DrawState state = regionState;
        bool current = c == col_ && r == row_;
        if (active && current) state |= Focused;
        const bool inBlock = c >= fixedCols_ && r >= fixedRows_ && selection.contains(c, r);
        if (current || inBlock || (r == row_ && (options_ & RowSelect) && c >= fixedCols_)) state |= Selected;
        bool highlight = (state & Selected) &&
                         (!(state & Focused) || (options_ & (DrawFocusSelected | RowSelect)));
        canvas.brushColor = highlight ? palette().color(QPalette::Highlight) : regionColor;
        canvas.fontColor = highlight ? palette().color(QPalette::HighlightedText)
                                     : palette().color(QPalette::Text);
        canvas.FillRect(rect);
        canvas.penColor = lineColor;
        DrawCell(canvas, c, r, rect, state);
        if ((state & Focused) && !(options_ & (AlwaysShowEditor | RowSelect))) {
          QStyleOptionFocusRect option;
          option.initFrom(this);
          option.rect = rect;
          option.backgroundColor = canvas.brushColor;
          style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &canvas.Painter(), this);
        }
      }
      left += width + lineH;
    }
    top += height + lineV;
  }
}

// --- keyboard and mouse -----------------------------------------------------

void CustomGrid::keyPressEvent(QKeyEvent* event) {
  RunGuarded([&] {
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    int col = col_;
    int row = row_;
    int top = topRow_;
    const int page = std::max(1, VertInfo().lastFullVisibleCell - topRow_);
    switch (event->key()) {
      case Qt::Key_Up: --row; break;
      case Qt::Key_Down: ++row; break;
      case Qt::Key_Left: --col; break;
      case Qt::Key_Right: ++col; break;
      case Qt::Key_PageUp: row -= page; top -= page; break;
      case Qt::Key_PageDown: row += page; top += page; break;
      case Qt::Key_Home:
        col = fixedCols_;
        if (ctrl) row = fixedRows_;
        break;
      case Qt::Key_End:
        col = ColCount() - 1;
        if (ctrl) row = RowCount() - 1;
        break;
      default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    col = std::clamp(col, fixedCols_, ColCount() - 1);
    row = std::clamp(row, fixedRows_, RowCount() - 1);
    if (top != topRow_) SetTopRow(std::max(top, fixedRows_));
    if (col != col_ || row != row_) MoveCurrent(col, row, shift);
  });
}

int CustomGrid::SizingColumnAt(QPoint point) const {
  if (!(options_ & ColSizing)) return -1;
  AxisInfo h = HorzInfo();
  if (point.y() < 0 || point.y() >= VertInfo().fixedBoundary) return -1;
  int found = -1;
  int left = 0;
  auto check = [&](int c) {
    int border = left + colWidths_[static_cast<std::size_t>(c)];
    if (std::abs(point.x() - border) <= kSizingTolerance) found = c;  // the last one wins
    left = border + h.effectiveLineWidth;
  };
  for (int c = 0; c < fixedCols_; ++c) check(c);
  left = h.fixedBoundary;
  for (int c = leftCol_; c < ColCount() && left < h.gridExtent; ++c) check(c);
  return found;
}

void CustomGrid::mousePressEvent(QMouseEvent* event) {
  RunGuarded([&] {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    QPoint point = event->position().toPoint();
    sizingCol_ = SizingColumnAt(point);
    if (sizingCol_ >= 0) {
      sizingStartX_ = point.x();
      sizingStartWidth_ = colWidths_[static_cast<std::size_t>(sizingCol_)];
      return;
    }
    int col = 0;
    int row = 0;
    if (!MouseToCell(point, col, row) || col < fixedCols_ || row < fixedRows_) return;
    selecting_ = true;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (col != col_ || row != row_) MoveCurrent(col, row, shift);
    else if (!shift && Selection().size() != QSize(1, 1)) MoveCurrent(col, row);
  });
}

void CustomGrid::mouseMoveEvent(QMouseEvent* event) {
  RunGuarded([&] {
    QPoint point = event->position().toPoint();
    if (sizingCol_ >= 0) {
      SetColWidths(sizingCol_, std::max(0, sizingStartWidth_ + point.x() - sizingStartX_));
      return;
    }
    if (selecting_ && (event->buttons() & Qt::LeftButton)) {
      int col = 0;
      int row = 0;
      if (MouseToCell(point, col, row) && col >= fixedCols_ && row >= fixedRows_ &&
          (col != col_ || row != row_))
        MoveCurrent(col, row, true);
      return;
    }
    if (SizingColumnAt(point) >= 0) viewport()->setCursor(Qt::SplitHCursor);
    else viewport()->unsetCursor();
  });
}

void CustomGrid::mouseReleaseEvent(QMouseEvent*) {
  sizingCol_ = -1;
  selecting_ = false;
}

void CustomGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void CustomGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  InvalidateCell(col_, row_);
}

void CustomGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  InvalidateCell(col_, row_);
}

}  // namespace talvern

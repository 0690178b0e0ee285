#include "app/TxGrid.h"

#include <algorithm>

#include "app/DisplayText.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

// Extra pixels beside the widest type text in the first column.
constexpr int kFirstColumnMargin = 4;

}  // namespace

TxGrid::TxGrid(QWidget* parent) : CustomGrid(parent) {
  setObjectName("Grid1");
  SetFixedColor(QColor(kFixedCellColor));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  SetRowCount(1);
  SetGridOptions(FixedVertLine | FixedHorzLine | VertLine | HorzLine | DrawFocusSelected | ColSizing);
}

TxGrid::~TxGrid() { Clear(); }

void TxGrid::SetDataSet(TxGridDataSet* dataSet) {
  dataSet_ = dataSet;
  InvalidateGrid();
}

int TxGrid::TextHeight() const { return fontMetrics().height(); }

void TxGrid::AddColumn(std::int32_t group, std::int32_t position, const std::string& fieldName,
                       const std::string& heading, const std::string& fullName, std::int32_t width) {
  columns_.Add({group, position, fullName, heading, fieldName});
  SetColCount(columns_.Count());
  std::int64_t pixels = (std::int64_t{width} + 1) * fontMetrics().horizontalAdvance(QLatin1Char('0'));
  SetColWidths(ColCount() - 1, static_cast<int>(std::clamp<std::int64_t>(pixels, 0, kMaxCellExtent)));
}

void TxGrid::AddRow(std::int32_t recNo) {
  rows_.push_back(recNo);
  SetRowCount(static_cast<int>(rows_.size()) + 1);
  if (rows_.size() == 1) {
    SetDefaultRowHeight(TextHeight());
    SetRowHeights(0, 3 * TextHeight());
  }
  if (dataSet_ == nullptr || columns_.Count() == 0) return;
  QString text = DisplayToQString(dataSet_->FieldText(columns_.At(0).fieldName));
  int width = fontMetrics().horizontalAdvance(text) + kFirstColumnMargin;
  if (width > ColWidths(0)) SetColWidths(0, width);
}

void TxGrid::Clear() {
  SetRowCount(0);
  SetColCount(0);
  rows_.clear();
  columns_.Clear();
}

std::string TxGrid::ColumnFullName(int col) const { return columns_.At(col).fullName; }

std::int32_t TxGrid::CurrentRecNo() const { return RowRecNo(Row()); }

std::int32_t TxGrid::RowRecNo(int row) const {
  if (row < 1 || row > static_cast<int>(rows_.size()))
    Raise("Grid row %d holds no device", {std::int64_t{row}});
  return rows_[static_cast<std::size_t>(row - 1)];
}

void TxGrid::GotoRecNo(std::int32_t recNo) {
  auto found = std::find(rows_.begin(), rows_.end(), recNo);
  if (found != rows_.end()) SetRow(static_cast<int>(found - rows_.begin()) + 1);
}

// Tells the handler first, then repaints the old and the new current row, so
// that both show their row tint.
bool TxGrid::SelectCell(int col, int row) {
  if (onSelectCell_) onSelectCell_(this, col, row);
  InvalidateCell(0, Row());
  InvalidateCell(0, row);
  const int first = LeftCol();
  const int last = first + VisibleColCount();
  for (int c = first; c <= last && c < ColCount(); ++c) {
    InvalidateCell(c, row);
    InvalidateCell(c, Row());
  }
  return true;
}

// An empty grid (no device rows, or nothing to read them from) shows neither
// headings nor lines.
void TxGrid::Paint(QPainter& painter, const QRegion& dirty) {
  if (RowCount() <= 1 || dataSet_ == nullptr) {
    painter.fillRect(viewport()->rect(), Color());
    return;
  }
  QColor lineColor(Color() == QColor(kLineColor) ? kLineColorOnGrey : kLineColor);
  PaintCells(painter, dirty, lineColor);
}

void TxGrid::DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) {
  if (col >= columns_.Count()) return;  // a column added without AddColumn stays blank
  if (row == 0) DrawHeadingCell(canvas, col, rect);
  else DrawDataCell(canvas, col, row, rect, state);
}

// The heading: a half-line band on top, then the two heading lines. In the band
// the right border is drawn in the background colour when the next column
// belongs to the same group, so that a group's band reads as one.
void TxGrid::DrawHeadingCell(GridCanvas& canvas, int col, const QRect& rect) {
  const TColumnRec& column = columns_.At(col);
  const int h = canvas.Metrics().height();
  const int left = rect.x();
  const int top = rect.y() + h / 2;
  const int right = RightEdge(rect);
  const int bottom = BottomEdge(rect);
  if (column.position != 0) {
    canvas.brushColor = QColor(kAdditionalColumnColor);
    canvas.FillRect(QRect(left, top, rect.width(), bottom - top));
    canvas.MoveTo(left, top);
    canvas.LineTo(right, top);
  }
  HeadingLines lines = SplitHeading(column.heading);
  canvas.TextOut(left, top + 1, DisplayToQString(lines.first));
  canvas.TextOut(left, top + 1 + h, DisplayToQString(lines.second));
  canvas.MoveTo(left, bottom);
  canvas.LineTo(right, bottom);
  canvas.LineTo(right, top - 1);
  if (col + 1 < columns_.Count() && columns_.At(col + 1).group == column.group)
    canvas.penColor = canvas.brushColor;
  canvas.LineTo(right, -1);
}

void TxGrid::DrawDataCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) {
  const TColumnRec& column = columns_.At(col);
  if (row == Row() && col != Col()) {
    canvas.brushColor = QColor(kCurrentRowColor);
    canvas.FillRect(rect);
  } else if (column.position != 0 && !(state & Focused)) {
    canvas.brushColor = QColor(kAdditionalColumnColor);
    canvas.FillRect(rect);
    // The current cell of an unfocused grid comes here with the highlight text
    // colour, which would vanish on the pale tint.
    canvas.fontColor = palette().color(QPalette::Text);
  }
  const int left = rect.x();
  const int right = RightEdge(rect);
  const int bottom = BottomEdge(rect);
  canvas.MoveTo(left, bottom);
  canvas.LineTo(right, bottom);
  canvas.LineTo(right, rect.y() - 1);
  if (row > static_cast<int>(rows_.size())) return;  // a row added without AddRow stays blank
  const std::int32_t recNo = rows_[static_cast<std::size_t>(row - 1)];
  if (dataSet_->RecNo() != recNo) dataSet_->SetRecNo(recNo);
  canvas.TextOut(left, rect.y(), DisplayToQString(dataSet_->FieldText(column.fieldName)));
}

}  // namespace talvern

#include "app/TxGrid.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

#include "app/ColumnFilterEditor.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

// Extra pixels beside the widest type text in the first column.
constexpr int kFirstColumnMargin = 4;

}  // namespace

TxGrid::TxGrid(QWidget* parent) : CustomGrid(parent) {
  setObjectName("Grid1");
  filteredOutText_ = QString::fromUtf8("Нет приборов, удовлетворяющих фильтрам");
  SetFixedColor(QColor(kFixedCellColor));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  SetRowCount(1);
  // A block of cells can be selected for copying.
  SetGridOptions(FixedVertLine | FixedHorzLine | VertLine | HorzLine | DrawFocusSelected | ColSizing | RangeSelect);
}

// The grid usually goes with its window, whose QWidget destructor deletes it
// after the window's own members are gone: no handler is told of this clearing.
TxGrid::~TxGrid() {
  onSelectCell_ = nullptr;
  onActivateRow_ = nullptr;
  onViewChanged_ = nullptr;
  onSaveCsv_ = nullptr;
  Clear();
}

void TxGrid::SetDataSet(TxGridDataSet* dataSet) {
  dataSet_ = dataSet;
  InvalidateGrid();
}

void TxGrid::SetEmptyText(QString text) {
  emptyText_ = std::move(text);
  InvalidateGrid();
}

int TxGrid::TextHeight() const { return fontMetrics().height(); }

void TxGrid::AddColumn(std::int32_t group, std::int32_t position, const std::string& fieldName,
                       const std::string& heading, const std::string& fullName, std::int32_t width) {
  columns_.Add({group, position, fullName, heading, fieldName});
  SetColCount(columns_.Count());
  view_.SetColumnCount(columns_.Count());
  const QFontMetrics metrics = fontMetrics();
  std::int64_t pixels = (std::int64_t{width} + 1) * metrics.horizontalAdvance(QLatin1Char('0'));
  // The layout's widths were chosen for narrower fonts than today's: a column
  // is at least as wide as its heading lines.
  const HeadingLines lines = SplitHeading(heading);
  for (std::string_view line : {lines.first, lines.second}) {
    const int needed = metrics.horizontalAdvance(DisplayToQString(line)) + 2 * kCellTextMargin + 1;
    pixels = std::max<std::int64_t>(pixels, needed);
  }
  SetColWidths(ColCount() - 1, static_cast<int>(std::clamp<std::int64_t>(pixels, 0, kMaxCellExtent)));
}

void TxGrid::AddRow(std::int32_t recNo) {
  view_.Add(recNo);
  SetRowCount(static_cast<int>(Rows().size()) + 1);
  if (Rows().size() == 1) {
    SetDefaultRowHeight(TextHeight());
    SetRowHeights(0, 3 * TextHeight());
  }
  if (dataSet_ == nullptr || columns_.Count() == 0) return;
  if (!typeWidths_ || typeWidths_->Font() != font()) typeWidths_.emplace(font());
  const std::string type = dataSet_->FieldText(columns_.At(0).fieldName);
  if (ShapeHeld()) {
    typeWidths_->Offer(type);
    return;
  }
  const int width = ColWidths(0);
  const int needed = typeWidths_->WidthIfOver(type, width - kFirstColumnMargin) + kFirstColumnMargin;
  if (needed > width) SetColWidths(0, needed);
}

void TxGrid::HoldReleased() {
  if (!typeWidths_ || columns_.Count() == 0) return;
  const int width = ColWidths(0);
  const int needed = typeWidths_->Settle(width - kFirstColumnMargin) + kFirstColumnMargin;
  if (needed > width) SetColWidths(0, needed);
}

void TxGrid::Clear() {
  if (typeWidths_) typeWidths_->DropOffered();  // they go with their rows
  SetRowCount(0);
  SetColCount(0);
  view_.Clear();
  columns_.Clear();
  CloseFilterEditor();
  if (onViewChanged_) onViewChanged_(this);
}

std::string TxGrid::ColumnFullName(int col) const { return columns_.At(col).fullName; }

std::int32_t TxGrid::CurrentRecNo() const { return RowRecNo(Row()); }

std::int32_t TxGrid::RowRecNo(int row) const {
  if (row < 1 || row > static_cast<int>(Rows().size()))
    Raise("Grid row %d holds no device", {std::int64_t{row}});
  return Rows()[static_cast<std::size_t>(row - 1)];
}

void TxGrid::GotoRecNo(std::int32_t recNo) {
  auto found = std::find(Rows().begin(), Rows().end(), recNo);
  if (found != Rows().end()) SetRow(static_cast<int>(found - Rows().begin()) + 1);
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
// headings nor lines; one with columns but no rows says EmptyText. While
// filters hide every device the headings stay, so that a filter can be
// changed, with FilteredOutText below them.
void TxGrid::Paint(QPainter& painter, const QRegion& dirty) {
  QColor lineColor(Color() == QColor(kLineColor) ? kLineColorOnGrey : kLineColor);
  if (dataSet_ != nullptr && FilteredOut() && columns_.Count() > 0) {
    PaintCells(painter, dirty, lineColor);
    QRect below = viewport()->rect();
    below.setTop(RowHeights(0) + GridLineWidth());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(below, Qt::AlignCenter | Qt::TextWordWrap, filteredOutText_);
    return;
  }
  if (RowCount() <= 1 || dataSet_ == nullptr) {
    painter.fillRect(viewport()->rect(), Color());
    if (columns_.Count() > 0 && Rows().empty() && !emptyText_.isEmpty()) {
      painter.setFont(font());
      painter.setPen(palette().color(QPalette::Text));
      painter.drawText(viewport()->rect(), Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
    }
    return;
  }
  PaintCells(painter, dirty, lineColor);
}

void TxGrid::DrawCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) {
  if (col >= columns_.Count()) return;  // a column added without AddColumn stays blank
  if (row == 0 && (state & Selected)) {
    // With no device row shown the heading row is the only row: it is never
    // drawn as selected.
    canvas.brushColor = FixedColor();
    canvas.fontColor = palette().color(QPalette::Text);
    canvas.FillRect(rect);
  }
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
  const bool filtered = view_.Filter(col) != nullptr;
  if (column.position != 0 || filtered) {
    canvas.brushColor = QColor(filtered ? kFilteredHeadingColor : kAdditionalColumnColor);
    canvas.FillRect(QRect(left, top, rect.width(), bottom - top));
  }
  if (column.position != 0) {
    canvas.MoveTo(left, top);
    canvas.LineTo(right, top);
  }
  HeadingLines lines = SplitHeading(column.heading);
  const QRect below(left, top, rect.width(), bottom - top);
  // The funnel of a filter takes the right end of the second line.
  QRect secondLine = below;
  if (filtered) secondLine.setWidth(std::max(0, below.width() - h));
  canvas.CellTextOut(below, top + 1, DisplayToQString(lines.first));
  canvas.CellTextOut(secondLine, top + 1 + h, DisplayToQString(lines.second));
  DrawHeadingMarks(canvas, col, rect, h);
  canvas.MoveTo(left, bottom);
  canvas.LineTo(right, bottom);
  canvas.LineTo(right, top - 1);
  if (col + 1 < columns_.Count() && columns_.At(col + 1).group == column.group)
    canvas.penColor = canvas.brushColor;
  canvas.LineTo(right, -1);
}

void TxGrid::DrawDataCell(GridCanvas& canvas, int col, int row, const QRect& rect, DrawState state) {
  const TColumnRec& column = columns_.At(col);
  // A cell of a selected block keeps the highlight.
  const bool inBlock = (state & Selected) && !(col == Col() && row == Row());
  if (!inBlock && row == Row() && col != Col()) {
    canvas.brushColor = QColor(kCurrentRowColor);
    canvas.FillRect(rect);
  } else if (!inBlock && column.position != 0 && !(state & Focused)) {
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
  if (row > static_cast<int>(Rows().size())) return;  // a row added without AddRow stays blank
  const std::int32_t recNo = Rows()[static_cast<std::size_t>(row - 1)];
  if (dataSet_->RecNo() != recNo) dataSet_->SetRecNo(recNo);
  canvas.CellTextOut(rect, rect.y(), DisplayToQString(dataSet_->FieldText(column.fieldName)));
}

bool TxGrid::Scrollable() const { return (RowCount() > 1 || FilteredOut()) && dataSet_ != nullptr; }

// --- tool tips, activation, typing ------------------------------------------

// The text a cell shows whole: a heading's column full name, a data cell's
// value (read as painting reads it).
QString TxGrid::CellText(int col, int row) {
  if (col < 0 || col >= columns_.Count()) return {};
  if (row == 0) {
    QString name = DisplayToQString(columns_.At(col).fullName);
    if (const ParamFilter* filter = view_.Filter(col))
      name += QString::fromUtf8("\nФильтр: ") + QString::fromStdString(filter->Text());
    return name;
  }
  if (row > static_cast<int>(Rows().size()) || dataSet_ == nullptr) return {};
  return DisplayToQString(ReadCell(Rows()[static_cast<std::size_t>(row - 1)], col));
}

std::string TxGrid::ReadCell(std::int32_t recNo, int col) {
  if (dataSet_->RecNo() != recNo) dataSet_->SetRecNo(recNo);
  return dataSet_->FieldText(columns_.At(col).fieldName);
}

// A heading names its column in full; a value shows whole when its cell cuts it.
void TxGrid::ShowToolTip(QPoint at, QPoint globalAt) {
  int col = 0;
  int row = 0;
  QString text;
  QRect cell;
  if (Scrollable() && MouseToCell(at, col, row)) {
    cell = CellRect(col, row);
    text = CellText(col, row);
    if (row > 0 && QFontMetrics(font()).horizontalAdvance(text) <= cell.width() - 2 * kCellTextMargin) text.clear();
  }
  if (text.isEmpty()) QToolTip::hideText();
  else QToolTip::showText(globalAt, text, viewport(), cell);
}

bool TxGrid::viewportEvent(QEvent* event) {
  if (event->type() != QEvent::ToolTip) return CustomGrid::viewportEvent(event);
  auto* help = static_cast<QHelpEvent*>(event);
  RunGuarded([&] { ShowToolTip(help->pos(), help->globalPos()); });
  return true;
}

void TxGrid::ActivateRow(int row) {
  if (row >= 1 && row <= static_cast<int>(Rows().size()) && onActivateRow_) onActivateRow_(this, row);
}

// The second press of a double click selects as a press does, then opens.
void TxGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  CustomGrid::mousePressEvent(event);
  RunGuarded([&] {
    int col = 0;
    int row = 0;
    if (event->button() == Qt::LeftButton && MouseToCell(event->position().toPoint(), col, row) &&
        row >= FixedRows() && row == Row())
      ActivateRow(row);
  });
}

void TxGrid::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (event->matches(QKeySequence::Copy)) {
    RunGuarded([&] { CopyToClipboard(); });
  } else if (event->key() == Qt::Key_F && modifiers == Qt::ControlModifier) {
    RunGuarded([&] { EditColumnFilter(Col()); });
  } else if (event->key() == Qt::Key_F && modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
    RunGuarded([&] { ClearFilters(); });
  } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    RunGuarded([&] { ActivateRow(Row()); });
  } else if (!command && !text.isEmpty() && text.at(0).isPrint()) {
    RunGuarded([&] { TypeAhead(text); });
  } else {
    CustomGrid::keyPressEvent(event);
    return;
  }
  event->accept();
}

// What is typed within the keyboard input interval of the key before adds to
// the prefix looked for; a row is chosen only when one begins with it.
void TxGrid::TypeAhead(const QString& text) {
  if (!lastTyped_.isValid() || lastTyped_.elapsed() > QApplication::keyboardInputInterval()) typed_.clear();
  lastTyped_.start();
  typed_ += text;
  const int row = FindRowStartingWith(typed_);
  if (row > 0 && row != Row()) SetRow(row);
}

int TxGrid::FindRowStartingWith(const QString& prefix) {
  if (dataSet_ == nullptr || columns_.Count() == 0) return 0;
  const std::string& field = columns_.At(0).fieldName;
  for (std::size_t i = 0; i < Rows().size(); ++i) {
    if (dataSet_->RecNo() != Rows()[i]) dataSet_->SetRecNo(Rows()[i]);
    if (DisplayToQString(dataSet_->FieldText(field)).startsWith(prefix, Qt::CaseInsensitive))
      return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace talvern

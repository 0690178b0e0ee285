// The device grid's view: sorting by a heading, filters per column, copying
// and CSV text, and the context menu that offers them (TxGrid.h).
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPolygon>
#include <algorithm>

#include "app/ColumnFilterEditor.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "app/TxGrid.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

// Named for tests and for the status of the commands.
QAction* AddMenuCommand(QMenu& menu, const char* objectName, const char* caption, const QKeySequence& keys = {}) {
  QAction* action = menu.addAction(QString::fromUtf8(caption));
  action->setObjectName(objectName);
  action->setShortcut(keys);
  return action;
}

}  // namespace

void TxGrid::SetFilteredOutText(QString text) {
  filteredOutText_ = std::move(text);
  InvalidateGrid();
}

void TxGrid::ForgetCells() { view_.Forget(); }

// --- changing the view ------------------------------------------------------

void TxGrid::ChangeView(const std::function<void()>& change) {
  if (dataSet_ == nullptr || columns_.Count() == 0) return;
  const int row = Row();
  const std::int32_t current =
      row >= 1 && row <= static_cast<int>(Rows().size()) ? Rows()[static_cast<std::size_t>(row - 1)] : 0;
  GridView::Settings before = view_.CurrentSettings();
  change();
  try {
    view_.Update([this](const std::vector<int>& cols) { return ReadColumns(cols); });
  } catch (...) {
    view_.Restore(std::move(before));
    InvalidateGrid();
    throw;
  }
  ShowViewRows(current);
}

// The grid takes the view's rows; the device that was current stays current
// when it is still shown, else the first row is; the selection event tells
// of a move (with row 0 when no device is shown).
void TxGrid::ShowViewRows(std::int32_t current) {
  const int count = static_cast<int>(Rows().size());
  const int col = Col();
  const int left = LeftCol();
  SetRowCount(count + 1);
  if (count > 0) {
    if (FixedRows() != 1) SetFixedRows(1);
    SetLeftCol(left);
    auto found = std::find(Rows().begin(), Rows().end(), current);
    const int row = found == Rows().end() ? 1 : static_cast<int>(found - Rows().begin()) + 1;
    if (found == Rows().end()) SetTopRow(1);
    const int toCol = std::clamp(col, FixedCols(), ColCount() - 1);
    // The same device in the same place needs no selection.
    if (row != Row() || toCol != Col() || found == Rows().end()) MoveCurrent(toCol, row);
  } else if (onSelectCell_) {
    onSelectCell_(this, col, 0);
  }
  InvalidateGrid();
  if (onViewChanged_) onViewChanged_(this);
}

std::vector<std::vector<std::string>> TxGrid::ReadColumns(const std::vector<int>& cols) {
  std::vector<std::string> names;
  for (int col : cols) names.push_back(columns_.At(col).fieldName);
  std::vector<std::vector<std::string>> texts(cols.size(), std::vector<std::string>(view_.All().size()));
  dataSet_->ReadFields(view_.All(), names,
                       [&](std::size_t record, std::size_t field, std::string text) { texts[field][record] = std::move(text); });
  return texts;
}

void TxGrid::SortByColumn(int col, GridView::Direction direction) {
  if (col < 0 || col >= columns_.Count()) return;
  ChangeView([&] { view_.SetSort(col, direction); });
}

void TxGrid::HeadingClick(int col) {
  if (col < 0 || col >= columns_.Count()) return;
  SortByColumn(col, view_.NextDirection(col));
}

bool TxGrid::SetColumnFilter(int col, const QString& text, QString* error) {
  if (col < 0 || col >= columns_.Count()) return false;
  std::string reason;
  const QByteArray utf8 = text.toUtf8();
  std::optional<ParamFilter> filter = ParamFilter::Parse(std::string_view(utf8.constData(), utf8.size()), reason);
  if (!reason.empty()) {
    if (error != nullptr) *error = QString::fromStdString(reason);
    return false;
  }
  if (filter) ChangeView([&] { view_.SetFilter(col, std::move(*filter)); });
  else ClearColumnFilter(col);
  return true;
}

void TxGrid::ClearColumnFilter(int col) {
  if (view_.Filter(col) != nullptr) ChangeView([&] { view_.ClearFilter(col); });
}

void TxGrid::ClearFilters() {
  if (view_.HasFilters()) ChangeView([&] { view_.ClearFilters(); });
}

void TxGrid::EditColumnFilter(int col) {
  if (col < 0 || col >= columns_.Count() || dataSet_ == nullptr) return;
  if (filterEditor_ == nullptr) {
    filterEditor_ = new ColumnFilterEditor(this, [this](const QString& text, QString& error) {
      return SetColumnFilter(filterColumn_, text, &error);
    });
  }
  filterColumn_ = col;
  if (col >= FixedCols() && CellRect(col, 0).isEmpty()) SetLeftCol(col);
  const QRect heading = CellRect(col, 0);
  const QPoint at = viewport()->mapToGlobal(heading.isEmpty() ? QPoint(0, 0) : heading.bottomLeft());
  const ParamFilter* filter = view_.Filter(col);
  filterEditor_->Open(DisplayToQString(columns_.At(col).fullName),
                      filter != nullptr ? QString::fromStdString(filter->Text()) : QString(), at);
}

void TxGrid::CloseFilterEditor() {
  if (filterEditor_ != nullptr) filterEditor_->close();
}

// --- copying ----------------------------------------------------------------

// A block of more than one cell as it is selected; one cell stands for its
// whole row.
CellTable TxGrid::SelectedCells() {
  CellTable table;
  if (Rows().empty() || columns_.Count() == 0) return table;
  QRect block = Selection();
  if (block.size() == QSize(1, 1)) block = QRect(0, Row(), columns_.Count(), 1);
  const int firstRow = std::max(block.top(), 1);
  const int lastRow = std::min(block.bottom(), static_cast<int>(Rows().size()));
  const int lastCol = std::min(block.right(), columns_.Count() - 1);
  for (int col = block.left(); col <= lastCol; ++col) table.headings.push_back(JoinHeading(columns_.At(col).heading));
  for (int row = firstRow; row <= lastRow; ++row) {
    std::vector<std::string>& cells = table.rows.emplace_back();
    for (int col = block.left(); col <= lastCol; ++col)
      cells.push_back(ReadCell(Rows()[static_cast<std::size_t>(row - 1)], col));
  }
  return table;
}

QString TxGrid::CopyText() {
  if (dataSet_ == nullptr) return {};
  return QString::fromStdString(TabSeparatedText(SelectedCells()));
}

void TxGrid::CopyToClipboard() {
  const QString text = CopyText();
  if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

std::string TxGrid::CsvText() {
  CellTable table;
  for (const TColumnRec& column : columns_) table.headings.push_back(JoinHeading(column.heading));
  if (dataSet_ != nullptr) {
    for (std::int32_t recNo : Rows()) {
      std::vector<std::string>& cells = table.rows.emplace_back();
      for (int col = 0; col < columns_.Count(); ++col) cells.push_back(ReadCell(recNo, col));
    }
  }
  return talvern::CsvText(table);
}

// --- painting the marks -----------------------------------------------------

// An arrow in the band above the headings at the right end of the sorted
// column (up: ascending), a funnel at the end of the second heading line of
// a filtered one.
void TxGrid::DrawHeadingMarks(GridCanvas& canvas, int col, const QRect& cell, int h) {
  const bool sorted = view_.SortColumn() == col;
  const bool filtered = view_.Filter(col) != nullptr;
  if (!sorted && !filtered) return;
  QPainter& painter = canvas.Painter();
  painter.save();
  painter.setClipRect(cell);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(kMarkColor));
  const int half = std::max(2, h / 4);
  const int cx = cell.x() + cell.width() - h / 2 - 1;
  if (sorted) {
    const int cy = cell.y() + h / 4 + 1;
    // Base and tip half a mark above and below the band's middle.
    const int size = std::max(3, h / 3);  // the band is h / 2 high
    const int down = view_.SortDirection() == GridView::Ascending ? -1 : 1;
    const int base = cy - down * size / 2;
    const int tip = cy + down * (size - size / 2);
    painter.drawPolygon(QPolygon({QPoint(cx - size, base), QPoint(cx + size, base), QPoint(cx, tip)}));
  }
  if (filtered) {
    const int cy = cell.y() + h / 2 + 1 + h + h / 2;
    const int stem = std::max(1, half / 3);
    painter.drawPolygon(QPolygon({QPoint(cx - half, cy - half), QPoint(cx + half, cy - half), QPoint(cx + stem, cy),
                                  QPoint(cx + stem, cy + half), QPoint(cx - stem, cy + half), QPoint(cx - stem, cy)}));
  }
  painter.restore();
}

// --- mouse and menu ---------------------------------------------------------

// A left click on a heading (not on a border being dragged) sorts when the
// button comes up over the same heading.
void TxGrid::mousePressEvent(QMouseEvent* event) {
  pressedHeading_ = -1;
  int col = 0;
  int row = 0;
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton && Scrollable() && MouseToCell(at, col, row) && row == 0 &&
      SizingColumnAt(at) < 0) {
    setFocus(Qt::MouseFocusReason);
    pressedHeading_ = col;
    event->accept();
    return;
  }
  CustomGrid::mousePressEvent(event);
}

void TxGrid::mouseReleaseEvent(QMouseEvent* event) {
  const int pressed = pressedHeading_;
  pressedHeading_ = -1;
  int col = 0;
  int row = 0;
  if (pressed >= 0 && event->button() == Qt::LeftButton && MouseToCell(event->position().toPoint(), col, row) &&
      row == 0 && col == pressed)
    RunGuarded([&] { HeadingClick(col); });
  CustomGrid::mouseReleaseEvent(event);
}

void TxGrid::FillContextMenu(QMenu& menu, int col, int row) {
  if (col < 0 || col >= columns_.Count()) return;
  auto guarded = [](QAction* action, std::function<void()> body) {
    QObject::connect(action, &QAction::triggered, action, [body = std::move(body)] { RunGuarded(body); });
  };
  if (row >= 1 && !Rows().empty()) {
    guarded(AddMenuCommand(menu, "Copy", "Копировать", QKeySequence::Copy), [this] { CopyToClipboard(); });
    QAction* save = AddMenuCommand(menu, "SaveCsv", "Сохранить как CSV...");
    save->setEnabled(static_cast<bool>(onSaveCsv_));
    guarded(save, [this] { if (onSaveCsv_) onSaveCsv_(this); });
    menu.addSeparator();
  }
  const bool sorted = view_.SortColumn() == col;
  QAction* ascending = AddMenuCommand(menu, "SortAscending", "Сортировать по возрастанию");
  QAction* descending = AddMenuCommand(menu, "SortDescending", "Сортировать по убыванию");
  QAction* typeOrder = AddMenuCommand(menu, "SortTypeOrder", "В порядке типов");
  for (QAction* action : {ascending, descending, typeOrder}) action->setCheckable(true);
  ascending->setChecked(sorted && view_.SortDirection() == GridView::Ascending);
  descending->setChecked(sorted && view_.SortDirection() == GridView::Descending);
  typeOrder->setChecked(view_.SortColumn() < 0);
  guarded(ascending, [this, col] { SortByColumn(col, GridView::Ascending); });
  guarded(descending, [this, col] { SortByColumn(col, GridView::Descending); });
  guarded(typeOrder, [this] { SortByColumn(0, GridView::TypeOrder); });
  menu.addSeparator();
  guarded(AddMenuCommand(menu, "EditFilter", "Фильтр...", QKeySequence(Qt::CTRL | Qt::Key_F)),
          [this, col] { EditColumnFilter(col); });
  QAction* clear = AddMenuCommand(menu, "ClearFilter", "Снять фильтр");
  clear->setEnabled(view_.Filter(col) != nullptr);
  guarded(clear, [this, col] { ClearColumnFilter(col); });
  QAction* clearAll = AddMenuCommand(menu, "ClearFilters", "Снять все фильтры", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  clearAll->setEnabled(view_.HasFilters());
  guarded(clearAll, [this] { ClearFilters(); });
}

// A right click on a device outside the selection selects it first.
void TxGrid::contextMenuEvent(QContextMenuEvent* event) {
  int col = 0;
  int row = 0;
  if (!Scrollable() || !MouseToCell(event->pos(), col, row)) return;
  RunGuarded([&] {
    if (row >= FixedRows() && row >= 1 && col >= FixedCols() && !Selection().contains(col, row)) MoveCurrent(col, row);
    QMenu menu(this);
    menu.setObjectName("GridMenu");
    FillContextMenu(menu, col, row);
    menu.exec(event->globalPos());
  });
  event->accept();
}

}  // namespace talvern

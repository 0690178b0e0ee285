#include "app/ColumnEdit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/ColumnSetupGroups.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

enum Cell { kShortCell, kUnitCell, kFullCell, kWidthCell, kCellCount };
constexpr int kCellWidths[kCellCount] = {75, 75, 360, 48};
const char* const kHeadings[kCellCount] = {"Кратк. наим.", "Ед. изм.", "Полное наименование", "Ширина"};

// The grid with its cell editor always open on the current cell; what is
// typed there is committed before the rows are read.
class EditGrid : public QTableWidget {
public:
  using QTableWidget::QTableWidget;

  void CommitOpenEditor() {
    QWidget* editor = QApplication::focusWidget();
    if (editor != nullptr && viewport()->isAncestorOf(editor)) commitData(editor);
  }
};

QString CellText(const QTableWidget& grid, int row, int col) {
  const QTableWidgetItem* item = grid.item(row, col);
  return item != nullptr ? item->text() : QString();
}

}  // namespace

TColumnEdit::TColumnEdit(QWidget* owner, TColInfoArr& group)
    : QDialog(owner), group_(group), lengthAtOpening_(group.size()) {
  setObjectName("ColumnEdit");
  setWindowTitle(QString::fromUtf8("Редактирование группы колонок"));
  resize(kWidth, kHeight);
  setMinimumSize(kMinimumWidth, kMinimumHeight);

  cGrid_ = new EditGrid(0, kCellCount, this);
  cGrid_->setObjectName("CGrid");
  for (int c = 0; c < kCellCount; ++c) {
    cGrid_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kHeadings[c])));
    cGrid_->setColumnWidth(c, kCellWidths[c]);
  }
  cGrid_->verticalHeader()->hide();
  cGrid_->verticalHeader()->setMinimumSectionSize(kRowHeight);
  cGrid_->verticalHeader()->setDefaultSectionSize(kRowHeight);
  cGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  cGrid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  cGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  cGrid_->setEditTriggers(QAbstractItemView::AllEditTriggers);

  auto* panel = new QWidget(this);
  panel->setObjectName("Panel1");
  panel->setFixedHeight(kButtonPanelHeight);
  auto* buttons = new QHBoxLayout(panel);
  auto button = [&](const char* name, const char* caption) {
    auto* b = new QPushButton(QString::fromUtf8(caption), panel);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  btAdd_ = button("BtAdd", "Добавить");
  btOK_ = button("BtOK", "Применить");
  btCancel_ = button("BtCancel", "Отменить");
  btOK_->setDefault(true);
  buttons->addWidget(btAdd_);
  buttons->addStretch(1);
  buttons->addWidget(btOK_);
  buttons->addWidget(btCancel_);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(cGrid_, 1);
  column->addWidget(panel);

  connect(btAdd_, &QPushButton::clicked, this, [this] { BtAddClick(); });
  connect(btOK_, &QPushButton::clicked, this, [this] { BtOKClick(); });
  connect(btCancel_, &QPushButton::clicked, this, [this] { BtCancelClick(); });
  FormCreate();
}

void TColumnEdit::FormCreate() {
  for (const TColInfo& column : group_) AddRow(column, QString::number(column.width));
  if (cGrid_->rowCount() > 0) cGrid_->setCurrentCell(0, 0);
}

void TColumnEdit::AddRow(const TColInfo& column, const QString& widthText) {
  const int row = cGrid_->rowCount();
  cGrid_->insertRow(row);
  cGrid_->setItem(row, kShortCell, new QTableWidgetItem(DisplayToQString(column.shortHeading)));
  cGrid_->setItem(row, kUnitCell, new QTableWidgetItem(DisplayToQString(column.unit)));
  cGrid_->setItem(row, kFullCell, new QTableWidgetItem(DisplayToQString(column.fullName)));
  cGrid_->setItem(row, kWidthCell, new QTableWidgetItem(widthText));
}

void TColumnEdit::BtAddClick() {
  group_.push_back(TColInfo{});
  AddRow(group_.back(), QString::number(kNewColumnWidth));
  cGrid_->setFocus();
  cGrid_->setCurrentCell(cGrid_->rowCount() - 1, kShortCell);
}

void TColumnEdit::BtOKClick() {
  static_cast<EditGrid*>(cGrid_)->CommitOpenEditor();
  int badRow = -1;
  const int rows = std::min(cGrid_->rowCount(), static_cast<int>(group_.size()));
  for (int row = 0; row < rows; ++row) {
    TColInfo& column = group_[static_cast<std::size_t>(row)];
    column.shortHeading = QStringToDisplay(CellText(*cGrid_, row, kShortCell));
    column.unit = QStringToDisplay(CellText(*cGrid_, row, kUnitCell));
    column.fullName = QStringToDisplay(CellText(*cGrid_, row, kFullCell));
    const std::optional<std::uint8_t> width = ParseColumnWidth(QStringToDisplay(CellText(*cGrid_, row, kWidthCell)));
    if (width) column.width = *width;
    else if (badRow < 0) badRow = row;
  }
  if (badRow < 0) {
    accept();
    return;
  }
  setResult(QDialog::Rejected);
  cGrid_->setCurrentCell(badRow, kWidthCell);
  cGrid_->setFocus();
  HandleException(std::make_exception_ptr(ETalvernError(kColumnWidthError)));
}

void TColumnEdit::BtCancelClick() { reject(); }

void TColumnEdit::reject() {
  if (group_.size() > lengthAtOpening_) group_.resize(lengthAtOpening_);
  QDialog::reject();
}

}  // namespace talvern

#include "app/ColumnSetup.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/Catalogue.h"
#include "app/ColumnEdit.h"
#include "app/ColumnSetupGroups.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "dataset/Field.h"

namespace talvern {
namespace {

enum Cell { kShortCell, kUnitCell, kFullCell, kCellCount };
constexpr int kCellWidths[kCellCount] = {75, 75, 360};
constexpr int kPanelMargin = 4;
const char* const kHeadings[kCellCount] = {"Кратк. наим.", "Ед. изм.", "Полное наименование"};

QPushButton* AddButton(QWidget* panel, const char* name, const char* caption, const char* hint) {
  auto* button = new QPushButton(QString::fromUtf8(caption), panel);
  button->setObjectName(name);
  button->setToolTip(QString::fromUtf8(hint));
  button->setAutoDefault(false);
  panel->layout()->addWidget(button);
  return button;
}

// The whole row: its heading (the group number) and its cells.
struct RowItems {
  QTableWidgetItem* number;
  QTableWidgetItem* cells[kCellCount];
};

RowItems TakeRow(QTableWidget& grid, int row) {
  RowItems items{grid.takeVerticalHeaderItem(row), {}};
  for (int c = 0; c < kCellCount; ++c) items.cells[c] = grid.takeItem(row, c);
  return items;
}

void PutRow(QTableWidget& grid, int row, const RowItems& items) {
  grid.setVerticalHeaderItem(row, items.number);
  for (int c = 0; c < kCellCount; ++c) grid.setItem(row, c, items.cells[c]);
}

LayoutRow ReadLayoutRow(const TDataSet& fields) {
  LayoutRow row;
  row.vid = fields.FieldByName("VID").AsInteger();
  row.fld = fields.FieldByName("FLD").AsInteger();
  row.grp = fields.FieldByName("GRP").AsInteger();
  row.dop = fields.FieldByName("DOP").AsInteger();
  row.len = fields.FieldByName("LEN").AsInteger();
  row.shortHeading = fields.FieldByName("SHORT").AsString();
  row.unit = fields.FieldByName("VAL").AsString();
  row.fullName = fields.FieldByName("FULL").AsString();
  return row;
}

}  // namespace

TColumnSetup::TColumnSetup(TMainForm& mainForm, QWidget* parent)
    : QDialog(parent), mainForm_(mainForm), catalogue_(mainForm.Logic()) {
  setObjectName("ColumnSetup");
  setWindowTitle(QString::fromUtf8("Настройка колонок"));
  resize(kWidth, kHeight);
  setMinimumSize(kMinimumWidth, kMinimumHeight);

  // The panel is as wide as it must be for the buttons' captions, at least
  // kButtonPanelWidth.
  auto* panel = new QWidget(this);
  panel->setObjectName("Panel1");
  panel->setMinimumWidth(kButtonPanelWidth);
  panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* buttons = new QVBoxLayout(panel);
  buttons->setContentsMargins(kPanelMargin, kPanelMargin, kPanelMargin, kPanelMargin);
  btUp_ = AddButton(panel, "BtUp", "Вверх", "Переместить строку вверх");
  btDown_ = AddButton(panel, "BtDown", "Вниз", "Переместить строку вниз");
  btEdit_ = AddButton(panel, "BtEdit", "Изменить", "Редактировать группу колонок");
  btAdd_ = AddButton(panel, "BtAdd", "Добавить", "Добавить группу колонок");
  btOK_ = AddButton(panel, "BtOK", "OK", "Сохранить изменения и закрыть окно");
  btOK_->setDefault(true);
  buttons->addStretch(1);

  sGrid_ = new QTableWidget(0, kCellCount, this);
  sGrid_->setObjectName("SGrid");
  for (int c = 0; c < kCellCount; ++c) {
    sGrid_->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kHeadings[c])));
    sGrid_->setColumnWidth(c, kCellWidths[c]);
  }
  QHeaderView* numbers = sGrid_->verticalHeader();
  numbers->setFixedWidth(kNumberWidth);
  numbers->setMinimumSectionSize(kRowHeight);
  numbers->setDefaultSectionSize(kRowHeight);
  numbers->setSectionResizeMode(QHeaderView::Fixed);
  numbers->setSectionsMovable(true);
  sGrid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  sGrid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  sGrid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  sGrid_->setSelectionMode(QAbstractItemView::SingleSelection);
  sGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  row->addWidget(panel);
  row->addWidget(sGrid_, 1);

  connect(btUp_, &QPushButton::clicked, this, [this] { RunGuarded([&] { BtUpClick(btUp_); }); });
  connect(btDown_, &QPushButton::clicked, this, [this] { RunGuarded([&] { BtUpClick(btDown_); }); });
  connect(btEdit_, &QPushButton::clicked, this, [this] { RunGuarded([&] { BtEditClick(); }); });
  connect(btAdd_, &QPushButton::clicked, this, [this] { RunGuarded([&] { BtAddClick(); }); });
  connect(btOK_, &QPushButton::clicked, this, [this] { BtOKClick(); });
  connect(sGrid_, &QTableWidget::cellDoubleClicked, this, [this] { RunGuarded([&] { BtEditClick(); }); });
  connect(numbers, &QHeaderView::sectionDoubleClicked, this, [this](int row) {
    sGrid_->setCurrentCell(row, std::max(0, sGrid_->currentColumn()));
    RunGuarded([&] { BtEditClick(); });
  });
  // A row dragged by its number: the header's own move is taken back and the
  // row's contents move instead, so that rows on screen stay rows of the grid.
  connect(numbers, &QHeaderView::sectionMoved, this, [this, numbers](int, int from, int to) {
    numbers->blockSignals(true);
    numbers->moveSection(to, from);
    numbers->blockSignals(false);
    MoveRow(from, to);
  });
  FormCreate();
}

void TColumnSetup::Execute(TMainForm& mainForm) {
  int result = QDialog::Rejected;
  {
    TColumnSetup window(mainForm, &mainForm);
    result = window.exec();
  }
  if (result == QDialog::Accepted) mainForm.CBVidsClick();
}

void TColumnSetup::FormCreate() {
  TTalvernDataSet& fields = catalogue_.Fields();
  fields.SetIndexName(kFieldsTable.tags[0].name);  // GRPD, on its first row
  std::vector<StoredLayoutRow> rows;
  for (; !fields.Eof(); fields.Next()) rows.push_back({fields.RecNo(), ReadLayoutRow(fields)});
  groups_ = ReadColumnGroups(rows);
  sGrid_->setRowCount(static_cast<int>(groups_.size()));
  for (int r = 0; r < sGrid_->rowCount(); ++r) ShowGroup(r, r + 1);
  if (sGrid_->rowCount() > 0) sGrid_->setCurrentCell(0, 0);
}

std::vector<int> TColumnSetup::ScreenOrder() const {
  std::vector<int> order;
  for (int r = 0; r < sGrid_->rowCount(); ++r) order.push_back(GroupNumber(r));
  return order;
}

int TColumnSetup::GroupNumber(int row) const {
  const QTableWidgetItem* number = sGrid_->verticalHeaderItem(row);
  return number != nullptr ? number->text().toInt() : 0;
}

void TColumnSetup::ShowGroup(int row, int number) {
  sGrid_->setVerticalHeaderItem(row, new QTableWidgetItem(QString::number(number)));
  const TColInfoArr& group = groups_.at(static_cast<std::size_t>(number - 1));
  const TColInfo first = group.empty() ? TColInfo{} : group.front();
  sGrid_->setItem(row, kShortCell, new QTableWidgetItem(DisplayToQString(first.shortHeading)));
  sGrid_->setItem(row, kUnitCell, new QTableWidgetItem(DisplayToQString(first.unit)));
  sGrid_->setItem(row, kFullCell, new QTableWidgetItem(DisplayToQString(first.fullName)));
}

void TColumnSetup::ExchangeRows(int a, int b) {
  const RowItems first = TakeRow(*sGrid_, a);
  const RowItems second = TakeRow(*sGrid_, b);
  PutRow(*sGrid_, a, second);
  PutRow(*sGrid_, b, first);
}

void TColumnSetup::MoveRow(int from, int to) {
  if (from == to || from < 0 || to < 0 || from >= sGrid_->rowCount() || to >= sGrid_->rowCount()) return;
  const RowItems moved = TakeRow(*sGrid_, from);
  const int step = from < to ? 1 : -1;
  for (int r = from; r != to; r += step) PutRow(*sGrid_, r, TakeRow(*sGrid_, r + step));
  PutRow(*sGrid_, to, moved);
  sGrid_->setCurrentCell(to, std::max(0, sGrid_->currentColumn()));
}

void TColumnSetup::BtUpClick(QObject* Sender) {
  const int r = sGrid_->currentRow();
  if (r < 0) return;
  const int target = Sender == btDown_ ? r + 1 : r - 1;
  if (target < 0 || target >= sGrid_->rowCount()) return;
  ExchangeRows(r, target);
  sGrid_->setCurrentCell(target, std::max(0, sGrid_->currentColumn()));
}

void TColumnSetup::BtEditClick() {
  const int r = sGrid_->currentRow();
  const int number = r >= 0 ? GroupNumber(r) : 0;
  if (number < 1 || number > static_cast<int>(groups_.size())) return;
  TColumnEdit editor(this, groups_[static_cast<std::size_t>(number - 1)]);
  if (editor.exec() == QDialog::Accepted) ShowGroup(r, number);
}

void TColumnSetup::BtAddClick() {
  TColInfo column;
  column.width = kNewGroupWidth;
  groups_.push_back({column});
  const int number = static_cast<int>(groups_.size());
  const int r = sGrid_->rowCount();
  sGrid_->insertRow(r);
  ShowGroup(r, number);
  sGrid_->setCurrentCell(r, 0);
  TColumnEdit editor(this, groups_.back());
  if (editor.exec() == QDialog::Accepted) {
    ShowGroup(r, number);
  } else {
    groups_.pop_back();
    sGrid_->removeRow(r);
  }
}

// The window closes with OK whatever becomes of the saving, so that the main
// window loads the kind with what was written.
void TColumnSetup::BtOKClick() {
  setResult(QDialog::Accepted);
  RunGuarded([&] { SaveLayout(); });
  accept();
}

// Each column is written as a record of its own: an error leaves the records
// before it written and the rest not, and the record it hit unchanged.
void TColumnSetup::SaveLayout() {
  TTalvernDataSet& fields = catalogue_.Fields();
  const std::int32_t kind = KeyAsInteger(mainForm_.CBVids()->KeyValue());
  fields.SetIndexName(kFieldsTable.tags[1].name);  // FLD
  fields.Last();
  const std::int32_t highestFld = fields.IsEmpty() ? 0 : fields.FieldByName("FLD").AsInteger();
  const std::vector<LayoutWrite> writes = PlanLayoutSave(kind, groups_, ScreenOrder(), highestFld);
  fields.SetIndexName({});  // record-number order
  try {
    for (const LayoutWrite& write : writes) {
      if (write.recNo != 0) {
        fields.SetRecNo(write.recNo);
        fields.Edit();
      } else {
        fields.Append();
        fields.FieldByName("VID").SetAsInteger(write.row.vid);
        fields.FieldByName("FLD").SetAsInteger(write.row.fld);
        fields.FieldByName("DOP").SetAsInteger(write.row.dop);
      }
      fields.FieldByName("GRP").SetAsInteger(write.row.grp);
      fields.FieldByName("LEN").SetAsInteger(write.row.len);
      fields.FieldByName("VAL").SetAsString(write.row.unit);
      fields.FieldByName("SHORT").SetAsString(write.row.shortHeading);
      fields.FieldByName("FULL").SetAsString(write.row.fullName);
      fields.Post();
    }
  } catch (...) {
    fields.Cancel();
    throw;
  }
  fields.SetIndexName(kFieldsTable.tags[0].name);  // GRPD
}

}  // namespace talvern

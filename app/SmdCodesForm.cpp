#include "app/SmdCodesForm.h"

#include <QAbstractButton>
#include <QAbstractTableModel>
#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStylePainter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ErrorHandler.h"

namespace talvern {

namespace {

const char* const kHeadings[kSmdFieldCount] = {"Код", "Тип", "Описание", "Корпус", "Производитель", "Примечание"};

QString Utf8Text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Paints the corner above the row headings as the heading of their column.
class CornerHeading : public QObject {
public:
  CornerHeading(QWidget& corner, QString text) : QObject(&corner), text_(std::move(text)) {
    corner.installEventFilter(this);
  }

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    auto* corner = static_cast<QWidget*>(watched);
    QStyleOptionHeader option;
    option.initFrom(corner);
    option.state |= QStyle::State_Raised;
    option.rect = corner->rect();
    option.text = text_;
    option.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option.position = QStyleOptionHeader::OnlyOneSection;
    QStylePainter painter(corner);
    painter.drawControl(QStyle::CE_Header, option);
    return true;
  }

private:
  QString text_;
};

}  // namespace

// The codes as a table: the code is a row's heading, the other five fields
// its columns. Without codes there is one empty row.
class SmdCodeModel : public QAbstractTableModel {
public:
  SmdCodeModel(const std::vector<SmdCode>& codes, QObject* parent) : QAbstractTableModel(parent), codes_(codes) {}

  int rowCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : std::max(1, static_cast<int>(codes_.size()));
  }
  int columnCount(const QModelIndex& parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(kSmdFieldCount) - 1;
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return Field(index.row(), index.column() + 1);
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Vertical && role == Qt::TextAlignmentRole)
      return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return Field(section, 0);
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromUtf8(kHeadings[section + 1]);
  }

private:
  QString Field(int row, int field) const {
    if (row < 0 || row >= static_cast<int>(codes_.size())) return {};
    return Utf8Text(codes_[static_cast<std::size_t>(row)][static_cast<std::size_t>(field)]);
  }

  const std::vector<SmdCode>& codes_;
};

TSmdCodesForm::TSmdCodesForm(const std::string& databaseDirectory, QWidget* parent) : QDialog(parent) {
  setObjectName("SmdCodesForm");
  setWindowTitle(QString::fromUtf8("Кодовые обозначения"));
  resize(kWidth, kHeight);

  auto* panel = new QWidget(this);
  panel->setObjectName("Panel1");
  panel->setFixedHeight(kPanelHeight);
  auto* row = new QHBoxLayout(panel);
  auto* label = new QLabel(QString::fromUtf8("Поиск"), panel);
  label->setObjectName("Label1");
  edit1_ = new QLineEdit(panel);
  edit1_->setObjectName("Edit1");
  label->setBuddy(edit1_);
  checkBox1_ = new QCheckBox(QString::fromUtf8("Учитывать регистр"), panel);
  checkBox1_->setObjectName("CheckBox1");
  checkBox1_->setChecked(true);
  row->addWidget(label);
  row->addWidget(edit1_);
  row->addWidget(checkBox1_);
  row->addStretch(1);

  // Loading: what was read before a failure stays, the failure is reported.
  try {
    ReadSmdCodeFile(databaseDirectory + "/" + kSmdCodeFileName, codes_);
  } catch (...) {
    HandleException(std::current_exception());
  }

  grid_ = new QTableView(this);
  grid_->setObjectName("StringGrid1");
  model_ = new SmdCodeModel(codes_, grid_);
  grid_->setModel(model_);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionBehavior(QAbstractItemView::SelectItems);
  grid_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grid_->setShowGrid(true);
  QHeaderView* codesColumn = grid_->verticalHeader();
  codesColumn->setSectionResizeMode(QHeaderView::Fixed);
  codesColumn->setMinimumSectionSize(kRowHeight);
  codesColumn->setDefaultSectionSize(kRowHeight);
  codesColumn->setFixedWidth(kColumnWidths[0]);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  for (std::size_t i = 1; i < kSmdFieldCount; ++i)
    grid_->setColumnWidth(static_cast<int>(i) - 1, kColumnWidths[i]);
  if (auto* corner = grid_->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly))
    new CornerHeading(*corner, QString::fromUtf8(kHeadings[0]));

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(panel);
  column->addWidget(grid_, 1);

  connect(edit1_, &QLineEdit::textChanged, this, [this] { RunGuarded([&] { FindCode(); }); });
  connect(checkBox1_, &QCheckBox::toggled, this, [this] { RunGuarded([&] { FindCode(); }); });
  grid_->setCurrentIndex(model_->index(0, 0));
  edit1_->setFocus();
}

TSmdCodesForm::~TSmdCodesForm() = default;

void TSmdCodesForm::Execute(const std::string& databaseDirectory, QWidget* parent) {
  TSmdCodesForm window(databaseDirectory, parent);
  window.exec();
}

int TSmdCodesForm::CurrentCodeRow() const {
  const int row = grid_->currentIndex().row();
  return row >= 0 && row < static_cast<int>(codes_.size()) ? row : -1;
}

void TSmdCodesForm::FindCode() {
  const QByteArray text = edit1_->text().toUtf8();
  const int row = FindSmdCode(codes_, std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                              checkBox1_->isChecked());
  if (row < 0) return;
  const QModelIndex current = model_->index(row, std::max(0, grid_->currentIndex().column()));
  grid_->setCurrentIndex(current);
  grid_->scrollTo(current);
}

}  // namespace talvern

#include "app/LookupComboBox.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QWheelEvent>
#include <limits>

#include "app/ErrorHandler.h"

namespace talvern {
namespace {

// Characters the closed box is wide enough for; the window's layout makes it
// wider. (Sizing to the contents would read the whole list.)
constexpr int kMinimumContentsLength = 10;

// The application's style, except that a list drops down below its box with
// the box's number of rows, never as a menu of every row over the box.
class ListBelowStyle : public QProxyStyle {
public:
  using QProxyStyle::QProxyStyle;
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }
};

}  // namespace

LookupComboBox::LookupComboBox(QWidget* parent) : QComboBox(parent), model_(new DataSetModel(this)) {
  setEditable(false);
  setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  setMinimumContentsLength(kMinimumContentsLength);
  setModel(model_);
  setCurrentIndex(-1);
  // The proxy owns a style of its own, made like the application's.
  if (QStyle* base = QStyleFactory::create(QApplication::style()->name())) {
    auto* style = new ListBelowStyle(base);
    style->setParent(this);
    setStyle(style);
  }
  // QComboBox's own handlers of the model run first; these then put the
  // value's row back.
  connect(this, &QComboBox::activated, this, [this](int row) { RunGuarded([&] { Chosen(row); }); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] {
    RunGuarded([&] {
      setCurrentIndex(-1);
      ShowValueLater();
    });
  });
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this] { RunGuarded([&] { ShowKeptValue(); }); });
}

void LookupComboBox::SetListSource(TDataSource* source) { model_->SetDataSource(source); }

void LookupComboBox::SetKeyField(std::string name) { model_->SetKeyField(std::move(name)); }

void LookupComboBox::SetListField(std::string name) { model_->SetFieldNames(std::move(name)); }

void LookupComboBox::SetKeyValue(const FieldValue& value) {
  value_ = value;
  ShowValue();
}

void LookupComboBox::Chosen(int row) {
  value_ = model_->RowKey(row);
  emit Click();
}

void LookupComboBox::ShowValue() {
  const int row = HasValue() ? model_->FindKey(value_) : -1;
  if (row != currentIndex()) setCurrentIndex(row);
}

void LookupComboBox::ShowKeptValue() {
  if (!HasValue()) {
    if (currentIndex() != -1) setCurrentIndex(-1);
    return;
  }
  const int row = model_->FindKeptKey(value_);
  if (row >= 0) {
    if (row != currentIndex()) setCurrentIndex(row);
  } else {
    if (currentIndex() != -1) setCurrentIndex(-1);
    ShowValueLater();
  }
}

void LookupComboBox::ShowValueLater() {
  if (showScheduled_ || !HasValue()) return;
  showScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        showScheduled_ = false;
        RunGuarded([&] { ShowValue(); });
      },
      Qt::QueuedConnection);
}

void LookupComboBox::ReadUpTo(int row) {
  const QModelIndex root;
  while (row >= count() && model_->canFetchMore(root)) {
    const int before = count();
    model_->fetchMore(root);
    if (count() == before) break;
  }
}

// The drop-down opens only on a list that has rows, and sizes itself to the
// rows it has.
void LookupComboBox::showPopup() {
  RunGuarded([&] { ReadUpTo(maxVisibleItems()); });
  QComboBox::showPopup();
}

// The box knows only the rows read so far: before stepping past them, read on;
// a typed letter looks through the whole list.
void LookupComboBox::keyPressEvent(QKeyEvent* event) {
  int wanted = -1;
  switch (event->key()) {
    case Qt::Key_Down:
      wanted = currentIndex() + 1;
      break;
    case Qt::Key_PageDown:
      wanted = currentIndex() + maxVisibleItems();
      break;
    case Qt::Key_End:
      wanted = std::numeric_limits<int>::max();
      break;
    default:
      if (!event->text().isEmpty() && event->text().at(0).isPrint()) wanted = std::numeric_limits<int>::max();
      break;
  }
  RunGuarded([&] { ReadUpTo(wanted); });
  QComboBox::keyPressEvent(event);
}

void LookupComboBox::wheelEvent(QWheelEvent* event) {
  if (event->angleDelta().y() < 0) RunGuarded([&] { ReadUpTo(currentIndex() + 1); });
  QComboBox::wheelEvent(event);
}

}  // namespace talvern

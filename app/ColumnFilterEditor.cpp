#include "app/ColumnFilterEditor.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "app/ErrorHandler.h"

namespace talvern {
namespace {

constexpr int kLineWidthInCharacters = 24;

}  // namespace

ColumnFilterEditor::ColumnFilterEditor(QWidget* parent, Apply apply)
    : QFrame(parent, Qt::Popup), apply_(std::move(apply)) {
  setObjectName("FilterEditor");
  setFrameShape(QFrame::StyledPanel);
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(6, 6, 6, 6);
  column->setSpacing(3);
  name_ = new QLabel(this);
  name_->setObjectName("FilterColumn");
  name_->setWordWrap(true);
  line_ = new QLineEdit(this);
  line_->setObjectName("FilterLine");
  line_->setMinimumWidth(line_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * kLineWidthInCharacters);
  line_->setClearButtonEnabled(true);
  auto* hint = new QLabel(QString::fromUtf8("≥ 60,  ≤ 0,4,  10...100 или часть текста;\n"
                                            "пустая строка снимает фильтр"),
                          this);
  hint->setEnabled(false);
  error_ = new QLabel(this);
  error_->setObjectName("FilterError");
  error_->setWordWrap(true);
  QPalette red = error_->palette();
  red.setColor(QPalette::WindowText, Qt::red);
  error_->setPalette(red);
  error_->hide();
  column->addWidget(name_);
  column->addWidget(line_);
  column->addWidget(hint);
  column->addWidget(error_);
  connect(line_, &QLineEdit::returnPressed, this, [this] { RunGuarded([&] { Accept(); }); });
  connect(line_, &QLineEdit::textEdited, error_, &QWidget::hide);
}

void ColumnFilterEditor::Open(const QString& fullName, const QString& text, QPoint globalAt) {
  name_->setText(fullName);
  line_->setText(text);
  line_->selectAll();
  error_->hide();
  adjustSize();
  move(globalAt);
  show();
  line_->setFocus(Qt::PopupFocusReason);
}

QString ColumnFilterEditor::ErrorText() const { return error_->isHidden() ? QString() : error_->text(); }

void ColumnFilterEditor::Accept() {
  QString error;
  if (apply_(line_->text(), error)) {
    close();
    return;
  }
  error_->setText(error);
  error_->show();
  adjustSize();
}

void ColumnFilterEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    event->accept();
    return;
  }
  QFrame::keyPressEvent(event);
}

}  // namespace talvern

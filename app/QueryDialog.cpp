#include "app/QueryDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace talvern {

TQueryDialog::TQueryDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("QueryDialog");
  setWindowTitle(QString::fromUtf8("Импорт"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kWidth, kHeight);

  typeText_ = new QLabel(this);
  typeText_->setObjectName("TypeText");
  typeText_->setAlignment(Qt::AlignCenter);
  QFont bold = typeText_->font();
  bold.setBold(true);
  typeText_->setFont(bold);
  auto* question = new QLabel(QString::fromUtf8("уже имеется в базе, заменить?"), this);
  question->setObjectName("Label1");
  question->setAlignment(Qt::AlignCenter);
  checkBox1_ = new QCheckBox(QString::fromUtf8("Больше не спрашивать"), this);
  checkBox1_->setObjectName("CheckBox1");
  buttonYes_ = new QPushButton(QString::fromUtf8("Заменить"), this);
  buttonYes_->setObjectName("ButtonYes");
  buttonYes_->setDefault(true);
  buttonNo_ = new QPushButton(QString::fromUtf8("Пропустить"), this);
  buttonNo_->setObjectName("ButtonNo");
  connect(buttonYes_, &QPushButton::clicked, this, &QDialog::accept);
  connect(buttonNo_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(buttonYes_);
  buttons->addWidget(buttonNo_);
  buttons->addStretch();
  auto* column = new QVBoxLayout(this);
  column->addWidget(typeText_);
  column->addWidget(question);
  column->addWidget(checkBox1_, 0, Qt::AlignHCenter);
  column->addStretch();
  column->addLayout(buttons);
}

}  // namespace talvern

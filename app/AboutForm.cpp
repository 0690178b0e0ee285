#include "app/AboutForm.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace talvern {
namespace {

constexpr char kTitle[] = "Справочник полупроводниковых приборов";
constexpr char kVersion[] = "Версия 1.0";
constexpr char kAuthorship[] = "Составители и разработчики справочника";

constexpr int kMargin = 8;
constexpr int kPanelHeight = 161;
constexpr int kTextLeft = 96;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

QLabel* AddText(QWidget* panel, const char* objectName, const char* text, int top, int height) {
  auto* label = new QLabel(QString::fromUtf8(text), panel);
  label->setObjectName(objectName);
  label->setWordWrap(true);
  label->setGeometry(kTextLeft, top, panel->width() - kTextLeft - kMargin, height);
  return label;
}

}  // namespace

// An n-p-n transistor in its circle: base lead and bar, collector and emitter
// leads, the arrow on the emitter; drawn on a 64 by 64 grid and scaled.
QPixmap ProgramIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 64.0, size / 64.0);
  painter.setBrush(QColor(255, 251, 240));
  painter.setPen(QPen(QColor(40, 60, 120), 3));
  painter.drawEllipse(QRectF(6, 6, 52, 52));
  painter.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QLineF(2, 32, 25, 32));   // base lead
  painter.drawLine(QLineF(25, 19, 25, 45));  // base bar
  painter.drawLine(QLineF(25, 26, 42, 15));  // collector
  painter.drawLine(QLineF(42, 15, 42, 2));
  painter.drawLine(QLineF(25, 38, 42, 49));  // emitter
  painter.drawLine(QLineF(42, 49, 42, 62));
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  painter.drawPolygon(QPolygonF({QPointF(43, 50), QPointF(32, 48), QPointF(37, 41)}));  // emitter arrow
  return pixmap;
}

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle(QString::fromUtf8("О программе"));
  setFixedSize(kClientWidth, kClientHeight);

  auto* panel = new QFrame(this);
  panel->setObjectName("Panel1");
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(kMargin, kMargin, kClientWidth - 2 * kMargin, kPanelHeight);

  icon_ = new QLabel(panel);
  icon_->setObjectName("ProgramIcon");
  icon_->setGeometry(kMargin, kMargin, kIconBoxWidth, kIconBoxHeight);
  icon_->setAlignment(Qt::AlignCenter);
  icon_->setPixmap(ProgramIconPixmap(std::min(kIconBoxWidth, kIconBoxHeight)));

  productName_ = AddText(panel, "ProductName", kTitle, kMargin, 40);
  productName_->setStyleSheet("font-weight: bold");
  version_ = AddText(panel, "Version", kVersion, 56, 20);
  copyright_ = AddText(panel, "Copyright", kAuthorship, 88, 40);

  okButton_ = new QPushButton(QString::fromUtf8("OK"), this);
  okButton_->setObjectName("OKButton");
  okButton_->setGeometry((kClientWidth - kButtonWidth) / 2, kClientHeight - kMargin - kButtonHeight, kButtonWidth,
                         kButtonHeight);
  okButton_->setDefault(true);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutForm::Execute(QWidget* parent) {
  TAboutForm window(parent);
  window.exec();
}

}  // namespace talvern

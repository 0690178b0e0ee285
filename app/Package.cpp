#include "app/Package.h"

#include <QPushButton>
#include <sstream>

#include "app/ErrorHandler.h"
#include "app/Image.h"
#include "dataset/TalvernDataSet.h"
#include "gif/Gif.h"

namespace talvern {
namespace {

constexpr char kCaption[] = "Чертёж корпуса";
constexpr int kMargin = 8;  // between the buttons and the window's edges

QPushButton* AddButton(QWidget* parent, const char* objectName, const char* caption) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TPackage::TPackage(TTalvernDataSet& pics, QWidget* parent) : QDialog(parent), pics_(pics) {
  setObjectName("Package");
  setWindowTitle(QString::fromUtf8(kCaption));
  setFixedSize(kClientWidth, kClientHeight);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);
  setAutoFillBackground(true);

  image1_ = new TImage(this);
  image1_->setObjectName("Image1");
  button1_ = AddButton(this, "Button1", "&<");
  button1_->setFixedSize(kStepButtonSize, kStepButtonSize);
  button2_ = AddButton(this, "Button2", "&>");
  button2_->setFixedSize(kStepButtonSize, kStepButtonSize);
  okBtn_ = AddButton(this, "OKBtn", "OK");
  okBtn_->setFixedSize(kButtonWidth, kStepButtonSize);
  okBtn_->setDefault(true);  // Enter; Escape closes every dialog

  connect(button1_, &QPushButton::clicked, this, [this] { RunGuarded([&] { Button1Click(); }); });
  connect(button2_, &QPushButton::clicked, this, [this] { RunGuarded([&] { Button2Click(); }); });
  connect(okBtn_, &QPushButton::clicked, this, &QDialog::accept);
}

TPackage::~TPackage() = default;

// The picture fills the window; the step buttons keep to the bottom left
// corner, "OK" to the bottom right.
void TPackage::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  image1_->setGeometry(rect());
  const int bottom = height() - kMargin;
  button1_->move(kMargin, bottom - button1_->height());
  button2_->move(kMargin + button1_->width() + kMargin / 2, bottom - button2_->height());
  okBtn_->move(width() - kMargin - okBtn_->width(), bottom - okBtn_->height());
}

void TPackage::Prepare(const std::string& pic) {
  for (int i = 0; i < kSlotCount; ++i) {
    const std::size_t at = static_cast<std::size_t>(i) * kCodeLength;
    slots_[i] = at < pic.size() ? pic.substr(at, kCodeLength) : std::string();
  }
  const bool several = !slots_[1].empty();
  button1_->setEnabled(false);
  button1_->setVisible(several);
  button2_->setVisible(several);
  button2_->setEnabled(several);
  index_ = 0;
  ShowDrawing();
}

void TPackage::Button1Click() {
  if (index_ == 0) return;
  if (--index_ == 0) button1_->setEnabled(false);
  button2_->setEnabled(true);
  ShowDrawing();
}

void TPackage::Button2Click() {
  if (index_ + 1 >= kSlotCount || slots_[index_ + 1].empty()) return;
  ++index_;
  if (index_ == kSlotCount - 1 || slots_[index_ + 1].empty()) button2_->setEnabled(false);
  button1_->setEnabled(true);
  ShowDrawing();
}

// The drawing of the current slot, or an empty picture. A picture that cannot
// be read or decoded is reported and leaves the picture empty.
void TPackage::ShowDrawing() {
  TGif gif;
  bool loaded = false;
  const std::string& code = slots_[index_];
  RunGuarded([&] {
    if (code.empty() || !pics_.Active() || !pics_.FindKey({code})) return;
    const std::string bytes = pics_.CreateBlobStream(pics_.FieldByName("PICTURE"), bmRead)->ReadAll();
    std::istringstream stream(bytes);
    gif.LoadFromStream(stream);
    loaded = true;
  });
  image1_->SetPicture(loaded ? &gif : nullptr);
}

int TPackage::ShowModal() {
  if (QWidget* owner = parentWidget()) {
    const QRect frame = owner->frameGeometry();
    move(frame.center() - QPoint(width() / 2, height() / 2));
  }
  return exec();
}

}  // namespace talvern

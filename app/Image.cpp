#include "app/Image.h"

#include <QPainter>

#include "app/ErrorHandler.h"
#include "app/ImageCanvas.h"
#include "gif/Gif.h"

namespace talvern {

TImage::TImage(QWidget* parent) : QWidget(parent) {}

TImage::~TImage() = default;

void TImage::SetPicture(const TGif* gif) {
  if (gif) {
    auto copy = std::make_unique<TGif>();
    copy->Assign(*gif);
    picture_ = std::move(copy);
  } else {
    picture_.reset();
  }
  painted_ = QImage();
  update();
}

QRect TImage::PictureRect() const {
  if (!picture_ || picture_->Width() == 0 || picture_->Height() == 0) return {};
  QSize size(picture_->Width(), picture_->Height());
  if (size.width() > width() || size.height() > height()) size.scale(this->size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void TImage::paintEvent(QPaintEvent* /*event*/) {
  RunGuarded([&] {
    const QRect target = PictureRect();
    if (target.isEmpty()) return;
    if (painted_.isNull()) {
      painted_ = QImage(picture_->Width(), picture_->Height(), QImage::Format_RGB32);
      if (painted_.isNull()) return;  // no memory for it
      ImageCanvas canvas(painted_);
      picture_->Draw(canvas, {0, 0, picture_->Width(), picture_->Height()});
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, painted_);
  });
}

}  // namespace talvern

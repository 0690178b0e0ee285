#pragma once
// TImage: a control that shows a picture (a GIF image) on its parent's
// background. It keeps its own copy of the picture it is given. A picture no
// larger than the control is shown centred at its natural size; a larger one
// is fitted proportionally into the control, centred. The picture paints
// itself at its natural size; the control keeps that painting and draws it
// where it belongs until it is given another picture.

#include <QImage>
#include <QWidget>
#include <memory>

namespace talvern {

class TGif;

class TImage : public QWidget {
public:
  explicit TImage(QWidget* parent = nullptr);
  ~TImage() override;

  // Shows a copy of gif; nullptr leaves the control empty.
  void SetPicture(const TGif* gif);
  const TGif* Picture() const { return picture_.get(); }
  // Where the picture is drawn in the control (empty without one).
  QRect PictureRect() const;

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::unique_ptr<TGif> picture_;
  QImage painted_;  // the picture at its natural size, made at its first showing
};

}  // namespace talvern

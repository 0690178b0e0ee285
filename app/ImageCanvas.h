#pragma once
// ImageCanvas: the canvas a graphic paints onto when it is shown, over a
// QImage of 32-bit pixels (QImage::Format_RGB32 or Format_ARGB32, whose pixel
// layout is the graphic's colour). What falls outside the image is clipped.

#include <QImage>

#include "gif/BitmapCanvas.h"

namespace talvern {

class ImageCanvas : public TScanLineCanvas {
public:
  explicit ImageCanvas(QImage& image);

protected:
  TColor* ScanLine(int y) override { return reinterpret_cast<TColor*>(image_.scanLine(y)); }

private:
  QImage& image_;
};

}  // namespace talvern

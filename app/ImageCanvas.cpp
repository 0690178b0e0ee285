#include "app/ImageCanvas.h"

namespace talvern {

static_assert(sizeof(QRgb) == sizeof(TColor), "a canvas pixel is a QRgb");

// An image of another depth takes nothing.
ImageCanvas::ImageCanvas(QImage& image)
    : TScanLineCanvas(image.depth() == 32 ? image.width() : 0, image.depth() == 32 ? image.height() : 0),
      image_(image) {}

}  // namespace talvern

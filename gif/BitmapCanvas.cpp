#include "gif/BitmapCanvas.h"

#include <algorithm>

namespace talvern {

void TScanLineCanvas::FillRect(const TRect& rect, TColor color) {
  const int left = std::max(rect.left, 0);
  const int right = std::min(rect.right, width_);
  if (left >= right) return;
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
    std::fill(ScanLine(y) + left, ScanLine(y) + right, color);
}

void TScanLineCanvas::SetPixel(int x, int y, TColor color) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) ScanLine(y)[x] = color;
}

void TScanLineCanvas::SetPixels(int x, int y, const TColor* colors, int count) {
  if (y < 0 || y >= height_) return;
  if (x < 0) {
    colors -= x;
    count += x;
    x = 0;
  }
  count = std::min(count, width_ - x);
  if (count > 0) std::copy_n(colors, count, ScanLine(y) + x);
}

TBitmapCanvas::TBitmapCanvas(int width, int height, TColor color)
    : TScanLineCanvas(width, height), pixels_(static_cast<std::size_t>(Width()) * Height(), color) {}

}  // namespace talvern

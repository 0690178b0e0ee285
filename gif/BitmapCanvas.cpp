#include "gif/BitmapCanvas.h"

#include <algorithm>

namespace talvern {

TBitmapCanvas::TBitmapCanvas(int width, int height, TColor color)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * height_, color) {}

void TBitmapCanvas::FillRect(const TRect& rect, TColor color) {
  const int left = std::max(rect.left, 0);
  const int right = std::min(rect.right, width_);
  if (left >= right) return;
  for (int y = std::max(rect.top, 0); y < std::min(rect.bottom, height_); ++y)
    std::fill_n(pixels_.begin() + static_cast<std::ptrdiff_t>(Index(left, y)), right - left, color);
}

void TBitmapCanvas::SetPixel(int x, int y, TColor color) {
  if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[Index(x, y)] = color;
}

void TBitmapCanvas::SetPixels(int x, int y, const TColor* colors, int count) {
  if (y < 0 || y >= height_) return;
  if (x < 0) {
    colors -= x;
    count += x;
    x = 0;
  }
  count = std::min(count, width_ - x);
  if (count > 0) std::copy_n(colors, count, pixels_.begin() + static_cast<std::ptrdiff_t>(Index(x, y)));
}

}  // namespace talvern

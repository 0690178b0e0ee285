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

bool TScanLineCanvas::ClipRun(int& x, int y, int& count, int& skip) const {
  if (y < 0 || y >= height_) return false;
  skip = x < 0 ? -x : 0;
  x += skip;
  count = std::min(count - skip, width_ - x);
  return count > 0;
}

void TScanLineCanvas::SetPixels(int x, int y, const TColor* colors, int count) {
  int skip;
  if (ClipRun(x, y, count, skip)) std::copy_n(colors + skip, count, ScanLine(y) + x);
}

void TScanLineCanvas::SetPixelValues(int x, int y, const std::uint8_t* values, int count, const TColor* palette) {
  int skip;
  if (!ClipRun(x, y, count, skip)) return;
  TColor* out = ScanLine(y) + x;
  values += skip;
  for (int i = 0; i < count; ++i) out[i] = palette[values[i]];
}

TBitmapCanvas::TBitmapCanvas(int width, int height, TColor color)
    : TScanLineCanvas(width, height), pixels_(static_cast<std::size_t>(Width()) * Height(), color) {}

}  // namespace talvern

#pragma once
// TBitmapCanvas: a canvas over a block of 32-bit pixels in memory, row by row
// from the top, clipping everything painted to its area. The tools and the
// benchmarks paint GIF images into it.

#include <vector>

#include "gif/Canvas.h"

namespace talvern {

class TBitmapCanvas : public TCanvas {
public:
  // A bitmap of width x height pixels, all of the given colour.
  TBitmapCanvas(int width, int height, TColor color = kWhite);

  void FillRect(const TRect& rect, TColor color) override;
  void SetPixel(int x, int y, TColor color) override;
  void SetPixels(int x, int y, const TColor* colors, int count) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  TColor Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
  const std::vector<TColor>& Pixels() const { return pixels_; }

private:
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + x; }

  int width_;
  int height_;
  std::vector<TColor> pixels_;
};

}  // namespace talvern

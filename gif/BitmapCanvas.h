#pragma once
// Canvases over rows of 32-bit pixels in memory. TScanLineCanvas clips and
// writes; what holds the rows (a QImage in the window, a plain block of
// memory in TBitmapCanvas for the tools and benchmarks) only says where each
// row is.

#include <vector>

#include "gif/Canvas.h"

namespace talvern {

class TScanLineCanvas : public TCanvas {
public:
  TScanLineCanvas(int width, int height) : width_(width < 0 ? 0 : width), height_(height < 0 ? 0 : height) {}

  void FillRect(const TRect& rect, TColor color) override;
  void SetPixel(int x, int y, TColor color) override;
  void SetPixels(int x, int y, const TColor* colors, int count) override;
  void SetPixelValues(int x, int y, const std::uint8_t* values, int count, const TColor* palette) override;

  int Width() const { return width_; }
  int Height() const { return height_; }

protected:
  // The first pixel of row y (0 <= y < Height()).
  virtual TColor* ScanLine(int y) = 0;

private:
  // Cuts a run of row y from column x down to the bitmap; false when nothing
  // of it is inside. skip: how many of its first pixels fall left of it.
  bool ClipRun(int& x, int y, int& count, int& skip) const;

  int width_;
  int height_;
};

// A bitmap of its own, row by row from the top.
class TBitmapCanvas : public TScanLineCanvas {
public:
  // A bitmap of width x height pixels, all of the given colour.
  TBitmapCanvas(int width, int height, TColor color = kWhite);

  TColor Pixel(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * Width() + x]; }
  const std::vector<TColor>& Pixels() const { return pixels_; }

protected:
  TColor* ScanLine(int y) override { return &pixels_[static_cast<std::size_t>(y) * Width()]; }

private:
  std::vector<TColor> pixels_;
};

}  // namespace talvern

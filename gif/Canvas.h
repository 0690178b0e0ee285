#pragma once
// The drawing surface a graphic paints onto: a rectangle filled with one
// colour and single pixels, nothing more. The window's canvas (over a QImage)
// and the tools' plain pixel buffers implement it. A canvas clips to its own
// area: a pixel or a rectangle outside it is left out, never an error.

#include <cstdint>

namespace talvern {

// A colour as 0xAARRGGBB; graphics paint opaque colours (alpha 0xFF), the
// layout of a 32-bit RGB scan line.
using TColor = std::uint32_t;

constexpr TColor RgbColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return 0xFF000000u | static_cast<TColor>(red) << 16 | static_cast<TColor>(green) << 8 | blue;
}
constexpr std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>(c); }

inline constexpr TColor kBlack = RgbColor(0, 0, 0);
inline constexpr TColor kWhite = RgbColor(255, 255, 255);

// A rectangle of pixels: columns left .. right - 1, rows top .. bottom - 1.
struct TRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

class TCanvas {
public:
  virtual ~TCanvas() = default;

  virtual void FillRect(const TRect& rect, TColor color) = 0;
  virtual void SetPixel(int x, int y, TColor color) = 0;
  // Sets count pixels of row y from column x on; the default sets them one
  // by one, a canvas over a pixel buffer copies the run.
  virtual void SetPixels(int x, int y, const TColor* colors, int count) {
    for (int i = 0; i < count; ++i) SetPixel(x + i, y, colors[i]);
  }
  // The same for a run of colour values, each the index of its colour in
  // palette (of 256 entries).
  virtual void SetPixelValues(int x, int y, const std::uint8_t* values, int count, const TColor* palette) {
    for (int i = 0; i < count; ++i) SetPixel(x + i, y, palette[values[i]]);
  }
};

}  // namespace talvern

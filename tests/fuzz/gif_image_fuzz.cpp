// A GIF file of any bytes: loading gives an image or an EInvalidGraphic;
// saving a loaded image gives back the bytes read; painting each of its first
// frames stays inside the logical screen from the corner given, and a small
// bitmap canvas clips what falls outside it. Never a crash, a read outside
// the data or an endless loop.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "gif/BitmapCanvas.h"
#include "gif/Gif.h"

namespace {

// Checks that every pixel lies in the rectangle it was given, keeps none.
class BoundsCanvas : public talvern::TCanvas {
public:
  explicit BoundsCanvas(const talvern::TRect& area) : area_(area) {}
  void FillRect(const talvern::TRect&, talvern::TColor) override {}
  void SetPixel(int x, int y, talvern::TColor) override { Check(x, y, 1); }
  void SetPixels(int x, int y, const talvern::TColor* colors, int count) override {
    Check(x, y, count);
    volatile talvern::TColor last = colors[count - 1];  // the run is readable
    (void)last;
  }

private:
  void Check(int x, int y, int count) const {
    if (count <= 0 || x < area_.left || x + count > area_.right || y < area_.top || y >= area_.bottom) std::abort();
  }
  talvern::TRect area_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  talvern::TGif gif;
  try {
    gif.LoadFromBytes(bytes);
  } catch (const talvern::EInvalidGraphic&) {
    return 0;
  }
  std::ostringstream saved;
  gif.SaveToStream(saved);
  if (saved.str() != bytes) std::abort();

  const talvern::TRect screen{-3, 5, -3 + gif.Width(), 5 + gif.Height()};
  BoundsCanvas bounds(screen);
  talvern::TBitmapCanvas small(16, 16);
  for (int frame = 0; frame < gif.FrameCount() && frame < 8; ++frame) {
    gif.SelectFrame(frame);
    (void)gif.FrameInfo(frame);
    gif.Draw(bounds, screen);
    gif.Draw(small, {-5, -5, 11, 11});
  }
  for (int i = 0; i < gif.ExtensionCount(); ++i) (void)gif.ExtensionLabel(i);
  talvern::TGif copy;
  copy.Assign(gif);
  return 0;
}

#pragma once
// TGif: a GIF image (87a, 89a) kept almost as read, decoded each time it is
// painted. Loading checks the header, keeps the global colour table and the
// rest of the file as one block of bytes, and indexes the image frames and
// extension blocks; nothing is decompressed. Painting decodes the current
// frame's LZW data straight onto a canvas.
//
// Painting: the rectangle is filled with the background colour, then the
// current frame is drawn at its natural size from the rectangle's top-left
// corner (its offsets on the logical screen are not used), clipped to the
// logical screen. A frame is painted with its own local colour table when it
// has one, else with the global table, else (no table at all) with a grey
// ramp from black to white over the values its code size allows; colour
// values past the end of a table are black. The background is the global
// table's entry (black past its end), or white when there is no global table.
// Damaged data ends the painting where it goes wrong: the pixels decoded so
// far stay, and painting never raises.
//
// Errors while loading (EInvalidGraphic): "GIF: Invalid data" (too little
// data, an unknown block), "GIF: Invalid format" (signature), "GIF: Invalid
// version", "GIF: Image too large" (a logical screen that no window could
// hold; refused before anything is allocated for it).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gif/GifLayout.h"
#include "gif/Graphic.h"

namespace talvern {

inline constexpr char kGifInvalidData[] = "GIF: Invalid data";
inline constexpr char kGifInvalidFormat[] = "GIF: Invalid format";
inline constexpr char kGifInvalidVersion[] = "GIF: Invalid version";
inline constexpr char kGifTooLarge[] = "GIF: Image too large";
inline constexpr char kGraphicAbstract[] = "abstract!";
inline constexpr char kGraphicCannotAssign[] = "Cannot assign this graphic to a GIF image";

// The largest logical screen loaded, in pixels (a 32-bit picture of it takes
// 128 MB).
inline constexpr std::int64_t kGifMaxPixels = std::int64_t{1} << 25;

// What an image descriptor says about a frame.
struct TGifFrameInfo {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool interlaced = false;
  int localColors = 0;   // entries of the local colour table, 0 without one
  int minCodeSize = -1;  // -1 when the file ends before it
  bool complete = false; // the descriptor and its colour table are all there
};

class TGif : public TGraphic {
public:
  using RgbEntry = std::array<std::uint8_t, 3>;

  void Assign(const TGraphic& source) override;
  void Draw(TCanvas& canvas, const TRect& rect) override;
  bool Empty() const override;
  int Height() const override;
  int Width() const override;
  void SetHeight(int value) override;
  void SetWidth(int value) override;
  void LoadFromStream(std::istream& stream) override;
  void SaveToStream(std::ostream& stream) const override;

  // Loads the bytes of a whole GIF file (LoadFromStream reads the stream's
  // rest and hands it here).
  void LoadFromBytes(std::string_view bytes);

  // Makes frame index current when there is such a frame, and signals a
  // change; otherwise does nothing.
  void SelectFrame(int index);
  int CurrentFrame() const { return currentFrame_; }

  // The file as held.
  const std::array<std::uint8_t, gif::kHeaderSize>& Header() const { return header_; }
  std::string_view Version() const;
  int BackgroundIndex() const { return header_[gif::kBackgroundOffset]; }
  const std::vector<RgbEntry>& ColorTable() const { return colorTable_; }
  const std::vector<std::uint8_t>& Data() const { return data_; }

  // The frames and extension blocks in file order: a frame's position is that
  // of the byte after its separator in Data(), an extension's that of its
  // label.
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  std::size_t FramePosition(int index) const { return frames_.at(index); }
  TGifFrameInfo FrameInfo(int index) const;
  int ExtensionCount() const { return static_cast<int>(extensions_.size()); }
  std::size_t ExtensionPosition(int index) const { return extensions_.at(index); }
  // The label of an extension (0xF9 graphic control, 0xFE comment, 0xFF
  // application, 0x01 plain text).
  int ExtensionLabel(int index) const;

private:
  void BuildIndexes();
  std::size_t SkipSubBlocks(std::size_t position) const;

  std::array<std::uint8_t, gif::kHeaderSize> header_{};
  std::vector<RgbEntry> colorTable_;
  std::vector<std::uint8_t> data_;
  std::vector<std::size_t> frames_;
  std::vector<std::size_t> extensions_;
  int currentFrame_ = 0;
};

}  // namespace talvern

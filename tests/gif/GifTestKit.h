#pragma once
// Helpers for the GIF tests: a canvas over a pixel buffer that notes every
// pixel set outside it, and GIF files built by hand, with an LZW encoder of
// the tests' own (the ordinary GIF encoder; it may go on with full 12-bit
// codes after the string table is full instead of clearing it).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gif/Canvas.h"

namespace talvern::testing {

inline constexpr TColor kUnpainted = 0x12345678;  // not opaque: no graphic paints it

class PixelCanvas : public TCanvas {
public:
  PixelCanvas(int width, int height)
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, kUnpainted) {}

  void FillRect(const TRect& r, TColor color) override {
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y)
      for (int x = std::max(r.left, 0); x < std::min(r.right, width_); ++x) At(x, y) = color;
  }
  void SetPixel(int x, int y, TColor color) override {
    ++pixelsSet;
    if (x < 0 || y < 0 || x >= width_ || y >= height_) ++outside;
    else At(x, y) = color;
  }

  TColor& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
  const std::vector<TColor>& Pixels() const { return pixels_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  int pixelsSet = 0;
  int outside = 0;

private:
  int width_;
  int height_;
  std::vector<TColor> pixels_;
};

// Codes of the given sizes packed least significant bit first.
inline std::string PackCodes(const std::vector<std::pair<int, int>>& codesAndSizes) {
  std::string out;
  std::uint32_t bits = 0;
  int count = 0;
  for (auto [code, size] : codesAndSizes) {
    bits |= static_cast<std::uint32_t>(code) << count;
    count += size;
    while (count >= 8) {
      out += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) out += static_cast<char>(bits & 0xFF);
  return out;
}

// Bytes cut into data sub-blocks (at most 255 bytes each), with the closing 0.
inline std::string SubBlocks(const std::string& bytes, std::size_t blockSize = 255) {
  std::string out;
  for (std::size_t at = 0; at < bytes.size(); at += blockSize) {
    const std::size_t n = std::min(blockSize, bytes.size() - at);
    out += static_cast<char>(n);
    out += bytes.substr(at, n);
  }
  return out + '\0';
}

// The LZW code stream of a run of pixel values, packed (not yet cut into
// sub-blocks). clearWhenFull: send a clear code when the table is full, else
// go on with 12-bit codes and no new entries.
inline std::string LzwEncode(const std::vector<std::uint8_t>& pixels, int minCodeSize, bool clearWhenFull = true) {
  const int clear = 1 << minCodeSize;
  const int end = clear + 1;
  std::vector<std::pair<int, int>> codes;
  std::map<std::pair<int, int>, int> table;  // (prefix code, value) -> code
  int nextFree = end + 1;
  int size = minCodeSize + 1;
  codes.push_back({clear, size});
  int current = -1;
  int sinceClear = 0;  // codes sent since the last clear code
  for (std::uint8_t value : pixels) {
    if (current < 0) {
      current = value;
      continue;
    }
    auto found = table.find({current, value});
    if (found != table.end()) {
      current = found->second;
      continue;
    }
    codes.push_back({current, size});
    ++sinceClear;
    if (nextFree < 4096) {
      table[{current, value}] = nextFree++;
      // The decoder widens its codes once the entry just made is 2^size.
      if (nextFree > (1 << size) && size < 12) ++size;
    } else if (clearWhenFull) {
      codes.push_back({clear, size});
      table.clear();
      nextFree = end + 1;
      size = minCodeSize + 1;
      sinceClear = 0;
    }
    current = value;
  }
  if (current >= 0) {
    codes.push_back({current, size});
    // The decoder makes an entry for this last code too (unless it is the
    // first after a clear code), which may widen the end code.
    if (sinceClear > 0 && nextFree < 4096 && ++nextFree > (1 << size) && size < 12) ++size;
  }
  codes.push_back({end, size});
  return PackCodes(codes);
}

// A GIF file: header, optional global colour table, the blocks given, trailer.
struct GifFile {
  int width = 1;
  int height = 1;
  std::string version = "89a";
  std::vector<TColor> globalTable;  // empty: none; else 2^(s+1) entries
  int background = 0;
  std::string blocks;

  // An image block: descriptor, local table, minimum code size, sub-blocks.
  void AddImage(int w, int h, int minCodeSize, const std::string& packedCodes, bool interlaced = false,
                const std::vector<TColor>& localTable = {}, int left = 0, int top = 0) {
    blocks += '\x2C';
    blocks += Le16(left) + Le16(top) + Le16(w) + Le16(h);
    blocks += static_cast<char>((localTable.empty() ? 0 : 0x80 | SizeField(localTable.size())) |
                                (interlaced ? 0x40 : 0));
    blocks += Table(localTable);
    blocks += static_cast<char>(minCodeSize);
    blocks += SubBlocks(packedCodes);
  }

  std::string Bytes() const {
    std::string out = "GIF" + version + Le16(width) + Le16(height);
    out += static_cast<char>(globalTable.empty() ? 0 : 0x80 | 0x70 | SizeField(globalTable.size()));
    out += static_cast<char>(background);
    out += '\0';
    return out + Table(globalTable) + blocks + ';';
  }

  static std::string Le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
  static int SizeField(std::size_t entries) {
    int s = 0;
    while ((2u << s) < entries) ++s;
    return s;
  }
  static std::string Table(const std::vector<TColor>& table) {
    std::string out;
    for (TColor c : table) out += {static_cast<char>(RedOf(c)), static_cast<char>(GreenOf(c)), static_cast<char>(BlueOf(c))};
    return out;
  }
};

}  // namespace talvern::testing

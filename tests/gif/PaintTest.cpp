// Painting with TGif: LZW decoding, placement, interlacing, colour tables,
// and damaged data that must end the painting cleanly.
#include <gtest/gtest.h>

#include <random>

#include "GifTestKit.h"
#include "gif/Gif.h"

namespace talvern {
namespace {

using testing::GifFile;
using testing::kUnpainted;
using testing::PackCodes;
using testing::PixelCanvas;

constexpr TColor kRed = RgbColor(255, 0, 0);
constexpr TColor kGreen = RgbColor(0, 255, 0);
constexpr TColor kBlue = RgbColor(0, 0, 255);

// Paints the file's first frame onto a canvas of the screen's size at (0, 0).
PixelCanvas Paint(const std::string& bytes) {
  TGif gif;
  gif.LoadFromBytes(bytes);
  PixelCanvas canvas(gif.Width(), gif.Height());
  gif.Draw(canvas, {0, 0, gif.Width(), gif.Height()});
  EXPECT_EQ(canvas.outside, 0);
  return canvas;
}

std::vector<TColor> Row(PixelCanvas& canvas, int y) {
  std::vector<TColor> row;
  for (int x = 0; x < canvas.Width(); ++x) row.push_back(canvas.At(x, y));
  return row;
}

GifFile FourColours(int width, int height) {
  GifFile file;
  file.width = width;
  file.height = height;
  file.globalTable = {kBlack, kRed, kGreen, kBlue};
  return file;
}

TEST(GifPaint, CodeStreamsDecodedByHand) {
  // m = 2: clear 4, end 5, first free code 6, 3-bit codes.
  GifFile a = FourColours(3, 1);
  a.background = 3;
  a.AddImage(2, 1, 2, PackCodes({{4, 3}, {1, 3}, {1, 3}, {5, 3}}));
  PixelCanvas painted = Paint(a.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kRed, kRed, kBlue}));

  // 6 is the next free code: the previous string and its first value. Then
  // 6 again, now known; the entry it makes is 7, after which the free code
  // is 8 and codes are 4 bits wide.
  GifFile b = FourColours(6, 1);
  b.AddImage(5, 1, 2, PackCodes({{4, 3}, {2, 3}, {6, 3}, {6, 3}, {5, 4}}));
  painted = Paint(b.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kGreen, kGreen, kGreen, kGreen, kGreen, kBlack}));

  // A clear code in the middle starts the table and code size again.
  GifFile c = FourColours(4, 1);
  c.AddImage(4, 1, 2, PackCodes({{4, 3}, {3, 3}, {6, 3}, {4, 3}, {1, 3}, {5, 3}}));
  painted = Paint(c.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kBlue, kBlue, kBlue, kRed}));
}

TEST(GifPaint, InterlacedRowsOfAFrameOfHeight10) {
  GifFile file;
  file.width = 1;
  file.height = 10;
  for (int i = 0; i < 16; ++i) file.globalTable.push_back(RgbColor(static_cast<std::uint8_t>(i * 10), 0, 0));
  file.AddImage(1, 10, 4, testing::LzwEncode({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, 4), true);
  PixelCanvas painted = Paint(file.Bytes());
  const int storedAt[10] = {0, 5, 3, 6, 2, 7, 4, 8, 1, 9};  // display row -> stored row
  for (int y = 0; y < 10; ++y) EXPECT_EQ(painted.At(0, y), RgbColor(static_cast<std::uint8_t>(storedAt[y] * 10), 0, 0)) << y;
}

TEST(GifPaint, FrameAtNaturalSizeFromTheCornerOnTheBackground) {
  GifFile file = FourColours(4, 3);
  file.background = 2;
  file.AddImage(2, 2, 2, testing::LzwEncode({1, 3, 3, 1}, 2), false, {}, 1, 1);  // its offsets are not used
  TGif gif;
  gif.LoadFromBytes(file.Bytes());
  PixelCanvas canvas(12, 12);
  gif.Draw(canvas, {5, 6, 9, 9});
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 12; ++x) {
      TColor expected = (x >= 5 && x < 9 && y >= 6 && y < 9) ? kGreen : kUnpainted;
      if (x == 5 && y == 6) expected = kRed;
      if (x == 6 && y == 6) expected = kBlue;
      if (x == 5 && y == 7) expected = kBlue;
      if (x == 6 && y == 7) expected = kRed;
      EXPECT_EQ(canvas.At(x, y), expected) << x << "," << y;
    }
}

TEST(GifPaint, FrameReachingPastTheScreenIsClippedToIt) {
  GifFile file = FourColours(2, 2);
  file.AddImage(3, 3, 2, testing::LzwEncode({1, 1, 2, 1, 1, 2, 2, 2, 2}, 2), false, {}, 1, 1);
  TGif gif;
  gif.LoadFromBytes(file.Bytes());
  PixelCanvas canvas(5, 5);
  gif.Draw(canvas, {0, 0, 2, 2});
  EXPECT_EQ(canvas.pixelsSet, 4);
  EXPECT_EQ(canvas.At(2, 0), kUnpainted);
  EXPECT_EQ(canvas.At(0, 2), kUnpainted);
  EXPECT_EQ(canvas.At(1, 1), kRed);

  // A zero-sized screen shows nothing of its frame.
  file.width = file.height = 0;
  gif.LoadFromBytes(file.Bytes());
  gif.Draw(canvas, {0, 0, 0, 0});
  EXPECT_EQ(canvas.pixelsSet, 4);
}

TEST(GifPaint, ColourTablesTheFrameIsPaintedWith) {
  // The frame's own table wins over the global one.
  GifFile local = FourColours(2, 1);
  local.AddImage(2, 1, 2, testing::LzwEncode({0, 1}, 2), false, {kWhite, kGreen, kBlack, kBlack});
  PixelCanvas painted = Paint(local.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kWhite, kGreen}));

  // No table at all: a grey ramp over the code size's values (m = 2: four
  // greys), on a white background.
  GifFile none;
  none.width = 5;
  none.AddImage(4, 1, 2, testing::LzwEncode({0, 1, 2, 3}, 2));
  painted = Paint(none.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kBlack, RgbColor(85, 85, 85), RgbColor(170, 170, 170), kWhite, kWhite}));

  // Values and a background index past the end of the table are black.
  GifFile small;
  small.width = 3;
  small.globalTable = {kRed, kGreen};
  small.background = 7;
  small.AddImage(2, 1, 3, testing::LzwEncode({1, 6}, 3));
  painted = Paint(small.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kGreen, kBlack, kBlack}));
}

TEST(GifPaint, BadCodesEndThePaintingWithWhatWasDecoded) {
  // After 1 the next free code is 6; 7 cannot be decoded.
  GifFile past = FourColours(3, 1);
  past.AddImage(3, 1, 2, PackCodes({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}}));
  PixelCanvas painted = Paint(past.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kRed, kBlack, kBlack}));

  // A first code that is not a single value.
  GifFile first = FourColours(2, 1);
  first.AddImage(2, 1, 2, PackCodes({{4, 3}, {6, 3}, {1, 3}, {5, 3}}));
  painted = Paint(first.Bytes());
  EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kBlack, kBlack}));

  // Code sizes the string table cannot take, and frames without pixels.
  for (int m : {12, 13, 255}) {
    GifFile wide = FourColours(2, 1);
    wide.AddImage(2, 1, m, std::string(40, '\xFF'));
    painted = Paint(wide.Bytes());
    EXPECT_EQ(Row(painted, 0), (std::vector<TColor>{kBlack, kBlack})) << m;
  }
  GifFile empty = FourColours(2, 1);
  empty.AddImage(0, 5, 2, testing::LzwEncode({1, 1}, 2));
  empty.AddImage(5, 0, 2, testing::LzwEncode({1, 1}, 2));
  EXPECT_EQ(Row(painted = Paint(empty.Bytes()), 0), (std::vector<TColor>{kBlack, kBlack}));
}

// A random image of random size and depth, written with random interlacing,
// sub-block lengths and table handling, paints exactly as made; every file
// cut short either fails to load or paints a part of it.
TEST(GifPaint, RandomImagesRoundTripAndSurviveTruncation) {
  std::mt19937 random(20240612);
  for (int round = 0; round < 60; ++round) {
    const int width = 1 + static_cast<int>(random() % (round < 50 ? 90 : 300));
    const int height = 1 + static_cast<int>(random() % (round < 50 ? 40 : 120));
    const int depth = 1 + static_cast<int>(random() % 8);
    const int m = std::max(2, depth);
    const bool interlaced = random() % 2 == 0;
    const bool clearWhenFull = random() % 2 == 0;
    // Every third screen is smaller than its frame.
    const bool clipped = round % 3 == 1;
    GifFile file;
    file.width = clipped ? 1 + static_cast<int>(random() % width) : width;
    file.height = clipped ? 1 + static_cast<int>(random() % height) : height;
    for (int i = 0; i < (1 << depth); ++i) file.globalTable.push_back(RgbColor(static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(i), 7));
    // Runs of one value (long strings) mixed with noise (a full table).
    std::vector<std::uint8_t> values(static_cast<std::size_t>(width) * height);
    const unsigned runs = random() % 4;
    for (std::size_t i = 0; i < values.size(); ++i)
      values[i] = (runs > 0 && (i / 500) % (runs + 1) != 0) ? 1 : static_cast<std::uint8_t>(random() % (1u << depth));
    // The rows in the order they are stored.
    std::vector<int> order;
    if (interlaced) {
      for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
        for (int y = start; y < height; y += step) order.push_back(y);
    } else {
      for (int y = 0; y < height; ++y) order.push_back(y);
    }
    std::vector<std::uint8_t> stored;
    for (int y : order) stored.insert(stored.end(), values.begin() + y * width, values.begin() + (y + 1) * width);
    const std::string codes = testing::LzwEncode(stored, m, clearWhenFull);
    const std::size_t blockSize = 1 + random() % 255;
    file.blocks += std::string("\x2C\0\0\0\0", 5) + GifFile::Le16(width) + GifFile::Le16(height) +
                   static_cast<char>(interlaced ? 0x40 : 0) + static_cast<char>(m) +
                   testing::SubBlocks(codes, blockSize);
    const std::string bytes = file.Bytes();

    PixelCanvas painted = Paint(bytes);
    int wrong = 0;
    for (int y = 0; y < file.height; ++y)
      for (int x = 0; x < file.width; ++x)
        wrong += painted.At(x, y) != file.globalTable[values[static_cast<std::size_t>(y) * width + x]];
    ASSERT_EQ(wrong, 0) << "round " << round << ": " << width << "x" << height << " depth " << depth
                        << (interlaced ? " interlaced" : "") << (clearWhenFull ? "" : " no clear when full");

    if (round % 20 != 1) continue;
    for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 8) {
      TGif gif;
      try {
        gif.LoadFromBytes(bytes.substr(0, cut));
      } catch (const EInvalidGraphic&) {
        continue;
      }
      PixelCanvas part(file.width, file.height);
      gif.Draw(part, {0, 0, file.width, file.height});
      ASSERT_EQ(part.outside, 0);
      for (int y = 0; y < file.height; ++y)
        for (int x = 0; x < file.width; ++x) {
          const TColor c = part.At(x, y);
          const TColor background = file.globalTable[0];
          ASSERT_TRUE(c == background || c == file.globalTable[values[static_cast<std::size_t>(y) * width + x]])
              << "cut at " << cut;
        }
    }
  }
}

}  // namespace
}  // namespace talvern

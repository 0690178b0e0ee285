// Painting a GIF frame: the LZW codes of its data sub-blocks are decoded into
// strings of colour values, the strings fill rows of the frame's width, and
// each finished row goes to the canvas in one run, at the display row that
// the interlacing gives it.
#include <algorithm>
#include <memory>

#include "gif/Gif.h"

namespace talvern {
namespace {

constexpr std::uint16_t kNoCode = 0xFFFF;
constexpr int kMaxRowWidth = 0xFFFF;
constexpr int kPaletteSize = 256;

// Fixed-size working space of the painting step, made once per thread that
// paints: the string table (each entry a prefix code and a suffix value, with
// the string's first value and length kept beside it), the output stack and
// one row of the widest possible frame.
struct StringEntry {
  std::uint16_t prefix;
  std::uint8_t suffix;
  std::uint8_t first;
  std::uint16_t length;
};

struct Scratch {
  StringEntry table[gif::kStringTableSize];
  std::uint8_t stack[gif::kStringTableSize];
  std::uint8_t row[kMaxRowWidth];
};

Scratch& ThreadScratch() {
  thread_local std::unique_ptr<Scratch> scratch;
  if (!scratch) scratch = std::make_unique<Scratch>();
  return *scratch;
}

// The codes of a run of data sub-blocks, least significant bit first. The
// data ends at a sub-block length of 0 or at the end of the bytes.
class CodeReader {
public:
  CodeReader(const std::uint8_t* data, std::size_t size, std::size_t position)
      : data_(data), size_(size), position_(position) {}

  // The next code of size bits; false when the data ends first.
  bool Read(int size, int& code) {
    if (bitCount_ < size) {
      Refill();
      if (bitCount_ < size) return false;
    }
    code = static_cast<int>(bits_ & ((1u << size) - 1));
    bits_ >>= size;
    bitCount_ -= size;
    return true;
  }

private:
  // Takes bytes until the buffer is nearly full or the data ends.
  void Refill() {
    while (bitCount_ <= 56) {
      if (left_ == 0) {
        if (ended_ || position_ >= size_ || data_[position_] == 0) {
          ended_ = true;
          return;
        }
        left_ = data_[position_++];
      }
      const std::size_t n = std::min<std::size_t>({left_, static_cast<std::size_t>((64 - bitCount_) / 8), size_ - position_});
      if (n == 0) {
        ended_ = true;
        return;
      }
      for (std::size_t i = 0; i < n; ++i, bitCount_ += 8)
        bits_ |= static_cast<std::uint64_t>(data_[position_ + i]) << bitCount_;
      position_ += n;
      left_ -= static_cast<unsigned>(n);
    }
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_;
  unsigned left_ = 0;  // bytes left in the current sub-block
  bool ended_ = false;
  std::uint64_t bits_ = 0;
  int bitCount_ = 0;
};

// The rows of a frame in the order they are stored: top to bottom, or in the
// four interlace passes (every 8th row from 0, every 8th from 4, every 4th
// from 2, every 2nd from 1).
class RowOrder {
public:
  RowOrder(int height, bool interlaced) : height_(height), interlaced_(interlaced) {}

  // How many rows are stored up to the last one above display row limit.
  static int RowsBefore(int height, bool interlaced, int limit) {
    limit = std::min(limit, height);
    if (!interlaced || limit <= 0) return std::max(limit, 0);
    int rows = 0;
    int needed = 0;
    for (int pass = 0; pass < 4; ++pass) {
      if (kStart[pass] < limit) needed = rows + Count(pass, limit);
      rows += Count(pass, height);
    }
    return needed;
  }

  int Row() const { return row_; }
  void Advance() {
    if (!interlaced_) {
      ++row_;
      return;
    }
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) row_ = kStart[++pass_];
  }

private:
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};

  // Rows of a pass below row n.
  static int Count(int pass, int n) { return n > kStart[pass] ? (n - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0; }

  int height_;
  bool interlaced_;
  int pass_ = 0;
  int row_ = 0;
};

class FramePainter {
public:
  FramePainter(Scratch& s, TCanvas& canvas, int left, int top, int width, int height, bool interlaced,
               int visibleWidth, int visibleHeight, const TColor* palette)
      : s_(s), canvas_(canvas), left_(left), top_(top), width_(width), visibleWidth_(std::min(width, visibleWidth)),
        visibleHeight_(visibleHeight), palette_(palette), order_(height, interlaced),
        rowsNeeded_(RowOrder::RowsBefore(height, interlaced, visibleHeight)) {}

  // Decodes the codes of the sub-blocks, painting as rows fill up.
  void Decode(CodeReader& reader, int minCodeSize) {
    if (rowsNeeded_ == 0) return;
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    for (int code = 0; code <= end; ++code)
      s_.table[code] = {kNoCode, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(code), 1};
    int nextFree = end + 1;
    int previous = -1;
    int codeSize = minCodeSize + 1;
    for (;;) {
      int code;
      if (!reader.Read(codeSize, code)) return Finish();

      if (code == clear) {
        nextFree = end + 1;
        previous = -1;
        codeSize = minCodeSize + 1;
        continue;
      }
      if (code == end) return Finish();
      if (previous < 0) {
        // The first code after a reset is a single value.
        if (code >= nextFree) return Finish();
        if (!Put(code, -1)) return;
        previous = code;
        continue;
      }
      if (code > nextFree || (code == nextFree && nextFree >= gif::kStringTableSize)) return Finish();
      const bool known = code < nextFree;
      // A code not yet in the table stands for the previous string followed
      // by its own first value.
      const StringEntry& before = s_.table[previous];
      const std::uint8_t firstValue = known ? s_.table[code].first : before.first;
      if (!(known ? Put(code, -1) : Put(previous, firstValue))) return;
      if (nextFree < gif::kStringTableSize) {
        s_.table[nextFree] = {static_cast<std::uint16_t>(previous), firstValue, before.first,
                              static_cast<std::uint16_t>(before.length + 1)};
        ++nextFree;
        if ((nextFree & (nextFree - 1)) == 0 && nextFree <= (1 << (gif::kMaxCodeBits - 1)) &&
            codeSize < gif::kMaxCodeBits)
          ++codeSize;
      }
      previous = code;
    }
  }

private:
  // Writes the string of code into out, first value first.
  void WriteString(int code, std::uint8_t* out) const {
    const StringEntry* entry = &s_.table[code];
    for (int i = entry->length - 1; i > 0; --i) {
      out[i] = entry->suffix;
      entry = &s_.table[entry->prefix];
    }
    out[0] = entry->suffix;
  }

  // Outputs the string of code, followed by extra when extra >= 0. Answers
  // false when every row that shows is painted.
  bool Put(int code, int extra) {
    const int count = s_.table[code].length + (extra >= 0 ? 1 : 0);
    if (fill_ + count <= width_) {
      WriteString(code, s_.row + fill_);
      if (extra >= 0) s_.row[fill_ + count - 1] = static_cast<std::uint8_t>(extra);
      fill_ += count;
      return fill_ < width_ || EmitRow();
    }
    // The string runs over the end of the row.
    WriteString(code, s_.stack);
    if (extra >= 0) s_.stack[count - 1] = static_cast<std::uint8_t>(extra);
    for (int done = 0; done < count;) {
      const int n = std::min(count - done, width_ - fill_);
      std::copy_n(s_.stack + done, n, s_.row + fill_);
      fill_ += n;
      done += n;
      if (fill_ == width_ && !EmitRow()) return false;
    }
    return true;
  }

  // Paints the row filled so far and starts the next one. Answers false when
  // every row that shows is painted.
  bool EmitRow() {
    PaintRow(fill_);
    fill_ = 0;
    order_.Advance();
    return ++rowsDone_ < rowsNeeded_;
  }

  void PaintRow(int count) {
    const int y = order_.Row();
    count = std::min(count, visibleWidth_);
    if (y >= visibleHeight_ || count <= 0) return;
    canvas_.SetPixelValues(left_, top_ + y, s_.row, count, palette_);
  }

  // The data ended inside the frame: the part of a row decoded shows.
  void Finish() {
    if (fill_ > 0) PaintRow(fill_);
    fill_ = 0;
  }

  Scratch& s_;
  TCanvas& canvas_;
  int left_;
  int top_;
  int width_;
  int visibleWidth_;
  int visibleHeight_;
  const TColor* palette_;
  RowOrder order_;
  int rowsNeeded_;  // rows are decoded until the last one that shows
  int rowsDone_ = 0;
  int fill_ = 0;
};

// Colours of a local colour table (3 bytes an entry), black past its end.
void FillPalette(TColor* palette, const std::uint8_t* table, int entries) {
  for (int i = 0; i < kPaletteSize; ++i)
    palette[i] = i < entries ? RgbColor(table[3 * i], table[3 * i + 1], table[3 * i + 2]) : kBlack;
}

}  // namespace

void TGif::Draw(TCanvas& canvas, const TRect& rect) {
  const int background = BackgroundIndex();
  TColor backgroundColor = kWhite;
  if (!colorTable_.empty()) {
    backgroundColor = background < static_cast<int>(colorTable_.size())
                          ? RgbColor(colorTable_[background][0], colorTable_[background][1], colorTable_[background][2])
                          : kBlack;
  }
  canvas.FillRect(rect, backgroundColor);
  if (frames_.empty()) return;

  const TGifFrameInfo frame = FrameInfo(currentFrame_);
  if (frame.minCodeSize < 0 || frame.minCodeSize > gif::kMaxMinCodeSize || frame.width == 0 || frame.height == 0)
    return;
  TColor palette[kPaletteSize];
  const std::size_t tableAt = FramePosition(currentFrame_) + gif::kDescriptorSize;
  if (frame.localColors > 0) {
    FillPalette(palette, &data_[tableAt], frame.localColors);
  } else if (!colorTable_.empty()) {
    for (int i = 0; i < kPaletteSize; ++i) {
      const auto* entry = i < static_cast<int>(colorTable_.size()) ? colorTable_[i].data() : nullptr;
      palette[i] = entry ? RgbColor(entry[0], entry[1], entry[2]) : kBlack;
    }
  } else {
    // No colour table at all: a grey ramp over the values the code size gives.
    const int levels = 1 << std::clamp(frame.minCodeSize, 1, 8);
    for (int i = 0; i < kPaletteSize; ++i) {
      const int grey = i < levels ? i * 255 / (levels - 1) : 255;
      palette[i] = RgbColor(static_cast<std::uint8_t>(grey), static_cast<std::uint8_t>(grey),
                            static_cast<std::uint8_t>(grey));
    }
  }
  const std::size_t codesAt = tableAt + 3 * static_cast<std::size_t>(frame.localColors) + 1;
  CodeReader reader(data_.data(), data_.size(), codesAt);
  FramePainter painter(ThreadScratch(), canvas, rect.left, rect.top, frame.width, frame.height, frame.interlaced,
                       Width(), Height(), palette);
  painter.Decode(reader, frame.minCodeSize);
}

}  // namespace talvern

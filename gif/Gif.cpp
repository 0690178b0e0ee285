#include "gif/Gif.h"

#include <cstring>
#include <iterator>

namespace talvern {

void TGraphic::Assign(const TGraphic& /*source*/) { throw EInvalidGraphic(kGraphicCannotAssign); }

void TGif::Assign(const TGraphic& source) {
  const auto* gif = dynamic_cast<const TGif*>(&source);
  if (!gif) {
    TGraphic::Assign(source);
    return;
  }
  if (gif == this) return;
  header_ = gif->header_;
  transparent_ = gif->transparent_;
  currentFrame_ = gif->currentFrame_;
  colorTable_ = gif->colorTable_;
  data_ = gif->data_;
  BuildIndexes();
  Changed();
}

bool TGif::Empty() const { throw EInvalidGraphic(kGraphicAbstract); }
void TGif::SetHeight(int /*value*/) { throw EInvalidGraphic(kGraphicAbstract); }
void TGif::SetWidth(int /*value*/) { throw EInvalidGraphic(kGraphicAbstract); }

int TGif::Width() const { return static_cast<int>(gif::GetLE16(&header_[gif::kWidthOffset])); }
int TGif::Height() const { return static_cast<int>(gif::GetLE16(&header_[gif::kHeightOffset])); }

std::string_view TGif::Version() const {
  return std::string_view(reinterpret_cast<const char*>(&header_[gif::kVersionOffset]), 3);
}

void TGif::LoadFromStream(std::istream& stream) {
  const std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  LoadFromBytes(bytes);
}

void TGif::LoadFromBytes(std::string_view bytes) {
  data_.clear();
  colorTable_.clear();
  frames_.clear();
  extensions_.clear();
  header_.fill(0);
  currentFrame_ = 0;

  const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::int64_t rest = static_cast<std::int64_t>(bytes.size()) - static_cast<std::int64_t>(gif::kHeaderSize);
  if (rest <= 0) throw EInvalidGraphic(kGifInvalidData);
  std::array<std::uint8_t, gif::kHeaderSize> header;
  std::memcpy(header.data(), in, gif::kHeaderSize);
  in += gif::kHeaderSize;
  if (std::memcmp(header.data(), "GIF", 3) != 0) throw EInvalidGraphic(kGifInvalidFormat);
  const char* version = reinterpret_cast<const char*>(&header[gif::kVersionOffset]);
  if (std::memcmp(version, "87a", 3) != 0 && std::memcmp(version, "89a", 3) != 0)
    throw EInvalidGraphic(kGifInvalidVersion);
  const std::int64_t pixels = static_cast<std::int64_t>(gif::GetLE16(&header[gif::kWidthOffset])) *
                              gif::GetLE16(&header[gif::kHeightOffset]);
  if (pixels > kGifMaxPixels) throw EInvalidGraphic(kGifTooLarge);

  const std::uint8_t packed = header[gif::kPackedOffset];
  if (packed & gif::kColorTableFlag) {
    const int entries = gif::ColorTableEntries(packed);
    rest -= 3 * entries;
    if (rest <= 0) throw EInvalidGraphic(kGifInvalidData);
    colorTable_.resize(static_cast<std::size_t>(entries));
    for (auto& entry : colorTable_) {
      std::memcpy(entry.data(), in, 3);
      in += 3;
    }
  }
  std::vector<std::uint8_t> data(in, in + rest);
  header_ = header;
  data_ = std::move(data);
  try {
    BuildIndexes();
  } catch (...) {
    data_.clear();
    colorTable_.clear();
    frames_.clear();
    extensions_.clear();
    header_.fill(0);
    throw;
  }
  if (!frames_.empty()) SelectFrame(0);
}

void TGif::SaveToStream(std::ostream& stream) const {
  if (data_.empty()) return;
  stream.write(reinterpret_cast<const char*>(header_.data()), static_cast<std::streamsize>(header_.size()));
  for (const auto& entry : colorTable_) stream.write(reinterpret_cast<const char*>(entry.data()), 3);
  stream.write(reinterpret_cast<const char*>(data_.data()), static_cast<std::streamsize>(data_.size()));
}

void TGif::SelectFrame(int index) {
  if (index < 0 || index >= FrameCount()) return;
  currentFrame_ = index;
  Changed();
}

// Walks the blocks of the data, recording where each image and extension
// starts. A file cut short inside a block ends the walk there: what was
// recorded stays, and painting stops where the data ends.
void TGif::BuildIndexes() {
  frames_.clear();
  extensions_.clear();
  const std::size_t size = data_.size();
  std::size_t position = 0;
  while (position < size) {
    const std::uint8_t introducer = data_[position];
    if (introducer == gif::kExtensionIntroducer) {
      extensions_.push_back(position + 1);
      position = SkipSubBlocks(position + 2);
    } else if (introducer == gif::kImageSeparator) {
      frames_.push_back(position + 1);
      position += 1 + gif::kDescriptorSize;
      if (position > size) break;
      const std::uint8_t packed = data_[position - 1];
      if (packed & gif::kColorTableFlag) position += 3 * static_cast<std::size_t>(gif::ColorTableEntries(packed));
      position = SkipSubBlocks(position + 1);
    } else if (introducer == gif::kTrailer) {
      break;
    } else {
      throw EInvalidGraphic(kGifInvalidData);
    }
  }
  if (currentFrame_ >= FrameCount()) currentFrame_ = 0;
}

std::size_t TGif::SkipSubBlocks(std::size_t position) const {
  while (position < data_.size() && data_[position] != 0) position += data_[position] + 1u;
  return position + 1;
}

TGifFrameInfo TGif::FrameInfo(int index) const {
  TGifFrameInfo info;
  const std::size_t at = FramePosition(index);
  if (at + gif::kDescriptorSize > data_.size()) return info;
  const std::uint8_t* d = &data_[at];
  info.left = static_cast<int>(gif::GetLE16(d + gif::kLeftOffset));
  info.top = static_cast<int>(gif::GetLE16(d + gif::kTopOffset));
  info.width = static_cast<int>(gif::GetLE16(d + gif::kFrameWidthOffset));
  info.height = static_cast<int>(gif::GetLE16(d + gif::kFrameHeightOffset));
  const std::uint8_t packed = d[gif::kFramePackedOffset];
  info.interlaced = (packed & gif::kInterlaceFlag) != 0;
  if (packed & gif::kColorTableFlag) info.localColors = gif::ColorTableEntries(packed);
  const std::size_t codeSizeAt = at + gif::kDescriptorSize + 3 * static_cast<std::size_t>(info.localColors);
  info.complete = codeSizeAt <= data_.size();
  if (codeSizeAt < data_.size()) info.minCodeSize = data_[codeSizeAt];
  return info;
}

int TGif::ExtensionLabel(int index) const {
  const std::size_t at = ExtensionPosition(index);
  return at < data_.size() ? data_[at] : -1;
}

}  // namespace talvern

#pragma once
// The blocks of a GIF file (versions 87a and 89a). Integers are 16-bit
// little-endian.
//
// Header (13 bytes):
//   0  3  signature "GIF"            10  1  packed: bit 7 a global colour
//   3  3  version "87a" or "89a"            table follows, bits 0-2 its size
//   6  2  logical screen width              field s (2^(s+1) entries)
//   8  2  logical screen height      11  1  background colour index
//                                    12  1  pixel aspect ratio
// Colour table: 3 bytes (red, green, blue) per entry.
//
// Then blocks, each opened by one byte:
//   0x2C image: a 9-byte descriptor, a local colour table when the packed
//        byte says so, the LZW minimum code size (1 byte), data sub-blocks
//   0x21 extension: a label (1 byte), data sub-blocks
//   0x3B trailer: the end of the file
// Image descriptor (after 0x2C):
//   0  2  left      4  2  width      8  1  packed: bit 7 a local colour
//   2  2  top       6  2  height           table follows, bit 6 interlaced,
//                                          bits 0-2 its size field t
// Data sub-blocks: a length byte n and n bytes, repeated; a length of 0 ends
// them.
//
// Image data is LZW-coded with variable-length codes read least significant
// bit first, starting at minimum code size + 1 bits and growing up to 12.

#include <cstddef>
#include <cstdint>

namespace talvern::gif {

constexpr std::size_t kHeaderSize = 13;
constexpr std::size_t kVersionOffset = 3;
constexpr std::size_t kWidthOffset = 6;
constexpr std::size_t kHeightOffset = 8;
constexpr std::size_t kPackedOffset = 10;
constexpr std::size_t kBackgroundOffset = 11;
constexpr std::size_t kAspectOffset = 12;

constexpr std::uint8_t kImageSeparator = 0x2C;
constexpr std::uint8_t kExtensionIntroducer = 0x21;
constexpr std::uint8_t kTrailer = 0x3B;

constexpr std::size_t kDescriptorSize = 9;
constexpr std::size_t kLeftOffset = 0;
constexpr std::size_t kTopOffset = 2;
constexpr std::size_t kFrameWidthOffset = 4;
constexpr std::size_t kFrameHeightOffset = 6;
constexpr std::size_t kFramePackedOffset = 8;

constexpr std::uint8_t kColorTableFlag = 0x80;  // in both packed bytes
constexpr std::uint8_t kInterlaceFlag = 0x40;   // image descriptor only
constexpr std::uint8_t kTableSizeMask = 0x07;

constexpr int kMaxCodeBits = 12;
constexpr int kStringTableSize = 1 << kMaxCodeBits;
constexpr int kMaxMinCodeSize = 11;  // a clear code must fit the string table

// Entries of a colour table with size field s.
constexpr int ColorTableEntries(std::uint8_t packed) { return 2 << (packed & kTableSizeMask); }

inline unsigned GetLE16(const std::uint8_t* p) { return p[0] | static_cast<unsigned>(p[1]) << 8; }

}  // namespace talvern::gif

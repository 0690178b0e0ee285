#pragma once
// The layout of a compound index file (.cdx), in 512-byte pages addressed by
// byte offset. Integers are little-endian, except the record number and
// child page of interior entries, which are big-endian.
//
// Tag header (1024 bytes; the tag directory's at offset 0):
//   0   4  root page offset           12  2  key length (at most 240)
//   4   4  free list (always 0)       14  1  options: 1 unique, 8 FOR,
//   8   4  change counter                    0x20 compact, 0x40 compound,
//                                            0x80 tag directory
//   15  1  signature (1; 2 with the GENERAL collation name)
//   494 8  collation name ("GENERAL", or zeros)   502 2  1 descending
//   504 2  key expression length + 1 (0 without)   506 2  FOR length + 1
//   510 2  key expression length + 1 (1 without)
//   512 .. key expression, 0, FOR expression, 0
//
// Node page: 0 attributes (0 interior, 1 root, 2 leaf, 3 root leaf),
// 2 entry count, 4 left sibling, 8 right sibling (-1 none).
// Interior entries from 12: key (padded), record number, child page.
// Leaf from 12: 2 free bytes, 4 record mask, 1 duplicate mask, 1 trailing
// mask, 1 record bits, 1 duplicate bits, 1 trailing bits, 1 entry bytes;
// entry descriptors from 24 upwards, key bytes from 511 downwards. A
// descriptor holds the record number in its low bits, then the duplicate
// count (bytes shared with the previous key), then the trailing count
// (pad bytes not stored) in its top bits.

#include <cstdint>

namespace talvern::cdx {

constexpr std::int32_t kPageSize = 512;
constexpr std::int32_t kHeaderSize = 1024;
constexpr std::int32_t kMaxKeyLength = 240;

// Tag header.
constexpr int kRootOffset = 0;
constexpr int kFreeListOffset = 4;
constexpr int kVersionOffset = 8;
constexpr int kKeyLengthOffset = 12;
constexpr int kOptionsOffset = 14;
constexpr int kSignatureOffset = 15;
constexpr int kCollationOffset = 494;
constexpr int kCollationSize = 8;
constexpr int kDescendingOffset = 502;
constexpr int kKeyExprLengthOffset = 504;
constexpr int kForExprLengthOffset = 506;
constexpr int kKeyExprLength2Offset = 510;
constexpr int kExpressionsOffset = 512;

constexpr std::uint8_t kOptionUnique = 0x01;
constexpr std::uint8_t kOptionNullable = 0x02;  // keys carry a leading null-flag byte
constexpr std::uint8_t kOptionFor = 0x08;
constexpr std::uint8_t kOptionsTag = 0x60;
constexpr std::uint8_t kOptionsDirectory = 0xE0;
constexpr std::uint8_t kOptionDirectory = 0x80;

// Node page.
constexpr int kAttributesOffset = 0;
constexpr int kCountOffset = 2;
constexpr int kLeftOffset = 4;
constexpr int kRightOffset = 8;
constexpr int kInteriorEntries = 12;
constexpr std::uint16_t kAttrInterior = 0;
constexpr std::uint16_t kAttrRoot = 1;
constexpr std::uint16_t kAttrLeaf = 2;

// Leaf page.
constexpr int kFreeSpaceOffset = 12;
constexpr int kRecMaskOffset = 14;
constexpr int kDupMaskOffset = 18;
constexpr int kTrailMaskOffset = 19;
constexpr int kRecBitsOffset = 20;
constexpr int kDupBitsOffset = 21;
constexpr int kTrailBitsOffset = 22;
constexpr int kEntryBytesOffset = 23;
constexpr int kLeafEntries = 24;
constexpr int kLeafArea = kPageSize - kLeafEntries;  // 488
// A leaf rewritten by key maintenance splits at this running total of bytes.
constexpr int kLeafSplitTotal = 250;

// Space of an interior page for entries: 500 bytes.
constexpr int kInteriorArea = 500;

// The bit layout of the entries of one leaf page.
struct LeafLayout {
  std::uint8_t entryBytes = 3;
  std::uint8_t recBits = 0;
  std::uint8_t dupBits = 0;
  std::uint8_t trailBits = 0;
  std::uint32_t recMask = 0;
  std::uint8_t dupMask = 0;
  std::uint8_t trailMask = 0;
};

// Number of significant bits of the key length (10 -> 4, 7 -> 3).
inline int SignificantBits(int keyLength) {
  int n = 0;
  while (keyLength > 0) {
    ++n;
    keyLength >>= 1;
  }
  return n;
}

inline LeafLayout MakeLeafLayout(int keyLength, int entryBytes) {
  LeafLayout l;
  int n = SignificantBits(keyLength);
  l.entryBytes = static_cast<std::uint8_t>(entryBytes);
  l.dupBits = l.trailBits = static_cast<std::uint8_t>(n);
  l.dupMask = l.trailMask = static_cast<std::uint8_t>((1u << n) - 1);
  l.recBits = static_cast<std::uint8_t>(entryBytes * 8 - 2 * n);
  l.recMask = l.recBits >= 32 ? 0xFFFFFFFFu : (1u << l.recBits) - 1;
  return l;
}

// The layout of a leaf written by the tag builder: 3 bytes per entry, one
// more while the record numbers need it.
inline LeafLayout BuilderLeafLayout(int keyLength, std::uint32_t recordCount) {
  int entryBytes = 3;
  LeafLayout l = MakeLeafLayout(keyLength, entryBytes);
  while (l.recMask < recordCount && l.recMask != 0xFFFFFFFFu && entryBytes < 8) {
    l = MakeLeafLayout(keyLength, ++entryBytes);
  }
  return l;
}

// The layout of a leaf rewritten by key maintenance: 2 bytes per entry, one
// more while the largest value does not fit.
inline LeafLayout WriterLeafLayout(int keyLength, std::uint32_t largest) {
  int entryBytes = 2;
  LeafLayout l = MakeLeafLayout(keyLength, entryBytes);
  while ((l.recBits < 1 || largest > l.recMask) && entryBytes < 8) {
    l = MakeLeafLayout(keyLength, ++entryBytes);
  }
  return l;
}

}  // namespace talvern::cdx

#pragma once
// The layout of a multiple-tag index file (.mdx). The file is addressed in
// 512-byte units; its blocks (pages) are a whole number of units long (two
// in the files this program makes: 1024 bytes). Integers are little-endian.
//
// File header (block 0, the first 512 bytes):
//   0  1 version (2; 3 in files of later programs)
//   1  3 date of the last update: year mod 100, month, day
//   4  9 table base name, upper case, zero-terminated
//   20 2 block size in 512-byte units      22 2 block size in bytes
//   24 1 1 (production index)               25 1 tag table capacity (48)
//   26 1 tag table entry length (32; 43 in version 3 files)
//   28 2 number of tags                     32 4 next free unit
//   44 3 creation date
// The tag table follows at 512: entry i (i >= 1 for the tags, entry 0 only
// links to the first) at 512 + i x entry length:
//   0  4 tag header unit   4 .. tag name, zero-terminated (11 bytes; 33 in
//   43-byte entries), then 6 bytes: format 0x10, left, right (entry i - 1
//   holds i), backward, 2, key type ('C', 'N', 'D').
// The header area is (units per block) x (bytes per block) bytes (2048).
//
// Tag header (one block at its unit):
//   0   4 root unit                8  1 flags: 0x10, + 0x40 unique, + 8 descending
//   9   1 key type                 12 2 key length ('N' 12, 'D' 8)
//   14  2 maximum keys per block = (block size - 8) div item length - 1
//   18  2 item length = key length + 4, rounded up to a multiple of 4
//   23  1 0x40 when unique         24 221 key expression, zero-terminated
//   245 1 1 with a FOR expression  246 1 1
//   248 4 first block written for the tag      252 4 last block written
//   762 262 FOR expression, zero-terminated
//
// Node block: 0 4 key count, 4 4 the block written for the tag just before
// this one (a chain in writing order); items from 8, each item length
// bytes: 4-byte record number (leaf) or child unit (interior), then the key
// (character: blank-padded; 'D': the day number as a double; 'N': the
// 12-byte decimal form of NumericKeys.h). An interior node has one child
// more than keys: the 4-byte pointer after the last key, non-zero only in
// interior nodes.

#include <cstdint>

namespace talvern::mdx {

constexpr std::int32_t kUnit = 512;
constexpr std::int32_t kNewBlockSize = 1024;
constexpr std::int32_t kNewHeaderSize = 2048;
constexpr int kMaxKeyLength = 240;

// File header.
constexpr int kVersionOffset = 0;
constexpr int kUpdateDateOffset = 1;
constexpr int kTableNameOffset = 4;
constexpr int kTableNameSize = 9;
constexpr int kBlockUnitsOffset = 20;
constexpr int kBlockBytesOffset = 22;
constexpr int kProductionOffset = 24;
constexpr int kCapacityOffset = 25;
constexpr int kEntryLengthOffset = 26;
constexpr int kTagCountOffset = 28;
constexpr int kNextFreeOffset = 32;
constexpr int kCreationDateOffset = 44;
constexpr std::uint8_t kVersion = 2;
constexpr std::uint8_t kLaterVersion = 3;
constexpr std::uint8_t kCapacity = 48;

// Tag table.
constexpr int kTagTableOffset = 512;
constexpr int kEntryLength = 32;
constexpr int kLongEntryLength = 43;
constexpr int kEntryNameOffset = 4;
// The six bytes after the name: format, left, right, backward, 2, key type.
constexpr int kEntryTailLength = 6;
constexpr std::uint8_t kEntryFormat = 0x10;
constexpr std::uint8_t kEntryTwo = 2;
// Longest tag name of a 32-byte entry.
constexpr std::size_t kMaxTagName = 10;

// Tag header.
constexpr int kRootOffset = 0;
constexpr int kFlagsOffset = 8;
constexpr int kKeyTypeOffset = 9;
constexpr int kKeyLengthOffset = 12;
constexpr int kMaxKeysOffset = 14;
constexpr int kItemLengthOffset = 18;
constexpr int kUniqueOffset = 23;
constexpr int kKeyExprOffset = 24;
constexpr int kKeyExprSize = 221;
constexpr int kHasForOffset = 245;
constexpr int kOneOffset = 246;
constexpr int kFirstBlockOffset = 248;
constexpr int kLastBlockOffset = 252;
constexpr int kForExprOffset = 762;
constexpr int kForExprSize = 262;
constexpr std::uint8_t kFlagsTag = 0x10;
constexpr std::uint8_t kFlagUnique = 0x40;
constexpr std::uint8_t kFlagDescending = 0x08;

// Node block.
constexpr int kCountOffset = 0;
constexpr int kChainOffset = 4;
constexpr int kItemsOffset = 8;
constexpr int kPointerBytes = 4;

inline int ItemLength(int keyLength) { return (keyLength + 4 + 3) / 4 * 4; }
inline int MaxKeys(int blockSize, int itemLength) { return (blockSize - 8) / itemLength - 1; }

}  // namespace talvern::mdx

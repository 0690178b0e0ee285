#pragma once
// The layout of a single-tag index file (.ndx): 512-byte blocks addressed
// by block number; integers little-endian.
//
// Header (block 0):
//   0  4 root block               4  4 number of blocks in the file (next free)
//   12 2 key length (8 for numeric and date keys)
//   14 2 maximum keys per block = 504 div item size
//   16 2 0 character keys, 1 numeric or date keys
//   18 2 item size = key length + 8, rounded up to a multiple of 4
//   23 1 1 when unique            24 488 key expression, zero-terminated
//
// Node block: 0 4 key count; items from 4, each item size bytes: 4-byte
// child block (0 in leaves), 4-byte record number (0 in interior nodes),
// the key (character: blank-padded; numeric and date: the double). An
// interior node has one child more than keys: the child block of the item
// after the last key. A node is interior when its first item has a child.
// Numeric and date tags made here keep room for a 12-byte key in each item
// (item size 20) while their key length is 8.

#include <cstdint>

namespace talvern::ndx {

constexpr std::int32_t kBlockSize = 512;
constexpr int kMaxKeyLength = 240;

// Header.
constexpr int kRootOffset = 0;
constexpr int kBlockCountOffset = 4;
constexpr int kKeyLengthOffset = 12;
constexpr int kMaxKeysOffset = 14;
constexpr int kKeyTypeOffset = 16;
constexpr int kItemSizeOffset = 18;
constexpr int kUniqueOffset = 23;
constexpr int kKeyExprOffset = 24;
constexpr int kKeyExprSize = 488;
constexpr std::uint16_t kCharacterKeys = 0;
constexpr std::uint16_t kNumericKeys = 1;
constexpr int kNumericItemKey = 12;

// Node block.
constexpr int kCountOffset = 0;
constexpr int kItemsOffset = 4;
constexpr int kItemArea = 504;
constexpr int kRecnoOffset = 4;  // within an item
constexpr int kKeyOffset = 8;    // within an item

inline int ItemSize(int keyLength) { return (keyLength + 8 + 3) / 4 * 4; }
inline int MaxKeys(int itemSize) { return kItemArea / itemSize; }

}  // namespace talvern::ndx

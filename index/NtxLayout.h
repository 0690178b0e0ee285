#pragma once
// The layout of a single-tag index file (.ntx): 1024-byte pages addressed
// by byte offset; integers little-endian.
//
// Header (1024 bytes at offset 0):
//   0   2 signature: 6, or 7 with a FOR expression
//   2   2 change counter (1 to 32767, then 1 again)
//   4   4 root page offset
//   12  2 item size = key length + 8          14 2 key length
//   16  2 decimals of numeric keys
//   18  2 maximum keys per page = 2 x ((1020 div (key length + 10) - 1) div 2)
//   20  2 half of that
//   22  256 key expression, zero-terminated
//   278 1 1 when unique                        279 1 1 when descending
//   282 742 FOR expression, zero-terminated
//
// Page: 0 2 key count; from 2 a table of maximum keys + 1 item offsets (2
// bytes each); each item: 4-byte child page offset (0 in leaves), 4-byte
// record number, the key blank-padded. A page of n keys has n + 1 children:
// the child of item n is the last one. The tree is a B-tree: the items of
// an interior page are entries of their own, between the entries of the
// children to their left and right. A page is interior when its first item
// has a child.

#include <cstdint>

namespace talvern::ntx {

constexpr std::int32_t kPageSize = 1024;
constexpr int kMaxKeyLength = 240;

// Header.
constexpr int kSignatureOffset = 0;
constexpr int kCounterOffset = 2;
constexpr int kRootOffset = 4;
constexpr int kItemSizeOffset = 12;
constexpr int kKeyLengthOffset = 14;
constexpr int kDecimalsOffset = 16;
constexpr int kMaxKeysOffset = 18;
constexpr int kHalfKeysOffset = 20;
constexpr int kKeyExprOffset = 22;
constexpr int kKeyExprSize = 256;
constexpr int kUniqueOffset = 278;
constexpr int kDescendingOffset = 279;
constexpr int kForExprOffset = 282;
constexpr int kForExprSize = 742;
constexpr std::uint16_t kSignature = 6;
constexpr std::uint16_t kSignatureFor = 7;
constexpr std::uint16_t kMaxCounter = 32767;

// Page.
constexpr int kCountOffset = 0;
constexpr int kOffsetsOffset = 2;
constexpr int kRecnoOffset = 4;  // within an item
constexpr int kKeyOffset = 8;    // within an item

inline int ItemSize(int keyLength) { return keyLength + 8; }
inline int MaxKeys(int keyLength) { return 2 * ((1020 / (keyLength + 10) - 1) / 2); }
// Where item i lies in a page written afresh.
inline int FreshItemOffset(int maxKeys, int itemSize, int i) { return 2 * (maxKeys + 2) + i * itemSize; }

}  // namespace talvern::ntx

#pragma once
// Layout of a DBF table file (all integers little-endian).
//
//   offset  size  content
//   0       1     version byte (0x03, 0x04, 0x30, 0x83, 0x8B, 0xF5)
//   1       3     date of the last update: year mod 100, month, day
//   4       4     record count (written; on reading the file size decides)
//   8       2     header length: offset of the first record
//   10      2     record length, deletion flag included
//   12      3     reserved, kept
//   15      1     encryption flag: 0 plain, else enciphered
//   16      4     update stamp ((h*64 + m)*64 + s)*1024 + ms
//   20      4     user identifier of the last writer
//   24      4     reserved, kept
//   28      1     table flags: 0x01 production index, 0x02 memo file (read
//                 for 0x30 only), 0x04 kept; other bits cleared on writing
//   29      3     reserved (29: code page of other programs), kept
//   32      32*n  field descriptors, ended by 0x0D
//   ...     263   version 0x30 only: back-link area after the terminator
//   header length: records of record length bytes; 0x1A after the last
//
// Field descriptor (32 bytes):
//   0   11  name, ASCII, NUL-padded
//   11  1   type letter
//   12  4   in memory: the field's offset in the record
//   16  1   length
//   17  1   decimals; for type C the high byte of the length
//   26  2   in memory: the 1-based field number
//
// Record: byte 0 is " " (active) or "*" (deleted), then the fields in
// descriptor order.

#include <cstdint>

namespace talvern::dbf {

constexpr int kHeaderSize = 32;
constexpr int kVersionOffset = 0;
constexpr int kUpdateDateOffset = 1;
constexpr int kRecordCountOffset = 4;
constexpr int kHeaderLengthOffset = 8;
constexpr int kRecordLengthOffset = 10;
constexpr int kEncryptedOffset = 15;
constexpr int kUpdateStampOffset = 16;
constexpr int kUserIdOffset = 20;
constexpr int kTableFlagsOffset = 28;
constexpr int kCodePageOffset = 29;

constexpr int kDescriptorSize = 32;
constexpr int kFieldNameOffset = 0;
constexpr int kFieldNameSize = 11;
constexpr int kFieldTypeOffset = 11;
constexpr int kFieldOffsetOffset = 12;
constexpr int kFieldLengthOffset = 16;
constexpr int kFieldDecimalsOffset = 17;
constexpr int kFieldNumberOffset = 26;

constexpr std::uint8_t kDescriptorTerminator = 0x0D;
constexpr std::uint8_t kEndOfFile = 0x1A;
constexpr int kBackLinkSize = 263;

constexpr std::uint8_t kFlagProductionIndex = 0x01;
constexpr std::uint8_t kFlagMemo = 0x02;
constexpr std::uint8_t kFlagKept = 0x04;

constexpr std::uint8_t kVersionDb3 = 0x03;
constexpr std::uint8_t kVersionDb4 = 0x04;
constexpr std::uint8_t kVersionVfp = 0x30;
constexpr std::uint8_t kVersionDb3Memo = 0x83;
constexpr std::uint8_t kVersionDb4Memo = 0x8B;
constexpr std::uint8_t kVersionFoxMemo = 0xF5;

constexpr char kActiveFlag = ' ';
constexpr char kDeletedFlag = '*';

inline bool IsKnownVersion(std::uint8_t v) {
  return v == kVersionDb3 || v == kVersionDb4 || v == kVersionVfp || v == kVersionDb3Memo ||
         v == kVersionDb4Memo || v == kVersionFoxMemo;
}

// Length of a field from its descriptor: type C takes byte 17 as the high
// byte of the length.
inline int DescriptorLength(const std::uint8_t* d) {
  int length = d[kFieldLengthOffset];
  if (d[kFieldTypeOffset] == 'C') length += 256 * d[kFieldDecimalsOffset];
  return length;
}
inline int DescriptorDecimals(const std::uint8_t* d) {
  return d[kFieldTypeOffset] == 'C' ? 0 : d[kFieldDecimalsOffset];
}

}  // namespace talvern::dbf

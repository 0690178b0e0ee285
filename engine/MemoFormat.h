#pragma once
// Layouts of the three memo file formats. Block numbers count blocks of the
// file's block size from its start; block 0 holds the file header.
//
// dBASE III .dbt (table version 0x83), block size 512:
//   header  0  4  next free block (LE): first block past the used area
//           8  8  base name of the file, NUL-padded (written on rename)
//   memo    the text, then two 0x1A; the rest of the last block zero. The
//           text ends at its first 0x1A and reads at most 65519 bytes. In an
//           enciphered table a memo starts with its length (LE32).
//
// dBASE IV .dbt (0x8B):
//   header  0  4  head of the free-block list (LE); when the list is empty,
//                 the first block past the end of the file
//           4  4  0 once blocks have been freed
//           8  8  base name of the file, NUL-padded (written on rename)
//           20 4  block size in bytes (LE)
//   memo    0  2  0xFF 0xFF
//           2  2  8: offset of the text (LE)
//           4  4  text length + 8 (LE); the text follows, no end marker
//   free    0  4  next free run (LE); the last points past the end of the file
//           4  4  number of blocks in this run (LE)
//
// FoxPro .fpt (0xF5, 0x30):
//   header  0  4  next free block (BE)
//           6  2  block size in bytes (BE)
//   memo    0  4  type (BE): 1 text; 0 picture and 2 object (Visual FoxPro
//                 general fields) are read too, and types from 1000 on,
//                 which other xBase engines write for values of their own,
//                 as their bytes
//           4  4  text length (BE); the text follows, no end marker

#include <cstdint>

namespace talvern::memo {

constexpr int kHeadBufferSize = 32;
constexpr int kDb3BlockSize = 512;
constexpr int kDb3MaxLength = 65519;
constexpr std::uint8_t kDb3Terminator = 0x1A;
constexpr int kDb3TerminatorSize = 2;
constexpr int kLengthPrefixSize = 4;  // enciphered dBASE III memos

constexpr int kNextFreeOffset = 0;
constexpr int kDb4FreedOffset = 4;
constexpr int kFileNameOffset = 8;
constexpr int kFileNameSize = 8;
constexpr int kFileNameClearSize = 9;  // bytes 8-16: the name and its NUL
constexpr int kDb4BlockSizeOffset = 20;
constexpr int kDb4DefaultBlockSize = 512;

constexpr int kBlockHeadSize = 8;
constexpr std::uint16_t kDb4MemoMark = 0xFFFF;
constexpr int kDb4MarkOffset = 0;
constexpr int kDb4TextOffsetOffset = 2;
constexpr int kDb4SizeOffset = 4;
constexpr int kDb4RunNextOffset = 0;
constexpr int kDb4RunCountOffset = 4;

constexpr int kFoxBlockSizeOffset = 6;
constexpr int kFoxTypeOffset = 0;
constexpr int kFoxLengthOffset = 4;
constexpr std::uint32_t kFoxTypePicture = 0;
constexpr std::uint32_t kFoxTypeText = 1;
constexpr std::uint32_t kFoxTypeObject = 2;
constexpr std::uint32_t kFoxTypesOfOthers = 1000;
constexpr int kFoxHeaderSize = 512;
constexpr int kFoxDefaultBlockSize = 64;

// Largest block size taken from a header; larger ones mark a damaged file.
constexpr std::int32_t kMaxBlockSize = 1 << 20;

}  // namespace talvern::memo

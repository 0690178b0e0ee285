#include "engine/Memo4.h"

#include <cstring>
#include <vector>

#include "engine/Bytes.h"
#include "engine/Errors.h"

namespace talvern {

using namespace memo;

namespace {
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }
}  // namespace

VXobjMemo4::VXobjMemo4(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
                       const std::string& password, const std::string& tableFileName)
    : VXobjMemo(table, version, shared, readWrite, password, tableFileName) {
  std::uint8_t header[kHeadBufferSize] = {};
  if (ReadAt(0, header, kHeadBufferSize) < kDb4BlockSizeOffset + 4) RaiseBad();
  std::int32_t size = static_cast<std::int32_t>(GetLE32(header + kDb4BlockSizeOffset));
  // A block size of 0 would divide by zero; a huge one marks a damaged file.
  if (size < 1 || size > kMaxBlockSize) RaiseBad();
  blockSize_ = size;
  blockHeadLength_ = kBlockHeadSize;
  std::int64_t fileSize = FileSize();
  if (fileSize < blockSize_ && readWrite_) {
    std::vector<std::uint8_t> zeros(static_cast<std::size_t>(blockSize_ - fileSize), 0);
    WriteAt(fileSize, zeros.data(), static_cast<std::int32_t>(zeros.size()));
  }
}

std::int32_t VXobjMemo4::ReadBlockLength() {
  if (GetLE16(blockHead_ + kDb4MarkOffset) != kDb4MemoMark) RaiseBad();
  std::uint32_t size = GetLE32(blockHead_ + kDb4SizeOffset);
  if (size > static_cast<std::uint32_t>(INT32_MAX)) RaiseBad();
  return static_cast<std::int32_t>(size);
}

void VXobjMemo4::WriteTerminator(std::uint8_t*) {}

void VXobjMemo4::Link(std::int32_t previous, std::uint32_t value, std::uint8_t* header) {
  std::uint8_t bytes[4];
  PutLE32(bytes, value);
  if (previous == 0) {
    std::memcpy(header + kNextFreeOffset, bytes, 4);
    WriteAt(0, header, kHeadBufferSize);
  } else {
    WriteAt(BlockOffset(previous) + kDb4RunNextOffset, bytes, 4);
  }
}

// Takes the first free run with enough blocks (unlinking it, or splitting a
// larger one), else blocks at the end of the file. A memo being rewritten
// keeps its old blocks until its new text is written (WriteMemo).
void VXobjMemo4::AllocateBlocks(std::int32_t length) {
  const std::int32_t needed =
      static_cast<std::int32_t>(CeilDiv(static_cast<std::int64_t>(length) + kBlockHeadSize, blockSize_));
  std::uint8_t header[kHeadBufferSize];
  ReadHeader(header, kHeadBufferSize);
  // The end of the file, counting a partly filled last block as used, so
  // that a new memo never overwrites the tail of the last one.
  std::int64_t limit = CeilDiv(FileSize(), blockSize_);
  if (limit < 1) {
    limit = 1;
    WriteAt(0, header, kHeadBufferSize);
  }
  std::int32_t previous = 0;
  std::int64_t run = GetLE32(header + kNextFreeOffset);
  std::int64_t chosen = 0;
  // A damaged list could loop; it cannot have more runs than the file has
  // blocks.
  for (std::int64_t steps = 0; run >= 1 && run < limit; ++steps) {
    if (steps > limit) RaiseBad();
    std::uint8_t head[8] = {};
    if (ReadAt(BlockOffset(static_cast<std::int32_t>(run)), head, 8) < 8) RaiseBad();
    std::uint32_t next = GetLE32(head + kDb4RunNextOffset);
    std::uint32_t count = GetLE32(head + kDb4RunCountOffset);
    if (count < static_cast<std::uint32_t>(needed)) {
      previous = static_cast<std::int32_t>(run);
      run = next;
      continue;
    }
    if (count == static_cast<std::uint32_t>(needed)) {
      Link(previous, next, header);
    } else {
      std::uint8_t rest[8];
      PutLE32(rest + kDb4RunNextOffset, next);
      PutLE32(rest + kDb4RunCountOffset, count - static_cast<std::uint32_t>(needed));
      WriteAt(BlockOffset(static_cast<std::int32_t>(run + needed)), rest, 8);
      Link(previous, static_cast<std::uint32_t>(run + needed), header);
    }
    chosen = run;
    break;
  }
  if (chosen == 0) {
    if (limit + needed > INT32_MAX) RaiseBad();
    chosen = limit;
    Link(previous, static_cast<std::uint32_t>(limit + needed), header);
  }
  currentBlock_ = static_cast<std::int32_t>(chosen);
  blocksInUse_ = needed;
  PutLE16(blockHead_ + kDb4MarkOffset, kDb4MemoMark);
  PutLE16(blockHead_ + kDb4TextOffsetOffset, kBlockHeadSize);
  PutLE32(blockHead_ + kDb4SizeOffset, static_cast<std::uint32_t>(length) + kBlockHeadSize);
}

// Puts the memo's run of blocks at the head of the free list.
void VXobjMemo4::FreeBlocks(std::int32_t block) {
  std::uint8_t head[8] = {};
  if (block < 1 || ReadAt(BlockOffset(block), head, 8) < 8) RaiseBad();
  if (GetLE16(head + kDb4MarkOffset) != kDb4MemoMark) RaiseBad();
  std::uint32_t runs = static_cast<std::uint32_t>(CeilDiv(GetLE32(head + kDb4SizeOffset), blockSize_));
  std::uint8_t header[kHeadBufferSize];
  ReadHeader(header, kHeadBufferSize);
  std::uint8_t run[8];
  std::memcpy(run + kDb4RunNextOffset, header + kNextFreeOffset, 4);
  PutLE32(run + kDb4RunCountOffset, runs);
  WriteAt(BlockOffset(block), run, 8);
  PutLE32(header + kNextFreeOffset, static_cast<std::uint32_t>(block));
  PutLE32(header + kDb4FreedOffset, 0);
  WriteAt(0, header, kHeadBufferSize);
}

}  // namespace talvern

#include "engine/FoxMemo.h"

#include "engine/Bytes.h"
#include "engine/Errors.h"

namespace talvern {

using namespace memo;

VXobjFXMemo20::VXobjFXMemo20(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
                             const std::string& password, const std::string& tableFileName)
    : VXobjMemo(table, version, shared, readWrite, password, tableFileName) {
  std::uint8_t header[kHeadBufferSize] = {};
  if (ReadAt(0, header, kHeadBufferSize) < kFoxBlockSizeOffset + 2) RaiseBad();
  std::int32_t size = GetBE16(header + kFoxBlockSizeOffset);
  if (size < 1) RaiseBad();
  blockSize_ = size;
  blockHeadLength_ = kBlockHeadSize;
}

std::int32_t VXobjFXMemo20::ReadBlockLength() {
  std::uint32_t type = GetBE32(blockHead_ + kFoxTypeOffset);
  // Visual FoxPro keeps the OLE objects of general fields as type 2; other
  // engines number their own kinds of value from 1000 on. Types between are
  // taken for a block that holds no memo.
  if (type != kFoxTypeText && type != kFoxTypePicture && type != kFoxTypeObject && type < kFoxTypesOfOthers)
    RaiseBad();
  std::uint32_t length = GetBE32(blockHead_ + kFoxLengthOffset);
  if (length > static_cast<std::uint32_t>(INT32_MAX - kBlockHeadSize)) RaiseBad();
  return static_cast<std::int32_t>(length) + kBlockHeadSize;
}

void VXobjFXMemo20::WriteTerminator(std::uint8_t*) {}

void VXobjFXMemo20::AllocateBlocks(std::int32_t length) {
  const std::int64_t needed = (static_cast<std::int64_t>(length) + kBlockHeadSize + blockSize_ - 1) / blockSize_;
  if (currentBlock_ == 0 || blocksInUse_ < needed) {
    std::uint8_t header[8] = {};
    ReadAt(0, header, 8);
    std::int64_t next = GetBE32(header + kNextFreeOffset);
    // New blocks never go into the 512-byte header area, nor far past the
    // end of the file (a damaged header).
    std::int32_t pastEnd = FirstBlockPastEnd();
    if (next * blockSize_ < kFoxHeaderSize || next > pastEnd) next = pastEnd;
    if (next + needed > INT32_MAX) RaiseBad();
    currentBlock_ = static_cast<std::int32_t>(next);
    PutBE32(header + kNextFreeOffset, static_cast<std::uint32_t>(next + needed));
    WriteAt(0, header, 8);
  }
  blocksInUse_ = static_cast<std::int32_t>(needed);
  PutBE32(blockHead_ + kFoxTypeOffset, kFoxTypeText);
  PutBE32(blockHead_ + kFoxLengthOffset, static_cast<std::uint32_t>(length));
}

void VXobjFXMemo20::RenameMemo(const std::string& newTableName) {
  RenameFile(MemoFileName(newTableName, version_));
}

}  // namespace talvern

#include "engine/Memo.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/DbfFile.h"
#include "engine/DbfHeader.h"
#include "engine/Errors.h"
#include "engine/FoxMemo.h"
#include "engine/Memo4.h"

namespace talvern {

using namespace memo;

namespace {
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }
}  // namespace

std::string MemoFileName(const std::string& tableFileName, std::uint8_t version) {
  bool fox = version == dbf::kVersionVfp || version == dbf::kVersionFoxMemo;
  // Keep the case of the table's extension: TABLE.DBF goes with TABLE.DBT.
  auto dot = tableFileName.rfind('.');
  auto slash = tableFileName.rfind('/');
  bool upper = false;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    upper = true;
    for (std::size_t i = dot + 1; i < tableFileName.size(); ++i)
      if (tableFileName[i] >= 'a' && tableFileName[i] <= 'z') upper = false;
  }
  return ChangeExtension(tableFileName, fox ? (upper ? ".FPT" : ".fpt") : (upper ? ".DBT" : ".dbt"));
}

std::unique_ptr<VXobjMemo> CreateMemoObject(VXO_dBaseDBF& table, std::uint8_t version, bool shared,
                                            bool readWrite, const std::string& password,
                                            const std::string& tableFileName) {
  switch (version) {
    case dbf::kVersionDb4Memo:
      return std::make_unique<VXobjMemo4>(table, version, shared, readWrite, password, tableFileName);
    case dbf::kVersionVfp:
    case dbf::kVersionFoxMemo:
      return std::make_unique<VXobjFXMemo20>(table, version, shared, readWrite, password, tableFileName);
    default:
      return std::make_unique<VXobjMemo>(table, version, shared, readWrite, password, tableFileName);
  }
}

VXobjMemo::VXobjMemo(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
                     const std::string& password, const std::string& tableFileName)
    : VXO_DiskFile(MemoFileName(tableFileName, version), shared, readWrite),
      table_(table),
      version_(version),
      readPassword_(password),
      writePassword_(password) {
  if (!exists_) Raise("File %s could not be found", {fileName_});
  OpenExisting();
  SetLockProtocol(TvxLokProtocol::Default);
}

void VXobjMemo::SetCipher(bool enciphered, const std::string& readPassword,
                          const std::string& writePassword) {
  readEnciphered_ = enciphered && !readPassword.empty();
  writeEnciphered_ = enciphered && !writePassword.empty();
  readPassword_ = readPassword;
  writePassword_ = writePassword;
}

void VXobjMemo::RaiseBad() const { Raise("Memo record is bad in %s", {fileName_}); }

std::int32_t VXobjMemo::TextOffset(bool enciphered) const {
  if (blockHeadLength_ > 0) return blockHeadLength_;
  return enciphered ? kLengthPrefixSize : 0;
}

void VXobjMemo::ReadHeader(std::uint8_t* buffer, std::int32_t n) {
  std::memset(buffer, 0, static_cast<std::size_t>(n));
  ReadAt(0, buffer, n);
}

std::int32_t VXobjMemo::FirstBlockPastEnd() {
  std::int64_t headerArea = blockHeadLength_ > 0 && version_ != dbf::kVersionDb4Memo ? kFoxHeaderSize : blockSize_;
  std::int64_t block = std::max(CeilDiv(headerArea, blockSize_), CeilDiv(FileSize(), blockSize_));
  if (block > INT32_MAX) RaiseBad();
  return static_cast<std::int32_t>(block);
}

// dBASE III memo: the text ends at its first 0x1A, and at most 65519 bytes
// are read.
std::int64_t VXobjMemo::ScanDb3Length(std::int32_t block) {
  std::vector<std::uint8_t> chunk(static_cast<std::size_t>(blockSize_));
  std::int64_t at = BlockOffset(block);
  std::int64_t length = 0;
  while (length < kDb3MaxLength) {
    std::int32_t got = ReadAt(at + length, chunk.data(), blockSize_);
    if (got <= 0) break;
    auto* end = std::find(chunk.data(), chunk.data() + got, kDb3Terminator);
    length += end - chunk.data();
    if (end != chunk.data() + got) break;
  }
  return std::min<std::int64_t>(length, kDb3MaxLength);
}

std::int64_t VXobjMemo::MemoSize(std::int32_t block) {
  if (block == 0) return blockHeadLength_;
  if (block < 0) RaiseBad();
  const std::int64_t fileSize = FileSize();
  const std::int64_t at = BlockOffset(block);
  if (at >= fileSize) RaiseBad();  // a block number past the end of the file
  std::memset(blockHead_, 0, sizeof blockHead_);
  std::int32_t got = ReadAt(at, blockHead_, kHeadBufferSize);
  if (blockHeadLength_ > 0) {
    if (got < blockHeadLength_) RaiseBad();
    std::int64_t size = ReadBlockLength();
    // A length that points past the end of the file marks a damaged memo.
    if (size < blockHeadLength_ || at + size > fileSize) RaiseBad();
    return size;
  }
  if (readEnciphered_) {
    if (got < kLengthPrefixSize) RaiseBad();
    std::int64_t size = GetLE32(blockHead_);
    if (at + kLengthPrefixSize + size > fileSize) RaiseBad();
    return size;
  }
  return ScanDb3Length(block);
}

std::int64_t VXobjMemo::MemoLength(std::int32_t block) { return MemoSize(block) - blockHeadLength_; }

void VXobjMemo::ReadMemo(std::int32_t block, void* buffer, std::int32_t& length) {
  if (length <= 0) {
    length = 0;
    return;
  }
  currentBlock_ = block;
  blocksInUse_ = 0;
  if (block == 0) {
    length = 0;
    static_cast<std::uint8_t*>(buffer)[0] = 0;
    return;
  }
  std::int64_t count = std::min<std::int64_t>(length, MemoLength(block));
  length = static_cast<std::int32_t>(count);
  if (ReadAt(BlockOffset(block) + TextOffset(readEnciphered_), buffer, length) < length) RaiseBad();
  Cipher(readPassword_, buffer, buffer, length, false);
}

std::string VXobjMemo::ReadMemoText(std::int32_t block) {
  if (block == 0) return {};
  std::int64_t size = MemoLength(block);
  if (size <= 0) return {};
  if (size > INT32_MAX) RaiseBad();
  std::string text(static_cast<std::size_t>(size), '\0');
  std::int32_t length = static_cast<std::int32_t>(size);
  ReadMemo(block, text.data(), length);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

std::int32_t VXobjMemo::WriteMemoText(const std::string& text, std::int32_t block) {
  if (text.size() > static_cast<std::size_t>(INT32_MAX - 1024)) RaiseBad();
  std::int32_t length = static_cast<std::int32_t>(text.size());
  return WriteMemo(text.data(), block, length);
}

std::int32_t VXobjMemo::WriteMemo(const void* buffer, std::int32_t& block, std::int32_t& length) {
  const std::int32_t old = block;
  WriteMemoKeepingOld(buffer, block, length);
  if (old > 0 && old != block) ReleaseBlocks(old);
  return block;
}

void VXobjMemo::ReleaseBlocks(std::int32_t block) {
  if (version_ != dbf::kVersionDb4Memo) return;  // the other formats keep no free list
  try {
    if (shared_) LockMemo();
  } catch (const ETalvernError&) {
    return;
  }
  try {
    FreeBlocks(block);
  } catch (const ETalvernError&) {
    // The blocks stay in use: space lost, but no text.
  }
  if (shared_) Unlock();
}

void VXobjMemo::DeferFree(std::int32_t recno, std::int32_t block) {
  if (block > 0 && version_ == dbf::kVersionDb4Memo) deferred_.emplace_back(recno, block);
}

void VXobjMemo::FreeDeferred(std::int32_t recno) {
  auto pending = std::move(deferred_);
  deferred_.clear();
  for (const auto& [r, block] : pending)
    if (r == recno) ReleaseBlocks(block);
}

std::int32_t VXobjMemo::WriteMemoKeepingOld(const void* buffer, std::int32_t& block, std::int32_t& length) {
  const bool db3 = blockHeadLength_ == 0;
  if (length <= 0) {
    // An empty memo is stored as block 0.
    length = 0;
    block = 0;
    return 0;
  }
  // A dBASE III memo ends at its first 0x1A and reads at most 65519 bytes:
  // a text that would not come back whole is refused.
  if (db3 && !writeEnciphered_ &&
      (length > kDb3MaxLength || std::memchr(buffer, kDb3Terminator, static_cast<std::size_t>(length))))
    Raise("Memo text can not be stored whole in %s (dBASE III memos end at 0x1A and hold at most 65519 bytes)",
          {fileName_});
  const bool locked = shared_;
  if (locked) LockMemo();
  try {
    // dBASE IV memos always move; the others are rewritten in place when
    // the new text fits their blocks.
    std::int64_t oldSize = 0;
    if (version_ != dbf::kVersionDb4Memo)
      oldSize = MemoSize(block) + (db3 && readEnciphered_ && block != 0 ? kLengthPrefixSize : 0);
    blocksInUse_ = static_cast<std::int32_t>(CeilDiv(oldSize, blockSize_));
    currentBlock_ = block;
    AllocateBlocks(length);
    std::int32_t prefix = TextOffset(writeEnciphered_);
    std::int64_t size = prefix + static_cast<std::int64_t>(length) + (db3 ? kDb3TerminatorSize : 0);
    size = CeilDiv(size, blockSize_) * blockSize_;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(size), 0);
    if (blockHeadLength_ > 0) std::memcpy(out.data(), blockHead_, static_cast<std::size_t>(blockHeadLength_));
    else if (prefix > 0) PutLE32(out.data(), static_cast<std::uint32_t>(length));
    Cipher(writePassword_, buffer, out.data() + prefix, length, true);
    WriteTerminator(out.data() + prefix + length);
    WriteAt(BlockOffset(currentBlock_), out.data(), static_cast<std::int32_t>(size));
    block = currentBlock_;
  } catch (...) {
    if (locked) Unlock();
    throw;
  }
  if (locked) Unlock();
  return block;
}

void VXobjMemo::AllocateBlocks(std::int32_t length) {
  std::int32_t needed = static_cast<std::int32_t>(
      CeilDiv(TextOffset(writeEnciphered_) + static_cast<std::int64_t>(length) + kDb3TerminatorSize, blockSize_));
  if (currentBlock_ == 0 || blocksInUse_ < needed) {
    std::uint8_t header[kHeadBufferSize];
    ReadHeader(header, kHeadBufferSize);
    std::int64_t next = GetLE32(header + kNextFreeOffset);
    // Block 0 is the header: a next free block of 0 would overwrite it. One
    // past the end of the file is damaged (writes hold the memo lock, so no
    // other program is between its header and its text) and would make a
    // huge sparse file: the memo goes to the end instead.
    std::int32_t pastEnd = FirstBlockPastEnd();
    if (next < 1 || next > pastEnd) next = pastEnd;
    if (next + needed > INT32_MAX) RaiseBad();
    currentBlock_ = static_cast<std::int32_t>(next);
    PutLE32(header + kNextFreeOffset, static_cast<std::uint32_t>(next + needed));
    WriteAt(0, header, 4);
  }
  blocksInUse_ = needed;
}

void VXobjMemo::FreeBlocks(std::int32_t) {}

void VXobjMemo::WriteTerminator(std::uint8_t* position) {
  position[0] = kDb3Terminator;
  position[1] = kDb3Terminator;
}

std::int32_t VXobjMemo::ReadBlockLength() { return 0; }

void VXobjMemo::SetLockProtocol(TvxLokProtocol protocol) {
  switch (protocol) {
    case TvxLokProtocol::Default:
    case TvxLokProtocol::FoxLock:
      lockBase_ = 0x40000000u;
      lockTop_ = 0x7FFFFFFEu;
      tableLockLength_ = 0x3FFFFFFFu;
      break;
    case TvxLokProtocol::DB4Lock:
      lockBase_ = 0x40000000u;
      lockTop_ = 0xEFFFFFFFu;
      tableLockLength_ = 0xB0000000u;
      break;
    case TvxLokProtocol::ClipLock:
      lockBase_ = lockTop_ = tableLockLength_ = 1000000000u;
      break;
    default:
      return;
  }
  lockProtocol_ = protocol;
}

void VXobjMemo::LockMemo() {
  std::int64_t offset = 0x7FFFFFFD, length = 1;
  if (lockProtocol_ == TvxLokProtocol::DB4Lock) {
    offset = 0xEFFFFFFE;
    length = 2;
  } else if (lockProtocol_ == TvxLokProtocol::ClipLock) {
    offset = 1000000000;
  }
  for (int attempt = 1;; ++attempt) {
    if (LockRegion(offset, length)) return;
    if (attempt >= kLockAttempts) break;
    SleepMs(kLockRetryMs);
  }
  Raise("Can not Lock file %s", {fileName_});
}

void VXobjMemo::RenameMemo(const std::string& newTableName) {
  RenameFile(MemoFileName(newTableName, version_));
  std::uint8_t header[kHeadBufferSize];
  ReadHeader(header, kHeadBufferSize);
  std::memset(header + kFileNameOffset, 0, kFileNameClearSize);
  std::string base = BaseName(newTableName).substr(0, kFileNameSize);
  std::memcpy(header + kFileNameOffset, base.data(), base.size());
  WriteAt(0, header, kFileNameOffset + kFileNameClearSize);
}

}  // namespace talvern

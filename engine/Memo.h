#pragma once
// VXobjMemo: the memo file beside a table, holding the texts of its memo,
// binary and general fields (layouts in MemoFormat.h). This class is the
// dBASE III .dbt; VXobjMemo4 (Memo4.h) and VXobjFXMemo20 (FoxMemo.h) override
// the block handling. The table creates its memo object on first need with
// its own sharing, access, lock protocol and passwords.
//
// Memos are addressed by block number, 0 meaning "no memo". Writes on a
// shared file hold the memo lock from the size check to the end of the
// write, so two programs do not take the same new blocks. Reads take no lock.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/DiskFile.h"
#include "engine/MemoFormat.h"
#include "engine/TableTypes.h"

namespace talvern {

class VXO_dBaseDBF;

class VXobjMemo : public VXO_DiskFile {
public:
  // Opens the memo file of the table: its name with the extension ".dbt"
  // (versions 0x83, 0x8B) or ".fpt" (0x30, 0xF5).
  VXobjMemo(VXO_dBaseDBF& table, std::uint8_t version, bool shared, bool readWrite,
            const std::string& password, const std::string& tableFileName);

  // Slots after those of the disk file.
  virtual void AllocateBlocks(std::int32_t length);
  virtual void FreeBlocks(std::int32_t block);
  virtual void WriteTerminator(std::uint8_t* position);
  virtual std::int32_t ReadBlockLength();
  virtual void SetLockProtocol(TvxLokProtocol protocol);
  virtual void RenameMemo(const std::string& newTableName);

  // Size of the memo at block, its block head included (0 and block-head
  // length for block 0).
  std::int64_t MemoSize(std::int32_t block);
  // Length of the memo's text.
  std::int64_t MemoLength(std::int32_t block);
  // Reads at most length bytes of the memo's text into buffer; length is set
  // to the count read.
  void ReadMemo(std::int32_t block, void* buffer, std::int32_t& length);
  // Writes length bytes as the memo that was at block (0: a new memo);
  // block is set to, and the result is, the block that now holds it (0 when
  // length is 0). A dBASE IV memo goes to other blocks, and its old blocks
  // are given back only once the new text is written: a write that fails
  // leaves the old memo whole.
  std::int32_t WriteMemo(const void* buffer, std::int32_t& block, std::int32_t& length);
  // WriteMemo that leaves the old blocks in use, for the field layer: the
  // record on disk still points at them until it is rewritten, so they are
  // given back only then (DeferFree, FreeDeferred).
  std::int32_t WriteMemoKeepingOld(const void* buffer, std::int32_t& block, std::int32_t& length);
  // Old blocks of record recno, given back once that record is written
  // (FreeDeferred), and never when it is read again first (ForgetDeferred:
  // the record on disk, which points at them, is current again).
  void DeferFree(std::int32_t recno, std::int32_t block);
  void FreeDeferred(std::int32_t recno);
  void ForgetDeferred() { deferred_.clear(); }
  void LockMemo();

  // The whole text of a memo, and writing a whole text (convenience forms).
  std::string ReadMemoText(std::int32_t block);
  std::int32_t WriteMemoText(const std::string& text, std::int32_t block);

  // The table's enciphered flag and passwords. A memo is read in the form
  // of its read password and written in that of its write password: while
  // a table is enciphered anew they differ, and a dBASE III memo of an
  // enciphered table carries a length prefix that a plain one lacks.
  void SetCipher(bool enciphered, const std::string& readPassword, const std::string& writePassword);
  std::int32_t BlockSize() const { return blockSize_; }
  std::int32_t BlockHeadLength() const { return blockHeadLength_; }

protected:
  // Offset of a block in the file.
  std::int64_t BlockOffset(std::int32_t block) const {
    return static_cast<std::int64_t>(block) * blockSize_;
  }
  // Bytes before the text in a memo's first block, as memos are read and
  // as they are written.
  std::int32_t TextOffset(bool enciphered) const;
  [[noreturn]] void RaiseBad() const;
  // Reads n header bytes, complaining when the file is shorter.
  void ReadHeader(std::uint8_t* buffer, std::int32_t n);
  // The block where new blocks begin when the header's next free block is
  // unusable (inside the header area): the first block past the end.
  std::int32_t FirstBlockPastEnd();

  VXO_dBaseDBF& table_;
  std::uint8_t version_;
  std::int32_t currentBlock_ = 0;
  std::int32_t blocksInUse_ = 0;
  std::int32_t blockSize_ = memo::kDb3BlockSize;
  std::uint8_t blockHead_[memo::kHeadBufferSize] = {};
  TvxLokProtocol lockProtocol_ = TvxLokProtocol::Default;
  std::uint32_t lockTop_ = 0;
  std::uint32_t lockBase_ = 0;
  std::uint32_t tableLockLength_ = 0;
  std::int32_t blockHeadLength_ = 0;
  bool readEnciphered_ = false;
  bool writeEnciphered_ = false;
  std::string readPassword_;
  std::string writePassword_;
  std::vector<std::pair<std::int32_t, std::int32_t>> deferred_;  // record, block

private:
  // Gives a memo's blocks back under the memo lock; a memo that cannot be
  // freed (a damaged head) keeps its blocks.
  void ReleaseBlocks(std::int32_t block);
  // Bytes of the memo's text as stored, scanning dBASE III blocks.
  std::int64_t ScanDb3Length(std::int32_t block);
};

// The memo object of a table version (0x83 dBASE III, 0x8B dBASE IV, 0x30
// and 0xF5 FoxPro).
std::unique_ptr<VXobjMemo> CreateMemoObject(VXO_dBaseDBF& table, std::uint8_t version, bool shared,
                                            bool readWrite, const std::string& password,
                                            const std::string& tableFileName);

// The memo file name of a table file name and version.
std::string MemoFileName(const std::string& tableFileName, std::uint8_t version);

}  // namespace talvern

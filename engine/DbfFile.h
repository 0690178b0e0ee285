#pragma once
// VXO_dBaseDBF: an open DBF table file (layout in DbfHeader.h). It validates
// the header and field descriptors at open, keeps its header image in step
// with other programs sharing the file (record count from the file size,
// update stamp), moves whole records between the file and the current record
// buffer, writes the header back, and locks records, the append byte and the
// table under four lock protocols.
//
// The engine opens existing tables only; CreateTable.h makes new ones.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/DiskFile.h"
#include "engine/TableTypes.h"

namespace talvern {

class VXobjMemo;

class VXO_dBaseDBF : public VXO_DiskFile {
public:
  // Opens the table (".DBF" is added to a name without extension). Raises on
  // every failure; on success the table stands before its first record.
  VXO_dBaseDBF(const std::string& fileName, bool shared, bool readWrite,
               const std::string& password = "");
  ~VXO_dBaseDBF() override;

  void FlushFile() override;
  bool RenameFile(const std::string& newName) override;

  virtual void AppendRecord();
  virtual bool TableEvent(std::int32_t code, std::int32_t value);
  virtual void ReadRecord(std::int32_t position);
  virtual bool LockAppend();
  virtual bool LockTable();
  virtual bool LockTableFull();
  virtual bool ReleaseLock();
  virtual bool LockRecord();
  virtual void WriteRecord(std::int32_t recno);
  virtual void SetLockProtocol(TvxLokProtocol protocol);
  virtual bool HasIndexFiles();

  void RefreshHeader();
  void WriteHeader();
  // Writes the header even when nothing changed (its record count from the
  // file's size).
  void RewriteHeader() {
    headerDirty_ = true;
    WriteHeader();
  }
  // Takes back record recno, just appended, after its index keys could not
  // be written, so that the table and its tags agree again (DbfFile.cpp).
  void TakeBackAppend(std::int32_t recno);
  void SetUserId(std::int32_t id) { userId_ = id; }
  // The memo file object, created and opened on first need; null for a
  // table without memo file.
  VXobjMemo* MemoFile();
  bool LockRange(std::int64_t offset, std::int64_t length);

  // Writes a dirty header and closes the table and its memo file.
  void CloseTable();

  // Read access for the layers above and for tools.
  std::int32_t RecordCount() const { return recordCount_; }
  std::int32_t HeaderLength() const { return headerLength_; }
  std::int32_t RecordLength() const { return recordLength_; }
  std::int32_t FieldCount() const { return fieldCount_; }
  std::int32_t RecNo() const { return currentRecordNo_; }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  std::uint8_t Version() const { return version_; }
  bool HasMemo() const { return hasMemo_; }
  bool IsEnciphered() const { return enciphered_; }
  bool HeaderChanged() const { return headerChanged_; }
  const std::string& Alias() const { return alias_; }
  const std::array<std::uint8_t, 32>& HeaderImage() const { return header_; }
  const std::uint8_t* Descriptor(int fieldNumber) const {
    return descriptors_.data() + static_cast<std::size_t>(fieldNumber - 1) * 32;
  }
  std::uint8_t* CurrentRecord() { return currentRecord_; }
  // Points the current-record pointer at a caller's buffer of at least
  // record length + 1 bytes (null: back to the table's own buffer).
  void SetCurrentRecord(std::uint8_t* buffer) { currentRecord_ = buffer ? buffer : recordBuffer_.data(); }
  const std::uint8_t* SavedRecord() const { return savedRecord_.data(); }
  bool IsDeleted() const { return currentRecord_[0] != ' '; }
  TvxLokProtocol LockProtocol() const { return lockProtocol_; }
  std::uint32_t LockBase() const { return lockBase_; }
  std::uint32_t LockTop() const { return lockTop_; }
  std::uint32_t TableLockLength() const { return tableLockLength_; }
  bool TableLocked() const { return tableLocked_; }
  // The byte ranges that LockRecord (for record r), LockAppend and LockTable
  // ask for under the current protocol.
  std::int64_t RecordLockOffset(std::int32_t r);

  // Sets or clears the production-index flag (byte 28, bit 0) and writes
  // the header at once, as opening or creating the table's own compound or
  // multiple index file does.
  void SetProductionIndex(bool on);
  bool ProductionIndex() const { return productionIndex_; }

  // Makes n the current record number without reading (index building
  // points the current record at records it reads itself).
  void SetRecNo(std::int32_t n) { currentRecordNo_ = n; }
  bool ExactKey() const { return exactKey_; }
  std::uint8_t TableState() const { return tableState_; }
  void SetTableState(std::uint8_t state) { tableState_ = state; }
  const std::string& ReadPassword() const { return readPassword_; }
  const std::string& WritePassword() const { return writePassword_; }

  void SetUseDeleted(bool on) { useDeleted_ = on; }
  void SetExactKey(bool on) { exactKey_ = on; }
  void SetAutoFlush(bool on) { autoFlush_ = on; }

protected:
  // Offset of record n (1-based) in the file.
  std::int64_t RecordOffset(std::int32_t n) const {
    return headerLength_ + static_cast<std::int64_t>(n - 1) * recordLength_;
  }
  std::int32_t CountFromFileSize();
  void AllocateBuffers();
  void ReadDescriptors();
  std::int32_t BinaryWidth(std::uint8_t type) const;
  // LockAppend retried with the lock-retry settings; raises "Can not Lock
  // file %s" when it stays refused.
  void LockAppendWaiting();

  std::array<std::uint8_t, 32> header_{};
  std::string alias_;
  bool headerDirty_ = false;
  std::uint8_t tableState_ = kTableReady;
  std::int32_t recordCount_ = 0;
  std::int32_t headerLength_ = 0;
  std::int32_t recordLength_ = 0;
  std::int32_t fieldCount_ = 0;
  std::vector<std::uint8_t> descriptors_;
  std::int32_t currentRecordNo_ = 0;
  std::uint8_t* currentRecord_ = nullptr;
  std::vector<std::uint8_t> recordBuffer_;
  std::vector<std::uint8_t> savedRecord_;
  std::vector<std::uint8_t> scratchRecord_;
  std::vector<std::uint8_t> changed_;
  bool bof_ = true;
  bool eof_ = false;
  std::uint8_t version_ = 0;
  std::uint8_t versionAsRead_ = 0;
  bool tableLocked_ = false;
  std::uint8_t flagProductionIndex_ = 0;
  std::uint8_t flagMemo_ = 0;
  std::uint8_t flagKept_ = 0;
  std::uint32_t updateStamp_ = 0;
  bool headerChanged_ = false;
  bool recordWritten_ = false;
  bool recordModified_ = false;
  bool useDeleted_ = true;
  bool exactKey_ = false;
  bool autoFlush_ = false;
  bool enciphered_ = false;
  std::string readPassword_;
  std::string writePassword_;
  std::int32_t userId_ = 0;
  bool hasMemo_ = false;
  bool productionIndex_ = false;
  std::uint32_t lockBase_ = 0;
  std::uint32_t lockTop_ = 0;
  std::uint32_t tableLockLength_ = 0;
  TvxLokProtocol lockProtocol_ = TvxLokProtocol::Default;
  std::unique_ptr<VXobjMemo> memo_;
};

}  // namespace talvern

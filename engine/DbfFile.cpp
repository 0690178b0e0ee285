#include "engine/DbfFile.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/DbfHeader.h"
#include "engine/Errors.h"
#include "engine/Memo.h"
#include "engine/Strings.h"
#include "engine/UndoJournal.h"
#include "platform/Locale.h"

namespace talvern {

using namespace dbf;

VXO_dBaseDBF::VXO_dBaseDBF(const std::string& fileName, bool shared, bool readWrite,
                           const std::string& password)
    : VXO_DiskFile(DefaultExtension(NormalizePath(fileName), ".DBF"), shared, readWrite) {
  if (!exists_) Raise("File %s could not be found", {fileName_});
  readPassword_ = writePassword_ = password;
  alias_ = UpperCase(BaseName(fileName_));
  SetLockProtocol(TvxLokProtocol::Default);
  // A rewrite of the table's files cut short (SetPassword killed) is undone
  // first, so that the table reads as it did before it.
  TvxUndoJournal::RecoverTable(fileName_);
  OpenExisting();

  if (ReadAt(0, header_.data(), kHeaderSize) < kHeaderSize) Raise("Error on Read of file %s", {fileName_});
  version_ = versionAsRead_ = header_[kVersionOffset];
  if (!IsKnownVersion(version_)) Raise("Table Header for %s is invalid", {fileName_});
  headerLength_ = GetLE16(&header_[kHeaderLengthOffset]);
  recordLength_ = GetLE16(&header_[kRecordLengthOffset]);
  std::uint8_t flags = header_[kTableFlagsOffset];
  flagProductionIndex_ = flags & kFlagProductionIndex;
  flagMemo_ = flags & kFlagMemo;
  flagKept_ = flags & kFlagKept;
  productionIndex_ = flagProductionIndex_ != 0;
  updateStamp_ = GetLE32(&header_[kUpdateStampOffset]);
  enciphered_ = header_[kEncryptedOffset] != 0;

  if (enciphered_ && password.empty())
    Raise<ETalvernEncryption>("No Password for encrypted file %s", {fileName_});
  if (!enciphered_ && !password.empty())
    Raise<ETalvernEncryption>("A Password is included for unencrypted file %s", {fileName_});

  hasMemo_ = version_ == kVersionDb3Memo || version_ == kVersionDb4Memo ||
             version_ == kVersionFoxMemo || (version_ == kVersionVfp && flagMemo_ != 0);

  // A record length of 0 would divide by zero below and cannot hold the
  // deletion flag.
  if (recordLength_ < 1) Raise("Table Header for %s is invalid", {fileName_});
  recordCount_ = CountFromFileSize();
  ReadDescriptors();
  AllocateBuffers();
  bof_ = true;
  eof_ = false;
  currentRecordNo_ = 0;
  useDeleted_ = true;
  exactKey_ = false;
  autoFlush_ = false;
  tableState_ = kTableReady;
  RefreshHeader();
  TableEvent(teOpened, 0);
}

VXO_dBaseDBF::~VXO_dBaseDBF() {
  try {
    CloseTable();
  } catch (...) {
    // Closing must not throw out of a destructor; the handle is closed by
    // the disk file in any case.
  }
}

void VXO_dBaseDBF::CloseTable() {
  if (closed_) return;
  // A table lock still held is released by the close; the header it held
  // back is written now, so that other programs see the right count.
  tableLocked_ = false;
  if (headerDirty_) {
    RefreshHeader();
    WriteHeader();
  }
  if (memo_) memo_->CloseFile();
  memo_.reset();
  CloseFile();
}

// The bytes a field of that type takes in binary form in this table's
// version (0 for fields kept as text).
std::int32_t VXO_dBaseDBF::BinaryWidth(std::uint8_t type) const {
  if (version_ != kVersionVfp) return 0;
  switch (type) {
    case 'B': case 'T': case 'Y': return 8;
    case 'I': return 4;
    default: return 0;
  }
}

std::int32_t VXO_dBaseDBF::CountFromFileSize() {
  std::int64_t size = FileSize();
  if (size <= headerLength_) return 0;
  std::int64_t count = (size - headerLength_) / recordLength_;
  return static_cast<std::int32_t>(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

// The descriptor area runs from offset 32 to the header length less the
// terminator (and the back-link area of version 0x30). The fields end at the
// first descriptor that starts with the 0x0D terminator, so room that other
// programs leave after it is not read as fields. A descriptor without a name
// or type letter, or fields that do not fit the record, make the header
// invalid (the dBASE 7 layout, with its language block and 48-byte
// descriptors, is refused so).
void VXO_dBaseDBF::ReadDescriptors() {
  std::int32_t bytes = headerLength_ - kHeaderSize - 1;
  if (version_ == kVersionVfp) bytes -= kBackLinkSize;
  if (bytes < 0) Raise("Table Header for %s is invalid", {fileName_});
  std::vector<std::uint8_t> area(static_cast<std::size_t>(bytes));
  if (ReadAt(kHeaderSize, area.data(), bytes) < bytes) Raise("Error on Read of file %s", {fileName_});
  if (enciphered_) Cipher(readPassword_, area.data(), area.data(), bytes, false);

  std::int32_t count = bytes / kDescriptorSize;
  for (std::int32_t i = 0; i < count; ++i) {
    if (area[static_cast<std::size_t>(i) * kDescriptorSize] == kDescriptorTerminator) {
      count = i;
      break;
    }
  }
  fieldCount_ = count;
  descriptors_.assign(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(count) * kDescriptorSize);
  // Records longer than their deletion flag without any field: the header
  // length cuts off the descriptors.
  if (count == 0 && recordLength_ > 1) Raise("Table Header for %s is invalid", {fileName_});

  std::int64_t sum = 1;
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint8_t* d = descriptors_.data() + static_cast<std::size_t>(i) * kDescriptorSize;
    std::uint8_t type = d[kFieldTypeOffset];
    if (d[kFieldNameOffset] == 0 || type <= ' ' || type >= 0x7F) {
      // An enciphered table with a wrong password shows here first.
      if (enciphered_) Raise<ETalvernEncryption>("Invalid password for file %s", {fileName_});
      Raise("Table Header for %s is invalid", {fileName_});
    }
    // Fields kept in binary form are read whole: one declared shorter
    // would be read past its end.
    if (DescriptorLength(d) < BinaryWidth(type)) Raise("Table Header for %s is invalid", {fileName_});
    sum += DescriptorLength(d);
  }
  // Other programs (python3-dbf among them) write Visual FoxPro tables with
  // memo fields but without the memo flag; their memos must not read as
  // empty.
  if (version_ == kVersionVfp && !hasMemo_) {
    for (std::int32_t i = 0; i < count; ++i) {
      std::uint8_t type = descriptors_[static_cast<std::size_t>(i) * kDescriptorSize + kFieldTypeOffset];
      if (type == 'M' || type == 'G') hasMemo_ = true;
    }
  }
  if (sum > recordLength_) {
    if (enciphered_) Raise<ETalvernEncryption>("Invalid password for file %s", {fileName_});
    Raise("Table Header for %s is invalid", {fileName_});
  }
}

void VXO_dBaseDBF::AllocateBuffers() {
  const std::size_t size = static_cast<std::size_t>(recordLength_) + 1;
  recordBuffer_.assign(size, ' ');
  recordBuffer_[size - 1] = kEndOfFile;
  savedRecord_ = recordBuffer_;
  scratchRecord_ = recordBuffer_;
  changed_.assign(static_cast<std::size_t>(fieldCount_) + 1, 0);
  currentRecord_ = recordBuffer_.data();
}

void VXO_dBaseDBF::RefreshHeader() {
  if (!shared_) {
    headerChanged_ = false;
    return;
  }
  std::array<std::uint8_t, kHeaderSize> image{};
  if (ReadAt(0, image.data(), kHeaderSize) < kHeaderSize) Raise("Error on Read of file %s", {fileName_});
  header_ = image;
  std::int32_t count = CountFromFileSize();
  std::uint32_t stamp = GetLE32(&header_[kUpdateStampOffset]);
  if (count != recordCount_ || stamp != updateStamp_) headerChanged_ = true;
  recordCount_ = count;
  updateStamp_ = stamp;
}

void VXO_dBaseDBF::WriteHeader() {
  if (closed_ || !readWrite_ || !headerDirty_ || tableLocked_) return;
  platform::LocalTime now = platform::Now();
  updateStamp_ = static_cast<std::uint32_t>(((now.hour * 64 + now.minute) * 64 + now.second) * 1024 +
                                            now.millisecond);
  header_[kUpdateDateOffset] = static_cast<std::uint8_t>(now.year % 100);
  header_[kUpdateDateOffset + 1] = static_cast<std::uint8_t>(now.month);
  header_[kUpdateDateOffset + 2] = static_cast<std::uint8_t>(now.day);
  PutLE32(&header_[kRecordCountOffset], static_cast<std::uint32_t>(recordCount_));
  header_[kTableFlagsOffset] = static_cast<std::uint8_t>(flagProductionIndex_ | flagMemo_ | flagKept_);
  PutLE32(&header_[kUpdateStampOffset], updateStamp_);
  header_[kEncryptedOffset] = enciphered_ ? 1 : 0;
  PutLE32(&header_[kUserIdOffset], static_cast<std::uint32_t>(userId_));
  WriteAt(0, header_.data(), kHeaderSize);
  headerDirty_ = false;
}

void VXO_dBaseDBF::SetProductionIndex(bool on) {
  flagProductionIndex_ = on ? kFlagProductionIndex : 0;
  productionIndex_ = on;
  headerDirty_ = true;
  WriteHeader();
}

bool VXO_dBaseDBF::TableEvent(std::int32_t code, std::int32_t) {
  if (code == teAfterRead || code == teAfterWrite) {
    recordModified_ = false;
    if (tableState_ != kTableRecrypting) tableState_ = kTableReady;
  }
  return true;
}

void VXO_dBaseDBF::ReadRecord(std::int32_t position) {
  if (recordCount_ == 0) RefreshHeader();
  if (recordCount_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  if (position == 0) return;
  bof_ = eof_ = false;
  std::int32_t target;
  switch (position) {
    case RecSame: target = currentRecordNo_; break;
    case RecBottom: target = recordCount_; break;
    case RecTop: target = 1; break;
    case RecPrior:
      if (currentRecordNo_ == 1) {
        bof_ = true;
        return;
      }
      target = currentRecordNo_ - 1;
      break;
    case RecNext: target = currentRecordNo_ + 1; break;
    default:
      if (position < 0) Raise("Record number %d is not in table %s", {std::int64_t{position}, fileName_});
      target = position;
  }
  // Same on record 0 (before the first read), or prior from there, has no
  // record to read: the table stands at its beginning.
  if (target < 1) {
    bof_ = true;
    return;
  }
  if (target > recordCount_) {
    RefreshHeader();
    if (target > recordCount_) {
      if (target == recordCount_ + 1) {
        eof_ = true;
        return;
      }
      Raise("Record number %d is not in table %s", {std::int64_t{target}, fileName_});
    }
  }
  TableEvent(teBeforeRead, position);
  if (ReadAt(RecordOffset(target), currentRecord_, recordLength_) < recordLength_)
    Raise("Error on Read of file %s", {fileName_});
  if (enciphered_) Cipher(readPassword_, currentRecord_, currentRecord_, recordLength_, false);
  currentRecordNo_ = target;
  // Memo blocks the record no longer points at stay in use: the record read
  // again still points at them.
  if (memo_) memo_->ForgetDeferred();
  TableEvent(teAfterRead, target);
  std::memcpy(savedRecord_.data(), currentRecord_, static_cast<std::size_t>(recordLength_));
}

void VXO_dBaseDBF::WriteRecord(std::int32_t recno) {
  TableEvent(teBeforeWrite, recno);
  if (recno > recordCount_ || recno <= 0) {
    AppendRecord();
    return;
  }
  headerDirty_ = true;
  const std::uint8_t* data = currentRecord_;
  if (enciphered_) {
    Cipher(writePassword_, currentRecord_, scratchRecord_.data(), recordLength_, true);
    data = scratchRecord_.data();
  }
  WriteAt(RecordOffset(recno), data, recordLength_);
  currentRecordNo_ = recno;
  recordWritten_ = true;
  RefreshHeader();
  WriteHeader();
  TableEvent(teAfterWrite, recno);
  // Memo blocks the record pointed at before are free now.
  if (memo_) memo_->FreeDeferred(recno);
  if (autoFlush_) FlushFile();
  std::memcpy(savedRecord_.data(), currentRecord_, static_cast<std::size_t>(recordLength_));
}

void VXO_dBaseDBF::AppendRecord() {
  LockAppendWaiting();
  std::int32_t countBefore = recordCount_;
  try {
    TableEvent(teBeforeWrite, 0);
    recordModified_ = true;
    headerDirty_ = true;
    RefreshHeader();
    countBefore = recordCount_;
    currentRecord_[0] = kActiveFlag;
    // The record goes behind the last whole record, followed by the
    // end-of-file marker.
    std::uint8_t* out = scratchRecord_.data();
    if (enciphered_) Cipher(writePassword_, currentRecord_, out, recordLength_, true);
    else std::memcpy(out, currentRecord_, static_cast<std::size_t>(recordLength_));
    out[recordLength_] = kEndOfFile;
    WriteAt(RecordOffset(countBefore + 1), out, recordLength_ + 1);
    recordCount_ = countBefore + 1;
    currentRecordNo_ = recordCount_;
    WriteHeader();
  } catch (...) {
    recordCount_ = countBefore;
    ReleaseLock();
    throw;
  }
  ReleaseLock();
  bof_ = eof_ = false;
  if (memo_) memo_->ForgetDeferred();
  TableEvent(teAfterWrite, 0);
  if (autoFlush_) FlushFile();
  std::memcpy(savedRecord_.data(), currentRecord_, static_cast<std::size_t>(recordLength_));
}

// The record is cut off when it is still the last one; records that other
// programs appended behind it meanwhile keep their numbers, so then it stays,
// marked deleted. Nothing is raised: another error is on its way.
void VXO_dBaseDBF::TakeBackAppend(std::int32_t recno) {
  try {
    LockAppendWaiting();
  } catch (const ETalvernError&) {
    return;
  }
  try {
    RefreshHeader();
    if (CountFromFileSize() == recno) {
      if (!handle_.Truncate(RecordOffset(recno))) Raise("Error in Truncate of file %s", {fileName_});
      const std::uint8_t end = kEndOfFile;
      handle_.WriteAt(RecordOffset(recno), &end, 1);  // without it the table still reads the same
      recordCount_ = recno - 1;
      headerDirty_ = true;
      WriteHeader();
    } else {
      currentRecord_[0] = static_cast<std::uint8_t>(kDeletedFlag);
      const std::uint8_t* data = currentRecord_;
      if (enciphered_) {
        Cipher(writePassword_, currentRecord_, scratchRecord_.data(), recordLength_, true);
        data = scratchRecord_.data();
      }
      WriteAt(RecordOffset(recno), data, recordLength_);
    }
  } catch (const ETalvernError&) {
    // What could not be taken back is for `dbftool check` to find.
  }
  ReleaseLock();
  if (currentRecordNo_ > recordCount_) currentRecordNo_ = recordCount_;
}

void VXO_dBaseDBF::LockAppendWaiting() {
  for (int attempt = 1;; ++attempt) {
    if (LockAppend()) return;
    if (attempt >= kLockAttempts) break;
    SleepMs(kLockRetryMs);
  }
  Raise("Can not Lock file %s", {fileName_});
}

void VXO_dBaseDBF::SetLockProtocol(TvxLokProtocol protocol) {
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
      return;  // unknown protocols leave the ranges as they are
  }
  lockProtocol_ = protocol;
  if (memo_) memo_->SetLockProtocol(protocol);
}

bool VXO_dBaseDBF::HasIndexFiles() { return false; }

std::int64_t VXO_dBaseDBF::RecordLockOffset(std::int32_t r) {
  switch (lockProtocol_) {
    case TvxLokProtocol::DB4Lock:
      return static_cast<std::int64_t>(lockTop_) - r - 1;
    case TvxLokProtocol::ClipLock:
      return static_cast<std::int64_t>(lockBase_) + r;
    default:
      if (HasIndexFiles()) return static_cast<std::int64_t>(lockTop_) - r;
      return static_cast<std::int64_t>(lockBase_) + RecordOffset(r);
  }
}

bool VXO_dBaseDBF::LockRange(std::int64_t offset, std::int64_t length) {
  if (tableLocked_) {
    AddLockLevel();
    return true;
  }
  return LockRegion(offset, length);
}

bool VXO_dBaseDBF::LockRecord() { return LockRange(RecordLockOffset(currentRecordNo_), 1); }

bool VXO_dBaseDBF::LockAppend() { return LockRange(lockTop_, 1); }

bool VXO_dBaseDBF::LockTable() {
  bool granted = LockRange(lockBase_, tableLockLength_);
  tableLocked_ = granted;
  if (granted) RefreshHeader();
  return granted;
}

bool VXO_dBaseDBF::LockTableFull() {
  bool granted = LockRange(0, kEntireFileLength);
  tableLocked_ = granted;
  if (granted) RefreshHeader();
  return granted;
}

bool VXO_dBaseDBF::ReleaseLock() {
  Unlock();
  if (lockCount_ <= 0 && tableLocked_) {
    tableLocked_ = false;
    WriteHeader();
  }
  return true;
}

void VXO_dBaseDBF::FlushFile() {
  VXO_DiskFile::FlushFile();
  if (memo_) memo_->FlushFile();  // a memo file not yet opened has nothing to flush
  TableEvent(teAfterFlush, currentRecordNo_);
}

bool VXO_dBaseDBF::RenameFile(const std::string& newName) {
  // The memo object is found under the table's old name, so it is opened
  // before the table changes its name.
  VXobjMemo* memo = MemoFile();
  VXO_DiskFile::RenameFile(newName);
  if (memo) memo->RenameMemo(fileName_);
  return true;
}

VXobjMemo* VXO_dBaseDBF::MemoFile() {
  if (!memo_ && hasMemo_) {
    memo_ = CreateMemoObject(*this, version_, shared_, readWrite_, readPassword_, fileName_);
    memo_->SetLockProtocol(lockProtocol_);
    memo_->SetCipher(enciphered_, readPassword_, writePassword_);
  }
  return memo_.get();
}

}  // namespace talvern

#pragma once
// VXO_DiskFile: one operating-system file of the engine (table, memo or
// index) with positioned reads and writes, flushing, truncation, renaming and
// one byte-range lock that may be taken several levels deep. Failures raise
// the engine's errors; a refused lock answers false and never waits (the
// retrying callers use the lock-retry settings below).
//
// Every open file is listed in the process-wide VXobjFileColl (FileColl.h),
// which releases locks and handles when the program ends.

#include <cstdint>
#include <string>

#include "engine/Collection.h"
#include "platform/File.h"
#include "platform/Sleep.h"

namespace talvern {

using platform::SleepMs;

// A refused lock is tried kLockWaitMs / kLockRetryMs times, sleeping
// kLockRetryMs after each refusal, before "Can not Lock file %s".
constexpr int kLockWaitMs = 5000;
constexpr int kLockRetryMs = 50;
constexpr int kLockAttempts = kLockWaitMs / kLockRetryMs;

// The region of LockEntireFile and of a table's full lock.
constexpr std::int64_t kEntireFileLength = 0x7FFFFFFF;

class VXO_DiskFile : public TvxObject {
public:
  // The name passes through NormalizePath; a name that does not exist as
  // written takes the spelling of the one that exists ignoring case. The file
  // is not opened yet.
  VXO_DiskFile(const std::string& fileName, bool shared, bool readWrite);
  ~VXO_DiskFile() override;
  VXO_DiskFile(const VXO_DiskFile&) = delete;
  VXO_DiskFile& operator=(const VXO_DiskFile&) = delete;

  virtual bool CloseFile();
  virtual std::int64_t FileSize();
  virtual void FlushFile();
  virtual bool LockEntireFile();
  virtual bool LockRegion(std::int64_t offset, std::int64_t length);
  virtual std::int32_t ReadAt(std::int64_t offset, void* buffer, std::int32_t length);
  // count pieces of length bytes read straight from the file, piece i from
  // offsets[i] to out + i * length (see OsFile::ReadPieces); false when one
  // comes short.
  bool ReadPieces(const std::int64_t* offsets, std::size_t count, std::int32_t length, std::uint8_t* out);
  virtual bool RenameFile(const std::string& newName);
  virtual void OpenExisting();
  virtual void CreateNew();
  virtual void StatusReport(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3);
  virtual void Truncate(std::int64_t newSize);
  virtual bool Unlock();
  virtual void WriteAt(std::int64_t offset, const void* buffer, std::int32_t length);

  bool HasFullAccess() const;
  // Keeps every other open of the file out until ReleaseSoleUse (or the
  // close); false when another open holds it. Always true for a file
  // opened exclusively.
  bool TakeSoleUse() { return !closed_ && handle_.TakeSoleUse(); }
  void ReleaseSoleUse() { handle_.ReleaseSoleUse(); }
  // Raises the lock count by one without asking the operating system (for
  // locks nested under a table lock).
  void AddLockLevel() { ++lockCount_; }

  const std::string& FileName() const { return fileName_; }
  bool Exists() const { return exists_; }
  bool IsShared() const { return shared_; }
  bool IsReadWrite() const { return readWrite_; }
  bool IsClosed() const { return closed_; }
  std::int32_t LockCount() const { return lockCount_; }
  std::int32_t LastTransferCount() const { return lastCount_; }

protected:
  platform::OsFile handle_;
  bool exists_ = false;
  std::string fileName_;
  std::int64_t position_ = 0;
  bool shared_ = true;
  bool readWrite_ = true;
  std::int32_t lastCount_ = 0;
  std::int32_t lockCount_ = 0;
  std::int64_t lockOffset_ = 0;
  std::int64_t lockLength_ = 0;
  bool written_ = false;
  bool closed_ = true;
};

// A name containing a doubled backslash, or a colon beyond its second
// character, stays as it is; any other name becomes a full path against the
// current directory.
std::string NormalizePath(const std::string& name);
// The name as it is when it has an extension, else with ext (".DBF") added.
std::string DefaultExtension(const std::string& name, const std::string& ext);
// The name without directory and extension.
std::string BaseName(const std::string& name);
// The name with its extension replaced by ext (".dbt").
std::string ChangeExtension(const std::string& name, const std::string& ext);
// Appends c to the zero-terminated buffer until it is n long, then
// terminates it (the buffer holds at least n + 1 bytes).
void PadTo(char* buffer, char c, int n);

}  // namespace talvern

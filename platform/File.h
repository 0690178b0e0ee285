#pragma once
// Files as the engine expects them from the operating system: opened with an
// access mode and a share mode, positioned reads and writes, and advisory
// byte-range locks that other programs respect.
//
// Locks are open-file-description locks (F_OFD_SETLK): they belong to one
// open of the file, so two opens of the same file exclude each other even
// inside one process, and closing another descriptor does not drop them.
// Share modes are a lock on one sentinel byte far above every lock range of
// the table, memo and index protocols: a shared open holds a read lock on it,
// an exclusive open a write lock, so an exclusive open and any other open
// refuse each other.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvern::platform {

// Offset of the sentinel byte of the share modes (above 4 GiB, beyond every
// 32-bit lock offset).
constexpr std::int64_t kShareSentinelOffset = std::int64_t{1} << 40;

class OsFile {
public:
  OsFile() = default;
  ~OsFile();
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  enum class OpenResult { kOk, kNotFound, kDenied };

  // Opens an existing file. readWrite false opens it read-only; shared false
  // asks for exclusive use. kDenied when the file cannot be opened so or
  // another open's share mode refuses it.
  OpenResult Open(const std::string& path, bool readWrite, bool shared);
  // Creates the file empty (an existing file is cut to length 0); the file
  // stays closed. False on failure.
  static bool Create(const std::string& path);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }

  // Reads up to length bytes at offset; the count read (short at the end of
  // the file), or -1 on an error.
  std::int64_t ReadAt(std::int64_t offset, void* buffer, std::int64_t length);
  // Reads count pieces of length bytes, piece i from offsets[i] to
  // out + i * length. Each read is a call into the system: a long list is
  // shared with a second thread, which makes half of them on another core.
  enum class PiecesResult { kWhole, kShort, kError };
  PiecesResult ReadPieces(const std::int64_t* offsets, std::size_t count, std::int64_t length, std::uint8_t* out);
  // Writes length bytes at offset; false on an error (a read-only open
  // refuses every write). Writes and flushes obey an armed fault plan
  // (FaultInjection.h).
  bool WriteAt(std::int64_t offset, const void* buffer, std::int64_t length);
  // The size in bytes, or -1.
  std::int64_t Size() const;
  bool Flush();
  bool Truncate(std::int64_t size);

  // Makes this open the only one of the file for a while: its share lock
  // becomes exclusive, so that every other open is refused until
  // ReleaseSoleUse or the close. False when another open holds the file
  // (or this one may not write it).
  bool TakeSoleUse();
  void ReleaseSoleUse();

  // An exclusive lock of length bytes at offset; false at once when another
  // open holds a lock that overlaps it.
  bool Lock(std::int64_t offset, std::int64_t length);
  bool Unlock(std::int64_t offset, std::int64_t length);

private:
  bool WriteAll(std::int64_t offset, const void* buffer, std::int64_t length);

  int fd_ = -1;
  std::string path_;
  bool shared_ = false;
  bool readWrite_ = false;
  bool fdWritable_ = false;
};

bool FileExists(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);
bool DeleteFile(const std::string& path);
// Flushes a directory's entries (files created, renamed or deleted in it)
// to disk; false on an error.
bool SyncDirectory(const std::string& path);

// The name under which a file exists: the name itself when it exists as
// written; otherwise each path component that does not exist is replaced by
// the entry of its directory that matches it ignoring case (the first in
// byte order when several do). A component without a match is kept as
// written.
std::string ResolveFileName(const std::string& path);

// Absolute form of a path against the current directory ("." and ".."
// resolved textually; symbolic links left alone).
std::string AbsolutePath(const std::string& path);

}  // namespace talvern::platform

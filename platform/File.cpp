#include "platform/File.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/FaultInjection.h"

namespace talvern::platform {
namespace {

bool SetLock(int fd, short type, std::int64_t offset, std::int64_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = length;
  fl.l_pid = 0;
  while (fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

}  // namespace

OsFile::~OsFile() { Close(); }

OsFile::OpenResult OsFile::Open(const std::string& path, bool readWrite, bool shared) {
  Close();
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno == ENOENT ? OpenResult::kNotFound : OpenResult::kDenied;
  if (S_ISDIR(st.st_mode)) return OpenResult::kDenied;
  // Exclusive locks need a descriptor open for writing, so a read-only open
  // still opens the file for writing where it may; writes are refused above.
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  bool writable = fd >= 0;
  if (fd < 0) {
    if (readWrite) return OpenResult::kDenied;
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return OpenResult::kDenied;
  }
  // Share mode. A file nobody may write cannot take a write lock; its
  // exclusive open takes the read lock, which still refuses exclusive opens.
  short type = (shared || !writable) ? F_RDLCK : F_WRLCK;
  if (!SetLock(fd, type, kShareSentinelOffset, 1)) {
    close(fd);
    return OpenResult::kDenied;
  }
  fd_ = fd;
  path_ = path;
  shared_ = shared;
  readWrite_ = readWrite;
  fdWritable_ = writable;
  return OpenResult::kOk;
}

bool OsFile::Create(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  close(fd);
  return true;
}

void OsFile::Close() {
  if (fd_ >= 0) close(fd_);  // releases every lock of this open
  fd_ = -1;
  path_.clear();
  readWrite_ = fdWritable_ = false;
}

OsFile::PiecesResult OsFile::ReadPieces(const std::int64_t* offsets, std::size_t count, std::int64_t length,
                                        std::uint8_t* out) {
  // Fewer reads than this cost less than starting a thread.
  constexpr std::size_t kShared = 512;
  auto read = [&](std::size_t from, std::size_t to) {
    PiecesResult result = PiecesResult::kWhole;
    for (std::size_t i = from; i < to && result != PiecesResult::kError; ++i) {
      const std::int64_t n = ReadAt(offsets[i], out + i * static_cast<std::size_t>(length), length);
      if (n < 0) result = PiecesResult::kError;
      else if (n < length) result = PiecesResult::kShort;
    }
    return result;
  };
  if (count < kShared) return read(0, count);
  const std::size_t half = count / 2;
  PiecesResult second = PiecesResult::kWhole;
  std::thread helper;
  try {
    helper = std::thread([&] { second = read(half, count); });
  } catch (const std::system_error&) {
    return read(0, count);  // no thread to be had: all of them here
  }
  const PiecesResult first = read(0, half);
  helper.join();
  return std::max(first, second);
}

std::int64_t OsFile::ReadAt(std::int64_t offset, void* buffer, std::int64_t length) {
  if (fd_ < 0 || offset < 0 || length < 0) return -1;
  auto* p = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < length) {
    ssize_t n = pread(fd_, p + done, static_cast<std::size_t>(length - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool OsFile::WriteAt(std::int64_t offset, const void* buffer, std::int64_t length) {
  if (fd_ < 0 || !readWrite_ || offset < 0 || length < 0) return false;
  if (FaultArmed()) {
    FaultOutcome fault = FaultOnWrite(path_, length, offset + length > Size());
    if (fault.kill || fault.fail) {
      if (fault.keep > 0) WriteAll(offset, buffer, fault.keep);
      if (fault.kill) raise(SIGKILL);
      errno = fault.error;
      return false;
    }
  }
  return WriteAll(offset, buffer, length);
}

bool OsFile::WriteAll(std::int64_t offset, const void* buffer, std::int64_t length) {
  const auto* p = static_cast<const char*>(buffer);
  std::int64_t done = 0;
  while (done < length) {
    ssize_t n = pwrite(fd_, p + done, static_cast<std::size_t>(length - done), offset + done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += n;
  }
  return true;
}

std::int64_t OsFile::Size() const {
  struct stat st {};
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool OsFile::Flush() {
  if (fd_ < 0) return false;
  if (FaultArmed()) {
    FaultOutcome fault = FaultOnSync(path_);
    if (fault.kill) raise(SIGKILL);
    if (fault.fail) {
      errno = fault.error;
      return false;
    }
  }
  return !fdWritable_ || fdatasync(fd_) == 0;
}

bool OsFile::Truncate(std::int64_t size) {
  return fd_ >= 0 && readWrite_ && size >= 0 && ftruncate(fd_, size) == 0;
}

bool OsFile::TakeSoleUse() {
  if (fd_ < 0 || !fdWritable_) return false;
  return !shared_ || SetLock(fd_, F_WRLCK, kShareSentinelOffset, 1);
}

void OsFile::ReleaseSoleUse() {
  if (fd_ >= 0 && shared_) SetLock(fd_, F_RDLCK, kShareSentinelOffset, 1);
}

bool OsFile::Lock(std::int64_t offset, std::int64_t length) {
  if (fd_ < 0 || length <= 0) return false;
  return SetLock(fd_, fdWritable_ ? F_WRLCK : F_RDLCK, offset, length);
}

bool OsFile::Unlock(std::int64_t offset, std::int64_t length) {
  if (fd_ < 0 || length <= 0) return false;
  return SetLock(fd_, F_UNLCK, offset, length);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RenameFile(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool DeleteFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool SyncDirectory(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

std::string ResolveFileName(const std::string& path) {
  struct stat st {};
  if (path.empty() || lstat(path.c_str(), &st) == 0) return path;
  // Walk the components, fixing the case of those that do not exist.
  std::string resolved = path[0] == '/' ? "/" : "";
  std::size_t i = 0;
  while (i < path.size()) {
    std::size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    std::string part = path.substr(i, j - i);
    i = j + 1;
    if (part.empty()) continue;
    std::string dir = resolved.empty() ? "." : resolved;
    std::string candidate = resolved + (resolved.empty() || resolved.back() == '/' ? "" : "/") + part;
    if (part != "." && part != ".." && lstat(candidate.c_str(), &st) != 0) {
      std::vector<std::string> matches;
      if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
          if (EqualIgnoringCase(e->d_name, part)) matches.emplace_back(e->d_name);
        closedir(d);
      }
      if (!matches.empty()) {
        std::sort(matches.begin(), matches.end());
        candidate = resolved + (resolved.empty() || resolved.back() == '/' ? "" : "/") + matches[0];
      }
    }
    resolved = candidate;
  }
  return resolved;
}

std::string AbsolutePath(const std::string& path) {
  std::string full = path;
  if (path.empty() || path[0] != '/') {
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
      if (errno != ERANGE) return path;
      buf.resize(buf.size() * 2);
    }
    full = std::string(buf.data()) + "/" + path;
  }
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= full.size()) {
    std::size_t j = full.find('/', i);
    if (j == std::string::npos) j = full.size();
    std::string part = full.substr(i, j - i);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

}  // namespace talvern::platform

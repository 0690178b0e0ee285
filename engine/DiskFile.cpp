#include "engine/DiskFile.h"

#include "engine/Errors.h"
#include "engine/FileColl.h"

namespace talvern {

VXO_DiskFile::VXO_DiskFile(const std::string& fileName, bool shared, bool readWrite)
    : fileName_(NormalizePath(fileName)), shared_(shared), readWrite_(readWrite) {
  if (!platform::FileExists(fileName_)) fileName_ = platform::ResolveFileName(fileName_);
  exists_ = platform::FileExists(fileName_);
}

VXO_DiskFile::~VXO_DiskFile() {
  try {
    VXO_DiskFile::CloseFile();
  } catch (...) {
    // A destructor must not throw; the handle is closed below in any case.
  }
}

bool VXO_DiskFile::CloseFile() {
  if (closed_) return true;
  if (lockCount_ > 0) {
    // Release the region whatever the nesting. Closing the handle drops the
    // lock anyway, so a failed release does not keep the file open.
    lockCount_ = 1;
    try {
      VXO_DiskFile::Unlock();
    } catch (const ETalvernError&) {
      lockCount_ = 0;
    }
  }
  if (auto* files = VXobjFileColl::Instance(false)) files->Remove(this);
  handle_.Close();
  closed_ = true;
  position_ = 0;
  return true;
}

std::int64_t VXO_DiskFile::FileSize() {
  std::int64_t size = handle_.Size();
  if (size < 0) Raise("Error getting FileSize for file %s", {fileName_});
  return size;
}

void VXO_DiskFile::FlushFile() {
  if (closed_) return;
  if (!handle_.Flush()) Raise("Error on Flush for file %s", {fileName_});
  written_ = false;
}

bool VXO_DiskFile::LockEntireFile() {
  if (!shared_) return true;
  return LockRegion(0, kEntireFileLength);
}

bool VXO_DiskFile::LockRegion(std::int64_t offset, std::int64_t length) {
  if (!shared_) {
    ++lockCount_;
    lockOffset_ = offset;
    lockLength_ = length;
    return true;
  }
  if (lockCount_ <= 0) {
    lockOffset_ = offset;
    lockLength_ = length;
    if (!handle_.Lock(offset, length)) return false;
    lockCount_ = 1;
    return true;
  }
  // One object holds one region at a time; the same region nests.
  if (offset == lockOffset_ && length == lockLength_) {
    ++lockCount_;
    return true;
  }
  return false;
}

std::int32_t VXO_DiskFile::ReadAt(std::int64_t offset, void* buffer, std::int32_t length) {
  if (closed_ || offset < 0 || length < 0) Raise("Error on Read of file %s", {fileName_});
  std::int64_t count = handle_.ReadAt(offset, buffer, length);
  if (count < 0) Raise("Error on Read of file %s", {fileName_});
  lastCount_ = static_cast<std::int32_t>(count);
  position_ = offset + length;
  return lastCount_;
}

bool VXO_DiskFile::ReadPieces(const std::int64_t* offsets, std::size_t count, std::int32_t length,
                              std::uint8_t* out) {
  if (closed_ || length < 0) Raise("Error on Read of file %s", {fileName_});
  for (std::size_t i = 0; i < count; ++i)
    if (offsets[i] < 0) Raise("Error on Read of file %s", {fileName_});
  const platform::OsFile::PiecesResult result = handle_.ReadPieces(offsets, count, length, out);
  if (result == platform::OsFile::PiecesResult::kError) Raise("Error on Read of file %s", {fileName_});
  return result == platform::OsFile::PiecesResult::kWhole;
}

bool VXO_DiskFile::RenameFile(const std::string& newName) {
  std::string oldName = fileName_;
  CloseFile();
  std::string target = NormalizePath(newName);
  if (!platform::RenameFile(oldName, target)) {
    // The file stays usable under its old name.
    OpenExisting();
    Raise("Error on Rename of file %s", {oldName});
  }
  fileName_ = target;
  OpenExisting();
  return true;
}

void VXO_DiskFile::OpenExisting() {
  if (!closed_) CloseFile();
  if (!exists_) Raise("File %s could not be found", {fileName_});
  switch (handle_.Open(fileName_, readWrite_, shared_)) {
    case platform::OsFile::OpenResult::kOk:
      break;
    case platform::OsFile::OpenResult::kNotFound:
      Raise("File %s could not be found", {fileName_});
    case platform::OsFile::OpenResult::kDenied:
      Raise("Access denied to file %s", {fileName_});
  }
  position_ = 0;
  VXobjFileColl::Instance()->Add(this);
  closed_ = false;
}

void VXO_DiskFile::CreateNew() {
  if (!platform::OsFile::Create(fileName_)) Raise("Could not create file %s", {fileName_});
  exists_ = true;
  OpenExisting();
}

void VXO_DiskFile::StatusReport(std::int32_t, std::int32_t, std::int32_t) {}

void VXO_DiskFile::Truncate(std::int64_t newSize) {
  if (!readWrite_ || !HasFullAccess())
    Raise("%s requires full access to file %s", {"Truncate", fileName_});
  if (!handle_.Truncate(newSize)) Raise("Error in Truncate of file %s", {fileName_});
}

bool VXO_DiskFile::Unlock() {
  if (lockCount_ <= 0) return true;
  if (shared_ && lockCount_ == 1 && !handle_.Unlock(lockOffset_, lockLength_))
    Raise("Error in Unlock of file %s", {fileName_});
  --lockCount_;
  return true;
}

void VXO_DiskFile::WriteAt(std::int64_t offset, const void* buffer, std::int32_t length) {
  written_ = false;
  if (closed_ || length < 0 || !handle_.WriteAt(offset, buffer, length))
    Raise("Error writing to %s", {fileName_});
  lastCount_ = length;
  position_ = offset + length;
  written_ = true;
}

bool VXO_DiskFile::HasFullAccess() const {
  if (!shared_) return true;
  return lockCount_ > 0 && lockOffset_ == 0 && lockLength_ == kEntireFileLength;
}

std::string NormalizePath(const std::string& name) {
  if (name.find("\\\\") != std::string::npos) return name;
  auto colon = name.find(':');
  if (colon != std::string::npos && colon >= 2) return name;
  return platform::AbsolutePath(name);
}

namespace {
std::size_t NameStart(const std::string& name) {
  auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}
std::size_t ExtensionStart(const std::string& name) {
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot < NameStart(name)) return std::string::npos;
  return dot;
}
}  // namespace

std::string DefaultExtension(const std::string& name, const std::string& ext) {
  return ExtensionStart(name) == std::string::npos ? name + ext : name;
}

std::string BaseName(const std::string& name) {
  std::size_t start = NameStart(name);
  std::size_t dot = ExtensionStart(name);
  return name.substr(start, (dot == std::string::npos ? name.size() : dot) - start);
}

std::string ChangeExtension(const std::string& name, const std::string& ext) {
  std::size_t dot = ExtensionStart(name);
  return (dot == std::string::npos ? name : name.substr(0, dot)) + ext;
}

void PadTo(char* buffer, char c, int n) {
  int length = 0;
  while (length < n && buffer[length] != '\0') ++length;
  while (length < n) buffer[length++] = c;
  buffer[n] = '\0';
}

}  // namespace talvern

#include "index/IndexFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/CdxFile.h"
#include "index/MdxFile.h"
#include "index/NdxFile.h"
#include "index/NtxFile.h"
#include "platform/File.h"

namespace talvern {

namespace {
bool HasPath(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

std::string DirectoryOf(const std::string& name) {
  auto slash = name.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

// Whether the bytes from offset on lie wholly within the pages an index
// file can address, so that sums of page offsets and lengths do not
// overflow.
bool InIndexSpace(std::int32_t offset, std::int32_t length) {
  return offset >= 0 && length >= 0 && static_cast<std::int64_t>(offset) + length <= kIndexSpaceEnd;
}

// Deciphers or enciphers a page in chunks of kCipherChunk bytes, each chunk
// a stream of its own.
void CipherPage(const std::string& password, const std::uint8_t* source, std::uint8_t* target,
                std::int32_t length, bool encipher) {
  for (std::int32_t at = 0; at < length; at += kCipherChunk) {
    std::int32_t n = std::min(kCipherChunk, length - at);
    Cipher(password, source + at, target + at, n, encipher);
  }
}
}  // namespace

VXobjIndexFile::VXobjIndexFile(VXO_dBaseFld* table) : Table(table) {
  Exact = table ? table->ExactKey() : true;
}

VXobjIndexFile::~VXobjIndexFile() {
  // The formats release their tags' nodes before; the tags and the disk
  // file go with the members.
  nodes_.clear();
  Tags.clear();
  if (Disk) Disk->CloseFile();
}

void VXobjIndexFile::RaiseCorrupted() const { Raise("Index file %s is corrupted", {fileName_}); }

void VXobjIndexFile::OpenStep(const std::string& fileName, bool overwrite, bool create, bool shared,
                              bool readWrite, const std::string& defaultExt) {
  std::string name(Trim(fileName));
  name = DefaultExtension(name, defaultExt);
  fileName_ = name.substr(DirectoryOf(name).size());
  if (Table && !HasPath(name)) name = DirectoryOf(Table->FileName()) + name;
  auto disk = std::make_unique<VXO_DiskFile>(name, shared, readWrite);
  if (create && (overwrite || !disk->Exists())) {
    disk->CreateNew();
  } else if (disk->Exists()) {
    disk->OpenExisting();
  } else {
    return;
  }
  fileName_ = disk->FileName().substr(DirectoryOf(disk->FileName()).size());
  Disk = std::move(disk);
}

std::string VXobjIndexFile::FullName() const { return Disk ? Disk->FileName() : std::string(); }

// Base behaviour of the virtual operations.

bool VXobjIndexFile::TagAdd(const std::string&, const std::string&, bool, bool, const std::string&) {
  return false;
}

bool VXobjIndexFile::TagDelete(const std::string&) { return false; }

std::int32_t VXobjIndexFile::PageAllocate() { return -1; }

std::int32_t VXobjIndexFile::PageAllocReset() { return -1; }

void VXobjIndexFile::Reindex() {}

bool VXobjIndexFile::ChangedByOthers() { return false; }

VXobjIndexFile::CacheSlot VXobjIndexFile::Slot(std::int32_t offset) {
  if (cacheOffsets_.empty()) {
    std::size_t pages = Disk ? static_cast<std::size_t>(Disk->FileSize() / kCachePage) : 0;
    std::size_t slots = 64;
    while (slots < pages && slots < kCacheSlots) slots *= 2;
    cacheBytes_ = std::make_unique_for_overwrite<std::uint8_t[]>(slots * kCachePage);
    cacheOffsets_.assign(slots, -1);
  }
  const std::size_t i = static_cast<std::size_t>(offset / kCachePage) % cacheOffsets_.size();
  return {cacheOffsets_[i], cacheBytes_.get() + i * kCachePage};
}

bool VXobjIndexFile::Uncached() const { return Disk && Disk->IsShared() && VersionOffset() <= 0; }

bool VXobjIndexFile::PageRead(std::int32_t offset, void* buffer, std::int32_t length) {
  if (!Disk || !InIndexSpace(offset, length)) return false;
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  const bool whole = offset % kCachePage == 0 && length % kCachePage == 0 && !Uncached();
  // Whole pages come from the cache when they are there.
  if (whole) {
    std::int32_t at = 0;
    for (; at < length; at += kCachePage) {
      CacheSlot slot = Slot(offset + at);
      if (slot.offset != offset + at) break;
      std::memcpy(bytes + at, slot.bytes, kCachePage);
    }
    if (at == length) return true;
  }
  // A page missed right after the one missed before starts a sequential
  // walk (leaves are written one after the other): the pages that follow
  // are read with it.
  const std::int64_t end = static_cast<std::int64_t>(offset) + length;
  if (whole && offset == lastMissEnd_ && length <= kReadAheadPages * kCachePage) {
    lastMissEnd_ = end;
    if (ReadAhead(offset)) {
      std::int32_t at = 0;
      for (; at < length; at += kCachePage) {
        CacheSlot slot = Slot(offset + at);
        if (slot.offset != offset + at) break;
        std::memcpy(bytes + at, slot.bytes, kCachePage);
      }
      if (at == length) return true;
    }
  }
  lastMissEnd_ = end;
  std::int32_t count = Disk->ReadAt(offset, bytes, length);
  if (Table && Table->IsEnciphered()) CipherPage(Table->ReadPassword(), bytes, bytes, count, false);
  if (whole && count == length) {
    for (std::int32_t at = 0; at < length; at += kCachePage) {
      CacheSlot slot = Slot(offset + at);
      slot.offset = offset + at;
      std::memcpy(slot.bytes, bytes + at, kCachePage);
    }
  }
  return count == length;
}

// Reads up to kReadAheadPages whole pages from offset into the cache; true
// when the page at offset was among them.
bool VXobjIndexFile::ReadAhead(std::int32_t offset) {
  std::vector<std::uint8_t>& block = readAheadBuffer_;
  block.resize(static_cast<std::size_t>(kReadAheadPages) * kCachePage);
  const std::int32_t room = std::min<std::int32_t>(static_cast<std::int32_t>(block.size()), kIndexSpaceEnd - offset);
  std::int32_t count = Disk->ReadAt(offset, block.data(), room);
  std::int32_t pages = count / kCachePage;
  for (std::int32_t i = 0; i < pages; ++i) {
    std::uint8_t* page = block.data() + static_cast<std::size_t>(i) * kCachePage;
    if (Table && Table->IsEnciphered()) CipherPage(Table->ReadPassword(), page, page, kCachePage, false);
    CacheSlot slot = Slot(offset + i * kCachePage);
    slot.offset = offset + i * kCachePage;
    std::memcpy(slot.bytes, page, kCachePage);
  }
  return pages > 0;
}

bool VXobjIndexFile::PageWrite(std::int32_t offset, const void* buffer, std::int32_t length) {
  if (!Disk) return false;
  if (!InIndexSpace(offset, length)) RaiseCorrupted();
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  for (std::int32_t at = offset / kCachePage * kCachePage; at < offset + length; at += kCachePage) {
    auto it = nodes_.find(at);
    if (it == nodes_.end() || !it->second) continue;
    if (it->second->IsLeaf()) --cachedLeaves_;
    it->second.reset();
  }
  // The cached pages follow what is written (whole pages), or go.
  if (!cacheOffsets_.empty()) {
    for (std::int32_t at = offset / kCachePage * kCachePage; at < offset + length; at += kCachePage) {
      CacheSlot slot = Slot(at);
      if (at >= offset && at + kCachePage <= offset + length) {
        slot.offset = at;
        std::memcpy(slot.bytes, bytes + (at - offset), kCachePage);
      } else if (slot.offset == at) {
        slot.offset = -1;
      }
    }
  }
  if (Table && Table->IsEnciphered()) {
    std::vector<std::uint8_t> copy(static_cast<std::size_t>(length));
    CipherPage(Table->WritePassword(), bytes, copy.data(), length, true);
    Disk->WriteAt(offset, copy.data(), length);
  } else {
    Disk->WriteAt(offset, buffer, length);
  }
  return true;
}

void VXobjIndexFile::ReplaceWithBuilt(const std::function<void(const std::string& temporary)>& build,
                                      const std::function<void()>& forget) {
  const std::string target = FullName();
  const std::string temporary = target + ".tmp";
  auto undo = [&] {
    Disk->ReleaseSoleUse();
    platform::DeleteFile(temporary);
  };
  try {
    build(temporary);
  } catch (...) {
    undo();
    throw;
  }
  if (!platform::RenameFile(temporary, target)) {
    undo();
    Raise("Error on Rename of file %s", {temporary});
  }
  auto disk = std::make_unique<VXO_DiskFile>(target, Disk->IsShared(), Disk->IsReadWrite());
  forget();
  DropCache();
  Disk = std::move(disk);
  Disk->OpenExisting();
  NextFree = -1;
}

void VXobjIndexFile::DropCache() {
  ++cacheGeneration_;
  std::fill(cacheOffsets_.begin(), cacheOffsets_.end(), -1);
  nodes_.clear();
  cachedLeaves_ = 0;
}

// A node taken leaves its slot empty (slots are reused, not freed, so that
// taking and keeping the nodes of a path costs no allocation).
std::unique_ptr<VXobjIndexKey> VXobjIndexFile::TakeNode(VXobjIndexTag* tag, std::int32_t page) {
  auto it = nodes_.find(page);
  if (it == nodes_.end() || !it->second || it->second->Tag != tag) return nullptr;
  if (it->second->IsLeaf()) --cachedLeaves_;
  return std::move(it->second);
}

void VXobjIndexFile::KeepNode(std::unique_ptr<VXobjIndexKey> node) {
  if (Uncached() || node->Page <= 0 || node->Dirty || node->Child || node->Generation != cacheGeneration_) return;
  if (node->IsLeaf()) {
    if (cachedLeaves_ >= kCachedLeaves) return;
    ++cachedLeaves_;
  }
  node->Parent = nullptr;
  node->Pos = -1;
  node->Stale = false;
  std::int32_t page = node->Page;
  auto& slot = nodes_[page];
  if (slot && slot->IsLeaf()) --cachedLeaves_;
  slot = std::move(node);
}

void VXobjIndexFile::ForgetNodes(VXobjIndexTag* tag) {
  for (auto& [page, node] : nodes_) {
    if (node && node->Tag == tag) {
      if (node->IsLeaf()) --cachedLeaves_;
      node.reset();
    }
  }
}

bool VXobjIndexFile::ValidateCache() {
  if (!Disk || !Disk->IsShared() || validationHeld_) return false;
  if (VersionOffset() <= 0) {
    // Nothing tells of another program's changes: pages are read afresh.
    DropCache();
    return false;
  }
  // The counter lies in the first cipher chunk: read from the chunk's
  // start, so that deciphering lines up.
  std::uint8_t head[16];
  const std::int32_t n = VersionOffset() + VersionBytes();
  if (Disk->ReadAt(0, head, n) != n) {
    DropCache();
    return true;
  }
  if (Table && Table->IsEnciphered()) Cipher(Table->ReadPassword(), head, head, n, false);
  std::uint32_t version = VersionBytes() == 2 ? GetLE16(head + VersionOffset()) : GetLE32(head + VersionOffset());
  bool changed = cacheChecked_ && version != cacheVersion_;
  if (!cacheChecked_ || changed) DropCache();
  cacheVersion_ = version;
  cacheChecked_ = true;
  return changed;
}

// The whole file, in blocks of kCipherChunk bytes each its own stream (a
// shorter last one too, as PageRead deciphers it), deciphered with the
// table's read password and enciphered with its write password. The page
// cache holds deciphered pages, which stay as they are.
void VXobjIndexFile::Recrypt() {
  if (!Disk || !Table) return;
  constexpr std::int32_t kRecryptBytes = 128 * kCipherChunk;
  const std::int64_t size = Disk->FileSize();
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::int64_t>(size, kRecryptBytes)));
  for (std::int64_t at = 0; at < size; at += kRecryptBytes) {
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kRecryptBytes, size - at));
    if (Disk->ReadAt(at, bytes.data(), n) != n) Raise("Error on Read of file %s", {Disk->FileName()});
    CipherPage(Table->ReadPassword(), bytes.data(), bytes.data(), n, false);
    CipherPage(Table->WritePassword(), bytes.data(), bytes.data(), n, true);
    Disk->WriteAt(at, bytes.data(), n);
  }
}

bool VXobjIndexFile::Rename(const std::string& newName) {
  if (!Disk) return false;
  std::string extension = ".";
  extension += Extension();
  std::string target = ChangeExtension(newName, extension);
  if (!Disk->RenameFile(target)) return false;
  fileName_ = Disk->FileName().substr(DirectoryOf(Disk->FileName()).size());
  return true;
}

std::string VXobjIndexFile::Extension() const {
  auto dot = fileName_.rfind('.');
  return dot == std::string::npos ? std::string() : fileName_.substr(dot + 1);
}

bool VXobjIndexFile::KeysUpdate(std::int32_t recno, bool append) {
  NextFree = -1;
  bool changed = false;
  for (auto& tag : Tags)
    if (tag->RecordKeysUpdate(recno, append)) changed = true;
  return changed;
}

bool VXobjIndexFile::KeysUpdateHeld(std::int32_t recno, bool append, const std::function<void(bool)>& after) {
  ValidateCache();
  TakeInOthersTags();
  CheckMaintainable(append ? 0 : recno);
  struct Hold {
    VXobjIndexFile& file;
    explicit Hold(VXobjIndexFile& f) : file(f) { file.HoldValidation(true); }
    ~Hold() { file.HoldValidation(false); }
  } hold(*this);
  bool changed = VXobjIndexFile::KeysUpdate(recno, append);
  for (auto& tag : Tags) tag->ReleaseNodes();
  after(changed);
  return changed;
}

bool VXobjIndexFile::RemoveRecordKeys(std::int32_t recno) {
  for (auto& tag : Tags) tag->Discard();
  DropCache();
  bool changed = false;
  for (auto& tag : Tags) {
    try {
      if (tag->RemoveRecordKey(recno)) changed = true;
    } catch (const ETalvernError&) {
      tag->Discard();
    }
  }
  return changed;
}

void VXobjIndexFile::SetLockProtocol(TvxLokProtocol protocol) {
  switch (protocol) {
    case TvxLokProtocol::Default:
    case TvxLokProtocol::FoxLock:
      LockBase = 0x40000000u;
      LockTop = 0x7FFFFFFEu;
      LockSpan = 0x3FFFFFFFu;
      break;
    case TvxLokProtocol::DB4Lock:
      LockBase = 0x40000000u;
      LockTop = 0xEFFFFFFFu;
      LockSpan = 0xB0000000u;
      break;
    case TvxLokProtocol::ClipLock:
      LockBase = LockTop = LockSpan = 1000000000u;
      break;
    default:
      return;
  }
  LockProtocol = protocol;
}

// Tags.

VXobjIndexTag* VXobjIndexFile::TagByNumber(int n) const {
  return n >= 0 && n < TagCount() ? Tags[static_cast<std::size_t>(n)].get() : nullptr;
}

VXobjIndexTag* VXobjIndexFile::TagByName(const std::string& name) const {
  for (const auto& tag : Tags)
    if (CompareText(tag->Name, name) == 0) return tag.get();
  return nullptr;
}

void VXobjIndexFile::CheckMaintainable(std::int32_t beingWritten) const {
  for (const auto& tag : Tags)
    if (!tag->Searchable(beingWritten))
      Raise("Index tag %s of file %s holds keys this program cannot maintain (%s)",
            {tag->Name, fileName_, tag->NotSearchableReason()});
}

void VXobjIndexFile::Flush() {
  for (auto& tag : Tags) tag->ReleaseNodes();
  if (Disk) Disk->FlushFile();
}

// Locking.

bool VXobjIndexFile::IndexLock() {
  if (!Disk || !Disk->IsShared()) return true;
  std::int64_t offset = 0, length = 1;
  switch (LockProtocol) {
    case TvxLokProtocol::Default:
    case TvxLokProtocol::FoxLock:
      offset = static_cast<std::int64_t>(LockTop) - 1;
      break;
    case TvxLokProtocol::DB4Lock:
      offset = static_cast<std::int64_t>(LockTop) - 1;
      length = 2;
      break;
    case TvxLokProtocol::ClipLock:
      offset = LockBase;
      break;
    default:
      offset = -1;
      break;
  }
  for (int attempt = 1; offset >= 0; ++attempt) {
    if (Disk->LockRegion(offset, length)) return true;
    if (attempt >= kLockAttempts) break;
    SleepMs(kLockRetryMs);
  }
  Raise("Can not Lock file %s", {Disk->FileName()});
}

void VXobjIndexFile::IndexUnlock() {
  if (Disk) Disk->Unlock();
}

// Opening by kind.

std::string IndexKindOf(const std::string& fileName) {
  std::string name(Trim(fileName));
  auto dot = name.rfind('.');
  auto slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  std::string ext = UpperCase(name.substr(dot));
  return ext == ".CDX" || ext == ".MDX" || ext == ".NDX" || ext == ".NTX" ? ext.substr(1) : std::string();
}

std::unique_ptr<VXobjIndexFile> MakeIndexFile(VXO_dBaseFld* table, const std::string& fileName, bool create,
                                              bool shared, bool readWrite) {
  std::string name(Trim(fileName));
  const std::string kind = IndexKindOf(name);
  // Compound and multiple-tag files are added to; single-tag files are
  // made anew.
  if (kind == "CDX") return std::make_unique<VXobjCDXFile>(table, name, false, create, shared, readWrite);
  if (kind == "MDX") return std::make_unique<VXobjMDXFile>(table, name, false, create, shared, readWrite);
  if (kind == "NDX") return std::make_unique<VXobjNDXFile>(table, name, create, create, shared, readWrite);
  if (kind == "NTX") return std::make_unique<VXobjNTXFile>(table, name, create, create, shared, readWrite);
  return nullptr;
}

}  // namespace talvern

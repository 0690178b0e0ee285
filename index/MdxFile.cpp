#include "index/MdxFile.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/MdxLayout.h"

namespace talvern {

using namespace mdx;

namespace {

void PutDate(std::uint8_t* at) {
  int year = 0, month = 0, day = 0;
  DBFDate().DayToYMD(DBFDate().Today(), year, month, day);
  at[0] = static_cast<std::uint8_t>(year % 100);
  at[1] = static_cast<std::uint8_t>(month);
  at[2] = static_cast<std::uint8_t>(day);
}

std::string ExtensionOf(const std::string& name) {
  auto dot = name.rfind('.');
  auto slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return name.substr(dot);
}

}  // namespace

VXobjMDXFile::VXobjMDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create,
                           bool shared, bool readWrite)
    : VXobjItemFile(table) {
  OpenStep(fileName, overwrite, create, shared, readWrite, ".mdx");
  if (!Disk) return;
  if (Disk->FileSize() > kUnit) {
    if (!ReadHeader()) Corrupted = true;
  } else if (Disk->IsReadWrite()) {
    CreateHeader();
  } else {
    // Too short for a header, and not to be written: damaged.
    Corrupted = true;
  }
  // The table's own file is its production index.
  if (!Corrupted && Table && !Table->ProductionIndex() &&
      CompareText(ChangeExtension(FullName(), ExtensionOf(Table->FileName())), Table->FileName()) == 0) {
    Table->SetProductionIndex(true);
  }
  Opened = !Corrupted;
}

VXobjMDXFile::~VXobjMDXFile() { ReleaseAll(); }

int VXobjMDXFile::Capacity() const {
  return std::min<int>(kCapacity, (headerSize_ - kTagTableOffset) / entryLength_ - 1);
}

std::string VXobjMDXFile::TableBaseName() const {
  std::string base = UpperCase(BaseName(Table ? Table->FileName() : fileName_));
  return base.substr(0, kTableNameSize - 1);
}

bool VXobjMDXFile::ReadHeader() {
  std::uint8_t b[kUnit];
  if (!PageRead(0, b, kUnit)) return false;
  const int units = GetLE16(b + kBlockUnitsOffset);
  const int bytes = GetLE16(b + kBlockBytesOffset);
  if ((b[kVersionOffset] != kVersion && b[kVersionOffset] != kLaterVersion) || units < 1 || units > 64 ||
      bytes != units * kUnit)
    return false;
  blockSize_ = bytes;
  entryLength_ = b[kEntryLengthOffset];
  if (entryLength_ != kEntryLength && entryLength_ != kLongEntryLength) return false;
  headerSize_ = std::max(units * bytes, kNewHeaderSize);
  const int count = GetLE16(b + kTagCountOffset);
  const std::int64_t fileSize = Disk->FileSize();
  const std::int64_t table = kTagTableOffset + static_cast<std::int64_t>(entryLength_) * (count + 1);
  if (table > fileSize || table > 0x10000) return false;
  // The header area, read in whole units (so that deciphering lines up).
  const std::int64_t readSize = std::min<std::int64_t>((table + kUnit - 1) / kUnit * kUnit, fileSize / kUnit * kUnit);
  head_.assign(static_cast<std::size_t>(std::max<std::int64_t>(readSize, headerSize_)), 0);
  if (!PageRead(0, head_.data(), static_cast<std::int32_t>(readSize))) return false;
  for (int i = 1; i <= count && !Corrupted; ++i) {
    const std::uint8_t* e = head_.data() + kTagTableOffset + i * entryLength_;
    const std::int64_t offset = static_cast<std::int64_t>(GetLE32(e)) * kUnit;
    if (offset < table || offset + blockSize_ > fileSize) return false;
    const char* name = reinterpret_cast<const char*>(e + kEntryNameOffset);
    auto tag = std::make_unique<VXobjMDXTag>(this, static_cast<std::int32_t>(offset),
                                             std::string(name, strnlen(name, NameSize())));
    if (Corrupted) return false;
    Tags.push_back(std::move(tag));
  }
  PageAllocReset();
  return true;
}

// A new file: the header and an empty tag table.
void VXobjMDXFile::CreateHeader() {
  blockSize_ = kNewBlockSize;
  headerSize_ = kNewHeaderSize;
  entryLength_ = kEntryLength;
  head_.assign(static_cast<std::size_t>(headerSize_), 0);
  head_[kVersionOffset] = kVersion;
  PutDate(head_.data() + kCreationDateOffset);
  PutLE16(head_.data() + kBlockUnitsOffset, static_cast<std::uint32_t>(blockSize_ / kUnit));
  PutLE16(head_.data() + kBlockBytesOffset, static_cast<std::uint32_t>(blockSize_));
  head_[kProductionOffset] = 1;
  head_[kCapacityOffset] = kCapacity;
  head_[kEntryLengthOffset] = static_cast<std::uint8_t>(entryLength_);
  DropCache();
  NextFree = headerSize_;
  WriteDirectory();
}

void VXobjMDXFile::WriteDirectory() {
  std::uint8_t* h = head_.data();
  const std::string table = TableBaseName();
  std::memset(h + kTableNameOffset, 0, kTableNameSize);
  std::memcpy(h + kTableNameOffset, table.data(), table.size());
  PutDate(h + kUpdateDateOffset);
  PutLE16(h + kTagCountOffset, static_cast<std::uint32_t>(Tags.size()));
  const std::int64_t end = std::max<std::int64_t>({NextFree, Disk->FileSize(), headerSize_});
  PutLE32(h + kNextFreeOffset, static_cast<std::uint32_t>((end + kUnit - 1) / kUnit));
  // The tag table: entry 0 leads to entry 1, each entry to the next.
  std::memset(h + kTagTableOffset, 0, head_.size() - kTagTableOffset);
  const std::size_t tail = kEntryNameOffset + NameSize();
  const int n = static_cast<int>(Tags.size());
  h[kTagTableOffset + tail + 2] = n > 0 ? 1 : 0;
  for (int i = 1; i <= n; ++i) {
    const auto& tag = static_cast<const VXobjMDXTag&>(*Tags[static_cast<std::size_t>(i - 1)]);
    std::uint8_t* e = h + kTagTableOffset + i * entryLength_;
    PutLE32(e, static_cast<std::uint32_t>(tag.HeaderOffset / kUnit));
    std::memcpy(e + kEntryNameOffset, tag.Name.data(), std::min(tag.Name.size(), NameSize() - 1));
    e[tail] = kEntryFormat;
    e[tail + 2] = static_cast<std::uint8_t>(i < n ? i + 1 : 0);
    e[tail + 4] = kEntryTwo;
    e[tail + 5] = static_cast<std::uint8_t>(tag.StoredType());
  }
  PageWrite(0, head_.data(), static_cast<std::int32_t>(head_.size()));
}

// After keys were added on new blocks: the header's next free unit and date
// (only those bytes change, so that what another program wrote stays).
void VXobjMDXFile::AfterUpdate(bool, bool allocated) {
  if (!allocated) return;
  std::uint8_t b[kUnit];
  if (!PageRead(0, b, kUnit)) RaiseCorrupted();
  const std::int64_t end = std::max<std::int64_t>(NextFree, Disk->FileSize());
  PutLE32(b + kNextFreeOffset, static_cast<std::uint32_t>((end + kUnit - 1) / kUnit));
  PutDate(b + kUpdateDateOffset);
  PageWrite(0, b, kUnit);
}

VXobjIndexTag* VXobjMDXFile::LastTagNamed(const std::string& name) const {
  for (auto it = Tags.rbegin(); it != Tags.rend(); ++it)
    if (CompareText((*it)->Name, name) == 0) return it->get();
  return nullptr;
}

void VXobjMDXFile::RemoveTag(VXobjIndexTag* tag) {
  for (auto it = Tags.begin(); it != Tags.end(); ++it)
    if (it->get() == tag) {
      Tags.erase(it);
      return;
    }
}

void VXobjMDXFile::InsertByName(std::unique_ptr<VXobjIndexTag> tag) {
  auto at = std::find_if(Tags.begin(), Tags.end(), [&](const auto& t) { return CompareStr(t->Name, tag->Name) > 0; });
  Tags.insert(at, std::move(tag));
}

bool VXobjMDXFile::TagAdd(const std::string& name, const std::string& keyExpr, bool unique, bool ascending,
                          const std::string& forExpr) {
  if (!Disk || Corrupted) RaiseCorrupted();
  const std::string upper = UpperCase(std::string(TrimRight(name)));
  if (upper.empty()) Raise("Cannot find index tag %s", {name});
  if (upper.size() > NameSize() - 1)
    Raise("Index tag name %s is longer than %d characters", {upper, static_cast<std::int64_t>(NameSize() - 1)});
  // Under the index lock, with pages handed out from the file's current
  // end, so that a program updating keys meanwhile takes other pages.
  const bool locked = !Disk->HasFullAccess() && IndexLock();
  struct Unlock {
    VXobjMDXFile& file;
    bool on;
    ~Unlock() {
      if (on) file.IndexUnlock();
    }
  } unlock{*this, locked};
  ValidateCache();
  NextFree = -1;
  if (VXobjIndexTag* old = LastTagNamed(upper)) {
    old->ReleaseNodes();
    RemoveTag(old);
  }
  if (TagCount() >= Capacity()) {
    WriteDirectory();
    Raise("Index file %s has no room for another tag", {fileName_});
  }
  auto owned = std::make_unique<VXobjMDXTag>(this, -1, upper);
  VXobjIndexTag* tag = owned.get();
  InsertByName(std::move(owned));
  bool built = false;
  try {
    built = tag->TagCreate(keyExpr, unique, ascending, forExpr);
  } catch (...) {
    RemoveTag(tag);
    WriteDirectory();
    throw;
  }
  if (!built) RemoveTag(tag);
  WriteDirectory();
  return built;
}

bool VXobjMDXFile::TagDelete(const std::string& name) {
  VXobjIndexTag* tag = LastTagNamed(std::string(TrimRight(name)));
  if (!tag || !Disk) return false;
  {
    const bool locked = !Disk->HasFullAccess() && IndexLock();
    tag->ReleaseNodes();
    RemoveTag(tag);
    WriteDirectory();
    if (locked) IndexUnlock();
  }
  if (Tags.empty()) Reindex();
  return true;
}

std::unique_ptr<VXobjItemFile> VXobjMDXFile::NewBeside(const std::string& name) {
  return std::make_unique<VXobjMDXFile>(Table, name, true, true, false, true);
}

void VXobjMDXFile::Reload() {
  if (!ReadHeader()) Corrupted = true;
  Opened = !Corrupted;
}

// Every tag is built again from its definition. A file of this program's
// own layout that it has to itself is built anew beside and renamed into
// place; otherwise the file is cut back to its header and the tags are
// built again in it.
void VXobjMDXFile::Reindex() {
  if (!Disk) return;
  LockWhole();
  bool replacing = false;
  try {
    struct Definition {
      std::string name, keyExpr, forExpr;
      bool unique, ascending;
    };
    std::vector<Definition> definitions;
    for (const auto& tag : Tags)
      definitions.push_back({tag->Name, tag->KeyExpr, tag->HasFor ? tag->ForExpr : std::string(), tag->Unique,
                             tag->Ascending});
    ReleaseAll();
    const bool ownLayout = head_[kVersionOffset] == kVersion && blockSize_ == kNewBlockSize &&
                           headerSize_ == kNewHeaderSize && entryLength_ == kEntryLength;
    if (ownLayout && Disk->TakeSoleUse()) {
      replacing = true;
      ReplaceFromBeside([&](VXobjItemFile& fresh) {
        for (const auto& d : definitions) fresh.TagAdd(d.name, d.keyExpr, d.unique, d.ascending, d.forExpr);
      });
      Disk->Unlock();
      return;
    }
    Disk->Truncate(headerSize_);
    DropCache();
    NextFree = headerSize_;
    for (const auto& d : definitions) {
      auto owned = std::make_unique<VXobjMDXTag>(this, -1, d.name);
      VXobjIndexTag* tag = owned.get();
      Tags.push_back(std::move(owned));
      if (!tag->TagCreate(d.keyExpr, d.unique, d.ascending, d.forExpr)) RemoveTag(tag);
    }
    WriteDirectory();
  } catch (...) {
    // The file replaced keeps the tag table it was built with.
    if (!replacing) WriteDirectory();
    Disk->Unlock();
    throw;
  }
  Disk->Unlock();
}

bool VXobjMDXFile::Rename(const std::string& newName) {
  if (!VXobjIndexFile::Rename(newName)) return false;
  const std::string base = UpperCase(BaseName(newName)).substr(0, kTableNameSize - 1);
  std::uint8_t b[kUnit];
  if (!PageRead(0, b, kUnit)) return true;
  std::memset(b + kTableNameOffset, 0, kTableNameSize);
  std::memcpy(b + kTableNameOffset, base.data(), base.size());
  PageWrite(0, b, kUnit);
  std::memcpy(head_.data(), b, kUnit);
  return true;
}

}  // namespace talvern

#include "index/CdxFile.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Strings.h"
#include "index/CdxLayout.h"

namespace talvern {

using namespace cdx;

std::uint8_t VXobjCDXFile::NewTagCollation = kCollationMachine;

namespace {
// Longest tag name the directory's keys hold.
constexpr std::size_t kMaxTagName = 10;
}  // namespace

VXobjCDXFile::VXobjCDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create,
                           bool shared, bool readWrite)
    : VXobjIndexFile(table) {
  OpenStep(fileName, overwrite, create, shared, readWrite, ".cdx");
  if (!Disk) return;
  RecNoOrdered = true;
  if (Disk->FileSize() > kPageSize) {
    directory_ = std::make_unique<VXobjCDXTag>(this, 0, BaseName(fileName_));
    if (!Corrupted) {
      directory_->Options = kOptionsDirectory;
      PageAllocReset();
      LoadTags();
      tagsVersion_ = static_cast<std::uint32_t>(directory_->Version);
    }
  } else if (Disk->IsReadWrite()) {
    CreateDirectory(0);
  } else {
    // Too short for a directory, and not to be written: damaged.
    Corrupted = true;
  }
  NewTagCollation = kCollationMachine;
  std::string tableExtension = ".";
  if (Table) tableExtension += TableExtension();
  if (!Corrupted && Table && !Table->ProductionIndex() &&
      CompareText(ChangeExtension(FullName(), tableExtension), Table->FileName()) == 0) {
    Table->SetProductionIndex(true);
  }
  Opened = !Corrupted;
}

VXobjCDXFile::~VXobjCDXFile() {
  try {
    if (directory_) directory_->ReleaseNodes();
    for (auto& tag : Tags) tag->ReleaseNodes();
  } catch (...) {
    // Closing must not throw out of a destructor.
  }
  DropCache();
  directory_.reset();
  Tags.clear();
  retired_.clear();
}

std::string VXobjCDXFile::TableExtension() const {
  const std::string& name = Table->FileName();
  auto dot = name.rfind('.');
  auto slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
  return name.substr(dot + 1);
}

// Walks the directory and opens a tag for each of its entries.
void VXobjCDXFile::LoadTags() {
  directory_->MoveTo(RecTop);
  std::int32_t guard = static_cast<std::int32_t>(Disk->FileSize() / kPageSize) + 1;
  while (!directory_->Eof && !Corrupted) {
    if (--guard < 0) RaiseCorrupted();
    const VXobjIndexKeyData& entry = directory_->Current;
    std::string name(entry.View());
    std::int32_t offset = entry.Link;
    if (offset <= 0 || offset % kPageSize != 0) {
      Corrupted = true;
      break;
    }
    auto tag = std::make_unique<VXobjCDXTag>(this, offset, UpperCase(name));
    if (Corrupted) break;
    Tags.push_back(std::move(tag));
    directory_->MoveTo(RecNext);
  }
  directory_->ReleaseNodes();
}

// A new file (or one rewritten from scratch): the directory's header at 0
// and its empty root leaf at 1024.
void VXobjCDXFile::CreateDirectory(std::int32_t version) {
  NextFree = 0;
  directory_ = std::make_unique<VXobjCDXTag>(this, -1, BaseName(fileName_));
  directory_->Options = kOptionsDirectory;
  directory_->Version = version;
  directory_->TagCreate("", false, true, "");
  directory_->MoveTo(RecTop);
}

std::int32_t VXobjCDXFile::PageAllocate() {
  if (NextFree == -1) PageAllocReset();
  if (NextFree > kIndexSpaceEnd - kPageSize) Raise("Index file %s is full", {fileName_});
  std::int32_t page = NextFree;
  NextFree += kPageSize;
  return page;
}

std::int32_t VXobjCDXFile::PageAllocReset() {
  std::int64_t size = Disk ? Disk->FileSize() : 0;
  // A file whose length is no whole number of pages gets its next page
  // after the partial one.
  size = (size + kPageSize - 1) / kPageSize * kPageSize;
  if (size > kIndexSpaceEnd - kPageSize) Raise("Index file %s is full", {fileName_});
  NextFree = static_cast<std::int32_t>(size);
  return NextFree;
}

std::int32_t VXobjCDXFile::VersionOffset() const { return kVersionOffset; }

std::int32_t VXobjCDXFile::VersionOnDisk() {
  std::uint8_t head[kVersionOffset + 4];
  if (Disk->ReadAt(0, head, sizeof head) != static_cast<std::int32_t>(sizeof head)) return directory_->Version;
  if (Table && Table->IsEnciphered()) Cipher(Table->ReadPassword(), head, head, sizeof head, false);
  return static_cast<std::int32_t>(GetLE32(head + kVersionOffset));
}

// The directory's counter, as another program may have left it, raised by
// one and written; other programs compare it with theirs.
void VXobjCDXFile::BumpVersion() {
  std::int32_t onDisk = directory_->Version;
  if (Disk->IsShared()) {
    // Within an update the counter was read at its start.
    ValidateCache();
    onDisk = static_cast<std::int32_t>(SeenVersion());
  }
  directory_->Version = static_cast<std::int32_t>(static_cast<std::uint32_t>(onDisk) + 1);
  directory_->HeaderDirty = true;
  directory_->HeaderWrite();
  NoteVersion(static_cast<std::uint32_t>(directory_->Version));
  // A tag list that was current stays so; one that missed changes of
  // others is read again at the next update.
  if (tagsVersion_ == static_cast<std::uint32_t>(onDisk)) tagsVersion_ = SeenVersion();
}

void VXobjCDXFile::TakeInOthersTags() {
  if (!Disk->IsShared() || !directory_) return;
  if (SeenVersion() != tagsVersion_) RefreshTags();
  tagsVersion_ = SeenVersion();
}

void VXobjCDXFile::RefreshTags() {
  std::vector<std::pair<std::string, std::int32_t>> entries;
  directory_->MoveTo(RecTop);
  std::int32_t guard = static_cast<std::int32_t>(Disk->FileSize() / kPageSize) + 1;
  while (!directory_->Eof) {
    if (--guard < 0) RaiseCorrupted();
    const VXobjIndexKeyData& entry = directory_->Current;
    if (entry.Link <= 0 || entry.Link % kPageSize != 0) RaiseCorrupted();
    bool listed = false;
    for (const auto& e : entries) listed = listed || e.second == entry.Link;
    if (!listed) entries.emplace_back(UpperCase(std::string(entry.View())), entry.Link);
    directory_->MoveTo(RecNext);
  }
  directory_->ReleaseNodes();
  // The new tags are read first: a damaged header leaves the list as it was.
  auto known = [&](std::int32_t offset) -> std::unique_ptr<VXobjIndexTag>* {
    for (auto& tag : Tags)
      if (tag && tag->HeaderOffset == offset) return &tag;
    return nullptr;
  };
  std::vector<std::unique_ptr<VXobjIndexTag>> added;
  for (const auto& [name, offset] : entries) {
    if (known(offset)) continue;
    added.push_back(std::make_unique<VXobjCDXTag>(this, offset, name));
    if (Corrupted) {
      Corrupted = false;
      RaiseCorrupted();
    }
  }
  std::vector<std::unique_ptr<VXobjIndexTag>> tags;
  auto next = added.begin();
  for (const auto& entry : entries) {
    if (auto* tag = known(entry.second)) tags.push_back(std::move(*tag));
    else tags.push_back(std::move(*next++));
  }
  for (auto& tag : Tags) {
    if (!tag) continue;
    tag->Discard();
    retired_.push_back(std::move(tag));
  }
  Tags = std::move(tags);
}

void VXobjCDXFile::RemoveDirectoryEntry(VXobjCDXTag& tag) {
  VXobjIndexKeyData entry;
  entry.SetText(tag.Name);
  entry.Link = tag.HeaderOffset;
  directory_->MoveTo(RecTop);
  if (directory_->SeekKey(entry, true) > 0) directory_->Path->NodeDelete();
}

VXobjCDXTag* VXobjCDXFile::LastTagNamed(const std::string& name) const {
  for (auto it = Tags.rbegin(); it != Tags.rend(); ++it)
    if (CompareText((*it)->Name, name) == 0) return static_cast<VXobjCDXTag*>(it->get());
  return nullptr;
}

void VXobjCDXFile::RemoveTag(VXobjIndexTag* tag) {
  for (auto it = Tags.begin(); it != Tags.end(); ++it)
    if (it->get() == tag) {
      Tags.erase(it);
      return;
    }
}

bool VXobjCDXFile::TagAdd(const std::string& name, const std::string& keyExpr, bool unique, bool ascending,
                          const std::string& forExpr) {
  if (!directory_) RaiseCorrupted();
  std::string upper = UpperCase(std::string(TrimRight(name)));
  if (upper.empty()) Raise("Cannot find index tag %s", {name});
  if (upper.size() > kMaxTagName) Raise("Index tag name %s is longer than 10 characters", {upper});
  return AddTag(upper, keyExpr, unique, ascending, forExpr, NewTagCollation);
}

// Tags are added and deleted under the index lock, with pages handed out
// from the file's current end, so that a program updating keys meanwhile
// does not take the same pages.
class VXobjCDXFile::Locked {
public:
  explicit Locked(VXobjCDXFile& file) : file_(file) {
    // Reindex holds the whole file already.
    locked_ = !file_.Disk->HasFullAccess() && file_.IndexLock();
    file_.ValidateCache();
    file_.TakeInOthersTags();
    file_.NextFree = -1;
  }
  ~Locked() {
    if (locked_) file_.IndexUnlock();
  }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

private:
  VXobjCDXFile& file_;
  bool locked_ = false;
};

// The new tag is built beside the old one, and the directory names it only
// once it is whole: a build that fails (a full disk) or is killed leaves the
// file with the old tag, and its own pages are never referenced.
bool VXobjCDXFile::AddTag(const std::string& upper, const std::string& keyExpr, bool unique, bool ascending,
                          const std::string& forExpr, std::uint8_t collation) {
  Locked locked(*this);
  auto tag = std::make_unique<VXobjCDXTag>(this, -1, upper);
  tag->Collation = collation;
  bool built = false;
  try {
    built = tag->TagCreate(keyExpr, unique, ascending, forExpr);
  } catch (...) {
    tag->Discard();
    throw;
  }
  // A tag whose key cannot be evaluated gets no directory entry: its header
  // has no root, and listing it would spoil the file.
  if (!built) {
    tag->Discard();
    return false;
  }
  directory_->MoveTo(RecTop);
  VXobjCDXTag* old = LastTagNamed(upper);
  if (old) {
    old->ReleaseNodes();
    RemoveDirectoryEntry(*old);
  }
  VXobjIndexKeyData entry;
  entry.SetText(upper);
  entry.RecNo = entry.Link = tag->HeaderOffset;
  directory_->KeyAdd(entry);
  if (directory_->Path) directory_->Path->Dirty = true;
  directory_->ReleaseNodes();
  if (old) RemoveTag(old);
  Tags.push_back(std::move(tag));
  BumpVersion();
  return true;
}

bool VXobjCDXFile::TagDelete(const std::string& name) {
  if (Tags.empty() || !directory_) return false;
  VXobjCDXTag* tag = LastTagNamed(std::string(TrimRight(name)));
  if (!tag) return false;
  std::optional<Locked> locked(std::in_place, *this);
  tag->ReleaseNodes();
  RemoveDirectoryEntry(*tag);
  RemoveTag(tag);
  if (directory_->Path) directory_->Path->Dirty = true;
  directory_->ReleaseNodes();
  if (!Tags.empty()) {
    BumpVersion();
    return true;
  }
  locked.reset();
  Reindex();
  return true;
}

// Every tag is built again from its definition. When no other program has
// the file open, the new file is built beside it and renamed into place, so
// that the old file stays whole until the new one is complete; otherwise
// each tag is rebuilt beside its old pages and swapped in (AddTag), and the
// old pages stay in the file.
void VXobjCDXFile::Reindex() {
  if (!Disk) return;
  if (!directory_) RaiseCorrupted();
  if (!Disk->LockEntireFile()) Raise("Can not Lock file %s", {Disk->FileName()});
  struct Unlock {
    VXobjCDXFile& file;
    ~Unlock() {
      if (file.Disk) file.Disk->Unlock();
    }
  } unlock{*this};
  std::vector<TagDefinition> definitions;
  for (auto& tag : Tags) {
    auto* cdxTag = static_cast<VXobjCDXTag*>(tag.get());
    tag->ReleaseNodes();
    definitions.push_back({tag->Name, tag->KeyExpr, tag->HasFor ? tag->ForExpr : std::string(), tag->Unique,
                           tag->Ascending, cdxTag->Collation});
  }
  directory_->ReleaseNodes();
  if (Disk->TakeSoleUse()) {
    RebuildBeside(definitions);
    return;
  }
  for (const auto& d : definitions) AddTag(d.name, d.keyExpr, d.unique, d.ascending, d.forExpr, d.collation);
}

void VXobjCDXFile::RebuildBeside(const std::vector<TagDefinition>& definitions) {
  ReplaceWithBuilt(
      [&](const std::string& temporary) {
        VXobjCDXFile fresh(Table, temporary, true, true, false, true);
        if (!fresh.Opened) fresh.RaiseCorrupted();
        // The counter goes on from the old file's, so that other programs
        // see the change.
        fresh.directory_->Version = static_cast<std::int32_t>(static_cast<std::uint32_t>(directory_->Version) + 1);
        fresh.directory_->HeaderDirty = true;
        fresh.directory_->HeaderWrite();
        for (const auto& d : definitions)
          fresh.AddTag(d.name, d.keyExpr, d.unique, d.ascending, d.forExpr, d.collation);
        fresh.Flush();
      },
      [&] {
        directory_.reset();
        Tags.clear();
      });
  // The new file is read as a file opened afresh.
  directory_ = std::make_unique<VXobjCDXTag>(this, 0, BaseName(fileName_));
  if (Corrupted) RaiseCorrupted();
  directory_->Options = kOptionsDirectory;
  LoadTags();
  if (Corrupted) RaiseCorrupted();
  NoteVersion(static_cast<std::uint32_t>(directory_->Version));
  tagsVersion_ = SeenVersion();
}

bool VXobjCDXFile::KeysUpdate(std::int32_t recno, bool append) {
  // The changed pages reach the file before the counter tells others, and
  // before the index lock is let go; the counter read at the start is the
  // file's.
  return KeysUpdateHeld(recno, append, [this](bool changed) {
    if (changed) BumpVersion();
  });
}

bool VXobjCDXFile::RemoveRecordKeys(std::int32_t recno) {
  bool changed = VXobjIndexFile::RemoveRecordKeys(recno);
  if (changed) {
    try {
      BumpVersion();
    } catch (const ETalvernError&) {
      // Others drop their copies of the changed pages at the next change.
    }
  }
  return changed;
}

bool VXobjCDXFile::ChangedByOthers() {
  if (!Disk || !Disk->IsShared() || !directory_) return false;
  std::int32_t onDisk = VersionOnDisk();
  if (onDisk == directory_->Version) return false;
  // The change is taken in: the next question answers for later changes.
  directory_->Version = onDisk;
  DropCache();
  NoteVersion(static_cast<std::uint32_t>(onDisk));
  return true;
}

}  // namespace talvern

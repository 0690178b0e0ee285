#include "index/SingleTagFile.h"

#include "engine/Errors.h"
#include "engine/Strings.h"

namespace talvern {

VXobjSingleTagFile::VXobjSingleTagFile(VXO_dBaseFld* table) : VXobjItemFile(table) {}

void VXobjSingleTagFile::Open(bool create) {
  if (!Disk) return;
  if (create && Disk->FileSize() == 0) {
    NextFree = 0;
    Opened = true;
    return;
  }
  auto tag = NewTag(true);
  if (!Corrupted) Tags.push_back(std::move(tag));
  PageAllocReset();
  Opened = !Corrupted;
}

void VXobjSingleTagFile::CheckSettings(bool, const std::string&) const {}

bool VXobjSingleTagFile::TagAdd(const std::string&, const std::string& keyExpr, bool unique, bool ascending,
                                const std::string& forExpr) {
  if (!Disk) RaiseCorrupted();
  CheckSettings(ascending, forExpr);
  LockWhole();
  try {
    ReleaseAll();
    Disk->Truncate(0);
    NextFree = 0;
    auto owned = NewTag(false);
    VXobjItemTag* tag = owned.get();
    Tags.push_back(std::move(owned));
    if (!tag->TagCreate(keyExpr, unique, ascending, forExpr)) {
      // No tag: the file stays empty, as a file that holds none.
      ReleaseAll();
      Disk->Truncate(0);
      Disk->Unlock();
      return false;
    }
  } catch (...) {
    Disk->Unlock();
    throw;
  }
  Disk->Unlock();
  return true;
}

void VXobjSingleTagFile::ResetHeader(VXobjItemTag&) {}

void VXobjSingleTagFile::EmptyFile() {
  if (!Disk || Tags.empty()) return;
  auto& tag = static_cast<VXobjItemTag&>(*Tags.front());
  LockWhole();
  try {
    tag.ReleaseNodes();
    DropCache();
    const std::int32_t page = tag.PageSize();
    Disk->Truncate(page);
    NextFree = page;
    // The header, and an empty root page after it.
    tag.Root = 0;
    ResetHeader(tag);
    std::vector<std::uint8_t> empty(static_cast<std::size_t>(page), 0);
    tag.Root = PageAllocate();
    ItemRun run;
    tag.EncodePage(empty.data(), run);
    PageWrite(tag.Root, empty.data(), page);
    tag.HeaderDirty = true;
    tag.HeaderWrite();
  } catch (...) {
    Disk->Unlock();
    throw;
  }
  Disk->Unlock();
}

// With the file to itself, the tag is built into a new file renamed into
// place; otherwise the file is emptied and the tag built again in it.
void VXobjSingleTagFile::Reindex() {
  if (!Disk || Tags.empty()) return;
  auto& tag = static_cast<VXobjItemTag&>(*Tags.front());
  const std::string name = tag.Name, keyExpr = tag.KeyExpr;
  const std::string forExpr = tag.HasFor ? tag.ForExpr : std::string();
  const bool unique = tag.Unique, ascending = tag.Ascending;
  LockWhole();
  struct Unlock {
    VXobjSingleTagFile& file;
    ~Unlock() {
      if (file.Disk) file.Disk->Unlock();
    }
  } unlock{*this};
  if (Disk->TakeSoleUse()) {
    tag.ReleaseNodes();
    ReplaceFromBeside([&](VXobjItemFile& fresh) {
      if (!fresh.TagAdd(name, keyExpr, unique, ascending, forExpr))
        Raise("The key expression of tag %s cannot be evaluated", {name});
    });
    return;
  }
  EmptyFile();
  // The build starts again right after the header.
  NextFree = tag.PageSize();
  tag.TagCreate(keyExpr, unique, ascending, forExpr);
}

void VXobjSingleTagFile::Reload() { Open(false); }

}  // namespace talvern

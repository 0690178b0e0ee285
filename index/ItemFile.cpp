#include "index/ItemFile.h"

#include "engine/Errors.h"
#include "engine/Strings.h"

namespace talvern {

VXobjItemFile::VXobjItemFile(VXO_dBaseFld* table) : VXobjIndexFile(table) {}

VXobjItemFile::~VXobjItemFile() { ReleaseAll(); }

void VXobjItemFile::ReleaseAll() noexcept {
  try {
    for (auto& tag : Tags) tag->ReleaseNodes();
  } catch (...) {
    // Closing must not throw out of a destructor.
  }
  DropCache();
  Tags.clear();
}

std::int32_t VXobjItemFile::PageAllocate() {
  if (NextFree == -1) PageAllocReset();
  if (NextFree > kIndexSpaceEnd - 2 * AllocationUnit()) Raise("Index file %s is full", {fileName_});
  std::int32_t page = NextFree;
  NextFree += AllocationUnit();
  allocated_ = true;
  return page;
}

std::int32_t VXobjItemFile::PageAllocReset() {
  std::int64_t size = Disk ? Disk->FileSize() : 0;
  // A file whose length is no whole number of pages gets its next page
  // after the partial one.
  const std::int64_t unit = AllocationUnit();
  size = (size + unit - 1) / unit * unit;
  if (size > kIndexSpaceEnd - 2 * unit) Raise("Index file %s is full", {fileName_});
  NextFree = static_cast<std::int32_t>(size);
  return NextFree;
}

void VXobjItemFile::AfterUpdate(bool, bool) {}

bool VXobjItemFile::KeysUpdate(std::int32_t recno, bool append) {
  allocated_ = false;
  return KeysUpdateHeld(recno, append, [this](bool changed) { AfterUpdate(changed, allocated_); });
}

// The undo of an append whose keys could not all be written: the format
// records the change as after any update (the pages the failed write handed
// out included), so that others see it; a failure to record it is left to
// check and Reindex.
bool VXobjItemFile::RemoveRecordKeys(std::int32_t recno) {
  const bool changed = VXobjIndexFile::RemoveRecordKeys(recno);
  try {
    AfterUpdate(changed, allocated_);
  } catch (const ETalvernError&) {
  }
  allocated_ = false;
  return changed;
}

void VXobjItemFile::LockWhole() {
  if (!Disk->LockEntireFile()) Raise("Can not Lock file %s", {Disk->FileName()});
}

void VXobjItemFile::ReplaceFromBeside(const std::function<void(VXobjItemFile& fresh)>& build) {
  ReplaceWithBuilt(
      [&](const std::string& temporary) {
        std::unique_ptr<VXobjItemFile> fresh = NewBeside(temporary);
        if (!fresh->IsOpened()) fresh->RaiseCorrupted();
        build(*fresh);
        fresh->Flush();
      },
      [&] {
        for (auto& tag : Tags) tag->Discard();
        Tags.clear();
      });
  Reload();
  if (Corrupted) RaiseCorrupted();
}

std::string VXobjItemFile::UpperBaseName() const { return UpperCase(BaseName(fileName_)); }

}  // namespace talvern

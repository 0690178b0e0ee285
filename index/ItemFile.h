#pragma once
// VXobjItemFile: what the .mdx, .ndx and .ntx files share: pages handed out
// from the end of the file, and key maintenance that checks the file is
// still this program's to maintain, keeps the pages read while the index
// lock is held, writes the changed pages before the lock is let go, and
// then tells the format (AfterUpdate) so that it can record what changed.
// Their tags are VXobjItemTag.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "index/IndexFile.h"
#include "index/ItemTag.h"

namespace talvern {

class VXobjItemFile : public VXobjIndexFile {
public:
  ~VXobjItemFile() override;

  std::int32_t PageAllocate() override;
  std::int32_t PageAllocReset() override;
  bool KeysUpdate(std::int32_t recno, bool append) override;
  bool RemoveRecordKeys(std::int32_t recno) override;

protected:
  explicit VXobjItemFile(VXO_dBaseFld* table);
  // Bytes of a page handed out.
  virtual std::int32_t AllocationUnit() const = 0;
  // After a record's keys were maintained: changed tells whether a tag
  // changed, allocated whether pages were handed out.
  virtual void AfterUpdate(bool changed, bool allocated);
  // Writes the tags' nodes and headers and forgets them (the formats' own
  // destructors call it while the file is still whole).
  void ReleaseAll() noexcept;
  // Takes the lock of a whole file for a rebuild; raises when refused.
  void LockWhole();
  // A rebuild of a file this program has to itself (the whole file locked,
  // sole use taken, the tags' nodes written): build fills a new file of the
  // same format made beside this one (NAME.tmp), which is renamed into place
  // and read as this file afresh. The old file stays whole until the new one
  // is complete; a build that fails takes the new file away and raises.
  void ReplaceFromBeside(const std::function<void(VXobjItemFile& fresh)>& build);
  // A new, empty file of this format at name, for this program alone.
  virtual std::unique_ptr<VXobjItemFile> NewBeside(const std::string& name) = 0;
  // Reads the tags of the file just put in place.
  virtual void Reload() = 0;
  // The base name of the file in upper case (single-tag files name their
  // tag after it).
  std::string UpperBaseName() const;
  // Since the last KeysUpdate began: whether pages were handed out.
  bool allocated_ = false;
};

}  // namespace talvern

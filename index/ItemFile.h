#pragma once
// VXobjItemFile: what the .mdx, .ndx and .ntx files share: pages handed out
// from the end of the file, and key maintenance that checks the file is
// still this program's to maintain, keeps the pages read while the index
// lock is held, writes the changed pages before the lock is let go, and
// then tells the format (AfterUpdate) so that it can record what changed.
// Their tags are VXobjItemTag.

#include <cstdint>
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
  // The base name of the file in upper case (single-tag files name their
  // tag after it).
  std::string UpperBaseName() const;
  // Since the last KeysUpdate began: whether pages were handed out.
  bool allocated_ = false;
};

}  // namespace talvern

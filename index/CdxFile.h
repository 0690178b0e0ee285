#pragma once
// VXobjCDXFile: a compound index file (.cdx): 512-byte pages, a tag
// directory at offset 0 whose entries name each tag and its header offset,
// and any number of tags (VXobjCDXTag). Pages are only appended; Reindex
// rebuilds the whole file. The directory header carries the file's change
// counter, raised by every key update that changed a tag, so that other
// programs sharing the file can tell that their view is stale.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/CdxTag.h"
#include "index/IndexFile.h"

namespace talvern {

class VXobjCDXFile : public VXobjIndexFile {
public:
  // Opens (or, with create, creates when missing or when overwrite is set)
  // the file; the table may be null. Check IsOpened and IsCorrupted.
  VXobjCDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create,
               bool shared, bool readWrite);
  ~VXobjCDXFile() override;

  bool TagAdd(const std::string& name, const std::string& keyExpr, bool unique, bool ascending,
              const std::string& forExpr) override;
  bool TagDelete(const std::string& name) override;
  std::int32_t PageAllocate() override;
  std::int32_t PageAllocReset() override;
  void Reindex() override;
  bool KeysUpdate(std::int32_t recno, bool append) override;
  bool ChangedByOthers() override;
  bool RemoveRecordKeys(std::int32_t recno) override;

  VXobjCDXTag* Directory() const { return directory_.get(); }

  // The collation given to the next tag added (TagAdd): 1 (MACHINE) after
  // every open of a compound file; set it to 2 (GENERAL) just before adding
  // a tag that should sort by the GENERAL collation.
  static std::uint8_t NewTagCollation;

protected:
  std::int32_t VersionOffset() const override;

private:
  class Locked;
  struct TagDefinition {
    std::string name, keyExpr, forExpr;
    bool unique, ascending;
    std::uint8_t collation;
  };
  // Builds the tags into a new file beside this one and renames it into
  // place (this program must have the file to itself).
  void RebuildBeside(const std::vector<TagDefinition>& definitions);
  // Takes in the tags another program added or removed since this program
  // last looked at the directory (under the index lock): a writer keeps
  // every tag the file holds up to date.
  void TakeInOthersTags() override;
  void RefreshTags();
  // The change counter as the file holds it now.
  std::int32_t VersionOnDisk();
  void LoadTags();
  void CreateDirectory(std::int32_t version);
  void BumpVersion();
  void RemoveDirectoryEntry(VXobjCDXTag& tag);
  VXobjCDXTag* LastTagNamed(const std::string& name) const;
  void RemoveTag(VXobjIndexTag* tag);
  bool AddTag(const std::string& upper, const std::string& keyExpr, bool unique, bool ascending,
              const std::string& forExpr, std::uint8_t collation);
  std::string TableExtension() const;

  std::unique_ptr<VXobjCDXTag> directory_;
  // The change counter when the tag list was last read or changed here.
  std::uint32_t tagsVersion_ = 0;
  // Tags that another program removed or replaced: no longer maintained,
  // but kept until the file closes, since the table may still hold them.
  std::vector<std::unique_ptr<VXobjIndexTag>> retired_;
};

}  // namespace talvern

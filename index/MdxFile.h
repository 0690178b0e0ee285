#pragma once
// VXobjMDXFile: a multiple-tag index file (.mdx, MdxLayout.h): a header
// with a table of up to 47 tags kept in name order, the tags' header
// blocks and B+ tree blocks handed out from the end of the file. A file
// whose base name is the table's is its production index. Nothing in the
// file tells other programs of a change: a shared file's pages are read
// afresh whenever a tag starts again from its root. Files of later
// programs (version 3, 43-byte tag entries) are read the same way.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/ItemFile.h"
#include "index/MdxTag.h"

namespace talvern {

class VXobjMDXFile : public VXobjItemFile {
public:
  // Opens the file, or with create makes it when missing (or emptied when
  // overwrite is set); the table may be null. Check IsOpened and
  // IsCorrupted.
  VXobjMDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create, bool shared,
               bool readWrite);
  ~VXobjMDXFile() override;

  bool TagAdd(const std::string& name, const std::string& keyExpr, bool unique, bool ascending,
              const std::string& forExpr) override;
  bool TagDelete(const std::string& name) override;
  void Reindex() override;
  bool Rename(const std::string& newName) override;

  std::int32_t BlockSize() const { return blockSize_; }
  // Tags the tag table holds at most.
  int Capacity() const;

protected:
  std::int32_t AllocationUnit() const override { return blockSize_; }
  void AfterUpdate(bool changed, bool allocated) override;
  std::unique_ptr<VXobjItemFile> NewBeside(const std::string& name) override;
  void Reload() override;

private:
  bool ReadHeader();
  void CreateHeader();
  // Writes the tag table, and the file header with today's date, the tag
  // count and the next free unit.
  void WriteDirectory();
  void InsertByName(std::unique_ptr<VXobjIndexTag> tag);
  VXobjIndexTag* LastTagNamed(const std::string& name) const;
  void RemoveTag(VXobjIndexTag* tag);
  std::string TableBaseName() const;
  std::size_t NameSize() const { return entryLength_ == 43 ? 33 : 11; }

  std::vector<std::uint8_t> head_;  // the header area as read or made
  std::int32_t blockSize_ = 1024;
  std::int32_t headerSize_ = 2048;
  int entryLength_ = 32;
};

}  // namespace talvern

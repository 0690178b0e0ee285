#pragma once
// VXobjNTXFile: a single-tag index file (.ntx) of 1024-byte pages
// (NtxLayout.h), its tag (VXobjNTXTag) named after the file. The header's
// change counter is raised after every update that changed the tag, so that
// other programs sharing the file can tell that their view is stale.

#include <cstdint>
#include <memory>
#include <string>

#include "index/SingleTagFile.h"

namespace talvern {

class VXobjNTXFile : public VXobjSingleTagFile {
public:
  // Opens the file, or with create makes it anew (emptied when overwrite
  // is set or it is missing); the table may be null. Check IsOpened and
  // IsCorrupted.
  VXobjNTXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create, bool shared,
               bool readWrite);
  ~VXobjNTXFile() override;

  bool ChangedByOthers() override;

protected:
  std::unique_ptr<VXobjItemFile> NewBeside(const std::string& name) override;
  std::unique_ptr<VXobjItemTag> NewTag(bool existing) override;
  std::int32_t AllocationUnit() const override;
  void AfterUpdate(bool changed, bool allocated) override;
  void ResetHeader(VXobjItemTag& tag) override;
  std::int32_t VersionOffset() const override;
  int VersionBytes() const override;

private:
  std::uint16_t CounterOnDisk();
};

}  // namespace talvern

#pragma once
// VXobjNDXFile: a single-tag index file (.ndx) of 512-byte blocks
// (NdxLayout.h), its tag (VXobjNDXTag) named after the file. Nothing in the
// file tells other programs of a change: a shared file's pages are read
// afresh whenever a tag starts again from its root.

#include <cstdint>
#include <memory>
#include <string>

#include "index/SingleTagFile.h"

namespace talvern {

class VXobjNDXFile : public VXobjSingleTagFile {
public:
  // Opens the file, or with create makes it anew (emptied when overwrite
  // is set or it is missing); the table may be null. Check IsOpened and
  // IsCorrupted.
  VXobjNDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create, bool shared,
               bool readWrite);
  ~VXobjNDXFile() override;

protected:
  std::unique_ptr<VXobjItemFile> NewBeside(const std::string& name) override;
  std::unique_ptr<VXobjItemTag> NewTag(bool existing) override;
  void CheckSettings(bool ascending, const std::string& forExpr) const override;
  std::int32_t AllocationUnit() const override;
  void AfterUpdate(bool changed, bool allocated) override;
};

}  // namespace talvern

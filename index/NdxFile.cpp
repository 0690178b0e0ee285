#include "index/NdxFile.h"

#include <algorithm>

#include "engine/Bytes.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "index/NdxLayout.h"
#include "index/NdxTag.h"

namespace talvern {

VXobjNDXFile::VXobjNDXFile(VXO_dBaseFld* table, const std::string& fileName, bool overwrite, bool create,
                           bool shared, bool readWrite)
    : VXobjSingleTagFile(table) {
  OpenStep(fileName, overwrite, create, shared, readWrite, ".ndx");
  Open(create);
}

VXobjNDXFile::~VXobjNDXFile() { ReleaseAll(); }

std::unique_ptr<VXobjItemFile> VXobjNDXFile::NewBeside(const std::string& name) {
  return std::make_unique<VXobjNDXFile>(Table, name, true, true, false, true);
}

std::unique_ptr<VXobjItemTag> VXobjNDXFile::NewTag(bool existing) {
  return std::make_unique<VXobjNDXTag>(this, existing, UpperBaseName());
}

void VXobjNDXFile::CheckSettings(bool ascending, const std::string& forExpr) const {
  if (!ascending) Raise("Index file %s cannot hold a descending tag", {fileName_});
  if (!Trim(forExpr).empty()) Raise("Index file %s cannot hold a FOR condition", {fileName_});
}

std::int32_t VXobjNDXFile::AllocationUnit() const { return ndx::kBlockSize; }

// Other programs find the next free block in the header: after pages were
// added, only those bytes of it change.
void VXobjNDXFile::AfterUpdate(bool, bool allocated) {
  if (!allocated) return;
  std::uint8_t header[ndx::kBlockSize];
  if (!PageRead(0, header, ndx::kBlockSize)) RaiseCorrupted();
  const std::int64_t end = std::max<std::int64_t>(NextFree, Disk->FileSize());
  PutLE32(header + ndx::kBlockCountOffset, static_cast<std::uint32_t>((end + ndx::kBlockSize - 1) / ndx::kBlockSize));
  PageWrite(0, header, ndx::kBlockSize);
}

}  // namespace talvern

#pragma once
// VXobjNDXTag: the one tag of an .ndx file (NdxLayout.h): its header is the
// file's first block. Keys are character (blank-padded on disk) or numeric
// and date keys held as doubles (the day number for dates, an empty date
// after every date); in memory the latter take the sortable form of
// NumericKeys.h. The format has no FOR conditions and no descending tags.

#include <cstdint>
#include <memory>
#include <string>

#include "index/ItemTag.h"

namespace talvern {

class VXobjNDXTag : public VXobjItemTag {
public:
  // existing: read the header at offset 0 (a header that fails validation
  // marks the file corrupted); otherwise a new tag whose header takes the
  // file's first block.
  VXobjNDXTag(VXobjIndexFile* file, bool existing, const std::string& name);

  void KeyConvert(VXobjIndexKeyData& value, bool trim) override;
  std::int32_t RootPointer() override;
  bool NodeRead(std::int32_t page, VXobjIndexKey& node) override;
  bool HeaderRead() override;
  bool HeaderWrite() override;

  std::int32_t PageSize() const override;
  void StoreKey(const TvxVariant& key, std::uint8_t* out) const override;
  void EncodePage(std::uint8_t* page, const ItemRun& run) const override;

protected:
  void FixKeyForm(const TvxVariant& value) override;
  std::unique_ptr<TvxItemBuilder> NewBuilder() override;

private:
  void LoadKey(const std::uint8_t* stored, VXobjIndexKeyData& entry) const;
  bool Numeric() const { return KeyType == 'N' || KeyType == 'D'; }
};

}  // namespace talvern

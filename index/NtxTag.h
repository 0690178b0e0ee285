#pragma once
// VXobjNTXTag: the one tag of an .ntx file (NtxLayout.h), a B-tree whose
// interior items are entries of their own. Every key is text: character
// values blank-padded, numbers in the sortable text of NumericKeys.h,
// dates as YYYYMMDD ("00000000" when empty), logical values T or F.
//
// In memory the tree is read as the B+ tree the node path works on: a leaf
// that is not on the tree's right edge gets a copy of the item that follows
// it (the nearest item above it to its right) as its last entry, so that
// every item is an entry of exactly one leaf and every interior entry is
// the highest entry below it. Writing strips that copy again. Deleting that
// copy replaces the item by the entry before it, as a B-tree deletion does;
// a leaf on the right edge that loses its last entry stays, empty, so that
// the item before it keeps a place.

#include <cstdint>
#include <memory>
#include <string>

#include "index/ItemTag.h"

namespace talvern {

class VXobjNTXTag : public VXobjItemTag {
public:
  // existing: read the header at offset 0 (a header that fails validation
  // marks the file corrupted); otherwise a new tag whose header takes the
  // file's first page.
  VXobjNTXTag(VXobjIndexFile* file, bool existing, const std::string& name);

  void KeyConvert(VXobjIndexKeyData& value, bool trim) override;
  std::int32_t RootPointer() override;
  bool NodeRead(std::int32_t page, VXobjIndexKey& node) override;
  bool HeaderRead() override;
  bool HeaderWrite() override;
  bool KeepsEmptyNode(const VXobjIndexKey& node) const override;

  std::int32_t PageSize() const override;
  void StoreKey(const TvxVariant& key, std::uint8_t* out) const override;
  void EncodePage(std::uint8_t* page, const ItemRun& run) const override;
  bool LeafBorrows(const VXobjIndexKey& node) const override;
  bool SplitMovesSeparator() const override { return true; }

  // The change counter of the header (1 to 32767).
  std::uint16_t Counter = 1;
  std::int16_t Decimals = 0;

protected:
  void FixKeyForm(const TvxVariant& value) override;
  std::unique_ptr<TvxItemBuilder> NewBuilder() override;

private:
  // The width and decimals of a new numeric key: those of the field the key
  // expression begins with, else 18 and 4.
  void NumericWidth();
  // The copy of the item after a leaf, appended to it (none on the edge).
  void AppendFollowingItem(VXobjIndexKey& node);
};

}  // namespace talvern

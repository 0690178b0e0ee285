#pragma once
// VXobjMDXTag: one tag of a multiple-tag index file (.mdx, MdxLayout.h),
// its header one block of the file. Keys are character (blank-padded on
// disk), numeric (the 12-byte decimal form on disk, so that every number,
// searched ones too, is rounded to 15 digits) or dates (the day number as a
// double, an empty date after every date); in memory numbers and dates
// take the sortable form of NumericKeys.h. Later programs' files also hold
// 4-byte integer keys (key type '+' or 'I', big-endian with the sign bit
// flipped), which are read and kept as they are. Descending tags are stored
// in descending order.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/ItemTag.h"

namespace talvern {

class VXobjMDXFile;

class VXobjMDXTag : public VXobjItemTag {
public:
  // headerOffset -1: a new tag (a block is allocated for its header);
  // otherwise the header there is read, and a header that fails validation
  // marks the file corrupted.
  VXobjMDXTag(VXobjMDXFile* file, std::int32_t headerOffset, const std::string& name);

  void KeyConvert(VXobjIndexKeyData& value, bool trim) override;
  std::int32_t RootPointer() override;
  bool NodeRead(std::int32_t page, VXobjIndexKey& node) override;
  bool HeaderRead() override;
  bool HeaderWrite() override;

  std::int32_t PageSize() const override { return blockSize_; }
  void StoreKey(const TvxVariant& key, std::uint8_t* out) const override;
  void EncodePage(std::uint8_t* page, const ItemRun& run) const override;
  std::int32_t NewBlockChain(std::int32_t page) override;

  // The key type letter as the file stores it ('C', 'N', 'D', '+', 'I').
  char StoredType() const { return storedType_; }

protected:
  void FixKeyForm(const TvxVariant& value) override;
  std::unique_ptr<TvxItemBuilder> NewBuilder() override;

private:
  void LoadKey(const std::uint8_t* stored, VXobjIndexKeyData& entry) const;
  bool IntegerKeys() const { return storedType_ == '+' || storedType_ == 'I'; }
  // The in-memory length of a key of this tag (0: character, any length).
  int BinaryLength() const;

  std::int32_t blockSize_;
  std::vector<std::uint8_t> page_;  // the block NodeRead decodes
  char storedType_ = 'C';
  // The first and last blocks written for the tag (in 512-byte units).
  std::uint32_t firstBlock_ = 0;
  std::uint32_t lastBlock_ = 0;
};

}  // namespace talvern

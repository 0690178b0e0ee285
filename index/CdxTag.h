#pragma once
// VXobjCDXTag: one tag of a compound index file (.cdx). It reads and writes
// the 1024-byte tag header (CdxLayout.h), decodes and encodes the compressed
// leaf pages and the interior pages, encodes keys (character, numeric and
// date keys, and the GENERAL collation) and builds the tag from the table.
// Descending tags are stored ascending and navigated in reverse.

#include <cstdint>
#include <string>
#include <string_view>

#include "index/IndexTag.h"

namespace talvern {

class VXobjCDXFile;

// Collations of character tags.
constexpr std::uint8_t kCollationNone = 0;
constexpr std::uint8_t kCollationMachine = 1;
constexpr std::uint8_t kCollationGeneral = 2;

class VXobjCDXTag : public VXobjIndexTag {
public:
  // headerOffset -1: a new tag (two header pages are allocated at once);
  // otherwise the header there is read, and a header that fails validation
  // marks the file corrupted.
  VXobjCDXTag(VXobjCDXFile* file, std::int32_t headerOffset, const std::string& name);
  ~VXobjCDXTag() override;

  void KeyConvert(VXobjIndexKeyData& value, bool trim) override;
  bool TagCreate(const std::string& keyExpr, bool unique, bool ascending,
                 const std::string& forExpr) override;
  bool KeyAdd(VXobjIndexKeyData& entry) override;
  std::int32_t RootPointer() override;
  bool NodeRead(std::int32_t page, VXobjIndexKey& node) override;
  bool NodeWrite(VXobjIndexKey& node) override;
  bool HeaderRead() override;
  bool HeaderWrite() override;

  // Builds the tag's pages from the table and writes its header.
  void TagBuild();
  // The collation name as the header stores it.
  const std::string& CollationName() const { return collationName_; }
  // Whether keys carry a leading null-flag byte (tags of other programs on
  // columns that may be null).
  bool Nullable() const { return nullable_; }

  std::uint8_t Options = 0x60;
  std::uint8_t Collation = kCollationNone;
  std::int32_t Version = 0;

private:
  static char KeyTypeOf(const TvxVariant& value);
  static std::size_t TrimRightBlanks(std::string_view text);
  void JudgeKeyForm();
  // Page codecs (CdxNode.cpp).
  bool ReadLeaf(const std::uint8_t* page, VXobjIndexKey& node);
  bool ReadInterior(const std::uint8_t* page, VXobjIndexKey& node);
  void WriteLeaf(VXobjIndexKey& node, std::uint8_t* page);
  void WriteInterior(VXobjIndexKey& node, std::uint8_t* page);
  void StoreDecodedKey(VXobjIndexKeyData& entry, const std::uint8_t* key, int length);
  void FixRightLink(std::int32_t left, std::int32_t right);
  void FixLeftLink(std::int32_t right, std::int32_t left);
  void WriteEmptyRoot();
  // The largest value a leaf of this tag must hold in its record field.
  std::uint32_t LargestLeafValue();
  bool IsCharacter() const { return KeyType == 'C'; }
  bool IsGeneral() const { return Collation == kCollationGeneral && Options < 0x80 && KeyType == 'C'; }

  std::string collationName_;
  bool nullable_ = false;
};

}  // namespace talvern

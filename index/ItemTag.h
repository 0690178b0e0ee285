#pragma once
// VXobjItemTag: what the tags of .mdx, .ndx and .ntx files share. Their
// pages hold items of one size (a key of the tag's key length with a record
// number or a child page), and an interior page holds one child more than
// it has keys. In memory that last child becomes an extra entry of the node
// with a sentinel key that sorts after every key in the tag's stored order,
// so that nodes are searched and walked as in any tag; it is stored as the
// bare pointer again.
//
// A format says how a key is stored (StoreKey), how a page is laid out
// (EncodePage, NodeRead), how big the items of a new tag are (FixKeyForm)
// and which builder lays out a new tag's pages (NewBuilder). This class
// writes nodes back, splitting those that have grown past a page, and
// creates and builds tags from the table.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "index/IndexTag.h"

namespace talvern {

class TvxItemBuilder;

// The items of one page as a format encodes them.
struct ItemRun {
  const std::uint8_t* keys = nullptr;     // count stored keys of KeyLength bytes each
  const std::int32_t* recnos = nullptr;   // record numbers (interior: of the separators)
  const std::int32_t* links = nullptr;    // interior: the children, as byte offsets
  int count = 0;
  bool leaf = true;
  std::int32_t last = 0;   // interior: the child after the last key
  std::int32_t chain = 0;  // .mdx: the block written for the tag before this one
};

// Items gathered for EncodePage, stored keys side by side.
class ItemBuffer {
public:
  void Reset(int keyLength, int capacity);
  // Appends an item; key holds the stored key bytes.
  void Add(const std::uint8_t* key, std::int32_t recno, std::int32_t link);
  ItemRun Run(bool leaf, std::int32_t last, std::int32_t chain) const;
  int Count() const { return static_cast<int>(recnos_.size()); }
  // The stored key of item i.
  const std::uint8_t* Key(int i) const { return keys_.data() + static_cast<std::size_t>(i) * keyLength_; }
  std::int32_t Recno(int i) const { return recnos_[static_cast<std::size_t>(i)]; }
  std::int32_t Link(int i) const { return links_[static_cast<std::size_t>(i)]; }
  void RemoveLast();

private:
  int keyLength_ = 0;
  std::vector<std::uint8_t> keys_;
  std::vector<std::int32_t> recnos_;
  std::vector<std::int32_t> links_;
};

class VXobjItemTag : public VXobjIndexTag {
public:
  VXobjItemTag(VXobjIndexFile* file, const std::string& name);
  ~VXobjItemTag() override;

  bool TagCreate(const std::string& keyExpr, bool unique, bool ascending,
                 const std::string& forExpr) override;
  bool NodeWrite(VXobjIndexKey& node) override;

  // Bytes of a page (and of a tag header).
  virtual std::int32_t PageSize() const = 0;
  // The KeyLength stored bytes of a key in its in-memory form.
  virtual void StoreKey(const TvxVariant& key, std::uint8_t* out) const = 0;
  virtual void EncodePage(std::uint8_t* page, const ItemRun& run) const = 0;
  // The chain value of a page newly written for the tag (.mdx keeps the
  // tag's blocks in writing order); 0 elsewhere.
  virtual std::int32_t NewBlockChain(std::int32_t page);
  // Whether the last entry of a leaf is a copy of an interior item (.ntx),
  // which the page does not hold.
  virtual bool LeafBorrows(const VXobjIndexKey& node) const;
  // Whether the first part of a split leaf gives its last entry to the
  // parent rather than a copy of it (.ntx).
  virtual bool SplitMovesSeparator() const { return false; }

  // The index of node's entry in its parent; -1 when it has none there.
  static int EntryInParent(const VXobjIndexKey& node);
  // Whether node lies on the right edge of the tree: the last entry of its
  // parent, the parent the last of its own, and so on up to the root.
  static bool OnRightEdge(const VXobjIndexKey& node);

protected:
  // The key type and length of a new tag from its key's value; sets
  // KeyType, KeyLength, EntrySize and MaxKeys. Raises for a key too long.
  virtual void FixKeyForm(const TvxVariant& value) = 0;
  virtual std::unique_ptr<TvxItemBuilder> NewBuilder() = 0;
  // headerOffset -1: a new tag, whose header takes a newly allocated page;
  // otherwise the header there is read, and one that fails validation
  // marks the file corrupted. The formats' constructors call it.
  void PlaceHeader(std::int32_t headerOffset);
  // Compiles the expressions read from a header and learns the key type:
  // storedType when the header has one (0 when not), else the type of the
  // key's value. A key this program cannot compute, or whose type differs
  // from the stored one, makes the tag walk-only.
  void LearnKeyType(char storedType);
  // The type letter of a key value: 'C' text, 'N' number, 'D' date, 'L' logical.
  static char TypeLetter(const TvxVariant& value);
  // Appends the entry of an interior node's last child.
  void AppendLastChild(VXobjIndexKey& node, std::int32_t child);
  // A key of character type in memory: the text without trailing blanks
  // when trimming, cut to the key length; logical values become T or F.
  void CharacterKey(VXobjIndexKeyData& value, bool trim) const;
  // A text key as stored: its bytes, blank-padded to the key length.
  void PadKey(const TvxVariant& key, std::uint8_t* out) const;
  // The key length of a character tag whose key gives value (at least 1);
  // raises "Key expression result is too long for index tag %s" above
  // maxLength.
  std::int16_t CharacterKeyLength(const TvxVariant& value, int maxLength) const;
  // The number a numeric or date key value stands for: a date's day number
  // (an empty date after every date), a search text read as a number or a
  // date as the tag's type asks.
  double NumberOf(const TvxVariant& value) const;
  // Reads the tag's pages from the table and writes the header.
  void Build();
  void WriteEmptyRoot();
  // Raises "Index file %s is corrupted" unless count items of itemSize
  // bytes from offset first, and extra bytes after them, fit a page.
  void CheckItems(int first, int count, int itemSize, int extra) const;
  // A child pointer read from a page, as a byte offset: it must name a
  // page (a positive multiple of alignment).
  std::int32_t CheckedChild(std::int64_t offset, std::int32_t alignment) const;

private:
  void EncodePart(VXobjIndexKey& node, int from, int to, bool leaf, int stored, std::int32_t chain,
                  std::uint8_t* page);
  ItemBuffer buffer_;
  std::vector<std::uint8_t> key_;
};

}  // namespace talvern

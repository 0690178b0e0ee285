#pragma once
// Builders of the tags of .mdx, .ndx and .ntx files: the key sorter, whose
// sorted keys are then laid out bottom-up in the tag's pages, each page
// written once, children before their parents.
//
// VXobjSortItems lays out a B+ tree (.mdx, .ndx): leaves of MaxKeys items;
// a full page is written at a new page and its highest key goes up as its
// separator in the level above, whose pages hold MaxKeys children (one key
// fewer: the last child is a bare pointer). At the end the page of every
// level is written, the highest becoming the root. VXobjSortMDX sorts in the
// tag's direction, VXobjSortNdx always ascending (the format has no
// descending tags).

#include <cstdint>
#include <memory>
#include <vector>

#include "index/ItemTag.h"
#include "index/Sort.h"

namespace talvern {

class TvxItemBuilder : public TvxSort {
public:
  TvxItemBuilder(VXobjItemTag* tag, bool ascending);
  // Drains the sorter into the tag's pages and sets the tag's root.
  virtual void WriteOut() = 0;

protected:
  // Writes items [0, count) of a page at a new page (an interior page with
  // last as the child after them) and answers its offset.
  std::int32_t WritePage(const ItemBuffer& items, int count, bool leaf, std::int32_t last);
  // The next key in order in its stored form, and its record number,
  // reported to the table's status hook as (2, n, 0); false after the last.
  bool NextItem(const std::uint8_t*& key, std::int32_t& recno);

  VXobjItemTag* tag_;

private:
  std::vector<std::uint8_t> page_;
  TvxVariant key_;
  std::int64_t delivered_ = 0;
  std::vector<std::uint8_t> stored_;
};

class VXobjSortItems : public TvxItemBuilder {
public:
  using TvxItemBuilder::TvxItemBuilder;
  void WriteOut() override;

private:
  void Add(std::size_t level, const std::uint8_t* key, std::int32_t recno, std::int32_t child);
  // Writes the page of a level; when a level above exists or must be made
  // (above is true), its highest key goes up there.
  std::int32_t Close(std::size_t level, bool above);

  std::vector<ItemBuffer> levels_;
  bool finishing_ = false;
};

class VXobjSortMDX : public VXobjSortItems {
public:
  explicit VXobjSortMDX(VXobjItemTag* tag);
};

class VXobjSortNdx : public VXobjSortItems {
public:
  explicit VXobjSortNdx(VXobjItemTag* tag);
};

}  // namespace talvern

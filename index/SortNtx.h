#pragma once
// VXobjSortNTX: lays out the sorted keys of a new .ntx tag as a B-tree,
// bottom-up, every page written once. The shape is planned from the number
// of keys so that pages are filled evenly and none is left empty: a level of
// n items needs p = ceil((n + 1) / (m + 1)) pages of at most m items, which
// hold n - (p - 1) of them; the p - 1 others, each the item after a page,
// go up as the items of the level above (with that page as their left
// child), where the same plan repeats until one page, the root, is left.
// Keys come in the tag's direction.
//
// A unique tag may deliver fewer keys than were sorted: its last pages then
// hold fewer items than planned (at worst none, which the format allows).

#include <cstdint>
#include <vector>

#include "index/SortItems.h"

namespace talvern {

class VXobjSortNTX : public TvxItemBuilder {
public:
  explicit VXobjSortNTX(VXobjItemTag* tag);
  void WriteOut() override;

private:
  struct Level {
    ItemBuffer items;
    std::vector<int> sizes;  // planned items of each page
    std::size_t page = 0;    // pages written so far
  };
  void Plan(std::int64_t keys);
  void Add(std::size_t level, const std::uint8_t* key, std::int32_t recno, std::int32_t leftChild);

  std::vector<Level> levels_;
};

}  // namespace talvern

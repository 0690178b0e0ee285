#include "index/SortNtx.h"

#include <algorithm>

#include "engine/Fields.h"

namespace talvern {

VXobjSortNTX::VXobjSortNTX(VXobjItemTag* tag) : TvxItemBuilder(tag, tag->Ascending) {}

void VXobjSortNTX::Plan(std::int64_t keys) {
  const std::int64_t m = std::max<std::int64_t>(tag_->MaxKeys, 1);
  std::int64_t n = keys;
  for (;;) {
    levels_.emplace_back();
    Level& level = levels_.back();
    level.items.Reset(tag_->KeyLength, static_cast<int>(m));
    const std::int64_t pages = std::max<std::int64_t>((n + 1 + m) / (m + 1), 1);
    const std::int64_t held = n - (pages - 1);
    level.sizes.reserve(static_cast<std::size_t>(pages));
    for (std::int64_t j = 0; j < pages; ++j)
      level.sizes.push_back(static_cast<int>(held / pages + (j < held % pages ? 1 : 0)));
    if (pages <= 1) break;
    n = pages - 1;
  }
}

void VXobjSortNTX::Add(std::size_t level, const std::uint8_t* key, std::int32_t recno, std::int32_t leftChild) {
  if (level >= levels_.size()) {
    levels_.emplace_back();
    levels_.back().items.Reset(tag_->KeyLength, tag_->MaxKeys);
  }
  Level& l = levels_[level];
  const int target = l.page < l.sizes.size() ? l.sizes[l.page] : tag_->MaxKeys;
  if (l.items.Count() < target) {
    l.items.Add(key, recno, leftChild);
    return;
  }
  // The item follows a full page: the page goes out, with the item's left
  // child as its last child, and the item goes up with the page as its own.
  std::int32_t page = WritePage(l.items, l.items.Count(), level == 0, leftChild);
  l.items.Reset(tag_->KeyLength, tag_->MaxKeys);
  ++l.page;
  Add(level + 1, key, recno, page);
}

void VXobjSortNTX::WriteOut() {
  Plan(Count());
  const std::uint8_t* key = nullptr;
  std::int32_t recno = 0;
  while (NextItem(key, recno)) Add(0, key, recno, 0);
  // The last page of each level becomes the last child of the level above;
  // the highest level that received anything holds the root.
  std::int32_t child = 0;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    Level& l = levels_[level];
    std::int32_t page = WritePage(l.items, l.items.Count(), level == 0, child);
    bool above = level + 1 < levels_.size() &&
                 (levels_[level + 1].page > 0 || levels_[level + 1].items.Count() > 0);
    if (!above) {
      tag_->Root = page;
      return;
    }
    child = page;
  }
}

}  // namespace talvern

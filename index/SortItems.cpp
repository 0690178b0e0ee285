#include "index/SortItems.h"

#include <cstring>

#include "engine/Fields.h"
#include "index/IndexFile.h"

namespace talvern {

TvxItemBuilder::TvxItemBuilder(VXobjItemTag* tag, bool ascending)
    : TvxSort(tag->KeyLength + 1, nullptr, ascending, tag->Unique), tag_(tag) {}

std::int32_t TvxItemBuilder::WritePage(const ItemBuffer& items, int count, bool leaf, std::int32_t last) {
  VXobjIndexFile* file = tag_->File();
  page_.assign(static_cast<std::size_t>(tag_->PageSize()), 0);
  std::int32_t offset = file->PageAllocate();
  ItemRun run = items.Run(leaf, last, tag_->NewBlockChain(offset));
  run.count = count;
  tag_->EncodePage(page_.data(), run);
  file->PageWrite(offset, page_.data(), tag_->PageSize());
  return offset;
}

bool TvxItemBuilder::NextItem(const std::uint8_t*& key, std::int32_t& recno) {
  if (!RetrieveUnique(key_, recno)) return false;
  ++delivered_;
  if (VXO_dBaseFld* table = tag_->Table()) table->StatusReport(2, static_cast<std::int32_t>(delivered_), 0);
  stored_.resize(static_cast<std::size_t>(tag_->KeyLength));
  tag_->StoreKey(key_, stored_.data());
  key = stored_.data();
  return true;
}

// B+ trees.

void VXobjSortItems::WriteOut() {
  const std::uint8_t* key = nullptr;
  std::int32_t recno = 0;
  while (NextItem(key, recno)) Add(0, key, recno, 0);
  // The last page of every level; the highest level's is the root.
  finishing_ = true;
  for (std::size_t level = 0; level < levels_.size(); ++level) {
    bool above = level + 1 < levels_.size();
    std::int32_t page = Close(level, above);
    if (!above) tag_->Root = page;
  }
}

void VXobjSortItems::Add(std::size_t level, const std::uint8_t* key, std::int32_t recno, std::int32_t child) {
  if (levels_.size() <= level) {
    levels_.emplace_back();
    levels_.back().Reset(tag_->KeyLength, tag_->MaxKeys + 1);
  }
  // A full page (an interior one full of children) goes out first. The
  // last child of a level arrives when the pages below are finished: it
  // takes the page's last item with it, so that no page is left with a
  // bare pointer and no key.
  ItemBuffer& items = levels_[level];
  if (items.Count() >= tag_->MaxKeys) {
    if (finishing_ && level > 0) {
      ItemBuffer carried;
      carried.Reset(tag_->KeyLength, 1);
      const int lastItem = items.Count() - 1;
      carried.Add(items.Key(lastItem), items.Recno(lastItem), items.Link(lastItem));
      items.RemoveLast();
      Close(level, true);
      levels_[level].Add(carried.Key(0), carried.Recno(0), carried.Link(0));
    } else {
      Close(level, true);
    }
  }
  levels_[level].Add(key, recno, child);
}

std::int32_t VXobjSortItems::Close(std::size_t level, bool above) {
  ItemBuffer& items = levels_[level];
  const bool leaf = level == 0;
  const int count = items.Count();
  std::int32_t page = 0;
  if (leaf) {
    page = WritePage(items, count, true, 0);
  } else {
    // The last child is a bare pointer: the key of the page's last item
    // stays with the separator above.
    page = WritePage(items, count - 1, false, items.Link(count - 1));
  }
  std::vector<std::uint8_t> highest(items.Key(count - 1), items.Key(count - 1) + tag_->KeyLength);
  std::int32_t recno = items.Recno(count - 1);
  items.Reset(tag_->KeyLength, tag_->MaxKeys + 1);
  if (above) Add(level + 1, highest.data(), recno, page);
  return page;
}

VXobjSortMDX::VXobjSortMDX(VXobjItemTag* tag) : VXobjSortItems(tag, tag->Ascending) {}

VXobjSortNdx::VXobjSortNdx(VXobjItemTag* tag) : VXobjSortItems(tag, true) {}

}  // namespace talvern

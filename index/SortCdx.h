#pragma once
// VXobjSortCDX: builds the pages of a compound index tag from sorted keys.
// Keys arrive in ascending order (a descending tag is stored ascending) and
// are laid out bottom-up: compressed leaves filled to within two entries of
// the page's end, each closed leaf's highest key with its record number
// going up as the separator of an interior node, and so on upwards. Every
// page is written once; siblings are linked left to right, the first Left
// and the last Right being -1. Finish writes the last page of every level
// and sets the tag's root.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "index/CdxLayout.h"
#include "index/Sort.h"

namespace talvern {

class VXobjCDXTag;
class VXO_dBaseFld;

class VXobjSortCDX : public TvxSort {
public:
  static constexpr int kMaxLevels = 31;

  VXobjSortCDX(VXobjCDXTag* tag, VXO_dBaseFld* table);
  ~VXobjSortCDX() override;

  // Drains the sorter into pages.
  void WriteOut();
  // Writes the last page of every level and sets the tag's root (also run by
  // the destructor when not done before).
  void Finish();
  std::int64_t Written() const { return written_; }

private:
  struct Level {
    std::array<std::uint8_t, cdx::kPageSize> page{};
    std::int32_t offset = 0;  // this node's page
    std::int32_t left = -1;
    int count = 0;
    int free = 0;
    int position = 0;  // leaves: start of the key bytes
    std::vector<std::uint8_t> previous;  // leaves: the previous key
    std::vector<std::uint8_t> lastKey;
    std::int32_t lastRecno = 0;
  };

  void AddToLevel(int level, const std::uint8_t* key, int length, std::int32_t recno, std::int32_t child);
  void StartNode(int level);
  // Writes the node of a level; right is its right sibling.
  void CloseNode(int level, std::int32_t right);
  bool Full(const Level& l, int level) const;
  // Pages are gathered and written in runs of consecutive pages, so that a
  // build takes few writes.
  void WritePage(std::int32_t offset, const std::uint8_t* page);
  void FlushPages();

  VXobjCDXTag* tag_;
  VXO_dBaseFld* table_;
  cdx::LeafLayout layout_;
  std::vector<std::unique_ptr<Level>> levels_;
  std::int64_t written_ = 0;
  std::vector<std::uint8_t> lastKey_;
  std::int32_t lastRecno_ = 0;
  bool finished_ = false;
  std::map<std::int32_t, std::array<std::uint8_t, cdx::kPageSize>> pending_;
};

}  // namespace talvern

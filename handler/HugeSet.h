#pragma once
// TvxHugeSet: a set of record numbers as a bit set, grown page by page. The
// table handler keeps the records that pass its filter in one, so that
// navigation under a filter only tests bits.
//
// Each page holds 16384 bytes and covers 131072 numbers: bit n lives in page
// n / 131072, byte (n / 8) % 16384, mask 1 << (n % 8). Pages are added,
// zeroed, when a number beyond them is marked. The set also keeps the highest
// number ever marked (-1 when none) and the count of bits set.

#include <cstdint>
#include <memory>
#include <vector>

namespace talvern {

class TvxHugeSet {
public:
  static constexpr std::int32_t kPageBytes = 16384;
  static constexpr std::int32_t kNumbersPerPage = kPageBytes * 8;

  enum MarkMode { kClear = 0, kSet = 1, kToggle = 2 };

  // Zeroes every page and forgets the highest number.
  void Clear();
  // Clears (0), sets (1) or toggles (2) bit n, adding pages as needed, and
  // raises the highest number to n. Negative numbers are ignored.
  void Mark(std::int32_t n, int mode);
  // False beyond the highest number and for negative numbers.
  bool Test(std::int32_t n) const;

  std::int32_t Highest() const { return highest_; }
  // Number of bits set.
  std::int64_t Count() const { return count_; }

  // The first set bit from n upwards up to the highest number, or -1.
  std::int32_t NextSet(std::int32_t n) const;
  // The first set bit from n downwards to 0, or -1.
  std::int32_t PriorSet(std::int32_t n) const;

private:
  // Pages as 64-bit words; bit n is bit n % 64 of word n / 64, which is the
  // byte layout above on a little-endian machine and the same set anywhere.
  static constexpr std::int32_t kWordsPerPage = kPageBytes / 8;

  std::uint64_t Word(std::int32_t w) const {
    std::size_t page = static_cast<std::size_t>(w / kWordsPerPage);
    return page < pages_.size() ? pages_[page][static_cast<std::size_t>(w % kWordsPerPage)] : 0;
  }

  std::vector<std::unique_ptr<std::uint64_t[]>> pages_;
  std::int32_t highest_ = -1;
  std::int64_t count_ = 0;
};

}  // namespace talvern

#include "handler/HugeSet.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace talvern {

void TvxHugeSet::Clear() {
  for (auto& page : pages_) std::memset(page.get(), 0, kPageBytes);
  highest_ = -1;
  count_ = 0;
}

void TvxHugeSet::Mark(std::int32_t n, int mode) {
  if (n < 0) return;
  const std::size_t page = static_cast<std::size_t>(n / kNumbersPerPage);
  while (pages_.size() <= page) {
    pages_.push_back(std::make_unique<std::uint64_t[]>(kWordsPerPage));  // zeroed
  }
  const std::int32_t inPage = n % kNumbersPerPage;
  std::uint64_t& word = pages_[page][static_cast<std::size_t>(inPage / 64)];
  const std::uint64_t mask = std::uint64_t{1} << (inPage % 64);
  const bool was = (word & mask) != 0;
  bool now = was;
  if (mode == kClear) now = false;
  else if (mode == kSet) now = true;
  else if (mode == kToggle) now = !was;
  if (now != was) {
    word ^= mask;
    count_ += now ? 1 : -1;
  }
  highest_ = std::max(highest_, n);
}

bool TvxHugeSet::Test(std::int32_t n) const {
  if (n < 0 || n > highest_) return false;
  return (Word(n / 64) >> (n % 64)) & 1;
}

std::int32_t TvxHugeSet::NextSet(std::int32_t n) const {
  if (n < 0) n = 0;
  if (n > highest_ || count_ == 0) return -1;
  std::int32_t w = n / 64;
  std::uint64_t bits = Word(w) & (~std::uint64_t{0} << (n % 64));
  const std::int32_t lastWord = highest_ / 64;
  while (bits == 0) {
    if (++w > lastWord) return -1;
    bits = Word(w);
  }
  std::int32_t found = w * 64 + std::countr_zero(bits);
  return found <= highest_ ? found : -1;
}

std::int32_t TvxHugeSet::PriorSet(std::int32_t n) const {
  if (n > highest_) n = highest_;
  if (n < 0 || count_ == 0) return -1;
  std::int32_t w = n / 64;
  const int shift = 63 - n % 64;
  std::uint64_t bits = Word(w) & (~std::uint64_t{0} >> shift);
  while (bits == 0) {
    if (--w < 0) return -1;
    bits = Word(w);
  }
  return w * 64 + 63 - std::countl_zero(bits);
}

}  // namespace talvern

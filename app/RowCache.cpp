#include "app/RowCache.h"

#include <algorithm>

namespace talvern {

RowCache::RowCache(int chunkRows, int maxChunks)
    : chunkRows_(std::max(1, chunkRows)), maxChunks_(std::max(1, maxChunks)) {}

const CachedRow* RowCache::Find(int row) {
  if (row < 0) return nullptr;
  auto found = chunks_.find(ChunkOf(row));
  if (found == chunks_.end()) return nullptr;
  std::size_t index = static_cast<std::size_t>(row - found->first * chunkRows_);
  if (index >= found->second.rows.size()) return nullptr;
  found->second.lastUse = ++clock_;
  return &found->second.rows[index];
}

void RowCache::Store(int chunk, std::vector<CachedRow> rows) {
  Chunk& kept = chunks_[chunk];
  kept.rows = std::move(rows);
  kept.lastUse = ++clock_;
  while (static_cast<int>(chunks_.size()) > maxChunks_) {
    auto oldest = std::min_element(chunks_.begin(), chunks_.end(), [](const auto& a, const auto& b) {
      return a.second.lastUse < b.second.lastUse;
    });
    chunks_.erase(oldest);
  }
}

void RowCache::Update(int row, CachedRow value) {
  if (row < 0) return;
  auto found = chunks_.find(ChunkOf(row));
  if (found == chunks_.end()) return;
  std::size_t index = static_cast<std::size_t>(row - found->first * chunkRows_);
  if (index < found->second.rows.size()) found->second.rows[index] = std::move(value);
}

}  // namespace talvern

#pragma once
// RowCache: the rows of a dataset that a table model keeps in memory. Rows
// are read in chunks of a fixed number of rows (chunk c holds the rows
// c * chunkRows up to (c + 1) * chunkRows - 1), and only a few chunks are kept:
// storing one more than the limit drops the chunk used longest ago. A view
// asks for the rows it shows, so what stays is what is on screen and near it.

#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "dataset/DataSetTypes.h"
#include "dataset/FieldValue.h"

namespace talvern {

// One row as a view shows it: the texts of its columns, the value of the key
// field (null when the model has none) and the record's bookmark.
struct CachedRow {
  std::vector<QString> texts;
  FieldValue key;
  TBookmark bookmark;
};

class RowCache {
public:
  RowCache(int chunkRows, int maxChunks);

  int ChunkRows() const { return chunkRows_; }
  int ChunkOf(int row) const { return row / chunkRows_; }

  // The row, or nullptr when its chunk is not kept. Finding a row counts as
  // using its chunk.
  const CachedRow* Find(int row);
  // Replaces the whole chunk (rows from its first row on; a short chunk is the
  // last one) and drops the least recently used chunk beyond the limit.
  void Store(int chunk, std::vector<CachedRow> rows);
  // Writes one row of a kept chunk; nothing when the chunk is not kept.
  void Update(int row, CachedRow value);
  void Clear() { chunks_.clear(); }

  int KeptChunks() const { return static_cast<int>(chunks_.size()); }
  // Rows of kept chunks, in row order, with their row numbers (for searching
  // without reading).
  template <class F>
  void ForEachKept(F&& f) const {
    for (const auto& [chunk, kept] : chunks_) {
      for (std::size_t i = 0; i < kept.rows.size(); ++i) f(chunk * chunkRows_ + static_cast<int>(i), kept.rows[i]);
    }
  }

private:
  struct Chunk {
    std::vector<CachedRow> rows;
    std::uint64_t lastUse = 0;
  };

  int chunkRows_;
  int maxChunks_;
  std::uint64_t clock_ = 0;
  std::map<int, Chunk> chunks_;
};

}  // namespace talvern

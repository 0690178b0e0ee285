#pragma once
// TvxSort: the key sorter of index building. Keys (with the record number
// they belong to) go into a trie that orders them as they arrive and shares
// their common prefixes; the trie lives in a bounded pool of node blocks and
// is spilled into a sorted run whenever the pool is full. Retrieval merges
// the runs. No comparison sort is needed; memory stays bounded however many
// keys come.
//
// Keys are transformed into bytes that sort as unsigned bytes (character:
// trailing blanks removed, bytes 0 and 1 escaped and a 0 byte appended, so
// that a key sorts before the longer keys it begins; numeric: the eight
// sign-adjusted IEEE bytes, most significant first; date: the day number
// big-endian; binary: unchanged), followed by the record number big-endian
// (inverted in a descending sort), so that equal keys come out in
// record-number order.
//
// TvxPageCollection: one sorted run, prefix-compressed entries in 16 KB
// pages:
//   0 1 type tag (16 binary, 32 character, 48 numeric, 64 date; 0 ends a page)
//   1 2 total length of the key with its 4-byte record number
//   3 2 number n of new bytes
//   5 n the last n bytes (the others are those of the previous entry)

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "index/IndexKey.h"

namespace talvern {

class TvxPageCollection {
public:
  static constexpr std::int32_t kPageBytes = 16384;

  // Appends an entry: type tag, the whole key and the number of its bytes
  // shared with the previous entry.
  void Append(std::uint8_t type, const std::uint8_t* key, int length, int shared);
  // Goes back to the first entry; false when the run is empty.
  bool Rewind();
  // Moves to the next entry; false when exhausted.
  bool Next();
  bool Exhausted() const { return position_ < 0; }
  std::uint8_t Type() const { return type_; }
  const std::uint8_t* Key() const { return value_; }
  int Length() const { return length_; }

private:
  bool ReadEntry();

  std::vector<std::unique_ptr<std::uint8_t[]>> pages_;
  std::int32_t page_ = 0;
  std::int32_t position_ = -1;
  std::uint8_t type_ = 0;
  int length_ = 0;
  std::uint8_t value_[2 * 251 + 16] = {};
};

class TvxSort {
public:
  static constexpr int kMaxKeyLength = 251;
  static constexpr std::int32_t kBlockBytes = 40960;
  static constexpr int kNodeBytes = 10;
  static constexpr int kMaxBlocks = 32;
  static constexpr std::uint8_t kTypeBinary = 16;
  static constexpr std::uint8_t kTypeCharacter = 32;
  static constexpr std::uint8_t kTypeNumeric = 48;
  static constexpr std::uint8_t kTypeDate = 64;

  // Raises "Sort key length must be 1-%d bytes, is %d" for a key length
  // above 251. collation: a byte translation for character keys, or null.
  TvxSort(int maxKeyLength, const std::uint8_t* collation, bool ascending, bool unique);
  virtual ~TvxSort();
  TvxSort(const TvxSort&) = delete;
  TvxSort& operator=(const TvxSort&) = delete;

  void Add(const TvxVariant& key, std::int32_t recno);
  // The next key in order; false when all were delivered.
  bool Retrieve(TvxVariant& key, std::int32_t& recno);
  // Retrieve, skipping keys equal to the one delivered last when unique.
  bool RetrieveUnique(TvxVariant& key, std::int32_t& recno);
  std::int64_t Count() const { return count_; }
  // Number of sorted runs written so far (the trie spills into one each
  // time its pool is full, and once more when retrieval begins).
  int RunCount() const { return static_cast<int>(runs_.size()); }

private:
  struct Node;
  std::uint32_t NewNode(std::uint8_t byte, std::uint8_t type);
  Node& At(std::uint32_t index);
  // Gives a packed node's first packed byte to a new child; returns it.
  std::uint32_t Unpack(std::uint32_t index, int depth);
  void Insert(const std::uint8_t* key, int length, std::uint8_t type);
  std::uint64_t ChildKey(std::uint32_t parent, std::uint8_t byte) const;
  std::size_t ChildSlot(std::uint64_t key) const;
  std::uint32_t FindChild(std::uint32_t parent, std::uint8_t byte) const;
  void SetChild(std::uint32_t parent, std::uint8_t byte, std::uint32_t node);
  void FlushTrie();
  void ResetPool();
  void StartRetrieval();
  bool Better(int a, int b) const;
  void SiftDown(std::size_t at);

  int maxKeyLength_;
  const std::uint8_t* collation_;
  bool ascending_;
  bool unique_;
  std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
  int block_ = 0;
  std::int32_t offset_ = 0;
  std::uint32_t root_ = 0;
  // Child of (node, byte) by hashing, beside the sibling lists.
  std::vector<std::uint64_t> childKeys_;
  std::vector<std::uint32_t> childNodes_;
  std::uint32_t generation_ = 1;
  std::uint32_t nodeCount_ = 0;
  std::int64_t count_ = 0;
  std::vector<std::unique_ptr<TvxPageCollection>> runs_;
  bool accepting_ = true;
  std::vector<std::uint8_t> scratch_;
  std::vector<int> heap_;
  std::vector<std::uint8_t> last_;
  bool haveLast_ = false;
};

}  // namespace talvern

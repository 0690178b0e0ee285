#include "index/Sort.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/Errors.h"
#include "index/NumericKeys.h"

namespace talvern {

// A trie node: 10 bytes in a pool block.
struct TvxSort::Node {
  std::uint32_t child;  // first node of the level below (0: none)
  std::uint32_t next;   // next sibling, or up to 4 packed key bytes
  std::uint8_t flags;   // bits 0-2 packed bytes, bit 3 a key ends here, 4-7 type
  std::uint8_t byte;
} __attribute__((packed));

namespace {

constexpr std::uint8_t kPackedMask = 0x07;
constexpr std::uint8_t kEndsHere = 0x08;
constexpr int kNodesPerBlock = TvxSort::kBlockBytes / TvxSort::kNodeBytes;
constexpr int kRecnoBytes = 4;
// The first levels of the trie, which have the longest sibling lists, also
// find a node's child by hashing.
constexpr int kIndexedLevels = 3;

std::uint8_t PackedByte(std::uint32_t packed, int i) { return static_cast<std::uint8_t>(packed >> (8 * i)); }

// Character keys are escaped so that a key that is the beginning of
// another sorts first whatever record numbers follow them: 0x00 and 0x01
// become 0x01 0x01 and 0x01 0x02, and a 0x00 ends the key.
int EscapeText(const std::uint8_t* text, int length, std::uint8_t* out) {
  int n = 0;
  for (int i = 0; i < length; ++i) {
    if (text[i] <= 1) {
      out[n++] = 1;
      out[n++] = static_cast<std::uint8_t>(text[i] + 1);
    } else {
      out[n++] = text[i];
    }
  }
  out[n++] = 0;
  return n;
}

int UnescapeText(const std::uint8_t* bytes, int length, std::uint8_t* out) {
  int n = 0;
  for (int i = 0; i < length && bytes[i] != 0; ++i) {
    if (bytes[i] == 1 && i + 1 < length) out[n++] = static_cast<std::uint8_t>(bytes[++i] - 1);
    else out[n++] = bytes[i];
  }
  return n;
}

}  // namespace

// Runs.

void TvxPageCollection::Append(std::uint8_t type, const std::uint8_t* key, int length, int shared) {
  int fresh = length - shared;
  const int need = 5 + fresh;
  if (pages_.empty() || position_ + need > kPageBytes - 1) {
    pages_.push_back(std::make_unique<std::uint8_t[]>(kPageBytes));
    std::memset(pages_.back().get(), 0, kPageBytes);
    position_ = 0;
  }
  std::uint8_t* p = pages_.back().get() + position_;
  p[0] = type;
  PutLE16(p + 1, static_cast<std::uint32_t>(length));
  PutLE16(p + 3, static_cast<std::uint32_t>(fresh));
  std::memcpy(p + 5, key + shared, static_cast<std::size_t>(fresh));
  position_ += need;
}

bool TvxPageCollection::Rewind() {
  page_ = 0;
  position_ = 0;
  length_ = 0;
  return ReadEntry();
}

bool TvxPageCollection::Next() {
  if (position_ < 0) return false;
  return ReadEntry();
}

bool TvxPageCollection::ReadEntry() {
  while (true) {
    if (page_ >= static_cast<std::int32_t>(pages_.size())) {
      position_ = -1;
      return false;
    }
    const std::uint8_t* p = pages_[static_cast<std::size_t>(page_)].get();
    if (position_ + 5 <= kPageBytes && p[position_] != 0) {
      type_ = p[position_];
      int total = GetLE16(p + position_ + 1);
      int fresh = GetLE16(p + position_ + 3);
      std::memcpy(value_ + (total - fresh), p + position_ + 5, static_cast<std::size_t>(fresh));
      length_ = total;
      position_ += 5 + fresh;
      return true;
    }
    ++page_;
    position_ = 0;
  }
}

// The sorter.

TvxSort::TvxSort(int maxKeyLength, const std::uint8_t* collation, bool ascending, bool unique)
    : maxKeyLength_(maxKeyLength), collation_(collation), ascending_(ascending), unique_(unique) {
  if (maxKeyLength > kMaxKeyLength || maxKeyLength < 1)
    Raise("Sort key length must be 1-%d bytes, is %d", {std::int64_t{kMaxKeyLength}, std::int64_t{maxKeyLength}});
  blocks_.push_back(std::make_unique<std::uint8_t[]>(kBlockBytes));
  std::memset(blocks_[0].get(), 0, kBlockBytes);
  childKeys_.assign(std::size_t{1} << 18, 0);
  childNodes_.assign(std::size_t{1} << 18, 0);
  scratch_.resize(static_cast<std::size_t>(2 * kMaxKeyLength + 16));
}

TvxSort::~TvxSort() = default;

TvxSort::Node& TvxSort::At(std::uint32_t index) {
  std::uint32_t i = index - 1;
  return *reinterpret_cast<Node*>(blocks_[i / kNodesPerBlock].get() + (i % kNodesPerBlock) * kNodeBytes);
}

std::uint32_t TvxSort::NewNode(std::uint8_t byte, std::uint8_t type) {
  if (offset_ + kNodeBytes > kBlockBytes) {
    ++block_;
    if (block_ >= static_cast<int>(blocks_.size())) {
      blocks_.push_back(std::make_unique<std::uint8_t[]>(kBlockBytes));
    }
    std::memset(blocks_[static_cast<std::size_t>(block_)].get(), 0, kBlockBytes);
    offset_ = 0;
  }
  std::uint32_t index = static_cast<std::uint32_t>(block_) * kNodesPerBlock + offset_ / kNodeBytes + 1;
  offset_ += kNodeBytes;
  ++nodeCount_;
  Node& n = At(index);
  n.child = 0;
  n.next = 0;
  n.flags = type;
  n.byte = byte;
  return index;
}

// A node that carries packed bytes gives the first of them to a new only
// child, which takes over its children, the other packed bytes and the end
// of the key that ran through them.
std::uint32_t TvxSort::Unpack(std::uint32_t index, int depth) {
  Node& x = At(index);
  int packed = x.flags & kPackedMask;
  std::uint32_t bytes = x.next;
  std::uint8_t type = x.flags & 0xF0;
  bool ends = (x.flags & kEndsHere) != 0;
  std::uint32_t child = x.child;
  std::uint32_t y = NewNode(PackedByte(bytes, 0), type);
  Node& ny = At(y);
  Node& nx = At(index);
  ny.child = child;
  ny.next = bytes >> 8;
  ny.flags = static_cast<std::uint8_t>(type | (packed - 1) | (ends ? kEndsHere : 0));
  nx.child = y;
  nx.next = 0;
  nx.flags = type;
  // A packed node has at most the one child its own key made: that child
  // now hangs below the new node.
  if (depth + 1 >= kIndexedLevels) return y;
  SetChild(index, ny.byte, y);
  if (child) {
    std::uint8_t b = At(child).byte;
    if (b != ny.byte) SetChild(index, b, 0);
    SetChild(y, b, child);
  }
  return y;
}

// The child of a node (0: the first level) with a byte, through a hash
// table beside the sibling lists, so that descending needs no list walk.
// Entries of a sorting run carry its generation; older ones count as empty.
std::uint64_t TvxSort::ChildKey(std::uint32_t parent, std::uint8_t byte) const {
  return (static_cast<std::uint64_t>(generation_) << 40) | (static_cast<std::uint64_t>(parent) << 8) | byte;
}

std::size_t TvxSort::ChildSlot(std::uint64_t key) const {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & (childKeys_.size() - 1);
}

std::uint32_t TvxSort::FindChild(std::uint32_t parent, std::uint8_t byte) const {
  const std::uint64_t key = ChildKey(parent, byte);
  std::size_t at = ChildSlot(key);
  for (std::size_t probes = 0; probes < childKeys_.size(); ++probes, at = (at + 1) & (childKeys_.size() - 1)) {
    std::uint64_t k = childKeys_[at];
    if ((k >> 40) != generation_) return 0;
    if (k == key && childNodes_[at]) return childNodes_[at];
  }
  return 0;
}

void TvxSort::SetChild(std::uint32_t parent, std::uint8_t byte, std::uint32_t node) {
  const std::uint64_t key = ChildKey(parent, byte);
  std::size_t free = childKeys_.size();
  std::size_t at = ChildSlot(key);
  for (std::size_t probes = 0; probes < childKeys_.size(); ++probes, at = (at + 1) & (childKeys_.size() - 1)) {
    std::uint64_t k = childKeys_[at];
    if ((k >> 40) != generation_) {
      if (free == childKeys_.size()) free = at;
      break;
    }
    if (k == key) {
      childNodes_[at] = node;
      return;
    }
    if (!childNodes_[at] && free == childKeys_.size()) free = at;
  }
  // A full table keeps the node unregistered: it is then found by its
  // sibling list.
  if (free == childKeys_.size()) return;
  childKeys_[free] = key;
  childNodes_[free] = node;
}

void TvxSort::Insert(const std::uint8_t* key, int length, std::uint8_t type) {
  std::uint32_t parent = 0;
  int i = 0;
  auto head = [this](std::uint32_t p) { return p ? At(p).child : root_; };
  auto setHead = [this](std::uint32_t p, std::uint32_t n) {
    if (p) At(p).child = n;
    else root_ = n;
  };
  while (i < length) {
    std::uint32_t first = head(parent);
    if (first == 0) {
      // An empty level: one node, with up to 4 following bytes packed.
      std::uint32_t n = NewNode(key[i], type);
      if (i < kIndexedLevels) SetChild(parent, key[i], n);
      int k = std::min(4, length - i - 1);
      std::uint32_t packed = 0;
      for (int j = 0; j < k; ++j) packed |= static_cast<std::uint32_t>(key[i + 1 + j]) << (8 * j);
      Node& node = At(n);
      node.next = packed;
      node.flags = static_cast<std::uint8_t>(node.flags | k);
      setHead(parent, n);
      i += 1 + k;
      parent = n;
      if (i == length) At(n).flags |= kEndsHere;
      continue;
    }
    if (At(first).flags & kPackedMask) Unpack(first, i);
    const std::uint8_t b = key[i];
    // Deeper levels have short sibling lists: walking them is cheaper.
    std::uint32_t cur = i < kIndexedLevels ? FindChild(parent, b) : 0;
    if (!cur) {
      std::uint32_t prev = 0;
      cur = first;
      while (cur && (ascending_ ? At(cur).byte < b : At(cur).byte > b)) {
        prev = cur;
        cur = At(cur).next;
      }
      if (!cur || At(cur).byte != b) {
        std::uint32_t n = NewNode(b, type);
        At(n).next = cur;
        if (prev) At(prev).next = n;
        else setHead(parent, n);
        if (i < kIndexedLevels) SetChild(parent, b, n);
        cur = n;
      }
    }
    parent = cur;
    ++i;
    if (i == length) At(cur).flags |= kEndsHere;
  }
}

void TvxSort::Add(const TvxVariant& key, std::int32_t recno) {
  if (!accepting_) Raise("Cannot add sort keys after beginning retrieval");
  if (key.Length() > maxKeyLength_)
    Raise("Sort key length must be 1-%d bytes, is %d", {std::int64_t{maxKeyLength_}, std::int64_t{key.Length()}});
  std::uint8_t* out = scratch_.data();
  int length = 0;
  std::uint8_t type = 0;
  switch (key.Type()) {
    case VariantType::Text: {
      std::int32_t n = key.Length();
      while (n > 0 && key.Data()[n - 1] == ' ') --n;
      if (collation_) {
        std::uint8_t translated[kMaxKeyLength];
        for (std::int32_t i = 0; i < n; ++i) translated[i] = collation_[key.Data()[i]];
        length = EscapeText(translated, n, out);
      } else {
        length = EscapeText(key.Data(), n, out);
      }
      type = kTypeCharacter;
      break;
    }
    case VariantType::Double: {
      // Sign-adjusted IEEE bytes, all eight: dropping zero bytes would let
      // the record number that follows decide between close values.
      EncodeSortableDouble(key.AsDouble(), out);
      length = 8;
      type = kTypeNumeric;
      break;
    }
    case VariantType::Date:
      PutBE32(out, static_cast<std::uint32_t>(key.AsDate()));
      length = 4;
      type = kTypeDate;
      break;
    case VariantType::Raw:
      if (key.Length() > 0) std::memcpy(out, key.Data(), static_cast<std::size_t>(key.Length()));
      length = key.Length();
      type = kTypeBinary;
      break;
    default:
      Raise("Variant type cannot be sorted");
  }
  // A descending sort keeps equal keys in record-number order (so that a
  // unique tag keeps the lowest record number of a key in either
  // direction): the number goes in inverted.
  const std::uint32_t suffix = static_cast<std::uint32_t>(recno);
  PutBE32(out + length, ascending_ ? suffix : ~suffix);
  length += kRecnoBytes;
  // Room for the key's nodes in the pool, else the trie goes into a run.
  // (each byte may take a node, and as many again for unpacking).
  if (offset_ + 2 * length * kNodeBytes > kBlockBytes && block_ >= kMaxBlocks - 1) {
    FlushTrie();
    ResetPool();
  }
  Insert(out, length, type);
  ++count_;
}

void TvxSort::ResetPool() {
  block_ = 0;
  offset_ = 0;
  root_ = 0;
  nodeCount_ = 0;
  // A new generation empties the child table.
  if (++generation_ >= (1u << 24)) {
    generation_ = 1;
    std::fill(childKeys_.begin(), childKeys_.end(), 0);
  }
  if (!blocks_.empty()) std::memset(blocks_[0].get(), 0, kBlockBytes);
}

// Writes every key of the trie, in order, into a new run.
void TvxSort::FlushTrie() {
  if (root_ == 0) return;
  auto run = std::make_unique<TvxPageCollection>();
  std::uint8_t path[2 * kMaxKeyLength + 16];
  std::uint8_t previous[2 * kMaxKeyLength + 16];
  int previousLength = 0;
  struct Frame {
    std::uint32_t node;
    int depth;
    bool childrenDone;
  };
  std::vector<Frame> stack;
  stack.push_back({root_, 0, false});
  auto emit = [&](int length, std::uint8_t flags) {
    int limit = std::min(previousLength, length);
    int shared = 0;
    while (shared < limit && previous[shared] == path[shared]) ++shared;
    run->Append(static_cast<std::uint8_t>(flags & 0xF0), path, length, shared);
    std::memcpy(previous, path, static_cast<std::size_t>(length));
    previousLength = length;
  };
  while (!stack.empty()) {
    Frame& f = stack.back();
    std::uint32_t index = f.node;
    if (index == 0) {
      stack.pop_back();
      continue;
    }
    Node& n = At(index);
    int packed = n.flags & kPackedMask;
    int end = f.depth + 1 + packed;
    bool ends = (n.flags & kEndsHere) != 0;
    if (!f.childrenDone) {
      path[f.depth] = n.byte;
      for (int j = 0; j < packed; ++j) path[f.depth + 1 + j] = PackedByte(n.next, j);
      f.childrenDone = true;
      // A key that ends here is the beginning of those below: first when
      // ascending, last when descending.
      if (ends && ascending_) emit(end, n.flags);
      if (n.child) {
        stack.push_back({n.child, end, false});
        continue;
      }
    }
    if (ends && !ascending_) {
      path[f.depth] = n.byte;
      for (int j = 0; j < packed; ++j) path[f.depth + 1 + j] = PackedByte(n.next, j);
      emit(end, n.flags);
    }
    std::uint32_t sibling = packed ? 0 : n.next;
    int depth = f.depth;
    stack.pop_back();
    if (sibling) stack.push_back({sibling, depth, false});
  }
  runs_.push_back(std::move(run));
}

void TvxSort::StartRetrieval() {
  accepting_ = false;
  FlushTrie();
  blocks_.clear();
  root_ = 0;
  heap_.clear();
  for (int i = 0; i < static_cast<int>(runs_.size()); ++i)
    if (runs_[static_cast<std::size_t>(i)]->Rewind()) heap_.push_back(i);
  for (std::size_t i = heap_.size() / 2; i-- > 0;) SiftDown(i);
}

// Whether run a's current entry comes before run b's (ties: the earlier
// run).
bool TvxSort::Better(int a, int b) const {
  const TvxPageCollection& x = *runs_[static_cast<std::size_t>(a)];
  const TvxPageCollection& y = *runs_[static_cast<std::size_t>(b)];
  int n = std::min(x.Length(), y.Length());
  int c = std::memcmp(x.Key(), y.Key(), static_cast<std::size_t>(n));
  if (c == 0) c = (x.Length() > y.Length()) - (x.Length() < y.Length());
  if (!ascending_) c = -c;
  return c < 0 || (c == 0 && a < b);
}

void TvxSort::SiftDown(std::size_t at) {
  const std::size_t size = heap_.size();
  while (true) {
    std::size_t best = at, l = 2 * at + 1, r = l + 1;
    if (l < size && Better(heap_[l], heap_[best])) best = l;
    if (r < size && Better(heap_[r], heap_[best])) best = r;
    if (best == at) return;
    std::swap(heap_[at], heap_[best]);
    at = best;
  }
}

bool TvxSort::Retrieve(TvxVariant& key, std::int32_t& recno) {
  if (accepting_) StartRetrieval();
  if (heap_.empty()) return false;
  TvxPageCollection& run = *runs_[static_cast<std::size_t>(heap_[0])];
  const std::uint8_t* bytes = run.Key();
  int length = run.Length() - kRecnoBytes;
  const std::uint32_t suffix = GetBE32(bytes + length);
  recno = static_cast<std::int32_t>(ascending_ ? suffix : ~suffix);
  switch (run.Type()) {
    case kTypeCharacter: {
      std::uint8_t text[2 * kMaxKeyLength + 16];
      int n = UnescapeText(bytes, length, text);
      key.SetText(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(n)));
      break;
    }
    case kTypeNumeric: {
      // The bytes dropped from the end were zeros.
      std::uint8_t b[8] = {};
      std::memcpy(b, bytes, static_cast<std::size_t>(std::min(length, 8)));
      key.SetDouble(DecodeSortableDouble(b));
      break;
    }
    case kTypeDate: key.SetDate(static_cast<std::int32_t>(GetBE32(bytes))); break;
    default: key.SetBytes(bytes, length); break;
  }
  if (!run.Next()) {
    heap_[0] = heap_.back();
    heap_.pop_back();
  }
  if (!heap_.empty()) SiftDown(0);
  return true;
}

bool TvxSort::RetrieveUnique(TvxVariant& key, std::int32_t& recno) {
  while (Retrieve(key, recno)) {
    if (!unique_) return true;
    bool same = haveLast_ && static_cast<std::size_t>(key.Length()) == last_.size() &&
                (last_.empty() || std::memcmp(last_.data(), key.Data(), last_.size()) == 0);
    if (same) continue;
    last_.assign(key.Data(), key.Data() + key.Length());
    haveLast_ = true;
    return true;
  }
  return false;
}

}  // namespace talvern

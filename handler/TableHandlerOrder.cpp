// Walking a small filter set in a tag's order without stepping through the
// whole tag (see FilterOrder.h).

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include "engine/Cipher.h"
#include "engine/Errors.h"
#include "engine/Strings.h"
#include "handler/TableHandler.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"

namespace talvern {

namespace {

// A set this many times smaller than the table is ordered by its own keys:
// computing a record's key costs about as much as stepping over a few dozen
// keys of the tag.
constexpr std::int64_t kSmallSetRatio = 32;

// The most bytes of records a filter order keeps.
constexpr std::int64_t kKeptBytes = std::int64_t{32} << 20;

bool Bytewise(const TvxVariant& key) {
  const VariantType t = key.Type();
  return t == VariantType::Text || t == VariantType::Raw || t == VariantType::None;
}

}  // namespace

TvxFilterOrderMaker::TvxFilterOrderMaker(VXobjIndexTag& tag, std::size_t expected, std::int32_t recordLength)
    : tag_(tag), filtered_(tag.HasFor && !Trim(tag.ForExpr).empty()),
      recordLength_(static_cast<std::size_t>(std::max(recordLength, 0))) {
  bytes_.reserve(expected * static_cast<std::size_t>(std::max<int>(tag.KeyLength, 1)));
  keyEnds_.reserve(expected);
  records_.reserve(expected);
  kept_.reserve(expected * recordLength_);
}

bool TvxFilterOrderMaker::Add(std::int32_t recno, const std::uint8_t* stored) {
  if (filtered_ && !tag_.ForEvaluate()) return true;
  if (!tag_.CurrentKey(key_)) return false;
  // Stored keys of the compound format are bytes; any other key leaves the
  // walk to the tag.
  if (!Bytewise(key_)) return false;
  if (key_.Length() > 0)
    bytes_.append(reinterpret_cast<const char*>(key_.Data()), static_cast<std::size_t>(key_.Length()));
  keyEnds_.push_back(bytes_.size());
  records_.push_back(recno);
  if (recordLength_ > 0) {
    if (stored == nullptr) {
      // A record given without its bytes: none are kept.
      recordLength_ = 0;
      std::vector<std::uint8_t>().swap(kept_);
    } else {
      kept_.insert(kept_.end(), stored, stored + recordLength_);
    }
  }
  return true;
}

// The tag's stored order: by key (reversed in a descending tag), equal keys
// by record number.
std::unique_ptr<TvxFilterOrder> TvxFilterOrderMaker::Finish(std::uint32_t generation) {
  auto order = std::make_unique<TvxFilterOrder>();
  order->tag = &tag_;
  order->generation = generation;
  const bool descending = tag_.StoredDescending;
  // Unsigned bytes over the shorter length, the shorter smaller: the
  // comparison of index keys (CompareIndexKeys), made on the bytes in place,
  // first on their first eight bytes as one number. A key shorter than
  // eight bytes is padded with zeros: it still sorts before a longer one it
  // begins, or ties with it and is decided in full. Equal keys stay in the
  // order they were added, that of their record numbers.
  auto key = [&](std::int32_t i) {
    const std::size_t begin = i == 0 ? 0 : keyEnds_[static_cast<std::size_t>(i) - 1];
    return std::string_view(bytes_.data() + begin, keyEnds_[static_cast<std::size_t>(i)] - begin);
  };
  struct Entry {
    std::uint64_t head;
    std::int32_t index;
  };
  std::vector<Entry> entries(records_.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string_view k = key(static_cast<std::int32_t>(i));
    std::uint64_t head = 0;
    for (std::size_t b = 0; b < 8; ++b) head = head << 8 | (b < k.size() ? static_cast<std::uint8_t>(k[b]) : 0u);
    entries[i] = {head, static_cast<std::int32_t>(i)};
  }
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.head != b.head) return descending ? a.head > b.head : a.head < b.head;
    const int c = key(a.index).compare(key(b.index));
    if (c != 0) return descending ? c > 0 : c < 0;
    return a.index < b.index;
  });
  order->records.resize(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    order->records[i] = records_[static_cast<std::size_t>(entries[i].index)];
  // The kept records are put in the walk's order while they are still in
  // the processor's cache: the walk then reads them one after the other.
  if (recordLength_ > 0) {
    order->kept.reserve(kept_.size());
    for (const Entry& e : entries) {
      const std::uint8_t* from = kept_.data() + static_cast<std::size_t>(e.index) * recordLength_;
      order->kept.insert(order->kept.end(), from, from + recordLength_);
    }
    std::vector<std::uint8_t>().swap(kept_);
  }
  return order;
}

bool VXO_dBHandler::OrderableBy(VXobjIndexTag& tag, std::int64_t count) const {
  return count * kSmallSetRatio <= recordCount_ && !tag.Unique && !tag.RangeActive() && tag.File()->RecNoOrdered &&
         !tag.Maintaining;
}

std::optional<TvxFilterOrderMaker> VXO_dBHandler::StartFilterOrder(VXobjIndexTag* tag, std::int64_t expected,
                                                                    bool keep) {
  std::optional<TvxFilterOrderMaker> maker;
  if (!tag || !OrderableBy(*tag, expected)) return maker;
  // The records are kept as stored for the walk that may follow, unless
  // they could take much memory.
  keep = keep && static_cast<std::int64_t>(recordCount_ / kSmallSetRatio) * recordLength_ <= kKeptBytes;
  try {
    if (tag->Searchable()) maker.emplace(*tag, static_cast<std::size_t>(expected), keep ? recordLength_ : 0);
  } catch (const ETalvernError&) {
  }
  return maker;
}

bool VXO_dBHandler::MakeFilterOrder(VXobjIndexTag& tag, bool validate) {
  VXobjIndexFile* file = tag.File();
  if (!OrderableBy(tag, filterSet_->Count())) {
    filterOrder_.reset();
    return false;
  }
  // Another program's change to the index file drops its cache, and with
  // it the order made from the keys that were stored before. It is looked
  // for when a walk begins: a walk goes on in the order it began with.
  if (validate || !filterOrder_) file->ValidateCache();
  if (filterOrder_ && filterOrder_->tag == &tag && filterOrder_->generation == file->CacheGeneration())
    return true;
  filterOrder_.reset();
  if (!tag.Searchable()) return false;

  TvxFilterOrderMaker maker(tag, static_cast<std::size_t>(filterSet_->Count()));

  // Each record is evaluated in a buffer of its own: the table's current
  // record stays as it is.
  std::vector<std::uint8_t> record(static_cast<std::size_t>(recordLength_) + 1, ' ');
  std::uint8_t* const savedRecord = currentRecord_;
  const std::int32_t savedRecno = currentRecordNo_;
  struct Restore {
    VXO_dBHandler& table;
    std::uint8_t* record;
    std::int32_t recno;
    ~Restore() {
      table.currentRecord_ = record;
      table.currentRecordNo_ = recno;
    }
  } restore{*this, savedRecord, savedRecno};
  for (std::int32_t r = filterSet_->NextSet(1); r >= 1 && r <= recordCount_; r = filterSet_->NextSet(r + 1)) {
    if (VXO_DiskFile::ReadAt(RecordOffset(r), record.data(), recordLength_) != recordLength_) return false;
    if (IsEnciphered()) Cipher(ReadPassword(), record.data(), record.data(), recordLength_, false);
    currentRecord_ = record.data();
    currentRecordNo_ = r;
    if (!maker.Add(r)) return false;
  }
  filterOrder_ = maker.Finish(file->CacheGeneration());
  return true;
}

bool VXO_dBHandler::OrderedFilterRecord(VXobjIndexTag& tag, std::int32_t code, std::int32_t next,
                                        std::int32_t& rec) {
  bool made;
  try {
    made = MakeFilterOrder(tag, code == RecTop || code == RecBottom || currentRecordNo_ < 1);
  } catch (...) {
    // A record whose key cannot be computed: the walk through the tag
    // meets it (and its error) in its place.
    filterOrder_.reset();
    made = false;
  }
  if (!made) return false;
  const auto& records = filterOrder_->records;
  const auto n = static_cast<std::int64_t>(records.size());
  // Moves forward in the walk go forward in the stored order unless the
  // tag is navigated from its physical end.
  const int forward = tag.ReverseNavigation ? -1 : 1;
  std::int64_t at;
  if (code == RecTop || code == RecBottom || currentRecordNo_ < 1) {
    const bool last = (code == RecBottom) != tag.ReverseNavigation;
    at = last ? n - 1 : 0;
  } else {
    at = filterOrder_->PlaceOf(currentRecordNo_);
    // The current record lies outside the set: the tag finds where it
    // stands.
    if (at < 0) return false;
    if (code == RecNext) at += forward;
    else if (code == RecPrior) at -= forward;
  }
  if (at < 0 || at >= n) {
    (next == RecPrior ? bof_ : eof_) = true;
    rec = 0;
    return true;
  }
  rec = records[static_cast<std::size_t>(at)];
  filterOrder_->last = at;
  return true;
}

}  // namespace talvern

#pragma once
// The records of a small filter set in the order of a tag. Walking a filter
// of a few thousand records in tag order would otherwise step through every
// key of the tag, testing each record number against the set; instead the
// records of the set have their keys computed (the key and FOR expressions
// of the tag, on the stored records) and are sorted as the tag stores them.
// The keys are taken while the filter reads the records (its scan of the
// table, or its records from an index), or else by reading the set's records
// once more. The order stands for the tag and the filter set it was made
// from: the table handler forgets it on every write and change of filter or
// tag, and drops it when a walk begins after another program changed the
// index file (a walk under way goes on in the order it began with).

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/IndexKey.h"

namespace talvern {

class VXobjIndexTag;

struct TvxFilterOrder {
  const VXobjIndexTag* tag = nullptr;
  // The index file's cache generation when the order was made.
  std::uint32_t generation = 0;
  // Record numbers in the tag's stored order.
  std::vector<std::int32_t> records;
  // The place of recno in records, or -1. The place found last is tried
  // first: a walk asks for the record it stands on, then reads the next.
  // Other lookups go through a map of the places, made at the first.
  std::int64_t PlaceOf(std::int32_t recno) {
    if (last >= 0 && last < static_cast<std::int64_t>(records.size()) &&
        records[static_cast<std::size_t>(last)] == recno)
      return last;
    if (place.empty()) {
      place.reserve(records.size());
      for (std::size_t i = 0; i < records.size(); ++i) place.emplace(records[i], static_cast<std::int32_t>(i));
    }
    auto found = place.find(recno);
    if (found == place.end()) return -1;
    return last = found->second;
  }
  std::int64_t last = -1;
  // Record number -> its place in records.
  std::unordered_map<std::int32_t, std::int32_t> place;
  // The records as stored when the filter read them (record length bytes
  // each, in the order of records), when they were kept: a walk that asks
  // for them (VXO_dBHandler::ServeKeptRecords) takes them from here instead
  // of reading each once more.
  std::vector<std::uint8_t> kept;
};

// Makes a TvxFilterOrder: the records are given one by one while the table's
// current record holds them, then sorted by their keys.
class TvxFilterOrderMaker {
public:
  // Keeps the records' bytes too when recordLength is not 0.
  TvxFilterOrderMaker(VXobjIndexTag& tag, std::size_t expected, std::int32_t recordLength = 0);
  // Takes the table's current record as record recno (left out when the
  // tag's FOR condition refuses it); false when its key cannot be computed.
  // stored: the record as it lies in the file, kept when keeping.
  bool Add(std::int32_t recno, const std::uint8_t* stored = nullptr);
  // The order of the records added, for the index file's cache generation.
  std::unique_ptr<TvxFilterOrder> Finish(std::uint32_t generation);

private:
  VXobjIndexTag& tag_;
  bool filtered_;
  VXobjIndexKeyData key_;  // the key being computed, its buffer reused
  // The keys back to back, keyEnds_ holding where each ends.
  std::string bytes_;
  std::vector<std::size_t> keyEnds_;
  std::vector<std::int32_t> records_;
  std::size_t recordLength_;
  std::vector<std::uint8_t> kept_;  // in the order added
};

}  // namespace talvern

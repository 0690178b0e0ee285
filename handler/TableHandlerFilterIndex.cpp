// The filter's record set taken from an index tag instead of a scan of the
// whole table. A filter that is, or is joined by .AND. with, a comparison of
// a numeric field with a number (VID=223, PRICE>=10 .AND. AT("KT",TYPE)<>0)
// can only hold on records whose key, in a tag whose key is that bare field,
// lies in the range the comparison allows. Those records are taken from the
// tag and the whole filter is evaluated on each of them; the set is the one
// the scan would give.
//
// Only tags that list every record under keys this program computes serve:
// compound-file tags without FOR condition, not unique, searchable, without
// a range. The index file stays locked while its entries are walked and the
// records read, so that no program sharing the table writes a record and its
// key meanwhile (they do both under that lock).

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "engine/Cipher.h"
#include "engine/Errors.h"
#include "engine/FieldInfo.h"
#include "engine/Strings.h"
#include "expr/Handler.h"
#include "expr/Node.h"
#include "expr/Operators.h"
#include "expr/TableLink.h"
#include "handler/TableHandler.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"

namespace talvern {

namespace {

// A range holding more than this part of the table is scanned instead:
// reading scattered records one by one costs as much as reading this many
// times more in blocks.
constexpr std::int64_t kRangeRatio = 32;

// The candidate records are read this many bytes at a time.
constexpr std::size_t kBatchBytes = std::size_t{4} << 20;

// The values a numeric field may have for a comparison to hold; a bound is
// included (a superset is enough: the filter decides on each record).
struct ValueRange {
  const TvxlDBFFieldVars* field = nullptr;
  double low = -std::numeric_limits<double>::infinity();
  double high = std::numeric_limits<double>::infinity();
  bool equality = false;
};

// The comparisons joined by .AND. at the top of the filter.
void Conjuncts(const TvxExpBaseObject* node, std::vector<const TvxExpOperator*>& out) {
  while (node && node->NodeClass() == kNodeGroup) node = static_cast<const TvxExpContainer*>(node)->Inner();
  if (!node || node->NodeClass() != kNodeBoundOperator) return;
  const auto* op = static_cast<const TvxExpOperator*>(node);
  if (!op->Left() || !op->Right()) return;
  if (op->Code() == kOpAnd) {
    Conjuncts(op->Left(), out);
    Conjuncts(op->Right(), out);
  } else if (op->Code() == kOpEqual || (op->Code() >= kOpGreater && op->Code() <= kOpLessEqual)) {
    out.push_back(op);
  }
}

const TvxlDBFFieldVars* NumericField(const TvxExpBaseObject* node) {
  if (!node || node->NodeClass() != kNodeFieldvar) return nullptr;
  auto* field = dynamic_cast<const TvxlDBFFieldVars*>(static_cast<const TvxExpFieldvar*>(node)->Variable());
  return field && (field->Field().Type() == 'N' || field->Field().Type() == 'F') ? field : nullptr;
}

// FIELD op number or number op FIELD.
bool RangeOf(const TvxExpOperator& op, ValueRange& range) {
  const bool fieldLeft = NumericField(op.Left()) != nullptr;
  const TvxExpBaseObject* constant = fieldLeft ? op.Right() : op.Left();
  range.field = NumericField(fieldLeft ? op.Left() : op.Right());
  if (!range.field || constant->NodeClass() != kNodeNumLit) return false;
  const double c = static_cast<const TvxExpNumLit*>(constant)->Value();
  std::uint8_t code = op.Code();
  if (!fieldLeft) {
    // c < FIELD is FIELD > c.
    if (code == kOpGreater) code = kOpLess;
    else if (code == kOpLess) code = kOpGreater;
    else if (code == kOpGreaterEqual) code = kOpLessEqual;
    else if (code == kOpLessEqual) code = kOpGreaterEqual;
  }
  range.equality = code == kOpEqual;
  if (code != kOpLess && code != kOpLessEqual) range.low = c;
  if (code != kOpGreater && code != kOpGreaterEqual) range.high = c;
  return true;
}

// A tag listing every record by exactly this field's value.
bool ServesField(VXobjIndexTag& tag, const TvxlDBFFieldVars& field) {
  if (tag.KindName != "CDX" || tag.KeyType != 'N' || tag.Unique || tag.StoredDescending || tag.RangeActive() ||
      (tag.HasFor && !Trim(tag.ForExpr).empty()))
    return false;
  if (UpperCase(std::string(Trim(tag.KeyExpr))) != UpperCase(field.Field().Name())) return false;
  return tag.Searchable();
}

}  // namespace

// The entries from the low bound on, in the stored (ascending) order, until
// a key passes the high bound. -0 lies just below 0 in the key order and is
// equal to it in the filter: a bound 0 takes both.
bool VXO_dBHandler::RangeRecords(VXobjIndexTag& tag, double low, double high, std::vector<std::int32_t>& records) {
  const std::int32_t forward = tag.ReverseNavigation ? RecPrior : RecNext;
  std::int32_t r;
  if (low > -std::numeric_limits<double>::infinity()) {
    VXobjIndexKeyData from;
    from.SetDouble(low == 0 ? -0.0 : low);
    from.Link = kAnyRecord;
    r = tag.SeekKey(from, true);
    if (r == 0) r = tag.MoveTo(RecSame);
  } else {
    r = tag.MoveTo(tag.ReverseNavigation ? RecBottom : RecTop);
  }
  const bool bounded = high < std::numeric_limits<double>::infinity();
  VXobjIndexKeyData to;
  if (bounded) {
    to.SetDouble(high == 0 ? 0.0 : high);
    tag.KeyConvert(to, false);
  }
  const std::int64_t limit = std::max<std::int64_t>(recordCount_ / kRangeRatio, 64);
  for (; r > 0; r = tag.MoveTo(forward)) {
    std::int32_t position = 0;
    if (bounded && tag.KeyCompare(tag.Current, to, position, -1) > 0) break;
    records.push_back(r);
    if (static_cast<std::int64_t>(records.size()) > limit) return false;
  }
  return true;
}

bool VXO_dBHandler::ScanFilterFromIndex(VXobjIndexTag* orderTag) {
  if (!filterExpr_ || currentTag_ || tableState_ != kTableReady) return false;
  std::vector<const TvxExpOperator*> comparisons;
  Conjuncts(filterExpr_->Root(), comparisons);
  auto servingTag = [this](const TvxlDBFFieldVars& field) -> VXobjIndexTag* {
    for (auto& file : indexFiles_)
      for (int i = 0; file && i < file->TagCount(); ++i)
        if (VXobjIndexTag* tag = file->TagByNumber(i); ServesField(*tag, field)) return tag;
    return nullptr;
  };
  // An equality narrows most; otherwise the first range that a tag serves.
  VXobjIndexTag* tag = nullptr;
  ValueRange range;
  try {
    for (const TvxExpOperator* op : comparisons) {
      ValueRange candidate;
      if (!RangeOf(*op, candidate) || (tag && (range.equality || !candidate.equality))) continue;
      if (VXobjIndexTag* serving = servingTag(*candidate.field)) {
        tag = serving;
        range = candidate;
      }
    }
    if (!tag || !tag->File()->IndexLock()) return false;
  } catch (const ETalvernError&) {
    // An index that cannot be read or locked: the scan does without it.
    return false;
  }
  struct Unlock {
    VXobjIndexTag& tag;
    ~Unlock() {
      try {
        tag.ReleaseNodes();
      } catch (...) {
        // Nothing was changed; the path only goes.
      }
      tag.File()->IndexUnlock();
    }
  } unlock{*tag};
  std::vector<std::int32_t> records;
  try {
    if (!RangeRecords(*tag, range.low, range.high, records)) return false;
  } catch (const ETalvernError&) {
    return false;
  }

  // The records in file order, read in batches straight from the file and
  // evaluated one by one in a buffer of their own; the table's current
  // record stays as it is.
  RefreshHeader();
  std::sort(records.begin(), records.end());
  records.erase(std::unique(records.begin(), records.end()), records.end());
  records.erase(std::upper_bound(records.begin(), records.end(), recordCount_), records.end());
  std::vector<std::uint8_t> record(static_cast<std::size_t>(recordLength_) + 1, ' ');
  struct Restore {
    VXO_dBHandler& table;
    std::uint8_t* record;
    std::int32_t recno;
    ~Restore() {
      table.currentRecord_ = record;
      table.currentRecordNo_ = recno;
    }
  } restore{*this, currentRecord_, currentRecordNo_};
  // The order the table walks next is made of the same records while they
  // are at hand, when the set is small enough to be walked that way.
  std::optional<TvxFilterOrderMaker> order =
      StartFilterOrder(orderTag, static_cast<std::int64_t>(records.size()), !enciphered_);
  std::vector<std::int32_t> passing;
  const auto length = static_cast<std::size_t>(recordLength_);
  const std::size_t perBatch = std::max<std::size_t>(1, kBatchBytes / std::max<std::size_t>(length, 1));
  std::vector<std::uint8_t> batch;
  std::vector<std::int64_t> offsets;
  for (std::size_t from = 0; from < records.size(); from += perBatch) {
    const std::size_t count = std::min(perBatch, records.size() - from);
    offsets.resize(count);
    for (std::size_t i = 0; i < count; ++i) offsets[i] = RecordOffset(records[from + i]);
    batch.resize(count * length);
    if (!VXO_DiskFile::ReadPieces(offsets.data(), count, recordLength_, batch.data())) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::int32_t n = records[from + i];
      std::memcpy(record.data(), batch.data() + i * length, length);
      if (enciphered_) Cipher(ReadPassword(), record.data(), record.data(), recordLength_, false);
      currentRecord_ = record.data();
      currentRecordNo_ = n;
      if (!FilterTrue()) continue;
      passing.push_back(n);
      try {
        // A record whose key cannot be computed leaves the walk to the tag,
        // which meets it (and its error) in its place.
        if (order && !order->Add(n, enciphered_ ? nullptr : record.data())) order.reset();
      } catch (const ETalvernError&) {
        order.reset();
      }
    }
  }
  for (std::int32_t n : passing) filterSet_->Mark(n, TvxHugeSet::kSet);
  if (order) {
    VXobjIndexFile& file = *orderTag->File();
    file.ValidateCache();
    filterOrder_ = order->Finish(file.CacheGeneration());
  }
  bof_ = false;
  eof_ = true;
  return true;
}

}  // namespace talvern

// VXO_dBHandler: navigation, read-ahead, the filter and the write path.
// Index files, tags and seeks are in TableHandlerIndex.cpp, Locate and
// KeyFromValues in TableHandlerLocate.cpp.
#include "handler/TableHandler.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "engine/Errors.h"
#include "engine/FlagScope.h"
#include "expr/Handler.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"

namespace talvern {

VXO_dBHandler::VXO_dBHandler(const std::string& fileName, bool shared, bool readWrite,
                             const std::string& password)
    : VXO_dBaseFld(fileName, shared, readWrite, password) {}

VXO_dBHandler::~VXO_dBHandler() {
  // The filter and the index files go first (index files write their
  // pending pages through the table), then the read-ahead block; the table
  // file closes in the base.
  filterSet_.reset();
  filterExpr_.reset();
  try {
    CloseIndexFiles();
  } catch (...) {
    // Closing must not throw out of a destructor; the files close anyway.
  }
  for (auto& file : indexFiles_) file.reset();
  SetReadAhead(false);
}

// Read-ahead.

void VXO_dBHandler::SetReadAhead(bool on) { SizeReadAhead(on ? kReadAheadBytes : 0); }

void VXO_dBHandler::SizeReadAhead(std::int32_t bytes) {
  readAhead_ = bytes > 0;
  readAheadFirst_ = -1;
  readAheadEnd_ = 0;
  if (!readAhead_) {
    std::vector<std::uint8_t>().swap(readAheadBuffer_);
    readAheadSize_ = readAheadRecords_ = 0;
    return;
  }
  readAheadRecords_ = std::max<std::int32_t>(1, bytes / std::max<std::int32_t>(recordLength_, 1));
  readAheadSize_ = readAheadRecords_ * recordLength_;
  readAheadBuffer_.resize(static_cast<std::size_t>(readAheadSize_));
  readAheadBuffer_.shrink_to_fit();
}

void VXO_dBHandler::CopyIntoReadAhead(std::int64_t offset, const void* bytes, std::int32_t length) {
  if (readAheadFirst_ < 0 || length <= 0) return;
  const std::int64_t from = std::max(offset, readAheadFirst_);
  const std::int64_t to = std::min(offset + length, readAheadEnd_);
  if (from >= to) return;
  std::memcpy(readAheadBuffer_.data() + (from - readAheadFirst_),
              static_cast<const std::uint8_t*>(bytes) + (from - offset), static_cast<std::size_t>(to - from));
}

bool VXO_dBHandler::FillReadAhead(std::int64_t offset, std::int32_t length) {
  if (readAheadFirst_ >= 0 && offset >= readAheadFirst_ && offset + length <= readAheadEnd_) return true;
  readAheadFirst_ = -1;  // a failed refill leaves the block empty
  std::int32_t n = VXO_dBaseFld::ReadAt(offset, readAheadBuffer_.data(), readAheadSize_);
  readAheadFirst_ = offset;
  // Bytes behind the last record counted may be a record another program
  // is still appending: they are read again once the count includes them.
  readAheadEnd_ = std::min(offset + std::max<std::int32_t>(n, 0), RecordOffset(recordCount_ + 1));
  return offset + length <= readAheadEnd_;
}

// Whole records behind the header come from the block, which is refilled
// from the asked offset when it does not hold the record. Anything else (the
// header, other lengths, records asked for by number) is read from the file;
// what is read that way also refreshes the block.
std::int32_t VXO_dBHandler::ReadAt(std::int64_t offset, void* buffer, std::int32_t length) {
  if (prefetchNext_ < prefetchedAt_.size() && offset == prefetchedAt_[prefetchNext_] && length == recordLength_) {
    std::memcpy(buffer, prefetched_.data() + prefetchNext_++ * static_cast<std::size_t>(length),
                static_cast<std::size_t>(length));
    lastCount_ = length;
    position_ = offset + length;
    return length;
  }
  if (servingKept_ && !directRead_ && KeptRecord(offset, buffer, length)) return length;
  if (!readAhead_ || directRead_ || offset < headerLength_ || length != recordLength_ || readAheadSize_ <= 0) {
    std::int32_t n = VXO_dBaseFld::ReadAt(offset, buffer, length);
    if (offset >= headerLength_) CopyIntoReadAhead(offset, buffer, n);
    return n;
  }
  FillReadAhead(offset, length);
  const std::int64_t available = std::min<std::int64_t>(length, readAheadEnd_ - offset);
  const std::int32_t count = static_cast<std::int32_t>(std::max<std::int64_t>(available, 0));
  std::memcpy(buffer, readAheadBuffer_.data() + (offset - readAheadFirst_), static_cast<std::size_t>(count));
  lastCount_ = count;
  position_ = offset + length;
  return count;
}

void VXO_dBHandler::Prefetch(const std::int32_t* recnos, std::size_t count) {
  DropPrefetched();
  prefetchedAt_.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    if (recnos[i] < 1) return DropPrefetched();
    prefetchedAt_[i] = RecordOffset(recnos[i]);
  }
  prefetched_.resize(count * static_cast<std::size_t>(recordLength_));
  if (!ReadPieces(prefetchedAt_.data(), count, recordLength_, prefetched_.data())) DropPrefetched();
}

void VXO_dBHandler::DropPrefetched() {
  std::vector<std::uint8_t>().swap(prefetched_);
  prefetchedAt_.clear();
  prefetchNext_ = 0;
}

bool VXO_dBHandler::KeptRecord(std::int64_t offset, void* buffer, std::int32_t length) {
  if (!filterOrder_ || filterOrder_->kept.empty() || length != recordLength_ || offset < headerLength_ ||
      (offset - headerLength_) % recordLength_ != 0)
    return false;
  const std::int64_t at =
      filterOrder_->PlaceOf(static_cast<std::int32_t>((offset - headerLength_) / recordLength_) + 1);
  if (at < 0) return false;
  const std::size_t size = static_cast<std::size_t>(recordLength_);
  std::memcpy(buffer, filterOrder_->kept.data() + static_cast<std::size_t>(at) * size, size);
  lastCount_ = length;
  position_ = offset + length;
  return true;
}

void VXO_dBHandler::ServeKeptRecords(bool on) {
  servingKept_ = on;
  if (!on && filterOrder_) std::vector<std::uint8_t>().swap(filterOrder_->kept);
}

void VXO_dBHandler::WriteAt(std::int64_t offset, const void* buffer, std::int32_t length) {
  VXO_dBaseFld::WriteAt(offset, buffer, length);
  CopyIntoReadAhead(offset, buffer, length);
}

// Navigation.

void VXO_dBHandler::ReadPhysical(std::int32_t position, bool direct) {
  FlagScope scope(directRead_, direct);
  VXO_dBaseFld::ReadRecord(position);
}

void VXO_dBHandler::ReadRecord(std::int32_t position) {
  outOfOrder_ = false;
  if (tableState_ != kTableReady) {
    // While an index is built or the table re-enciphered, records are read
    // as they lie.
    ReadPhysical(position, position > 0);
    ClearChanged();
    return;
  }
  bof_ = eof_ = false;
  const std::int32_t next = position == RecSame || position == RecTop ? RecNext
                            : position == RecBottom                  ? RecPrior
                                                                     : position;
  VXobjIndexTag* tag = currentTag_;
  // Moves in index order read without read-ahead.
  FlagScope readAhead(readAhead_, readAhead_ && !(tag && position < 0));
  std::int32_t code = position;
  for (;;) {
    std::int32_t target = code;
    if (tag && code < 0) target = TagRecord(*tag, code, next);
    else if (filterActive_ && code < 0 && code != RecSame) target = FilterSetRecord(code);
    if (!bof_ && !eof_) {
      ReadPhysical(target, position > 0);
      // Record 0, or the record behind the last one: a blank record.
      if (target >= 0 && (target == 0 || target > recordCount_)) {
        BlankRecord();
        break;
      }
    }
    if (position >= 0 || bof_ || eof_) break;
    if (scanAll_ || ((!IsDeleted() || useDeleted_) && RecordAccepted())) break;
    code = next;
  }
  // A record read by number may lie outside the tag's order (its key
  // outside the range, or not in the tag at all).
  if (tag && position > 0 && !bof_ && !eof_ && currentRecordNo_ >= 1)
    outOfOrder_ = tag->CurrentRecNo(currentRecordNo_) != currentRecordNo_;
}

void VXO_dBHandler::ReadStored(std::int32_t recno) {
  outOfOrder_ = false;
  bof_ = eof_ = false;
  ReadPhysical(recno, true);
}

std::int32_t VXO_dBHandler::TagRecord(VXobjIndexTag& tag, std::int32_t code, std::int32_t next) {
  std::int32_t rec;
  if (currentRecordNo_ < 1 && code == RecPrior) {
    // Nothing read yet: the table stands before its first record.
    bof_ = true;
    return 0;
  }
  if (filterActive_ && OrderedFilterRecord(tag, code, next, rec)) return rec;
  if (code == RecTop || code == RecBottom || currentRecordNo_ < 1) {
    rec = tag.MoveTo(code == RecBottom ? RecBottom : RecTop);
  } else {
    // The tag moves on from the table's current record, wherever the table
    // went since.
    rec = tag.CurrentRecNo(currentRecordNo_);
    if (code != RecSame) rec = tag.MoveTo(code);
  }
  for (;;) {
    bof_ = tag.Bof;
    eof_ = tag.Eof;
    if (rec < 1 && !bof_ && !eof_) (next == RecPrior ? bof_ : eof_) = true;
    if (bof_ || eof_) return 0;
    if (!filterActive_ || filterSet_->Test(rec)) return rec;
    rec = tag.MoveTo(next);
  }
}

std::int32_t VXO_dBHandler::FilterSetRecord(std::int32_t code) {
  const TvxHugeSet& set = *filterSet_;
  if (set.Count() == 0) {
    bof_ = eof_ = true;
    return 0;
  }
  std::int32_t rec = -1;
  switch (code) {
    case RecBottom: rec = set.PriorSet(recordCount_); break;
    case RecTop: rec = set.NextSet(1); break;
    case RecPrior: rec = currentRecordNo_ > 1 ? set.PriorSet(std::min(currentRecordNo_ - 1, recordCount_)) : -1; break;
    case RecNext: rec = set.NextSet(currentRecordNo_ + 1); break;
    default: return code;
  }
  const bool forward = code == RecTop || code == RecNext;
  // A marked record beyond the table (the file was cut by another program)
  // counts as running out.
  if (rec > recordCount_) {
    RefreshHeader();
    if (rec > recordCount_) rec = -1;
  }
  if (rec < 1) {
    (forward ? eof_ : bof_) = true;
    return 0;
  }
  return rec;
}

bool VXO_dBHandler::RecordAccepted() {
  return !filterActive_ || filterSet_->Test(currentRecordNo_);
}

void VXO_dBHandler::Skip(std::int32_t n) {
  if (n == 0) {
    ReadRecord(RecSame);
    return;
  }
  const std::int32_t steps = n > 0 ? n : -n;
  if (filterOn_ || !useDeleted_) {
    for (std::int32_t i = 0; i < steps; ++i) {
      ReadRecord(n > 0 ? RecNext : RecPrior);
      if (eof_ || bof_) break;
    }
    return;
  }
  // Every record is visible: the target is found without reading the
  // records between.
  bool ranOff = false;
  std::int32_t target;
  if (currentTag_) {
    VXobjIndexTag& tag = *currentTag_;
    FlagScope noReadAhead(readAhead_, false);
    if (currentRecordNo_ >= 1) tag.CurrentRecNo(currentRecordNo_);
    target = tag.Current.Link;
    for (std::int32_t i = 0; i < steps; ++i) {
      std::int32_t rec = tag.MoveTo(n > 0 ? RecNext : RecPrior);
      if (rec < 1) {
        target = tag.MoveTo(n > 0 ? RecBottom : RecTop);
        ranOff = true;
        break;
      }
      target = rec;
    }
  } else {
    std::int64_t wanted = static_cast<std::int64_t>(currentRecordNo_) + n;
    if (wanted > recordCount_) RefreshHeader();
    if (recordCount_ == 0) {
      bof_ = eof_ = true;
      return;
    }
    ranOff = wanted < 1 || wanted > recordCount_;
    target = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 1, recordCount_));
  }
  outOfOrder_ = false;
  if (target < 1 || recordCount_ == 0) {
    bof_ = eof_ = true;
    return;
  }
  ReadPhysical(target, false);
  if (ranOff) (n > 0 ? eof_ : bof_) = true;
}

// Writes.

// An index file whose keys this program cannot keep up to date (a key form
// of another program) refuses the write before anything is written.
void VXO_dBHandler::CheckIndexesMaintainable() {
  for (auto& file : indexFiles_)
    if (file) file->CheckMaintainable();
}

// An append whose index keys cannot all be written (a full disk) is undone:
// its keys come out of the tags that took them and the record out of the
// table, which then agrees with its tags as before.
void VXO_dBHandler::AppendRecord() {
  LockIndexes();
  const std::int32_t before = currentRecordNo_;
  appendedRecord_ = 0;
  try {
    CheckIndexesMaintainable();
    VXO_dBaseFld::AppendRecord();
  } catch (...) {
    if (appendedRecord_ > 0) {
      const std::int32_t recno = appendedRecord_;
      for (auto& file : indexFiles_)
        if (file) file->RemoveRecordKeys(recno);
      if (filterSet_) filterSet_->Mark(recno, TvxHugeSet::kClear);
      ForgetFilterOrder();
      readAheadFirst_ = -1;
      TakeBackAppend(recno);
      currentRecordNo_ = std::min(before, recordCount_);
    }
    appendedRecord_ = 0;
    UnlockIndexes();
    throw;
  }
  appendedRecord_ = 0;
  UnlockIndexes();
}

void VXO_dBHandler::WriteRecord(std::int32_t recno) {
  outOfOrder_ = false;
  LockIndexes();
  try {
    CheckIndexesMaintainable();
    VXO_dBaseFld::WriteRecord(recno);
  } catch (...) {
    UnlockIndexes();
    throw;
  }
  UnlockIndexes();
}

bool VXO_dBHandler::TableEvent(std::int32_t code, std::int32_t value) {
  if (code == teAfterWrite) {
    ForgetFilterOrder();
    DropPrefetched();
    // The written record joins or leaves the filter. Should its evaluation
    // fail, the index files are still brought up to date before the error
    // goes on: the record is on disk already.
    std::exception_ptr filterError;
    if (filterExpr_ && filterSet_) {
      try {
        filterSet_->Mark(currentRecordNo_, FilterTrue() ? TvxHugeSet::kSet : TvxHugeSet::kClear);
      } catch (...) {
        filterSet_->Mark(currentRecordNo_, TvxHugeSet::kClear);
        filterError = std::current_exception();
      }
    }
    if (value == 0) appendedRecord_ = currentRecordNo_;
    for (auto& file : indexFiles_)
      if (file) file->KeysUpdate(currentRecordNo_, value == 0);
    appendedRecord_ = 0;
    if (currentTag_) {
      outOfOrder_ = currentTag_->CurrentRecNo(currentRecordNo_) != currentRecordNo_;
      bof_ = currentTag_->Bof;
      eof_ = currentTag_->Eof;
      if (!filterActive_) {
        eof_ = value == 0 || value == recordCount_;
        bof_ = value == 1;
      }
    }
    if (filterError) {
      VXO_dBaseFld::TableEvent(code, value);
      std::rethrow_exception(filterError);
    }
  } else if (code == teAfterFlush) {
    if (currentTag_) currentTag_->ReleaseNodes();
    for (auto& file : indexFiles_)
      if (file) file->Flush();
    if (currentTag_) {
      currentTag_->Resync(1);
      outOfOrder_ = currentRecordNo_ >= 1 && currentTag_->CurrentRecNo(currentRecordNo_) != currentRecordNo_;
    }
  }
  return VXO_dBaseFld::TableEvent(code, value);
}

// The filter.

bool VXO_dBHandler::FilterTrue() {
  filterExpr_->Evaluate(filterValue_);
  return filterExpr_->ResultKind() == ValueKind::Boolean && filterValue_.AsBoolean();
}

// Every record of the order is evaluated, deleted ones and those the
// dataset refuses included: navigation hides them anyway, and they show
// again without a rebuild when use-deleted is switched on or the dataset
// accepts them.
void VXO_dBHandler::ScanFilter(VXobjIndexTag* orderTag) {
  FlagScope everyRecord(scanAll_, true);
  filterFromIndex_ = ScanFilterFromIndex(orderTag);
  if (filterFromIndex_) return;
  if (currentTag_ || enciphered_ || !readAhead_ || readAheadSize_ <= 0 || tableState_ != kTableReady) {
    for (ReadRecord(RecTop); !eof_ && !bof_; ReadRecord(RecNext))
      if (FilterTrue()) filterSet_->Mark(currentRecordNo_, TvxHugeSet::kSet);
    return;
  }
  // In physical order the filter is evaluated on each record where it lies
  // in the read-ahead block, without copying it out: the same records as
  // the walk above (up to the count refreshed at the end), one evaluation
  // each. The block is larger for the scan, which reads the whole table at
  // once, and of its usual size again afterwards.
  struct Restore {
    VXO_dBHandler& table;
    std::uint8_t* own;
    ~Restore() {
      table.currentRecord_ = own;
      table.SetReadAhead(true);
    }
  } restore{*this, currentRecord_};
  SizeReadAhead(kScanBytes);
  // The order the table walks next is made of the passing records while
  // they lie in the block, for as long as they are few enough to be walked
  // that way. Its keys are those of the index as it stood when the scan
  // began: a change by another program meanwhile makes it again.
  // The records are not kept: the set a scan finds is most often a
  // search's, whose list reads only the first screen of it.
  std::optional<TvxFilterOrderMaker> order = StartFilterOrder(orderTag, 0, false);
  std::uint32_t generation = 0;
  if (order) {
    orderTag->File()->ValidateCache();
    generation = orderTag->File()->CacheGeneration();
  }
  std::int64_t passing = 0;
  bof_ = eof_ = false;
  for (std::int32_t r = 1;; ++r) {
    if (r > recordCount_) {
      RefreshHeader();
      if (r > recordCount_) break;
    }
    const std::int64_t offset = RecordOffset(r);
    if (!FillReadAhead(offset, recordLength_)) Raise("Error on Read of file %s", {fileName_});
    currentRecord_ = readAheadBuffer_.data() + (offset - readAheadFirst_);
    currentRecordNo_ = r;
    if (!FilterTrue()) continue;
    filterSet_->Mark(r, TvxHugeSet::kSet);
    if (!order) continue;
    try {
      // A record whose key cannot be computed leaves the walk to the tag,
      // which meets it (and its error) in its place.
      if (!OrderableBy(*orderTag, ++passing) || !order->Add(r)) order.reset();
    } catch (const ETalvernError&) {
      order.reset();
    }
  }
  if (order) filterOrder_ = order->Finish(generation);
  eof_ = true;
}

void VXO_dBHandler::SetFilterOn(bool on) {
  filterOn_ = on;
  filterActive_ = on && filterExpr_ && filterExpr_->OperandCount() >= 1;
}

void VXO_dBHandler::SetFilter(const std::string& text, bool caseInsensitive, bool partialCompare) {
  const bool on = filterOn_;
  filterActive_ = false;
  ForgetFilterOrder();
  if (!filterSet_) filterSet_ = std::make_unique<TvxHugeSet>();
  if (text.empty()) {
    // Forgetting the text too: the same filter set again later must be
    // compiled again, its expression is gone.
    filterExpr_.reset();
    filterText_.clear();
    SetFilterOn(on);
    return;
  }
  if (filterExpr_ && text == filterText_ && caseInsensitive == filterCaseInsensitive_ &&
      partialCompare == filterPartialCompare_) {
    SetFilterOn(on);
    return;
  }
  filterSet_->Clear();
  filterText_.clear();
  if (!filterExpr_) filterExpr_ = std::make_unique<TvxExpHandler>(ExpressionLink());
  filterExpr_->SetCaseInsensitive(caseInsensitive);
  filterExpr_->SetPartialCompare(partialCompare);
  try {
    filterExpr_->SetExpression(text);
    filterExpr_->Evaluate(filterValue_);
    if (filterExpr_->ResultKind() != ValueKind::Boolean) Raise("Filter expression must return boolean result");
  } catch (...) {
    // A filter that failed leaves none behind, so that setting it again
    // fails again instead of filtering by a half-made expression.
    filterExpr_.reset();
    filterOn_ = on;
    throw;
  }
  filterText_ = text;
  filterCaseInsensitive_ = caseInsensitive;
  filterPartialCompare_ = partialCompare;

  const std::int32_t current = currentRecordNo_;
  const bool readAhead = readAhead_;
  VXobjIndexTag* tag = currentTag_;
  const bool detach = tag && !tag->RangeActive();
  if (detach) currentTag_ = nullptr;
  if (!tag || detach) SetReadAhead(true);
  try {
    ScanFilter(detach ? tag : nullptr);
  } catch (...) {
    currentTag_ = tag;
    SetReadAhead(readAhead);
    filterText_.clear();
    throw;
  }
  currentTag_ = tag;
  SetReadAhead(readAhead);
  ReadRecord(current);
  SetFilterOn(on);
}

void VXO_dBHandler::RebuildFilter() {
  if (!filterActive_) return;
  filterActive_ = false;
  ForgetFilterOrder();
  filterSet_->Clear();
  const std::int32_t current = currentRecordNo_;
  const bool readAhead = readAhead_;
  if (!currentTag_) SetReadAhead(true);
  try {
    ScanFilter();
  } catch (...) {
    SetReadAhead(readAhead);
    filterActive_ = true;
    throw;
  }
  SetReadAhead(readAhead);
  ReadRecord(current);
  filterActive_ = true;
}

}  // namespace talvern

// TDataSet: the ring of record buffers, navigation, bookmarks and the
// calculated fields of a record just read.
//
// The ring holds recordCount_ records in buffers 0 .. recordCount_ - 1, in
// cursor order, with the current record at activeRecord_; buffer
// recordCount_ is where the next record is read to before it joins the ring.
// currentRecord_ tells which buffer's record the cursor stands on (-1:
// unknown; the cursor is put back with SetCurrentRecord before it is used).
// Every read either succeeds and joins the ring, or leaves the ring as it was.

#include <algorithm>
#include <cstring>

#include "dataset/DataLink.h"
#include "dataset/DataSet.h"
#include "dataset/DataSource.h"
#include "dataset/DatabaseError.h"
#include "dataset/FieldSlot.h"
#include "dataset/ScopeExit.h"

namespace talvern {

TRecordBuffer TDataSet::ActiveBuffer() const {
  if (buffers_.empty()) return nullptr;
  return buffers_[static_cast<std::size_t>(activeRecord_)].get();
}

TRecordBuffer TDataSet::GetActiveRecBuf() {
  switch (state_) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
      return ActiveBuffer();
    case dsCalcFields:
      return calcBuffer_;
    default:
      return nullptr;
  }
}

// ---- The ring

void TDataSet::MoveBuffer(int from, int to) {
  auto at = [this](int i) { return buffers_.begin() + i; };
  if (from < to) {
    std::rotate(at(from), at(from + 1), at(to + 1));
  } else if (from > to) {
    std::rotate(at(to), at(from), at(from + 1));
  }
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = eof_ = false;
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = eof_ = true;
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  TRecordBuffer buffer = buffers_[static_cast<std::size_t>(index)].get();
  currentRecord_ = -1;
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord(int* shift) {
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // A record inserted last in the ring stands before the record the
    // cursor is now on: that one is "next".
    if (state_ == dsInsert && currentRecord_ == activeRecord_ && GetBookmarkFlag(ActiveBuffer()) == bfInserted)
      mode = gmCurrent;
  }
  TGetResult result;
  try {
    result = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)].get(), mode, true);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  if (result != grOK) {
    CursorPosChanged();
    return false;
  }
  int moved = 0;
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else if (recordCount_ < bufferCount_) {
    ++recordCount_;
  } else {
    MoveBuffer(0, recordCount_);  // the first record leaves the ring
    moved = -1;
    activeRecord_ = std::max(0, activeRecord_ - 1);
  }
  currentRecord_ = recordCount_ - 1;
  if (shift != nullptr) *shift = moved;
  return true;
}

bool TDataSet::GetPriorRecord(int* shift) {
  if (recordCount_ > 0) SetCurrentRecord(0);
  TGetResult result;
  try {
    result = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)].get(), gmPrior, true);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  if (result != grOK) {
    CursorPosChanged();
    return false;
  }
  int moved = 0;
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);  // when full, the last record leaves the ring
    if (recordCount_ < bufferCount_) ++recordCount_;
    activeRecord_ = std::min(activeRecord_ + 1, recordCount_ - 1);
    moved = 1;
  }
  currentRecord_ = 0;
  if (shift != nullptr) *shift = moved;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++count;
  return count;
}

void TDataSet::UpdateBufferCount() {
  if (!cursorOpen_) return;
  int count = 1;
  for (TDataSource* source : dataSources_) {
    for (TDataLink* link : source->links_) count = std::max(count, link->bufferCount_);
  }
  SetBufferCount(count);
}

void TDataSet::SetBufferCount(int value) {
  if (value == bufferCount_) return;
  auto forEachActiveLink = [this](auto f) {
    for (TDataSource* source : dataSources_) {
      for (TDataLink* link : source->links_) {
        if (link->active_) f(*link);
      }
    }
  };
  if (value < bufferCount_ && recordCount_ > 0) {
    // Keep the records the links show, as far as the current one allows.
    int start = activeRecord_;
    forEachActiveLink([&](TDataLink& link) { start = std::min(start, link.firstRecord_); });
    if (activeRecord_ - start >= value) start = activeRecord_ - value + 1;
    start = std::max(0, start);
    std::rotate(buffers_.begin(), buffers_.begin() + start, buffers_.begin() + recordCount_);
    recordCount_ = std::min(recordCount_ - start, value);
    activeRecord_ -= start;
    if (currentRecord_ >= start && currentRecord_ - start < recordCount_) {
      currentRecord_ -= start;
    } else {
      currentRecord_ = -1;
    }
    forEachActiveLink([&](TDataLink& link) { link.firstRecord_ = std::max(0, link.firstRecord_ - start); });
  }
  buffers_.resize(static_cast<std::size_t>(value) + 1);
  for (Buffer& buffer : buffers_) {
    if (!buffer) buffer = NewBuffer();
  }
  bufferCount_ = value;
  GetNextRecords();
  if (recordCount_ < bufferCount_) {
    int added = GetPriorRecords();
    forEachActiveLink([&](TDataLink& link) { link.firstRecord_ += added; });
  }
}

void TDataSet::Resync(unsigned mode) {
  if (buffers_.empty()) return;  // opening: the base reads the first records itself
  TRecordBuffer spare = buffers_[static_cast<std::size_t>(recordCount_)].get();
  try {
    if (mode & rmExact) {
      CursorPosChanged();
      if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(kSRecordNotFound);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
      ClearBuffers();
      DataEvent(deDataSetChange);
      return;
    }
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  int before = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEventQuietly(deDataSetChange);
    throw;
  }
  DataEvent(deDataSetChange);
}

void TDataSet::ResyncQuietly() noexcept {
  try {
    Resync(0);
  } catch (...) {
    ClearBuffers();
    DataEventQuietly(deDataSetChange);
  }
}

void TDataSet::DataEventQuietly(TDataEvent event, int info) noexcept {
  try {
    DataEvent(event, nullptr, info);
  } catch (...) {
    // Another error is already on its way out.
  }
}

// ---- Navigation

void TDataSet::First() {
  CheckBrowseMode();
  if (buffers_.empty()) {  // opening: only the cursor moves
    InternalFirst();
    return;
  }
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEventQuietly(deDataSetChange);
    throw;
  }
  bof_ = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  if (buffers_.empty()) {
    InternalLast();
    return;
  }
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEventQuietly(deDataSetChange);
    throw;
  }
  eof_ = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if (buffers_.empty()) return 0;
  DoBeforeScroll();
  if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
  bof_ = eof_ = false;
  int moved = 0;
  int scroll = 0;
  try {
    while (distance > 0) {
      if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
      } else {
        int shift = 0;
        if (!GetNextRecord(&shift)) {
          eof_ = true;
          break;
        }
        scroll += shift;
        activeRecord_ = recordCount_ - 1;
      }
      --distance;
      ++moved;
    }
    while (distance < 0) {
      if (activeRecord_ > 0) {
        --activeRecord_;
      } else {
        int shift = 0;
        if (!GetPriorRecord(&shift)) {
          bof_ = true;
          break;
        }
        scroll += shift;
        activeRecord_ = 0;
      }
      ++distance;
      --moved;
    }
  } catch (...) {
    DataEventQuietly(deDataSetScroll, scroll);
    throw;
  }
  DataEvent(deDataSetScroll, nullptr, scroll);
  DoAfterScroll();
  return moved;
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync(0);
}

// ---- Bookmarks

TBookmark TDataSet::GetBookmark() {
  if ((state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
      GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
    return GetBookmarkData(ActiveBuffer());
  return {};
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckBrowseMode();
  if (bookmark.empty()) return;
  DoBeforeScroll();
  try {
    InternalGotoBookmark(bookmark);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  Resync(rmExact | rmCenter);
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark&) { return false; }

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- Calculated fields

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (calcFieldsSize_ == 0) return;
  TDataSetState savedState = SetTempState(dsCalcFields);
  TRecordBuffer savedBuffer = calcBuffer_;
  ScopeExit restore([&] {
    state_ = savedState;
    calcBuffer_ = savedBuffer;
  });
  calcBuffer_ = buffer;
  ClearCalcFields(buffer);
  CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer) {
  for (const auto& field : fields_) {
    if (field->fieldKind_ == fkLookup) CalcLookupValue(*field);
  }
  Notify(OnCalcFields);
}

void TDataSet::CalcLookupValue(TField& field) {
  TDataSet* lookup = field.lookupDataSet_;
  FieldValue value;
  // A dataset busy reading a record for Lookup gives its own lookup fields
  // no values: two datasets looking up in each other would never end.
  if (lookup != nullptr && lookup->Active() && !lookup->lookupBusy_) {
    std::vector<FieldValue> keys;
    bool complete = true;
    for (TField* key : GetFieldList(field.keyFields_)) {
      keys.push_back(key->Value());
      if (IsNullValue(keys.back())) complete = false;
    }
    if (complete) value = lookup->Lookup(field.lookupKeyFields_, keys, field.lookupResultField_);
  }
  field.SetValue(value);
}

FieldValue TDataSet::CalculatedValue(TRecordBuffer buffer, std::string_view fieldName) {
  TField& field = FieldByName(fieldName);
  bool savedBusy = lookupBusy_;
  TDataSetState savedState = SetTempState(dsCalcFields);
  TRecordBuffer savedBuffer = calcBuffer_;
  ScopeExit restore([&] {
    lookupBusy_ = savedBusy;
    state_ = savedState;
    calcBuffer_ = savedBuffer;
  });
  lookupBusy_ = true;
  calcBuffer_ = buffer;
  if (calcFieldsSize_ > 0) {
    ClearCalcFields(buffer);
    CalculateFields(buffer);
  }
  return field.Value();
}

void TDataSet::ReadFromBuffer(TRecordBuffer buffer, const std::function<void()>& read, bool calculate) {
  TDataSetState savedState = SetTempState(dsCalcFields);
  TRecordBuffer savedBuffer = calcBuffer_;
  ScopeExit restore([&] {
    state_ = savedState;
    calcBuffer_ = savedBuffer;
  });
  calcBuffer_ = buffer;
  if (calcFieldsSize_ > 0) {
    ClearCalcFields(buffer);
    if (calculate) CalculateFields(buffer);
  }
  read();
}

bool TDataSet::FilterRecord() {
  if (!OnFilterRecord) return true;
  TDataSetState savedState = SetTempState(dsFilter);
  ScopeExit restore([&] { state_ = savedState; });
  bool accept = true;
  OnFilterRecord(*this, accept);
  return accept;
}

// ---- Slots of calculated fields

bool TDataSet::GetCalcFieldValue(const std::uint8_t* calcArea, const TField& field, FieldValue& value) {
  return ReadFieldSlot(calcArea + field.offset_, field.DataType(), field.Size(), value);
}

void TDataSet::SetCalcFieldValue(std::uint8_t* calcArea, const TField& field, const FieldValue& value) {
  WriteFieldSlot(calcArea + field.offset_, field.DataType(), field.Size(), value);
}

}  // namespace talvern

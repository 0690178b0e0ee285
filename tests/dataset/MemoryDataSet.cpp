#include "dataset/MemoryDataSet.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "dataset/DatabaseError.h"
#include "dataset/FieldSlot.h"
#include "dataset/MasterDataLink.h"

namespace talvern::test {

namespace {

// Record information: record number, bookmark flag, bookmark text.
constexpr std::size_t kRecNoOffset = 0;
constexpr std::size_t kFlagOffset = 4;
constexpr std::size_t kBookmarkOffset = 5;
constexpr std::size_t kBookmarkSize = 11;
constexpr std::size_t kInfoSize = kBookmarkOffset + kBookmarkSize;

bool ParseRecNo(const TBookmark& bookmark, std::int32_t& recNo) {
  std::string_view text(bookmark.c_str());
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), recNo);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

// A memo's contents while a stream is open on it; written back when the
// stream goes, if it was written to.
class TMemoryDataSet::BlobStream : public TStream {
public:
  BlobStream(TMemoryDataSet& dataSet, const TField& field, std::string contents, bool modified)
      : dataSet_(dataSet), field_(field), data_(std::move(contents)), modified_(modified) {}
  ~BlobStream() override {
    if (modified_) dataSet_.StoreBlob(field_, std::move(data_));
  }
  std::int64_t Read(void* buffer, std::int64_t count) override {
    std::int64_t n = std::max<std::int64_t>(0, std::min<std::int64_t>(count, Length() - position_));
    std::memcpy(buffer, data_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    data_.resize(static_cast<std::size_t>(position_));
    data_.append(static_cast<const char*>(buffer), static_cast<std::size_t>(count));
    position_ += count;
    modified_ = true;
    return count;
  }
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override {
    std::int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position_ : Length();
    position_ = std::clamp<std::int64_t>(base + offset, 0, Length());
    return position_;
  }

private:
  std::int64_t Length() const { return static_cast<std::int64_t>(data_.size()); }
  TMemoryDataSet& dataSet_;
  const TField& field_;
  std::string data_;
  std::int64_t position_ = 0;
  bool modified_;
};

// ---- Opening and the record layout

void TMemoryDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const Column& column : columns_) FieldDefs().Add(column.name, column.type, column.size);
}

void TMemoryDataSet::InternalOpen() {
  if (failOpen) DatabaseError("Cannot open the rows");
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  offsets_.clear();
  std::size_t offset = 0;
  for (const Column& column : columns_) {
    offsets_.push_back(offset);
    offset += static_cast<std::size_t>(FieldSlotSize(column.type, column.size));
  }
  calcOffset_ = offset;
  infoOffset_ = calcOffset_ + static_cast<std::size_t>(CalcFieldsSize());
  bufferSize_ = infoOffset_ + kInfoSize;
  filterBuffer_.assign(bufferSize_, 0);
  pendingBlobs_.assign(columns_.size(), std::nullopt);
  cursor_ = -1;
  ReadMasterKey();
}

void TMemoryDataSet::InternalClose() {
  offsets_.clear();
  filterBuffer_.clear();
  masterKey_.reset();
  cursor_ = -1;
}

int TMemoryDataSet::ColumnOf(std::string_view name) const {
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (SameFieldName(columns_[i].name, name)) return static_cast<int>(i);
  }
  DatabaseError(kSFieldNotFound, {name});
}

// ---- Reading records

bool TMemoryDataSet::Accepts(int row) {
  const Row& r = rows[static_cast<std::size_t>(row)];
  if (r.deleted) return false;
  if (masterKey_) {
    std::size_t i = 0;
    for (TField* field : GetFieldList(detailFields)) {
      if (i >= masterKey_->size()) break;
      if (FieldValueToText(r.values[static_cast<std::size_t>(ColumnOf(field->FieldName()))]) !=
          FieldValueToText((*masterKey_)[i++]))
        return false;
    }
  }
  if (Filtered() && OnFilterRecord) {
    FillRecord(filterBuffer_.data(), row);
    return FilterRecord();
  }
  return true;
}

void TMemoryDataSet::FillRecord(TRecordBuffer buffer, int row) {
  const Row& r = rows[static_cast<std::size_t>(row)];
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    const FieldValue& value = c < r.values.size() ? r.values[c] : FieldValue{};
    if (columns_[c].type == ftMemo || columns_[c].type == ftBlob) {
      auto text = std::get_if<std::string>(&value);
      buffer[offsets_[c]] = text != nullptr && !text->empty();
    } else {
      WriteFieldSlot(buffer + offsets_[c], columns_[c].type, columns_[c].size, value);
    }
  }
  std::int32_t recNo = row + 1;
  std::memcpy(buffer + infoOffset_ + kRecNoOffset, &recNo, sizeof recNo);
  buffer[infoOffset_ + kFlagOffset] = bfCurrent;
  std::string text = std::to_string(recNo);
  std::memset(buffer + infoOffset_ + kBookmarkOffset, 0, kBookmarkSize);
  std::memcpy(buffer + infoOffset_ + kBookmarkOffset, text.data(), std::min(text.size(), kBookmarkSize - 1));
}

TGetResult TMemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool) {
  const int count = static_cast<int>(rows.size());
  int row = std::clamp(cursor_, -1, count);
  switch (mode) {
    case gmCurrent:
      if (row < 0) return grBOF;
      if (row >= count || !Accepts(row)) return grEOF;
      break;
    case gmNext:
      do ++row;
      while (row < count && !Accepts(row));
      if (row >= count) {
        cursor_ = count;
        return grEOF;
      }
      break;
    case gmPrior:
      do --row;
      while (row >= 0 && !Accepts(row));
      if (row < 0) {
        cursor_ = -1;
        return grBOF;
      }
      break;
  }
  cursor_ = row;
  FillRecord(buffer, row);
  GetCalcFields(buffer);
  return grOK;
}

TRecordBuffer TMemoryDataSet::GetActiveRecBuf() {
  if (State() == dsFilter) return filterBuffer_.data();
  return TDataSet::GetActiveRecBuf();
}

bool TMemoryDataSet::GetFieldData(const TField& field, FieldValue& value) {
  TRecordBuffer buffer = GetActiveRecBuf();
  if (field.FieldKind() != fkData) {
    if (State() == dsFilter) return false;  // not computed for the filter
    return GetCalcFieldValue(buffer + calcOffset_, field, value);
  }
  const Column& column = columns_[static_cast<std::size_t>(field.FieldNo() - 1)];
  std::size_t offset = offsets_[static_cast<std::size_t>(field.FieldNo() - 1)];
  if (column.type == ftMemo || column.type == ftBlob) return buffer[offset] != 0;
  return ReadFieldSlot(buffer + offset, column.type, column.size, value);
}

void TMemoryDataSet::SetFieldData(const TField& field, const FieldValue& value) {
  TRecordBuffer buffer = GetActiveRecBuf();
  if (field.FieldKind() != fkData) {
    SetCalcFieldValue(buffer + calcOffset_, field, value);
    return;
  }
  const Column& column = columns_[static_cast<std::size_t>(field.FieldNo() - 1)];
  WriteFieldSlot(buffer + offsets_[static_cast<std::size_t>(field.FieldNo() - 1)], column.type, column.size, value);
}

// ---- Record information

std::int32_t TMemoryDataSet::RecNoOf(TRecordBuffer buffer) const {
  std::int32_t recNo;
  std::memcpy(&recNo, buffer + infoOffset_ + kRecNoOffset, sizeof recNo);
  return recNo;
}

void TMemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, calcOffset_);
  std::memset(buffer + infoOffset_, 0, kInfoSize);
}

void TMemoryDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + calcOffset_, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

TBookmarkFlag TMemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[infoOffset_ + kFlagOffset]);
}

void TMemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[infoOffset_ + kFlagOffset] = static_cast<std::uint8_t>(flag);
}

TBookmark TMemoryDataSet::GetBookmarkData(TRecordBuffer buffer) {
  const char* text = reinterpret_cast<const char*>(buffer + infoOffset_ + kBookmarkOffset);
  return TBookmark(text, strnlen(text, kBookmarkSize));
}

void TMemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) {
  std::memset(buffer + infoOffset_ + kBookmarkOffset, 0, kBookmarkSize);
  std::memcpy(buffer + infoOffset_ + kBookmarkOffset, bookmark.data(), std::min(bookmark.size(), kBookmarkSize - 1));
  std::int32_t recNo = 0;
  ParseRecNo(bookmark, recNo);
  std::memcpy(buffer + infoOffset_ + kRecNoOffset, &recNo, sizeof recNo);
}

void TMemoryDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  std::int32_t recNo = 0;
  if (!ParseRecNo(bookmark, recNo) || recNo < 1 || recNo > static_cast<std::int32_t>(rows.size()))
    DatabaseError("Bookmark is invalid");
  cursor_ = recNo - 1;
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
  std::int32_t recNo = 0;
  return ParseRecNo(bookmark, recNo) && recNo >= 1 && recNo <= static_cast<std::int32_t>(rows.size()) &&
         !rows[static_cast<std::size_t>(recNo - 1)].deleted;
}

int TMemoryDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return TDataSet::CompareBookmarks(a, b);
  std::int32_t x = 0, y = 0;
  ParseRecNo(a, x);
  ParseRecNo(b, y);
  return x < y ? -1 : (x > y ? 1 : 0);
}

std::int32_t TMemoryDataSet::RecNo() {
  CheckActive();
  TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr ? RecNoOf(buffer) : 0;
}

void TMemoryDataSet::SetRecNo(std::int32_t value) {
  CheckBrowseMode();
  if (value < 1 || value > static_cast<std::int32_t>(rows.size())) DatabaseError("Record number out of range");
  cursor_ = value - 1;
  Resync(rmExact);
  DoAfterScroll();
}

std::int32_t TMemoryDataSet::RecordCount() {
  CheckActive();
  std::int32_t count = 0;
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) count += Accepts(row) ? 1 : 0;
  return count;
}

// ---- Writing

void TMemoryDataSet::InternalEdit() {
  if (RecNoOf(ActiveBuffer()) == lockedRecNo) DatabaseError("Record is locked by another user");
  pendingBlobs_.assign(columns_.size(), std::nullopt);
}

void TMemoryDataSet::InternalPost() {
  if (failPosts > 0) {
    --failPosts;
    DatabaseError("Cannot write the row");
  }
  TRecordBuffer buffer = ActiveBuffer();
  int target = State() == dsInsert ? static_cast<int>(rows.size()) : RecNoOf(buffer) - 1;
  Row row;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    FieldValue value;
    if (columns_[c].type == ftMemo || columns_[c].type == ftBlob) {
      if (pendingBlobs_[c]) {
        value = *pendingBlobs_[c];
      } else if (target < static_cast<int>(rows.size())) {
        value = rows[static_cast<std::size_t>(target)].values[c];
      }
    } else {
      ReadFieldSlot(buffer + offsets_[c], columns_[c].type, columns_[c].size, value);
    }
    row.values.push_back(std::move(value));
  }
  if (target == static_cast<int>(rows.size())) {
    rows.push_back(std::move(row));
  } else {
    rows[static_cast<std::size_t>(target)] = std::move(row);
  }
  cursor_ = target;
  pendingBlobs_.assign(columns_.size(), std::nullopt);
}

void TMemoryDataSet::InternalDelete() {
  // The cursor stays on the deleted row; reading it again then finds the
  // next row, or the last.
  rows[static_cast<std::size_t>(cursor_)].deleted = true;
}

std::unique_ptr<TStream> TMemoryDataSet::CreateBlobStream(const TField& field, TBlobStreamMode mode) {
  if (mode != bmRead) {
    if (field.ReadOnly()) DatabaseError(kSFieldReadOnly, {field.FieldName()});
    if (State() != dsEdit && State() != dsInsert) DatabaseError(kSNotEditing);
  }
  std::string contents;
  std::size_t c = static_cast<std::size_t>(field.FieldNo() - 1);
  TRecordBuffer buffer = GetActiveRecBuf();
  if (mode != bmWrite && buffer != nullptr) {
    std::int32_t recNo = RecNoOf(buffer);
    if ((State() == dsEdit || State() == dsInsert) && pendingBlobs_[c]) {
      contents = *pendingBlobs_[c];
    } else if (recNo >= 1 && recNo <= static_cast<std::int32_t>(rows.size())) {
      if (auto text = std::get_if<std::string>(&rows[static_cast<std::size_t>(recNo - 1)].values[c])) contents = *text;
    }
  }
  return std::make_unique<BlobStream>(*this, field, std::move(contents), mode == bmWrite);
}

void TMemoryDataSet::StoreBlob(const TField& field, std::string contents) {
  if (State() != dsEdit && State() != dsInsert) return;
  std::size_t c = static_cast<std::size_t>(field.FieldNo() - 1);
  ActiveBuffer()[offsets_[c]] = !contents.empty();
  pendingBlobs_[c] = std::move(contents);
  DataEvent(deFieldChange, const_cast<TField*>(&field));
}

// ---- Searching, filtering, master/detail

int TMemoryDataSet::FindRow(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                            TLocateOptions options) {
  std::vector<TField*> fields = GetFieldList(keyFields);
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    if (!Accepts(row)) continue;
    bool match = true;
    for (std::size_t k = 0; k < fields.size() && match; ++k) {
      std::string have = FieldValueToText(rows[static_cast<std::size_t>(row)].values[static_cast<std::size_t>(
          ColumnOf(fields[k]->FieldName()))]);
      std::string want = k < keyValues.size() ? FieldValueToText(keyValues[k]) : std::string();
      if (options & loCaseInsensitive) {
        have = UpperAscii(have);
        want = UpperAscii(want);
      }
      match = (options & loPartialKey) ? have.compare(0, want.size(), want) == 0 : have == want;
    }
    if (match) return row;
  }
  return -1;
}

bool TMemoryDataSet::Locate(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                            TLocateOptions options) {
  CheckBrowseMode();
  int row = FindRow(keyFields, keyValues, options);
  if (row < 0) return false;
  DoBeforeScroll();
  cursor_ = row;
  Resync(rmExact | rmCenter);
  DoAfterScroll();
  return true;
}

FieldValue TMemoryDataSet::Lookup(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                                  std::string_view resultField) {
  if (!Active()) return {};
  int row = FindRow(keyFields, keyValues, 0);
  if (row < 0) return {};
  FillRecord(TempBuffer(), row);
  return CalculatedValue(TempBuffer(), resultField);
}

void TMemoryDataSet::SetFiltered(bool value) {
  TDataSet::SetFiltered(value);
  if (Active()) First();
}

void TMemoryDataSet::ReadMasterKey() {
  masterKey_.reset();
  if (!MasterLink().Active() || MasterLink().Fields().empty()) return;
  std::vector<FieldValue> key;
  for (TField* field : MasterLink().Fields()) key.push_back(field->Value());
  masterKey_ = std::move(key);
}

void TMemoryDataSet::MasterChanged() {
  ++masterChanges;
  ReadMasterKey();
  First();
}

void TMemoryDataSet::MasterDisabled() {
  masterKey_.reset();
  First();
}

}  // namespace talvern::test

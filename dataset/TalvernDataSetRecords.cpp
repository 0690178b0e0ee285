// TTalvernDataSet: reading records into the record buffers, the record
// information (record number and bookmark), record numbers and counts, and
// field values as the record buffers hold them.

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "dataset/DatabaseError.h"
#include "dataset/DateTime.h"
#include "dataset/KeyValues.h"
#include "dataset/RecordPointer.h"
#include "dataset/TableMessages.h"
#include "dataset/TalvernDataSet.h"
#include "engine/Errors.h"
#include "engine/NumberText.h"
#include "engine/Strings.h"
#include "engine/Translate.h"

namespace talvern {

namespace {

constexpr double kMsPerDay = 86400000.0;

// ReadRecords reads records by number this many bytes of them at a time.
constexpr std::size_t kPrefetchBytes = std::size_t{4} << 20;

// A whole number as a numeric field stores it: blanks around, an optional
// sign and digits. False for anything else (a fraction, an exponent).
bool ParseWholeNumber(std::string_view text, std::int64_t& value, bool& blank) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  blank = text.empty();
  if (blank) {
    value = 0;
    return true;
  }
  if (text.front() == '+') text.remove_prefix(1);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::int64_t ToInt64(const FieldValue& value) {
  if (auto n = std::get_if<std::int64_t>(&value)) return *n;
  if (auto d = std::get_if<double>(&value)) return std::llround(*d);
  if (auto b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  std::int64_t n = 0;
  if (auto s = std::get_if<std::string>(&value)) TryTextToInt(*s, n);
  return n;
}

double ToDouble(const FieldValue& value) {
  if (auto d = std::get_if<double>(&value)) return *d;
  if (auto n = std::get_if<std::int64_t>(&value)) return static_cast<double>(*n);
  if (auto b = std::get_if<bool>(&value)) return *b ? 1 : 0;
  double d = 0;
  if (auto s = std::get_if<std::string>(&value)) TryTextToFloat(*s, d);
  return d;
}

void TranslateBytes(char* text, std::size_t count, const std::array<std::uint8_t, 256>& table) {
  for (std::size_t i = 0; i < count; ++i) text[i] = static_cast<char>(table[static_cast<std::uint8_t>(text[i])]);
}

}  // namespace

// ---- Fetching records

TGetResult TTalvernDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  DBFObject& table = *table_;
  TGetResult result = grOK;
  try {
    RecordPointer into(table, buffer);
    switch (mode) {
      case gmCurrent:
        if (beforeFirst_) {
          result = grBOF;
        } else if (afterLast_) {
          result = grEOF;
        } else {
          table.ReadRecord(RecSame);
        }
        break;
      case gmNext:
        if (afterLast_) {
          result = grEOF;
        } else if (beforeFirst_) {
          table.ReadRecord(RecTop);
          beforeFirst_ = false;
        } else {
          table.ReadRecord(RecNext);
        }
        break;
      case gmPrior:
        if (beforeFirst_) {
          result = grBOF;
        } else if (afterLast_ && (State() != dsInsert || ActiveRecord() == 0)) {
          table.ReadRecord(RecBottom);
          afterLast_ = false;
        } else {
          table.ReadRecord(RecPrior);
        }
        break;
    }
    if (result == grOK) {
      if (table.Eof()) {
        result = grEOF;
      } else if (table.Bof()) {
        result = grBOF;
      }
    }
  } catch (...) {
    if (doCheck) DatabaseError(kSRecordBeyondRange);
    return grError;
  }
  if (result != grOK) return result;
  FillRecordInfo(buffer, table.RecNo());
  GetCalcFields(buffer);
  return grOK;
}

void TTalvernDataSet::InternalFirst() {
  beforeFirst_ = true;
  afterLast_ = false;
}

// The next fetch of a prior record moves the table to its last record.
void TTalvernDataSet::InternalLast() {
  afterLast_ = true;
  beforeFirst_ = false;
}

void TTalvernDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  beforeFirst_ = afterLast_ = false;
  // The table reads into its own buffer: this one may hold changes.
  std::int32_t recNo = RecNoOf(buffer);
  if (recNo > 0) table_->ReadRecord(recNo);
}

void TTalvernDataSet::ReturnTo(std::int32_t recNo) {
  if (recNo > 0) {
    try {
      table_->ReadRecord(recNo);
    } catch (...) {
      // The dataset repositions the table before its next use anyway.
    }
  }
  CursorPosChanged();
}

// ---- Record information and bookmarks

std::int32_t TTalvernDataSet::RecNoOf(TRecordBuffer buffer) const {
  std::int32_t recNo;
  std::memcpy(&recNo, buffer + infoOffset_ + kInfoRecNo, sizeof recNo);
  return recNo;
}

void TTalvernDataSet::FillRecordInfo(TRecordBuffer buffer, std::int32_t recNo) {
  std::uint8_t* info = buffer + infoOffset_;
  std::memcpy(info + kInfoRecNo, &recNo, sizeof recNo);
  info[kInfoFlag] = bfCurrent;
  char* bookmark = reinterpret_cast<char*>(info + kInfoBookmark);
  std::memset(bookmark, 0, kBookmarkSize);
  std::to_chars(bookmark, bookmark + kBookmarkSize - 1, recNo);
}

TBookmarkFlag TTalvernDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[infoOffset_ + kInfoFlag]);
}

void TTalvernDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[infoOffset_ + kInfoFlag] = static_cast<std::uint8_t>(flag);
}

TBookmark TTalvernDataSet::GetBookmarkData(TRecordBuffer buffer) {
  const char* text = reinterpret_cast<const char*>(buffer + infoOffset_ + kInfoBookmark);
  return TBookmark(text, strnlen(text, kBookmarkSize));
}

void TTalvernDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmark& bookmark) {
  char* text = reinterpret_cast<char*>(buffer + infoOffset_ + kInfoBookmark);
  std::memset(text, 0, kBookmarkSize);
  std::memcpy(text, bookmark.data(), std::min(bookmark.size(), kBookmarkSize - 1));
  std::int32_t recNo = 0;
  if (!ParseBookmark(bookmark, recNo)) recNo = 0;
  std::memcpy(buffer + infoOffset_ + kInfoRecNo, &recNo, sizeof recNo);
}

bool TTalvernDataSet::ParseBookmark(const TBookmark& bookmark, std::int32_t& recNo) const {
  std::string_view text(bookmark.c_str());
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), recNo);
  return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

void TTalvernDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
  std::int32_t recNo = 0;
  // Only a record number: the table would take 0 as "stay" and a negative
  // number as a move (-3 to the top, -4 to the bottom).
  if (!ParseBookmark(bookmark, recNo) || recNo < 1) DatabaseError(std::string(kSBookmarkInvalid) + tableName_);
  beforeFirst_ = afterLast_ = false;
  table_->ReadRecord(recNo);
}

bool TTalvernDataSet::BookmarkValid(const TBookmark& bookmark) {
  std::int32_t recNo = 0;
  return table_ && ParseBookmark(bookmark, recNo) && recNo > 0 && recNo <= table_->RecordCount();
}

int TTalvernDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  std::int32_t x = 0, y = 0;
  if (a.empty() || b.empty() || !ParseBookmark(a, x) || !ParseBookmark(b, y)) return TDataSet::CompareBookmarks(a, b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

bool TTalvernDataSet::GetCurrentRecord(std::uint8_t* buffer) {
  if (!Active() || IsEmpty() || GetBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
  std::memcpy(buffer, ActiveBuffer(), recordSize_ - 1);
  return true;
}

// ---- Record numbers and counts

std::int32_t TTalvernDataSet::RecNo() {
  CheckActive();
  if (State() == dsFilter) return table_->RecNo();
  TRecordBuffer buffer = GetActiveRecBuf();
  return buffer != nullptr ? RecNoOf(buffer) : 0;
}

void TTalvernDataSet::SetRecNo(std::int32_t value) {
  CheckActive();
  // The grid stands the dataset on the record of every row it paints: a
  // record that is already current costs nothing.
  if (State() == dsBrowse && !IsEmpty() && GetBookmarkFlag(ActiveBuffer()) == bfCurrent &&
      RecNoOf(ActiveBuffer()) == value)
    return;
  CheckBrowseMode();
  DBFObject& table = *table_;
  if (value < 1 || value > table.RecordCount()) table.RefreshHeader();
  if (value < 1 || value > table.RecordCount())
    Raise("Record number %d is not in table %s", {std::int64_t{value}, table.FileName()});
  try {
    table.ReadRecord(value);
  } catch (...) {
    CursorPosChanged();
    throw;
  }
  beforeFirst_ = afterLast_ = false;
  Resync(rmExact);
  DoAfterScroll();
}

std::int32_t TTalvernDataSet::RecordCount() {
  CheckActive();
  DBFObject& table = *table_;
  if (!exactCount_) return table.RecordCount();
  const std::int32_t current = table.RecNo();
  std::int32_t count = 0;
  try {
    for (table.ReadRecord(RecTop); !table.Eof() && !table.Bof(); table.ReadRecord(RecNext)) ++count;
  } catch (...) {
    ReturnTo(current);
    throw;
  }
  ReturnTo(current);
  return count;
}

bool TTalvernDataSet::IsSequenced() { return !(table_ && table_->CurrentTag()) && !Filtered(); }

// ---- Buffers the base asks for

void TTalvernDataSet::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + calcOffset_, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TTalvernDataSet::ReadRecords(const std::vector<std::int32_t>& recNos,
                                  const std::function<void(std::size_t)>& read, bool calculate) {
  CheckActive();
  DBFObject& table = *table_;
  const std::int32_t start = table.RecNo();
  TRecordBuffer record = TempBuffer();
  // The records are read from the file a batch at a time beforehand.
  const std::size_t perBatch = std::max<std::size_t>(1, kPrefetchBytes / static_cast<std::size_t>(recordSize_));
  struct Drop {
    DBFObject& table;
    ~Drop() { table.DropPrefetched(); }
  } drop{table};
  try {
    for (std::size_t i = 0; i < recNos.size(); ++i) {
      if (i % perBatch == 0) table.Prefetch(recNos.data() + i, std::min(perBatch, recNos.size() - i));
      const std::int32_t recNo = recNos[i];
      if (recNo < 1 || recNo > table.RecordCount()) table.RefreshHeader();
      if (recNo < 1 || recNo > table.RecordCount())
        Raise("Record number %d is not in table %s", {std::int64_t{recNo}, table.FileName()});
      table.ReadStored(recNo);
      std::memcpy(record, table.CurrentRecord(), recordSize_ - 1);
      FillRecordInfo(record, recNo);
      ReadFromBuffer(record, [&] { read(i); }, calculate);
    }
  } catch (...) {
    ReturnTo(start);
    throw;
  }
  ReturnTo(start);
}

void TTalvernDataSet::ForEachRecord(const std::function<void(std::int32_t)>& visit) {
  CheckActive();
  CheckBrowseMode();
  DBFObject& table = *table_;
  const std::int32_t start = table.RecNo();
  const TDataSetState saved = SetTempState(dsFilter);
  table.ServeKeptRecords(true);
  try {
    RecordPointer into(table, TempBuffer());
    for (table.ReadRecord(RecTop); !table.Eof() && !table.Bof(); table.ReadRecord(RecNext)) visit(table.RecNo());
  } catch (...) {
    table.ServeKeptRecords(false);
    RestoreState(saved);
    ReturnTo(start);
    throw;
  }
  table.ServeKeptRecords(false);
  RestoreState(saved);
  ReturnTo(start);
}

TRecordBuffer TTalvernDataSet::GetActiveRecBuf() {
  switch (State()) {
    case dsFilter:
      return table_ ? table_->CurrentRecord() : nullptr;
    case dsOldValue:
      return editing_ ? oldRecord_.data() : ActiveBuffer();
    default:
      return TDataSet::GetActiveRecBuf();
  }
}

// ---- Field values

bool TTalvernDataSet::GetFieldData(const TField& field, FieldValue& value) {
  TRecordBuffer record = GetActiveRecBuf();
  if (field.FieldKind() != fkData) {
    // The filter asks about the table's own record, which has no
    // calculated fields.
    if (State() == dsFilter) return false;
    return GetCalcFieldValue(record + calcOffset_, field, value);
  }
  const std::int32_t n = field.FieldNo();
  if (n < 1 || static_cast<std::size_t>(n) >= tableFields_.size()) return false;
  const TableField& f = tableFields_[static_cast<std::size_t>(n)];
  if (f.dataType == ftMemo || f.dataType == ftBlob) return !BlobIsNull(field, record);
  return GetTableFieldData(field, f, record, value);
}

bool TTalvernDataSet::GetTableFieldData(const TField& field, const TableField& f, const std::uint8_t* record,
                                        FieldValue& value) {
  const char* data = reinterpret_cast<const char*>(record + f.offset);
  const std::string_view stored(data, static_cast<std::size_t>(f.length));
  const std::int32_t n = field.FieldNo();
  switch (f.dataType) {
    case ftString: {
      // The text ends at a zero byte, as a program writing C strings left it.
      std::size_t length = stored.find('\0');
      if (length == std::string_view::npos) length = stored.size();
      while (length > 0 && stored[length - 1] == ' ') --length;
      if (length == 0) return false;
      std::string& text = value.emplace<std::string>(data, length);
      if (translateASCII_ && field.Transliterate()) TranslateBytes(text.data(), text.size(), Translation().oemToAnsi);
      return true;
    }
    case ftDate: {
      std::string_view text = stored;
      while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
      if (text.size() != 8 || text == "00000000") return false;
      int parts[3] = {0, 0, 0};
      const std::size_t widths[3] = {4, 2, 2};
      std::size_t at = 0;
      for (int i = 0; i < 3; ++i) {
        auto [end, error] = std::from_chars(text.data() + at, text.data() + at + widths[i], parts[i]);
        if (error != std::errc() || end != text.data() + at + widths[i]) return false;
        at += widths[i];
      }
      TDateTime date = 0;
      if (!TryEncodeDate(parts[0], parts[1], parts[2], date)) return false;
      value = date;
      return true;
    }
    case ftSmallint:
    case ftInteger:
    case ftLargeint: {
      std::int64_t whole = 0;
      bool blank = false;
      if (f.plainNumber && ParseWholeNumber(stored, whole, blank)) {
        value = whole;
        return true;
      }
      std::optional<double> parsed;
      if (f.plainNumber) parsed = ParseNumber(stored, '.');
      long double number = 0;
      if (parsed) {
        number = *parsed;
      } else {
        RecordPointer at(*table_, const_cast<std::uint8_t*>(record));
        number = table_->NumberGet(n);  // raises the table's error for a bad number
      }
      number = std::round(number);
      if (!(number >= -9.2233720368547758e18L && number < 9.2233720368547758e18L))
        DatabaseError(kSFieldRangeError, {std::string(Trim(stored)), field.FieldName(),
                                          std::to_string(std::numeric_limits<std::int64_t>::min()),
                                          std::to_string(std::numeric_limits<std::int64_t>::max())});
      value = static_cast<std::int64_t>(number);
      return true;
    }
    case ftFloat:
    case ftCurrency: {
      if (f.plainNumber) {
        std::string_view text = stored;
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        if (text.empty()) {
          value = 0.0;
          return true;
        }
        if (auto parsed = ParseNumber(text, '.')) {
          value = *parsed;
          return true;
        }
      }
      RecordPointer at(*table_, const_cast<std::uint8_t*>(record));
      value = static_cast<double>(table_->NumberGet(n));
      return true;
    }
    case ftBoolean: {
      RecordPointer at(*table_, const_cast<std::uint8_t*>(record));
      value = table_->LogicGet(n);
      return true;
    }
    case ftDateTime: {
      long double ms;
      {
        RecordPointer at(*table_, const_cast<std::uint8_t*>(record));
        ms = table_->NumberGet(n);
      }
      if (ms == 0) return false;
      value = static_cast<double>(ms / kMsPerDay) - kDateDelta;
      return true;
    }
    default:
      return false;
  }
}

void TTalvernDataSet::SetFieldData(const TField& field, const FieldValue& value) {
  TRecordBuffer record = GetActiveRecBuf();
  if (field.FieldKind() != fkData) {
    if (State() != dsFilter) SetCalcFieldValue(record + calcOffset_, field, value);
    return;
  }
  const std::int32_t n = field.FieldNo();
  if (n < 1 || static_cast<std::size_t>(n) >= tableFields_.size()) return;
  const TableField& f = tableFields_[static_cast<std::size_t>(n)];
  if (f.dataType == ftMemo || f.dataType == ftBlob) {
    std::string text = FieldValueToText(value);
    if (translateASCII_ && field.Transliterate()) TranslateBytes(text.data(), text.size(), Translation().ansiToOem);
    pendingBlobs_[static_cast<std::size_t>(n)] = std::move(text);
    return;
  }
  SetTableFieldData(field, f, record, value);
}

void TTalvernDataSet::SetTableFieldData(const TField& field, const TableField& f, std::uint8_t* record,
                                        const FieldValue& value) {
  DBFObject& table = *table_;
  RecordPointer at(table, record);
  const std::int32_t n = field.FieldNo();
  const bool null = IsNullValue(value);
  switch (f.dataType) {
    case ftString: {
      std::string text = FieldValueToText(value);
      if (translateASCII_ && field.Transliterate()) TranslateBytes(text.data(), text.size(), Translation().ansiToOem);
      table.RawPut(n, text);
      return;
    }
    case ftSmallint:
    case ftInteger:
    case ftLargeint: {
      if (null) {
        if (f.plainNumber) table.RawPut(n, "");
        else table.NumberPut(n, 0);
        return;
      }
      const std::int64_t whole = ToInt64(value);
      if (!f.plainNumber || f.decimals > 0) {
        table.NumberPut(n, static_cast<long double>(whole));
        return;
      }
      // Whole numbers are written digit for digit: through a double, a
      // 19-digit number would lose its last digits.
      std::string text = std::to_string(whole);
      if (static_cast<std::int32_t>(text.size()) > f.length)
        Raise("numeric value too big in field %s", {table.FieldName(n) + " - " + text});
      table.RawPut(n, text);
      return;
    }
    case ftFloat:
    case ftCurrency:
      if (null && f.plainNumber) {
        table.RawPut(n, "");
      } else {
        table.NumberPut(n, ToDouble(value));
      }
      return;
    case ftBoolean:
      if (null) {
        table.RawPut(n, "");
      } else {
        table.LogicPut(n, std::holds_alternative<bool>(value) ? std::get<bool>(value) : ToInt64(value) != 0);
      }
      return;
    case ftDate: {
      // A null or impossible date is stored as 8 blanks.
      int year = 0, month = 0, day = 0;
      std::string text;
      if (!null && DecodeDate(ToDouble(value), year, month, day)) text = *FieldValueText(value, 'D');
      table.RawPut(n, text);
      return;
    }
    case ftDateTime:
      table.NumberPut(n, null ? 0.0L : std::round((static_cast<long double>(ToDouble(value)) + kDateDelta) * kMsPerDay));
      return;
    default:
      return;
  }
}

}  // namespace talvern

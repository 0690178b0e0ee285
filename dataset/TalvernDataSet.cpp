// TTalvernDataSet: properties, the database directory, opening and closing,
// field definitions, filtering and the checks. Records and field values are
// in TalvernDataSetRecords.cpp, editing in TalvernDataSetEditing.cpp,
// searches in TalvernDataSetSearch.cpp, index files, tags, key ranges and
// master/detail in TalvernDataSetIndex.cpp.

#include "dataset/TalvernDataSet.h"

#include <cstring>

#include "dataset/AliasList.h"
#include "dataset/DatabaseError.h"
#include "dataset/TableMessages.h"
#include "engine/DbfHeader.h"
#include "engine/DiskFile.h"
#include "engine/Translate.h"
#include "platform/File.h"
#include "platform/ProgramDir.h"

namespace talvern {

namespace {

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace

TTalvernDataSet::TTalvernDataSet() {
  indexFiles_.OnChange = [this] { IndexFilesChanged(); };
}

TTalvernDataSet::~TTalvernDataSet() { CloseForDestruction(); }

// ---- Properties

void TTalvernDataSet::SetDatabaseName(std::string value) {
  CheckInactive();
  if (value != databaseName_ && !IsDefaultDirectory(value)) {
    if (EndsWithSeparator(value)) value.pop_back();
    if (!AliasList().Value(value)) AliasList().AddDirectory(value);
  }
  databaseName_ = std::move(value);
}

std::string TTalvernDataSet::Directory() const {
  std::string dir;
  if (IsDefaultDirectory(databaseName_)) {
    dir = platform::ProgramDirectory();
  } else {
    dir = AliasList().Resolve(databaseName_);
  }
  if (!dir.empty() && !EndsWithSeparator(dir)) dir += '/';
  return dir;
}

void TTalvernDataSet::SetTableName(std::string value) {
  CheckInactive();
  if (value != tableName_) indexFiles_.AssignQuietly({});
  tableName_ = std::move(value);
}

void TTalvernDataSet::SetEncryptionKey(std::string value) {
  CheckInactive();
  encryptionKey_ = std::move(value);
}

void TTalvernDataSet::SetPassword(const std::string& newPassword) {
  CheckActive();
  CheckBrowseMode();
  try {
    table_->SetPassword(newPassword);
  } catch (...) {
    if (table_->IsClosed()) Close();
    throw;
  }
  encryptionKey_ = newPassword;
  Refresh();
}

void TTalvernDataSet::SetExclusive(bool value) {
  CheckInactive();
  exclusive_ = value;
}

void TTalvernDataSet::SetReadOnly(bool value) {
  readOnly_ = value || (table_ && !table_->IsReadWrite());
}

void TTalvernDataSet::SetTranslateASCII(bool value) {
  translateASCII_ = value;
  if (table_) table_->SetTranslate(value);
}

void TTalvernDataSet::SetUseDeleted(bool value) {
  useDeleted_ = value;
  if (table_) table_->SetUseDeleted(value);
}

void TTalvernDataSet::SetAutoFlush(bool value) {
  autoFlush_ = value;
  if (table_) table_->SetAutoFlush(value);
}

void TTalvernDataSet::SetLockProtocol(TvxLokProtocol value) {
  lockProtocol_ = value;
  if (table_) table_->SetLockProtocol(value);
}

void TTalvernDataSet::SetUserID(std::int32_t value) {
  userId_ = value;
  if (table_) table_->SetUserId(value);
}

int TTalvernDataSet::Translate(const char* source, char* destination, bool toOem) const {
  const std::size_t length = std::strlen(source);
  if (!translateASCII_) {
    std::memmove(destination, source, length + 1);
  } else {
    const auto& table = toOem ? Translation().ansiToOem : Translation().oemToAnsi;
    for (std::size_t i = 0; i < length; ++i)
      destination[i] = static_cast<char>(table[static_cast<std::uint8_t>(source[i])]);
    destination[length] = '\0';
  }
  return static_cast<int>(length);
}

void TTalvernDataSet::CheckActive() const {
  if (busy_) DatabaseError(kSTableBusy);
  TDataSet::CheckActive();
}

// ---- Opening and closing

std::string TTalvernDataSet::TableFileName() const {
  if (tableName_.empty()) DatabaseError(kSTableNameMissing);
  return DefaultExtension(tableName_, ".DBF");
}

std::unique_ptr<DBFObject> TTalvernDataSet::OpenTableObject(const std::string& path, bool shared,
                                                           bool readWrite) const {
  if (!platform::FileExists(platform::ResolveFileName(path))) DatabaseError(kSCannotFindFile, {path});
  auto table = std::make_unique<DBFObject>(path, shared, readWrite, encryptionKey_);
  table->SetTranslate(translateASCII_);
  return table;
}

void TTalvernDataSet::InternalOpen() {
  tableName_ = TableFileName();
  table_ = OpenTableObject(Directory() + tableName_, !exclusive_, !readOnly_);
  DBFObject& table = *table_;
  table.SetAutoFlush(autoFlush_);
  table.SetUseDeleted(useDeleted_);
  table.SetLockProtocol(lockProtocol_);
  table.SetUserId(userId_);
  table.SetReadAhead(false);
  table.SetRecordFilter([this] { return !(Active() && Filtered() && OnFilterRecord) || FilterRecord(); });
  table.SetStatusHook([this](std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) {
    if (OnStatus) OnStatus(stat1, stat2, stat3);
  });

  AddFieldDefs(table);
  if (DefaultFields()) CreateFields();
  BindFields(true);
  tableFields_.assign(static_cast<std::size_t>(table.FieldCount()) + 1, TableField{});
  for (std::int32_t n = 1; n <= table.FieldCount(); ++n) {
    TableField& f = tableFields_[static_cast<std::size_t>(n)];
    f.offset = table.FieldOffset(n);
    f.length = table.FieldLength(n);
    f.decimals = table.FieldDecimals(n);
    f.type = table.FieldType(n);
    f.dataType = FieldTypeOf(table, n);
    f.plainNumber = f.type == 'N' || f.type == 'F';
  }
  recordSize_ = static_cast<std::size_t>(table.RecordLength()) + 1;
  calcOffset_ = recordSize_;
  infoOffset_ = calcOffset_ + static_cast<std::size_t>(CalcFieldsSize());
  bufferSize_ = infoOffset_ + kInfoSize;
  oldRecord_.assign(bufferSize_, 0);
  pendingBlobs_.assign(tableFields_.size(), std::nullopt);

  if (Filtered()) ApplyFilter();
  beforeFirst_ = true;
  afterLast_ = false;
  OpenIndexFileList(true);
  RebuildIndexDefs();
  table.SelectTag(indexName_, true);
  editing_ = false;
  ApplyMasterRange();
}

void TTalvernDataSet::InternalClose() {
  editing_ = false;
  pendingBlobs_.clear();
  oldRecord_.clear();
  tableFields_.clear();
  beforeFirst_ = afterLast_ = false;
  bufferSize_ = 0;
  std::unique_ptr<DBFObject> table = std::move(table_);
  table.reset();
}

// ---- Field definitions

TFieldType TTalvernDataSet::FieldTypeOf(DBFObject& table, std::int32_t field) const {
  const std::int32_t length = table.FieldLength(field);
  switch (table.FieldType(field)) {
    case 'C':
      return ftString;
    case 'D':
      return ftDate;
    case 'F':
    case 'N':
      if (table.FieldDecimals(field) > 0) return ftFloat;
      if (length < 5) return ftSmallint;
      if (length < 10) return ftInteger;
      switch (largeIntegerAs_) {
        case asInteger: return ftInteger;
        case asFloat: return ftFloat;
        default: return ftLargeint;
      }
    case 'I':
      return ftInteger;
    case 'L':
      return ftBoolean;
    case 'M':
      return ftMemo;
    case 'B':
      // In a Visual FoxPro table a B field holds a double, not a memo.
      return table.Version() == dbf::kVersionVfp ? ftFloat : ftBlob;
    case 'G':
      return ftBlob;
    case 'T':
      return ftDateTime;
    case 'Y':
      return ftCurrency;
    default:
      return ftUnknown;
  }
}

void TTalvernDataSet::AddFieldDefs(DBFObject& table) {
  FieldDefs().Clear();
  for (std::int32_t n = 1; n <= table.FieldCount(); ++n) {
    TFieldType type = FieldTypeOf(table, n);
    if (type == ftUnknown) continue;
    FieldDefs().Add(table.FieldName(n), type, type == ftString ? table.FieldLength(n) : 0, n);
  }
}

void TTalvernDataSet::InternalInitFieldDefs() {
  if (table_) {
    AddFieldDefs(*table_);
    return;
  }
  std::unique_ptr<DBFObject> table = OpenTableObject(Directory() + TableFileName(), true, false);
  AddFieldDefs(*table);
}

// ---- Filtering

void TTalvernDataSet::ApplyFilter() {
  DBFObject& table = *table_;
  table.SetFilterOn(true);
  // A filter is compiled on the stored text, so its literals go into the
  // table's code page, whether it was set before opening or after.
  const std::string text = translateASCII_ ? AnsiToOem(Filter()) : Filter();
  table.SetFilter(text, (FilterOptions() & foCaseInsensitive) != 0, (FilterOptions() & foNoPartialCompare) == 0);
}

void TTalvernDataSet::Refilter() {
  try {
    ApplyFilter();
  } catch (...) {
    // The table keeps nothing of a filter that failed: the records shown
    // become what the table now shows.
    try {
      First();
    } catch (...) {
    }
    throw;
  }
  First();
}

void TTalvernDataSet::SetFilter(const std::string& text) {
  TDataSet::SetFilter(text);
  if (!Active() || !Filtered()) return;
  CheckBrowseMode();
  Refilter();
}

void TTalvernDataSet::SetFilterOptions(TFilterOptions value) {
  TDataSet::SetFilterOptions(value);
  if (!Active() || !Filtered()) return;
  CheckBrowseMode();
  Refilter();
}

void TTalvernDataSet::SetFiltered(bool value) {
  if (!Active()) {
    TDataSet::SetFiltered(value);
    return;
  }
  CheckBrowseMode();
  if (value != Filtered()) {
    TDataSet::SetFiltered(value);
    if (value) {
      Refilter();
      return;
    }
    table_->SetFilterOn(false);
  }
  First();
}

}  // namespace talvern

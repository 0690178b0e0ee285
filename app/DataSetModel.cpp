#include "app/DataSetModel.h"

#include <QMetaObject>
#include <algorithm>

#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "dataset/DataSet.h"
#include "dataset/ScopeExit.h"

namespace talvern {
namespace {

// What a data grid shows for a memo or blob field that has contents, instead
// of reading the contents for every cell.
constexpr char kMemoText[] = "(MEMO)";
constexpr char kBlobText[] = "(BLOB)";

std::vector<std::string> SplitFieldNames(const std::string& names) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) result.push_back(std::move(name));
    start = end + 1;
  }
  return result;
}

bool IsNumber(const FieldValue& value) {
  return std::holds_alternative<std::int64_t>(value) || std::holds_alternative<double>(value);
}

double AsDouble(const FieldValue& value) {
  if (auto i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  return std::get<double>(value);
}

}  // namespace

DataSetModel::DataSetModel(QObject* parent)
    : QAbstractTableModel(parent), cache_(kDefaultChunkRows, kDefaultKeptChunks) {
  SetBufferCount(kDefaultChunkRows + 1);
}

void DataSetModel::SetFieldNames(std::string names) {
  fieldNames_ = std::move(names);
  Reset();
}

void DataSetModel::SetKeyField(std::string name) {
  keyField_ = std::move(name);
  Reset();
}

void DataSetModel::SetChunkRows(int rows) {
  rows = std::max(1, rows);
  cache_ = RowCache(rows, kDefaultKeptChunks);
  SetBufferCount(rows + 1);
  Reset();
}

// ---- What the dataset tells

void DataSetModel::RecordsChanged() {
  if (!movingSelf_) Reset();
}

void DataSetModel::ViewEditingChanged() {
  // Rows not in memory could not be read while editing; a cancelled edit may
  // bring back what the kept row no longer shows.
  if (!Editing()) Reset();
}

void DataSetModel::CurrentRecordChanged(TField*) {
  RunGuarded([&] {
    const int row = CurrentRow();  // none for a new record
    if (row < 0) return;
    const TField* key = keyField_.empty() ? nullptr : DataSet()->FindField(keyField_);
    cache_.Update(row, ReadCurrentRow(ShownFields(), key));
    if (!columns_.empty()) emit dataChanged(index(row, 0), index(row, static_cast<int>(columns_.size()) - 1));
  });
}

void DataSetModel::Reset() {
  beginResetModel();
  cache_.Clear();
  chunkStarts_.assign(1, TBookmark());
  knownRows_ = 0;
  complete_ = false;
  failed_ = false;
  columns_.clear();
  headers_.clear();
  TDataSet* dataSet = Active() ? DataSet() : nullptr;
  rowsOf_ = dataSet;
  if (!fieldNames_.empty()) {
    columns_ = SplitFieldNames(fieldNames_);
    for (const std::string& name : columns_) {
      const TField* field = dataSet != nullptr ? dataSet->FindField(name) : nullptr;
      headers_.push_back(DisplayToQString(field != nullptr ? field->DisplayName() : name));
    }
  } else if (dataSet != nullptr) {
    for (int i = 0; i < dataSet->FieldCount(); ++i) {
      const TField& field = dataSet->Fields(i);
      if (!field.Visible()) continue;
      columns_.push_back(field.FieldName());
      headers_.push_back(DisplayToQString(field.DisplayName()));
    }
  }
  endResetModel();
}

// A row read again came out different from what the model knew: the records
// changed behind the notifications (another program). Start over, but not in
// the middle of answering a view.
void DataSetModel::ResetLater() {
  if (resetScheduled_) return;
  resetScheduled_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        resetScheduled_ = false;
        Reset();
      },
      Qt::QueuedConnection);
}

void DataSetModel::Fail(std::exception_ptr error) {
  failed_ = true;
  HandleException(error);
}

// ---- Reading

bool DataSetModel::CanRead() const {
  const TDataSet* dataSet = DataSet();
  if (dataSet != rowsOf_) return false;
  // While controls are disabled the link's window does not follow the
  // cursor, so the window could not be read.
  return Active() && !failed_ && dataSet->State() == dsBrowse && !dataSet->ControlsDisabled() &&
         !BeingRead(dataSet);
}

std::vector<TField*> DataSetModel::ShownFields() const {
  std::vector<TField*> fields;
  fields.reserve(columns_.size());
  for (const std::string& name : columns_) fields.push_back(&DataSet()->FieldByName(name));
  return fields;
}

CachedRow DataSetModel::ReadCurrentRow(const std::vector<TField*>& fields, const TField* key) const {
  CachedRow row;
  row.texts.reserve(fields.size());
  for (const TField* field : fields) {
    if (field->IsBlob()) {
      row.texts.push_back(field->IsNull() ? QString() : QString::fromLatin1(field->DataType() == ftMemo ? kMemoText : kBlobText));
    } else {
      row.texts.push_back(DisplayToQString(field->AsString()));
    }
  }
  if (key != nullptr) row.key = key->Value();
  row.bookmark = DataSet()->GetBookmark();
  return row;
}

// The cursor goes to the chunk's first row and on by a chunk; the window, one
// buffer longer than a chunk, then holds the chunk and the first row after
// it. Record i of the window is row first + moved - (ActiveRecord() - i),
// since the window's records follow one another in the dataset's order.
std::vector<CachedRow> DataSetModel::ReadChunk(int chunk, TBookmark& next) {
  TDataSet& dataSet = *DataSet();
  const int chunkRows = cache_.ChunkRows();
  const int first = chunk * chunkRows;
  const std::vector<TField*> fields = ShownFields();
  const TField* key = keyField_.empty() ? nullptr : &dataSet.FieldByName(keyField_);
  ReadScope reading(dataSet);
  ++chunksRead_;
  next.clear();
  std::vector<CachedRow> rows;
  const TBookmark saved = dataSet.GetBookmark();
  std::exception_ptr error;
  try {
    // A dataset standing on its first record already (just opened or
    // filtered) is not walked there again: in a long index order under a
    // filter that walk is most of the cost of the first chunk.
    if (chunk != 0) dataSet.GotoBookmark(chunkStarts_[static_cast<std::size_t>(chunk)]);
    else if (!dataSet.Bof() || dataSet.IsEmpty()) dataSet.First();
    if (!dataSet.IsEmpty()) {
      const int moved = dataSet.MoveBy(chunkRows);
      const int active = ActiveRecord();
      ScopeExit backToActive([&]() noexcept {
        try {
          SetActiveRecord(active);
        } catch (...) {
          // The window holds the active record: this cannot fail.
        }
      });
      for (int i = 0; i < RecordCount(); ++i) {
        const int row = first + moved - (active - i);
        if (row < first) continue;
        SetActiveRecord(i);
        if (row == first + chunkRows) {
          next = dataSet.GetBookmark();
        } else {
          rows.push_back(ReadCurrentRow(fields, key));
        }
      }
    }
  } catch (...) {
    error = std::current_exception();
  }
  try {
    if (!saved.empty()) dataSet.GotoBookmark(saved);
  } catch (...) {
    // The record the cursor stood on has gone behind the notifications
    // (another program deleted it): nothing to go back to.
    ResetLater();
  }
  if (error) std::rethrow_exception(error);
  return rows;
}

// A source given another open dataset tells its links nothing (both are
// open, nothing changed for them): the rows known are another dataset's.
bool DataSetModel::CheckSameDataSet() {
  if (DataSet() == rowsOf_) return true;
  ResetLater();
  return false;
}

const CachedRow* DataSetModel::RowAt(int row) {
  if (row < 0 || row >= knownRows_ || !CheckSameDataSet()) return nullptr;
  if (const CachedRow* kept = cache_.Find(row)) return kept;
  if (!CanRead()) return nullptr;
  const int chunk = cache_.ChunkOf(row);
  std::vector<CachedRow> rows;
  TBookmark next;
  try {
    rows = ReadChunk(chunk, next);
  } catch (...) {
    Fail(std::current_exception());
    return nullptr;
  }
  // Rows read again must be the rows the model knows, up to the next chunk.
  const int expected = std::min(cache_.ChunkRows(), knownRows_ - chunk * cache_.ChunkRows());
  const std::size_t nextChunk = static_cast<std::size_t>(chunk) + 1;
  const TBookmark knownNext = nextChunk < chunkStarts_.size() ? chunkStarts_[nextChunk] : TBookmark();
  if (static_cast<int>(rows.size()) != expected || next != knownNext) ResetLater();
  cache_.Store(chunk, std::move(rows));
  return cache_.Find(row);
}

int DataSetModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : knownRows_; }

int DataSetModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant DataSetModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.column() >= static_cast<int>(columns_.size()))
    return {};
  // Answering may read the row's chunk into memory.
  const CachedRow* row = const_cast<DataSetModel*>(this)->RowAt(index.row());
  if (row == nullptr || index.column() >= static_cast<int>(row->texts.size())) return {};
  return row->texts[static_cast<std::size_t>(index.column())];
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < static_cast<int>(headers_.size()))
    return headers_[static_cast<std::size_t>(section)];
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool DataSetModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !complete_ && CanRead();
}

void DataSetModel::fetchMore(const QModelIndex& parent) {
  if (!CheckSameDataSet() || !canFetchMore(parent)) return;
  const int chunk = knownRows_ / cache_.ChunkRows();
  std::vector<CachedRow> rows;
  TBookmark next;
  try {
    rows = ReadChunk(chunk, next);
  } catch (...) {
    Fail(std::current_exception());
    return;
  }
  if (next.empty()) complete_ = true;
  if (rows.empty()) return;
  const int count = static_cast<int>(rows.size());
  beginInsertRows(QModelIndex(), knownRows_, knownRows_ + count - 1);
  cache_.Store(chunk, std::move(rows));
  knownRows_ += count;
  if (!next.empty()) chunkStarts_.push_back(std::move(next));
  endInsertRows();
}

// ---- Keys and the current record

FieldValue DataSetModel::RowKey(int row) {
  const CachedRow* kept = RowAt(row);
  return kept != nullptr ? kept->key : FieldValue();
}

int DataSetModel::FindKey(const FieldValue& value) {
  if (IsNullValue(value)) return -1;
  int row = 0;
  for (;;) {
    for (; row < knownRows_; ++row) {
      const CachedRow* kept = RowAt(row);
      if (kept != nullptr && SameKey(kept->key, value)) return row;
    }
    const int before = knownRows_;
    fetchMore(QModelIndex());
    if (knownRows_ == before) return -1;
  }
}

int DataSetModel::FindKeptKey(const FieldValue& value) const {
  int found = -1;
  cache_.ForEachKept([&](int row, const CachedRow& kept) {
    if (found < 0 && SameKey(kept.key, value)) found = row;
  });
  return found;
}

void DataSetModel::GotoRow(int row) {
  const CachedRow* kept = RowAt(row);
  if (kept == nullptr) return;
  const TBookmark bookmark = kept->bookmark;
  movingSelf_ = true;
  ScopeExit done([this] { movingSelf_ = false; });
  DataSet()->GotoBookmark(bookmark);
}

int DataSetModel::CurrentRow() const {
  if (!Active()) return -1;
  const TBookmark bookmark = DataSet()->GetBookmark();
  if (bookmark.empty()) return -1;
  int found = -1;
  cache_.ForEachKept([&](int row, const CachedRow& kept) {
    if (found < 0 && kept.bookmark == bookmark) found = row;
  });
  return found;
}

bool DataSetModel::SameKey(const FieldValue& a, const FieldValue& b) {
  if (IsNullValue(a) || IsNullValue(b)) return false;
  if (IsNumber(a) && IsNumber(b)) {
    auto x = std::get_if<std::int64_t>(&a);
    auto y = std::get_if<std::int64_t>(&b);
    if (x != nullptr && y != nullptr) return *x == *y;
    return AsDouble(a) == AsDouble(b);
  }
  return FieldValueToText(a) == FieldValueToText(b);
}

}  // namespace talvern

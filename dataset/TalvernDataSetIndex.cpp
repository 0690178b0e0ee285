// TTalvernDataSet: the index files (IndexFiles), the selected tag
// (IndexName), the index definitions, tag creation, key ranges and the
// master/detail relation, which is a key range on the detail's tag.

#include "dataset/DatabaseError.h"
#include "dataset/KeyValues.h"
#include "dataset/MasterDataLink.h"
#include "dataset/TableMessages.h"
#include "dataset/TalvernDataSet.h"
#include "engine/DiskFile.h"
#include "engine/Strings.h"
#include "engine/Translate.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"
#include "platform/File.h"

namespace talvern {

namespace {

bool HasDirectory(const std::string& name) { return name.find_first_of("/\\") != std::string::npos; }

// Both bounds of a range count as inside it; a master key matches the
// detail keys that begin with it.
constexpr TvxRangeOptions kKeyRange{false, true, true};
constexpr TvxRangeOptions kMasterRange{true, true, true};

}  // namespace

// ---- Index files

// Opens the files of IndexFiles in the handler. The list as a whole
// (opening, SetIndexFiles) takes ".ndx" for a name without extension and
// reports every failure to open as "Error getting %s"; a change of the list
// takes ".NDX" and tells a file already open apart.
void TTalvernDataSet::OpenIndexFileList(bool wholeList) {
  DBFObject& table = *table_;
  table.CloseIndexFiles();
  indexDefs_.SetUpdated(false);
  for (const std::string& name : indexFiles_.Names()) {
    std::string file = DefaultExtension(std::string(Trim(name)), wholeList ? ".ndx" : ".NDX");
    if (!HasDirectory(file)) file = Directory() + file;
    if (!platform::FileExists(platform::ResolveFileName(file))) DatabaseError(kSCannotFindFile, {file});
    int result = 0;
    try {
      result = table.OpenIndexFile(file);
    } catch (const std::exception&) {
      DatabaseError(kSErrorGetting, {file});
    }
    if (result == -1) DatabaseError(wholeList ? kSErrorGetting : kSIndexAlreadyOpen, {file});
    if (result != 0) DatabaseError(kSErrorGetting, {file});
  }
}

void TTalvernDataSet::IndexFilesChanged() {
  indexDefs_.SetUpdated(false);
  if (!table_ || !Active()) return;
  CheckBrowseMode();
  const std::int32_t recNo = RecNo();
  if (indexFiles_.Empty()) indexName_.clear();
  try {
    OpenIndexFileList(false);
  } catch (...) {
    KeepOrderAfterFailure(recNo);
    throw;
  }
  table_->SelectTag(indexName_, true);
  PositionAfterTagChange(recNo);
}

// The files before the failing one are open again: the order stays the
// selected tag's when one of them holds it, instead of falling silently to
// record-number order under the same IndexName.
void TTalvernDataSet::KeepOrderAfterFailure(std::int32_t recNo) {
  try {
    table_->SelectTag(indexName_, true);
    PositionAfterTagChange(recNo);
  } catch (...) {
    CursorPosChanged();
  }
}

void TTalvernDataSet::SetIndexFiles(std::vector<std::string> names) {
  indexDefs_.Clear();
  indexDefs_.SetUpdated(false);
  indexFiles_.AssignQuietly(std::move(names));
  if (!table_ || !Active()) return;
  CheckBrowseMode();
  const std::int32_t recNo = RecNo();
  try {
    OpenIndexFileList(true);
  } catch (...) {
    KeepOrderAfterFailure(recNo);
    throw;
  }
  RebuildIndexDefs();
  SetIndexName(indexName_);
}

// ---- The selected tag

// A new order starts from its first record (the handler selects the tag
// without keeping its position, which leaves it at the top).
void TTalvernDataSet::SetIndexName(const std::string& name) {
  if (!table_ || !Active()) {
    indexName_ = name;
    return;
  }
  CheckBrowseMode();
  table_->SelectTag(name, false);
  indexName_ = name;
  try {
    ApplyMasterRange();
  } catch (...) {
    // The new order is shown without the master's range.
  }
  First();
}

void TTalvernDataSet::PositionAfterTagChange(std::int32_t recNo) {
  DBFObject& table = *table_;
  try {
    if (!table.Bof() && !table.Eof() && recNo > 0) table.ReadRecord(recNo);
    ApplyMasterRange();
  } catch (...) {
    // The dataset then starts from the first record of the new order.
  }
  beforeFirst_ = afterLast_ = false;
  CursorPosChanged();
  if (table.Bof() || table.Eof() || table.OutOfOrder()) {
    First();
    return;
  }
  Resync(0);
  DoAfterScroll();
}

bool TTalvernDataSet::IsIndexField(const TField& field) const {
  if (!table_ || !table_->CurrentTag()) return false;
  for (const std::string& name : ExpressionFields(*table_, table_->CurrentTag()->KeyExpr)) {
    if (CompareText(name, field.FieldName()) == 0) return true;
  }
  return false;
}

// ---- Tags and index definitions

int TTalvernDataSet::TagCount() const {
  if (!table_) return 0;
  int count = 0;
  for (int slot = 1; slot <= VXO_dBHandler::kMaxIndexFiles; ++slot) {
    if (const VXobjIndexFile* file = table_->IndexFile(slot)) count += file->TagCount();
  }
  return count;
}

std::string TTalvernDataSet::TagName(int i) const {
  const VXobjIndexTag* tag = table_ ? table_->TagByOrder(i) : nullptr;
  return tag ? std::string(Trim(tag->Name)) : std::string();
}

std::string TTalvernDataSet::TagExpression(int i) const {
  const VXobjIndexTag* tag = table_ ? table_->TagByOrder(i) : nullptr;
  return tag ? tag->KeyExpr : std::string();
}

void TTalvernDataSet::RebuildIndexDefs() {
  indexDefs_.Clear();
  for (int i = 1; i <= TagCount(); ++i) indexDefs_.Add(TagName(i), TagExpression(i));
  indexDefs_.SetUpdated(true);
}

const TIndexDefs& TTalvernDataSet::IndexDefs() {
  if (!indexDefs_.Updated() && table_) RebuildIndexDefs();
  return indexDefs_;
}

void TTalvernDataSet::CreateIndexTag(const std::string& indexFile, const std::string& tagName,
                                     const std::string& keyExpression, const std::string& condition, int option1,
                                     int option2) {
  CheckBrowseMode();
  indexDefs_.SetUpdated(false);
  busy_ = true;
  DisableControls();
  auto finish = [this] {
    busy_ = false;
    EnableControls();
    First();
  };
  try {
    table_->CreateIndex(indexFile, tagName, TvxIndexOptions{option1 != 0, option2 != 0}, keyExpression, condition);
  } catch (...) {
    try {
      finish();
    } catch (...) {
      // The error of the build is the one to report.
    }
    throw;
  }
  finish();
}

// ---- Key ranges and master/detail

void TTalvernDataSet::SetKeyRange(const std::string& lowKey, const std::string& highKey) {
  CheckBrowseMode();
  const bool accepted = translateASCII_ ? table_->SetRange(AnsiToOem(lowKey), AnsiToOem(highKey), kKeyRange)
                                        : table_->SetRange(lowKey, highKey, kKeyRange);
  if (accepted) First();
}

// The key of the master's current record on this dataset's tag: the master
// fields' texts in the first fields of the tag's key, cut to their summed
// widths when they are all strings. None while the master inserts.
std::optional<std::string> TTalvernDataSet::MasterKey() {
  DBFObject& table = *table_;
  const VXobjIndexTag* tag = table.CurrentTag();
  if (!tag) DatabaseError(kSMasterNoIndex, {tableName_});
  const TDataSet* master = MasterLink().DataSet();
  if (master == nullptr || master->State() == dsInsert) return std::nullopt;
  const std::vector<TField*>& fields = MasterLink().Fields();
  TvxValueList values;
  bool allStrings = true;
  std::size_t width = 0;
  for (const TField* field : fields) {
    values.push_back(field->AsString());
    allStrings = allStrings && field->DataType() == ftString;
    width += static_cast<std::size_t>(field->Size());
  }
  std::vector<std::string> keyFields = ExpressionFields(table, tag->KeyExpr);
  if (keyFields.size() < fields.size()) DatabaseError(kSMasterMismatch, {tableName_});
  std::string key = KeyOfValues(table, keyFields, values, tag->KeyExpr);
  if (allStrings && key.size() > width) key.resize(width);
  return key;
}

void TTalvernDataSet::ApplyMasterRange() {
  if (!MasterLink().Active() || MasterLink().Fields().empty()) return;
  if (std::optional<std::string> key = MasterKey()) table_->SetRange(*key, *key, kMasterRange);
}

void TTalvernDataSet::MasterChanged() {
  const TDataSet* master = MasterLink().DataSet();
  if (master == nullptr || !master->Active() || master->IsEmpty()) return;
  CheckBrowseMode();
  std::optional<std::string> key = MasterKey();
  if (!key) return;
  table_->SetRange(*key, *key, kMasterRange);
  First();
}

void TTalvernDataSet::MasterDisabled() { SetKeyRange("", ""); }

}  // namespace talvern

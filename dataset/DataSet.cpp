// TDataSet: opening and closing, fields, notification of data sources,
// master/detail and the checks. The ring of record buffers and navigation are
// in DataSetBuffers.cpp, editing in DataSetEditing.cpp.

#include "dataset/DataSet.h"

#include <algorithm>
#include <exception>

#include "dataset/DataSource.h"
#include "dataset/DatabaseError.h"
#include "dataset/FieldSlot.h"
#include "dataset/FieldTypes.h"
#include "dataset/MasterDataLink.h"

namespace talvern {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Integer fields of any width read and write the same values; a field
// object of one width may stand for a definition of another.
bool SameFieldFamily(TFieldType a, TFieldType b) {
  auto integral = [](TFieldType t) { return t == ftSmallint || t == ftInteger || t == ftLargeint; };
  return a == b || (integral(a) && integral(b));
}

}  // namespace

TDataSet::TDataSet() : masterLink_(std::make_unique<TMasterDataLink>(*this)) {}

TDataSet::~TDataSet() {
  destroying_ = true;
  // The concrete dataset has closed in its own destructor
  // (CloseForDestruction); nothing here calls its hooks.
  try {
    masterLink_->SetDataSource(nullptr);
  } catch (...) {
  }
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) {
    try {
      source->SetDataSet(nullptr);
    } catch (...) {
    }
  }
  for (TField* user : lookupUsers_) user->lookupDataSet_ = nullptr;
  lookupUsers_.clear();
  fields_.clear();
}

// ---- Opening and closing

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    Notify(BeforeOpen);
    OpenCursor();
    SetState(dsBrowse);
    Notify(AfterOpen);
    if (!IsEmpty()) DoAfterScroll();
    return;
  }
  Notify(BeforeClose);
  if (state_ == dsEdit || state_ == dsInsert) {
    try {
      InternalCancel();
    } catch (...) {
      // The cursor is freed below, which gives up the edit anyway.
    }
  }
  std::exception_ptr error;
  try {
    SetState(dsInactive);
  } catch (...) {
    error = std::current_exception();
  }
  CloseCursor();
  if (error) std::rethrow_exception(error);
  Notify(AfterClose);
}

TDataSet::Buffer TDataSet::NewBuffer() const {
  return Buffer(new std::uint8_t[std::max<std::size_t>(recordBufferSize_, 1)]());
}

void TDataSet::OpenCursor() {
  defaultFields_ = fields_.empty();
  try {
    InternalOpen();
    cursorOpen_ = true;
    recordBufferSize_ = GetRecordBufferSize();
    tempBuffer_ = NewBuffer();
    UpdateBufferCount();
    bof_ = true;
  } catch (...) {
    try {
      CloseCursor();
    } catch (...) {
      // The error of the opening is the one to report.
    }
    throw;
  }
}

void TDataSet::FreeBuffers() noexcept {
  buffers_.clear();
  tempBuffer_.reset();
  calcBuffer_ = nullptr;
  bufferCount_ = recordCount_ = activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = eof_ = true;
  recordBufferSize_ = 0;
}

void TDataSet::CloseCursor() {
  FreeBuffers();
  cursorOpen_ = false;
  std::exception_ptr error;
  try {
    InternalClose();
  } catch (...) {
    error = std::current_exception();
  }
  BindFields(false);
  if (defaultFields_) {
    fields_.clear();
    defaultFields_ = false;
  }
  if (error) std::rethrow_exception(error);
}

void TDataSet::CloseForDestruction() noexcept {
  destroying_ = true;
  if (!Active() && !cursorOpen_) return;
  if (state_ == dsEdit || state_ == dsInsert) {
    try {
      InternalCancel();
    } catch (...) {
    }
  }
  state_ = dsInactive;
  try {
    CloseCursor();
  } catch (...) {
  }
}

// ---- Fields

TField& TDataSet::Fields(int index) const {
  return *fields_.at(static_cast<std::size_t>(index));
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : fields_) {
    if (SameFieldName(field->FieldName(), name)) return field.get();
  }
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseError(kSFieldNotFound, {name});
  return *field;
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view names) const {
  std::vector<TField*> list;
  while (!names.empty()) {
    std::size_t end = names.find(';');
    std::string_view name = TrimBlanks(names.substr(0, end));
    if (!name.empty()) list.push_back(&FieldByName(name));
    if (end == std::string_view::npos) break;
    names.remove_prefix(end + 1);
  }
  return list;
}

TField& TDataSet::AddField(TFieldType dataType, std::string name, int size, TFieldKind kind) {
  CheckInactive();
  if (FindField(name) != nullptr) DatabaseError(kSDuplicateFieldName, {name});
  if (kind != fkData && (dataType == ftMemo || dataType == ftBlob)) DatabaseError(kSCalcBlobField, {name});
  std::unique_ptr<TField> field = CreateFieldObject(*this, dataType, name, size, kind);
  if (!field) DatabaseError(kSUnknownFieldType, {name});
  fields_.push_back(std::move(field));
  return *fields_.back();
}

TField& TDataSet::AddLookupField(std::string name, TFieldType dataType, int size, TDataSet& lookupDataSet,
                                 std::string keyFields, std::string lookupKeyFields,
                                 std::string lookupResultField) {
  TField& field = AddField(dataType, std::move(name), size, fkLookup);
  field.lookupDataSet_ = &lookupDataSet;
  field.keyFields_ = std::move(keyFields);
  field.lookupKeyFields_ = std::move(lookupKeyFields);
  field.lookupResultField_ = std::move(lookupResultField);
  lookupDataSet.AddLookupUser(&field);
  return field;
}

void TDataSet::CreateFields() {
  CheckInactive();
  for (const TFieldDef& def : fieldDefs_) {
    if (def.dataType == ftUnknown || FindField(def.name) != nullptr) continue;
    fields_.push_back(CreateFieldObject(*this, def.dataType, def.name, def.size, fkData));
  }
}

void TDataSet::DestroyFields() {
  CheckInactive();
  fields_.clear();
}

void TDataSet::RemoveLookupUser(TField* field) {
  lookupUsers_.erase(std::remove(lookupUsers_.begin(), lookupUsers_.end(), field), lookupUsers_.end());
}

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  for (const auto& field : fields_) {
    if (!binding) {
      if (field->fieldKind_ == fkData) field->fieldNo_ = 0;
      continue;
    }
    if (field->fieldKind_ == fkData) {
      const TFieldDef* def = fieldDefs_.Find(field->FieldName());
      if (def == nullptr) DatabaseError(kSFieldNotFound, {field->FieldName()});
      if (!SameFieldFamily(def->dataType, field->DataType()))
        DatabaseError(kSFieldTypeMismatch,
                      {field->FieldName(), FieldTypeName(field->DataType()), FieldTypeName(def->dataType)});
      field->fieldNo_ = def->fieldNo;
      continue;
    }
    if (field->fieldKind_ == fkLookup) {
      if (field->lookupDataSet_ == nullptr || field->keyFields_.empty() || field->lookupKeyFields_.empty() ||
          field->lookupResultField_.empty())
        DatabaseError(kSLookupInfoError, {field->FieldName()});
      GetFieldList(field->keyFields_);
    }
    field->offset_ = calcFieldsSize_;
    calcFieldsSize_ += FieldSlotSize(field->DataType(), field->Size());
  }
}

// ---- Filtering, master/detail and checks

TDataSource* TDataSet::MasterSource() const { return masterLink_->DataSource(); }

void TDataSet::SetMasterSource(TDataSource* source) {
  if (source != nullptr && IsLinkedTo(source)) DatabaseError(kSCircularDataLink);
  masterLink_->SetDataSource(source);
}

void TDataSet::SetMasterFields(std::string names) {
  masterFields_ = std::move(names);
  masterLink_->SetFieldNames(masterFields_);
}

bool TDataSet::IsLinkedTo(const TDataSource* source) const {
  // Cycles are refused when a link is made, so the chain of masters ends.
  while (source != nullptr) {
    const TDataSet* dataSet = source->DataSet();
    if (dataSet == nullptr) return false;
    if (dataSet == this) return true;
    source = dataSet->MasterSource();
  }
  return false;
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError(kSDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError(kSDataSetOpen);
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError(kSDataSetReadOnly);
}

std::int32_t TDataSet::RecNo() { return -1; }
void TDataSet::SetRecNo(std::int32_t) {}
std::int32_t TDataSet::RecordCount() { return -1; }

// ---- States and notification

void TDataSet::SetState(TDataSetState value) {
  if (state_ == value) return;
  state_ = value;
  modified_ = false;
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState old = state_;
  state_ = value;
  return old;
}

void TDataSet::DataEvent(TDataEvent event, TField* field, int info) {
  if (event == deFieldChange) {
    switch (state_) {
      case dsCalcFields:
      case dsFilter:
      case dsNewValue:
      case dsOldValue:
      case dsInternalCalc:
        return;  // values computed on the way, not changes of the record
      default:
        break;
    }
    if (field != nullptr && field->FieldKind() == fkData) modified_ = true;
    if (autoCalcFields_ && (state_ == dsEdit || state_ == dsInsert) && calcFieldsSize_ > 0)
      GetCalcFields(ActiveBuffer());
  }
  // Pending values of bound controls and posting of details must not wait
  // for EnableControls: they would be lost.
  if (!ControlsDisabled() || event == deUpdateRecord || event == deCheckBrowseMode) {
    SendToSources(event, field, info);
  } else if (event == deUpdateState && state_ == dsInactive) {
    closedWhileDisabled_ = true;
  }
}

void TDataSet::SendToSources(TDataEvent event, TField* field, int info) {
  // A listener may detach sources; each one still attached hears the event,
  // and the first error is raised once all have heard it.
  std::exception_ptr error;
  for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) {
    if (std::find(dataSources_.begin(), dataSources_.end(), source) == dataSources_.end()) continue;
    try {
      source->DataEvent(event, field, info);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    closedWhileDisabled_ = false;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0 || --disableCount_ != 0) return;
  // Closed and opened again unseen: the links must let go of the old fields.
  bool reopened = closedWhileDisabled_ && disableState_ != dsInactive && state_ != dsInactive;
  closedWhileDisabled_ = false;
  if (reopened) {
    for (TDataSource* source : std::vector<TDataSource*>(dataSources_)) source->UpdateState(true);
  }
  if (reopened || disableState_ != state_) SendToSources(deUpdateState, nullptr, 0);
  if (disableState_ != dsInactive && state_ != dsInactive) SendToSources(deDataSetChange, nullptr, 0);
}

void TDataSet::AddDataSource(TDataSource* source) {
  dataSources_.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), source), dataSources_.end());
  if (!destroying_) UpdateBufferCount();
}

void TDataSet::DoBeforeScroll() { Notify(BeforeScroll); }
void TDataSet::DoAfterScroll() { Notify(AfterScroll); }

}  // namespace talvern

#include "dataset/DataLink.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "dataset/DataSet.h"
#include "dataset/DataSource.h"
#include "dataset/MasterDataLink.h"

namespace talvern {

TDataLink::~TDataLink() {
  if (dataSource_ != nullptr) {
    try {
      dataSource_->RemoveDataLink(this);
    } catch (...) {
    }
  }
}

TDataSet* TDataLink::DataSet() const { return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == dataSource_) return;
  if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
  dataSource_ = source;
  std::exception_ptr error;
  if (dataSource_ != nullptr) {
    try {
      dataSource_->AddDataLink(this);  // may read records for a larger window
    } catch (...) {
      error = std::current_exception();
    }
  }
  UpdateState();
  if (error) std::rethrow_exception(error);
}

void TDataLink::UpdateState() {
  TDataSetState state = dataSource_ != nullptr ? dataSource_->State() : dsInactive;
  bool active = state != dsInactive;
  if (active != active_) {
    active_ = active;
    firstRecord_ = 0;
    if (active_) UpdateRange(0);
    ActiveChanged();
  }
  bool editing = active_ && !readOnly_ && (state == dsEdit || state == dsInsert);
  if (editing != editing_) {
    editing_ = editing;
    EditingChanged();
  }
}

int TDataLink::UpdateRange(int shift) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return 0;
  int first = firstRecord_ + shift;
  int last = first + bufferCount_ - 1;
  int active = dataSet->activeRecord_;
  int moved = 0;
  if (active > last) {
    moved = active - last;
  } else if (active < first) {
    moved = active - first;
  }
  firstRecord_ = std::max(0, first + moved);
  return moved;
}

void TDataLink::DataEvent(TDataEvent event, TField* field, int info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(field);
      break;
    case deDataSetChange:
      UpdateRange(0);
      DataSetChanged();
      break;
    case deDataSetScroll:
      DataSetScrolled(UpdateRange(info));
      break;
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    default:
      break;
  }
}

void TDataLink::SetBufferCount(int value) {
  value = std::max(1, value);
  if (value == bufferCount_) return;
  bufferCount_ = value;
  if (TDataSet* dataSet = DataSet()) dataSet->UpdateBufferCount();
  if (active_) UpdateRange(0);
}

int TDataLink::ActiveRecord() const {
  TDataSet* dataSet = DataSet();
  return dataSet != nullptr ? dataSet->activeRecord_ - firstRecord_ : 0;
}

void TDataLink::SetActiveRecord(int value) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || value < 0 || value >= RecordCount())
    throw std::out_of_range("data link record index out of range");
  dataSet->activeRecord_ = firstRecord_ + value;
}

int TDataLink::RecordCount() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || !active_) return 0;
  return std::clamp(dataSet->recordCount_ - firstRecord_, 0, bufferCount_);
}

bool TDataLink::Edit() {
  TDataSet* dataSet = DataSet();
  if (!readOnly_ && !editing_ && active_ && dataSet != nullptr) dataSet->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

int TDataLink::MoveBy(int distance) {
  TDataSet* dataSet = DataSet();
  return dataSet != nullptr ? dataSet->MoveBy(distance) : 0;
}

void TDataLink::DataSetChanged() { RecordChanged(nullptr); }
void TDataLink::DataSetScrolled(int) { DataSetChanged(); }

// ---- TMasterDataLink

void TMasterDataLink::SetFieldNames(std::string names) {
  fieldNames_ = std::move(names);
  if (Active()) ActiveChanged();
}

void TMasterDataLink::ActiveChanged() {
  fields_.clear();
  if (detail_.destroying_) return;
  if (Active()) fields_ = DataSet()->GetFieldList(fieldNames_);
  if (!detail_.Active()) return;
  if (Active() && !fields_.empty()) {
    detail_.MasterChanged();
  } else {
    detail_.MasterDisabled();
  }
}

void TMasterDataLink::CheckBrowseMode() {
  if (detail_.Active()) detail_.CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
  if (DataSource()->State() == dsSetKey || !detail_.Active() || fields_.empty()) return;
  if (field != nullptr && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  detail_.MasterChanged();
}

}  // namespace talvern

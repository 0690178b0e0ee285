#include "dataset/DataSource.h"

#include <algorithm>
#include <exception>

#include "dataset/DataLink.h"
#include "dataset/DataSet.h"
#include "dataset/DatabaseError.h"

namespace talvern {

TDataSource::TDataSource(TDataSet* dataSet) { SetDataSet(dataSet); }

TDataSource::~TDataSource() {
  for (TDataLink* link : std::vector<TDataLink*>(links_)) {
    link->dataSource_ = nullptr;
    try {
      link->UpdateState();
    } catch (...) {
    }
  }
  links_.clear();
  if (dataSet_ != nullptr) {
    try {
      dataSet_->RemoveDataSource(this);
    } catch (...) {
    }
  }
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  // A dataset may not follow, through its masters, the source it is given to.
  for (const TDataSet* d = dataSet; d != nullptr;) {
    const TDataSource* master = d->MasterSource();
    if (master == this) DatabaseError(kSCircularDataLink);
    d = master != nullptr ? master->DataSet() : nullptr;
  }
  std::exception_ptr error;
  if (dataSet_ != nullptr) {
    dataSet_->RemoveDataSource(this);
    // The links let go of the old dataset (its fields, its records) before
    // they see the new one: going from one open dataset to another would
    // otherwise change no state, and they would go on showing the old one.
    dataSet_ = nullptr;
    try {
      UpdateState();
    } catch (...) {
      error = std::current_exception();
    }
  }
  dataSet_ = dataSet;
  if (dataSet_ != nullptr) {
    try {
      dataSet_->AddDataSource(this);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  try {
    UpdateState();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  if (error) std::rethrow_exception(error);
}

void TDataSource::SetEnabled(bool value) {
  enabled_ = value;
  UpdateState();
}

void TDataSource::UpdateState(bool forceInactive) {
  if (forceInactive || !enabled_ || dataSet_ == nullptr) {
    SetState(dsInactive);
  } else {
    SetState(dataSet_->State());
  }
}

void TDataSource::SetState(TDataSetState value) {
  if (state_ == value) return;
  TDataSetState prior = state_;
  state_ = value;
  NotifyLinks(deUpdateState, nullptr, 0);
  if (OnStateChange) OnStateChange(*this);
  if (prior == dsInactive && OnDataChange) OnDataChange(*this, nullptr);
}

void TDataSource::DataEvent(TDataEvent event, TField* field, int info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (state_ == dsInactive) return;
  NotifyLinks(event, field, info);
  switch (event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(*this, field);
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
      if (OnDataChange) OnDataChange(*this, nullptr);
      break;
    default:
      break;
  }
}

void TDataSource::NotifyLinks(TDataEvent event, TField* field, int info) {
  // A link may detach itself or others while it is told; each link still
  // attached hears the event, and the first error is raised at the end.
  std::exception_ptr error;
  for (TDataLink* link : std::vector<TDataLink*>(links_)) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    try {
      link->DataEvent(event, field, info);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
}

void TDataSource::AddDataLink(TDataLink* link) {
  links_.push_back(link);
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (dataSet_ != nullptr && !dataSet_->destroying_) dataSet_->UpdateBufferCount();
}

}  // namespace talvern

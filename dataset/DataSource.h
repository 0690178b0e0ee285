#pragma once
// TDataSource: the point where bound controls attach to a dataset. It passes
// the dataset's notifications on to its data links (TDataLink) and offers two
// events of its own for code that only wants to hear of changes. One dataset
// may have many sources; a source serves one dataset at a time, and can be
// switched off (Enabled) to make its links see an inactive dataset.

#include <functional>
#include <vector>

#include "dataset/DataSetTypes.h"

namespace talvern {

class TDataLink;

class TDataSource {
public:
  explicit TDataSource(TDataSet* dataSet = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // The dataset's state as the links see it: inactive while disabled or
  // without a dataset.
  TDataSetState State() const { return state_; }

  // The state changed (opened, closed, edit began or ended).
  std::function<void(TDataSource&)> OnStateChange;
  // The current record's data changed: field is the field written, nullptr
  // when the record as a whole or the cursor changed.
  std::function<void(TDataSource&, TField* field)> OnDataChange;

private:
  friend class TDataSet;
  friend class TDataLink;

  void DataEvent(TDataEvent event, TField* field, int info);
  // Makes State follow the dataset; forceInactive shows the links an
  // inactive dataset first (used when it was reopened unseen).
  void UpdateState(bool forceInactive = false);
  void SetState(TDataSetState value);
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  void NotifyLinks(TDataEvent event, TField* field, int info);

  TDataSet* dataSet_ = nullptr;
  bool enabled_ = true;
  TDataSetState state_ = dsInactive;
  std::vector<TDataLink*> links_;
};

}  // namespace talvern

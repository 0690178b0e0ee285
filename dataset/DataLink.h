#pragma once
// TDataLink: the observer a bound control (a grid model, a lookup list, a
// detail dataset) attaches to a data source. Subclasses override the
// notifications they care about; the defaults pass a scroll on as a data
// change and a data change on as RecordChanged(nullptr).
//
// A link that shows several records asks for BufferCount buffers; the dataset
// then keeps at least that many records around the current one, and the link
// sees a window of RecordCount records of them, numbered 0.. with the current
// one at ActiveRecord. Setting ActiveRecord makes another record of the
// window current for reading its fields, without moving the cursor; a
// control sets it back when it is done.

#include "dataset/DataSetTypes.h"

namespace talvern {

class TDataSource;

class TDataLink {
public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const;
  // The source has an open dataset.
  bool Active() const { return active_; }
  // The dataset is in edit or insert state.
  bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }

  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int value);
  int ActiveRecord() const;
  // Raises std::out_of_range outside 0 .. RecordCount() - 1.
  void SetActiveRecord(int value);
  int RecordCount() const;

  // Puts the dataset into edit state unless the link is read-only; true
  // when the dataset is editing afterwards.
  bool Edit();
  // Runs UpdateData without hearing its own field changes.
  void UpdateRecord();
  int MoveBy(int distance);

protected:
  virtual void ActiveChanged() {}
  virtual void EditingChanged() {}
  virtual void DataSetChanged();
  // distance: how many rows the link's window moved over the records.
  virtual void DataSetScrolled(int distance);
  virtual void RecordChanged(TField* /*field*/) {}
  // Write pending values into the fields (the dataset is about to post).
  virtual void UpdateData() {}
  // The dataset leaves edit mode.
  virtual void CheckBrowseMode() {}

private:
  friend class TDataSource;
  friend class TDataSet;

  void DataEvent(TDataEvent event, TField* field, int info);
  void UpdateState();
  // Keeps the current record inside the window; returns how far it moved.
  int UpdateRange(int shift);

  TDataSource* dataSource_ = nullptr;
  int firstRecord_ = 0;  // ring index of the window's first record
  int bufferCount_ = 1;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
};

}  // namespace talvern

#pragma once
// ViewDataLink: the data link of a view that shows records of a dataset (a
// table model, the device grid's data set). A view reads records by moving the
// dataset's cursor and, where it matters, putting it back; every such move
// reaches every link of the dataset as a change. A view therefore marks the
// dataset while it reads (ReadScope), and the links of views pass nothing on
// from a marked dataset: otherwise one view's reading would make another view
// read again, and two views on one dataset would keep each other repainting.
//
// Links that are not views (a detail dataset following its master) still hear
// every move and follow it. A table model puts the cursor back when it is
// done; the device grid leaves it on the record it painted last.
//
// What a view hears, in place of TDataLink's notifications:
//   RecordsChanged       the dataset opened or closed, or the records or the
//                        cursor changed as a whole (post, filter, First, ...)
//   CurrentRecordChanged a field of the current record was written (nullptr:
//                        the record as a whole, e.g. editing began)
//   ViewEditingChanged   editing began or ended
// Moves by MoveBy alone are not passed on: they change no record.

#include "dataset/DataLink.h"

namespace talvern {

class ViewDataLink : public TDataLink {
public:
  // True while a view is reading the dataset by moving its cursor.
  static bool BeingRead(const TDataSet* dataSet);

protected:
  // Marks the dataset as being read by a view for its lifetime. Scopes nest.
  class ReadScope {
  public:
    explicit ReadScope(const TDataSet& dataSet);
    ~ReadScope();
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

  private:
    const TDataSet& dataSet_;
  };

  virtual void RecordsChanged() {}
  virtual void CurrentRecordChanged(TField* /*field*/) {}
  virtual void ViewEditingChanged() {}

private:
  bool Quiet() const { return BeingRead(DataSet()); }
  void ActiveChanged() final { RecordsChanged(); }
  void EditingChanged() final;
  void DataSetChanged() final;
  void DataSetScrolled(int distance) final;
  void RecordChanged(TField* field) final;
};

}  // namespace talvern

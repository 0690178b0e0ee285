#include "app/GridDataLink.h"

#include "app/CustomGrid.h"
#include "dataset/DataSet.h"

namespace talvern {

int GridDataLink::RecNo() {
  if (!Active()) return 0;
  return wanted_ != 0 ? wanted_ : DataSet()->RecNo();
}

void GridDataLink::SetRecNo(int recNo) {
  if (!Active()) return;
  TDataSet& dataSet = *DataSet();
  if (dataSet.State() != dsBrowse) {
    wanted_ = recNo != dataSet.RecNo() ? recNo : 0;
    return;
  }
  wanted_ = 0;
  ReadScope reading(dataSet);
  dataSet.SetRecNo(recNo);
}

std::string GridDataLink::FieldText(const std::string& fieldName) {
  if (!Active()) return {};
  TDataSet& dataSet = *DataSet();
  if (wanted_ != 0 && wanted_ != dataSet.RecNo()) return {};
  return dataSet.FieldByName(fieldName).AsString();
}

void GridDataLink::RecordsChanged() {
  wanted_ = 0;
  grid_.InvalidateGrid();
}

void GridDataLink::CurrentRecordChanged(TField*) { grid_.InvalidateGrid(); }

void GridDataLink::ViewEditingChanged() {
  wanted_ = 0;
  grid_.InvalidateGrid();
}

}  // namespace talvern

#include "app/GridDataLink.h"

#include <unordered_map>

#include "app/CustomGrid.h"
#include "dataset/DataSet.h"
#include "dataset/Field.h"
#include "dataset/TalvernDataSet.h"

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

// A table reads the records by number, each once (they were read a moment ago
// to fill the grid, so the system's cache holds them), without moving the
// cursor; another dataset is walked in its own order
// once (much quicker than standing on each record by its number), and the
// records the walk does not meet are read by number.
void GridDataLink::ReadFields(const std::vector<std::int32_t>& recNos, const std::vector<std::string>& fieldNames,
                              const FieldTaker& take) {
  if (!Active()) return;
  TDataSet& dataSet = *DataSet();
  if (dataSet.State() != dsBrowse) {
    TxGridDataSet::ReadFields(recNos, fieldNames, take);
    return;
  }
  if (quickReader_ && quickReader_(recNos, fieldNames, take)) return;
  std::vector<TField*> fields;
  bool calculated = false;
  for (const std::string& name : fieldNames) {
    fields.push_back(&dataSet.FieldByName(name));
    calculated = calculated || fields.back()->FieldKind() != fkData;
  }
  if (auto* table = dynamic_cast<TTalvernDataSet*>(&dataSet)) {
    table->ReadRecords(
        recNos, [&](std::size_t r) {
          for (std::size_t f = 0; f < fields.size(); ++f) take(r, f, fields[f]->AsString());
        },
        calculated);
    return;
  }
  std::unordered_map<std::int32_t, std::size_t> wanted;
  for (std::size_t r = 0; r < recNos.size(); ++r) wanted.emplace(recNos[r], r);
  {
    ReadScope reading(dataSet);
    dataSet.DisableControls();
    try {
      for (dataSet.First(); !dataSet.Eof() && !wanted.empty(); dataSet.Next()) {
        auto found = wanted.find(dataSet.RecNo());
        if (found == wanted.end()) continue;
        for (std::size_t f = 0; f < fields.size(); ++f) take(found->second, f, fields[f]->AsString());
        wanted.erase(found);
      }
    } catch (...) {
      dataSet.EnableControls();
      throw;
    }
    dataSet.EnableControls();
  }
  for (std::size_t r = 0; r < recNos.size(); ++r) {
    if (wanted.count(recNos[r]) == 0) continue;
    SetRecNo(recNos[r]);
    for (std::size_t f = 0; f < fieldNames.size(); ++f) take(r, f, FieldText(fieldNames[f]));
  }
}

void GridDataLink::RecordsChanged() {
  wanted_ = 0;
  grid_.InvalidateGrid();
}

void GridDataLink::CurrentRecordChanged(TField*) {
  RecordsWritten();
  grid_.InvalidateGrid();
}

void GridDataLink::ViewEditingChanged() {
  wanted_ = 0;
  RecordsWritten();
  grid_.InvalidateGrid();
}

void GridDataLink::RecordsWritten() {
  if (onRecordsWritten_) onRecordsWritten_();
}

}  // namespace talvern

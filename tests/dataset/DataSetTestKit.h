#pragma once
// What the dataset tests share: a small device table, a kind table to look
// up in, and a bound control that counts what it is told.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dataset/DataLink.h"
#include "dataset/DataSource.h"
#include "dataset/MemoryDataSet.h"

namespace talvern::test {

// TYPE, VID, PARAMS, IMPORT; devices "T1".."Tn" of kind 1 and 2 in turn.
inline std::unique_ptr<TMemoryDataSet> MakeDevices(int count) {
  auto devices = std::make_unique<TMemoryDataSet>(std::vector<TMemoryDataSet::Column>{
      {"TYPE", ftString, 10}, {"VID", ftInteger}, {"PARAMS", ftString, 40}, {"IMPORT", ftBoolean}});
  for (int i = 1; i <= count; ++i) {
    std::string type = "T";
    type += std::to_string(i);  // (not "T" + ...: g++ 12 warns falsely about that)
    devices->AddRow({type, std::int64_t{1 + (i - 1) % 2}, std::string("5|10||0,3"), i % 2 == 0});
  }
  return devices;
}

// VID, GROUP, NAME.
inline std::unique_ptr<TMemoryDataSet> MakeKinds() {
  auto kinds = std::make_unique<TMemoryDataSet>(std::vector<TMemoryDataSet::Column>{
      {"VID", ftInteger}, {"GROUP", ftInteger}, {"NAME", ftString, 20}});
  kinds->AddRow({std::int64_t{1}, std::int64_t{1}, std::string("Diodes")});
  kinds->AddRow({std::int64_t{2}, std::int64_t{1}, std::string("Zener diodes")});
  kinds->AddRow({std::int64_t{3}, std::int64_t{2}, std::string("Transistors")});
  return kinds;
}

inline std::string Type(TDataSet& dataSet) { return dataSet.FieldByName("TYPE").AsString(); }

// The types of the records in turn from the current one to the end.
inline std::vector<std::string> TypesToEnd(TDataSet& dataSet) {
  std::vector<std::string> types;
  while (!dataSet.Eof()) {
    types.push_back(Type(dataSet));
    dataSet.Next();
  }
  return types;
}

class RecordingLink : public TDataLink {
public:
  int activeChanges = 0, editingChanges = 0, dataSetChanges = 0, recordChanges = 0, updates = 0;
  std::vector<int> scrolls;
  std::vector<std::string> changedFields;
  std::function<void()> onUpdateData;

  int Events() const {
    return activeChanges + editingChanges + dataSetChanges + recordChanges + static_cast<int>(scrolls.size());
  }
  // The types the link's window shows, read the way a grid paints them.
  std::vector<std::string> Window() {
    std::vector<std::string> types;
    if (RecordCount() == 0) return types;
    int saved = ActiveRecord();
    for (int i = 0; i < RecordCount(); ++i) {
      SetActiveRecord(i);
      types.push_back(Type(*DataSet()));
    }
    SetActiveRecord(saved);
    return types;
  }

protected:
  void ActiveChanged() override { ++activeChanges; }
  void EditingChanged() override { ++editingChanges; }
  void DataSetChanged() override { ++dataSetChanges; }
  void DataSetScrolled(int distance) override { scrolls.push_back(distance); }
  void RecordChanged(TField* field) override {
    ++recordChanges;
    changedFields.push_back(field != nullptr ? field->FieldName() : std::string());
  }
  void UpdateData() override {
    ++updates;
    if (onUpdateData) onUpdateData();
  }
};

}  // namespace talvern::test

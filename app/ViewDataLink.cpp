#include "app/ViewDataLink.h"

#include <algorithm>
#include <vector>

namespace talvern {
namespace {

// The datasets views are reading right now, once per open scope. Views live
// on the user-interface thread only, and the list is empty between reads.
std::vector<const TDataSet*>& DataSetsBeingRead() {
  static std::vector<const TDataSet*> dataSets;
  return dataSets;
}

}  // namespace

bool ViewDataLink::BeingRead(const TDataSet* dataSet) {
  const auto& reading = DataSetsBeingRead();
  return dataSet != nullptr && std::find(reading.begin(), reading.end(), dataSet) != reading.end();
}

ViewDataLink::ReadScope::ReadScope(const TDataSet& dataSet) : dataSet_(dataSet) {
  DataSetsBeingRead().push_back(&dataSet_);
}

ViewDataLink::ReadScope::~ReadScope() {
  auto& reading = DataSetsBeingRead();
  auto found = std::find(reading.begin(), reading.end(), &dataSet_);
  if (found != reading.end()) reading.erase(found);
}

void ViewDataLink::EditingChanged() {
  if (!Quiet()) ViewEditingChanged();
}

void ViewDataLink::DataSetChanged() {
  if (!Quiet()) RecordsChanged();
}

void ViewDataLink::DataSetScrolled(int) {}

void ViewDataLink::RecordChanged(TField* field) {
  if (!Quiet()) CurrentRecordChanged(field);
}

}  // namespace talvern

#include "impexp/NameIndex.h"

#include <algorithm>

#include "dataset/TalvernDataSet.h"
#include "engine/Strings.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern::impexp {

// Record-number order reads the table front to back, in large blocks.
NameIndex::NameIndex(TTalvernDataSet& dataSet, const std::string& fieldName) {
  const std::string order = dataSet.IndexName();
  dataSet.DisableControls();
  try {
    dataSet.SetIndexName("");
    TField& field = dataSet.FieldByName(fieldName);
    width_ = static_cast<std::size_t>(field.Size());
    records_.reserve(static_cast<std::size_t>(std::max(dataSet.RecordCount(), 0)));
    for (; !dataSet.Eof(); dataSet.Next()) records_[platform::AnsiUpper(field.AsString())].push_back(dataSet.RecNo());
    dataSet.SetIndexName(order);
  } catch (...) {
    dataSet.EnableControls();
    throw;
  }
  dataSet.EnableControls();
}

std::int32_t NameIndex::Find(const std::string& text) const {
  const std::string stored = platform::OemToChar(platform::CharToOem(std::string_view(text).substr(0, width_)));
  auto it = records_.find(platform::AnsiUpper(TrimRight(stored)));
  return it == records_.end() || it->second.empty() ? 0 : it->second.front();
}

void NameIndex::Add(const std::string& stored, std::int32_t recNo) {
  std::vector<std::int32_t>& records = records_[platform::AnsiUpper(stored)];
  records.insert(std::lower_bound(records.begin(), records.end(), recNo), recNo);
}

void NameIndex::Remove(const std::string& stored, std::int32_t recNo) {
  auto it = records_.find(platform::AnsiUpper(stored));
  if (it == records_.end()) return;
  auto at = std::lower_bound(it->second.begin(), it->second.end(), recNo);
  if (at != it->second.end() && *at == recNo) it->second.erase(at);
}

}  // namespace talvern::impexp

#include "impexp/NameIndex.h"

#include "dataset/TalvernDataSet.h"
#include "engine/Strings.h"
#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern::impexp {

NameIndex::NameIndex(TTalvernDataSet& dataSet, const std::string& fieldName) {
  TField& field = dataSet.FieldByName(fieldName);
  width_ = static_cast<std::size_t>(field.Size());
  dataSet.DisableControls();
  try {
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) Add(field.AsString(), dataSet.RecNo());
  } catch (...) {
    dataSet.EnableControls();
    throw;
  }
  dataSet.EnableControls();
}

// The text as the field would hold it (cut to its width, through the stored
// code page, trailing blanks dropped), in upper case.
std::string NameIndex::Key(const std::string& text) const {
  const std::string stored = platform::OemToChar(platform::CharToOem(std::string_view(text).substr(0, width_)));
  return platform::AnsiUpper(TrimRight(stored));
}

std::int32_t NameIndex::Find(const std::string& text) const {
  auto it = records_.find(Key(text));
  return it == records_.end() || it->second.empty() ? 0 : *it->second.begin();
}

void NameIndex::Add(const std::string& text, std::int32_t recNo) { records_[Key(text)].insert(recNo); }

void NameIndex::Remove(const std::string& text, std::int32_t recNo) {
  auto it = records_.find(Key(text));
  if (it != records_.end()) it->second.erase(recNo);
}

}  // namespace talvern::impexp

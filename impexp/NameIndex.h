#pragma once
// NameIndex: the records of a dataset by the text of one of its character
// fields, ignoring case: what Locate with the case-insensitive option finds
// (the first matching record in record-number order), found in memory. The
// import asks it once per device row and per drawing name, which a Locate
// would answer by reading the whole table each time. Built with one walk of
// the dataset; the caller keeps it up to date with the records it writes.

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>

namespace talvern {
class TTalvernDataSet;
}

namespace talvern::impexp {

class NameIndex {
public:
  // Walks the dataset (which ends after its last record) and records the
  // field's text of every record it shows.
  NameIndex(TTalvernDataSet& dataSet, const std::string& fieldName);

  // The first record (lowest number) whose field holds text, ignoring case;
  // 0 when there is none. Text is cut to the field's width, as a value
  // written into the field would be.
  std::int32_t Find(const std::string& text) const;
  // Record recNo now holds text, or no longer holds it.
  void Add(const std::string& text, std::int32_t recNo);
  void Remove(const std::string& text, std::int32_t recNo);

private:
  std::string Key(const std::string& text) const;

  std::size_t width_;
  std::unordered_map<std::string, std::set<std::int32_t>> records_;
};

}  // namespace talvern::impexp

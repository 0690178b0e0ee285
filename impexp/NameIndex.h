#pragma once
// NameIndex: the records of a dataset by the text of one of its character
// fields, ignoring case: what Locate with the case-insensitive option finds
// (the first matching record in record-number order), found in memory. The
// import asks it once per device row and per drawing name, which a Locate
// would answer by reading the whole table each time. Built with one walk of
// the dataset in record-number order; the caller keeps it up to date with the
// records it writes.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace talvern {
class TTalvernDataSet;
}

namespace talvern::impexp {

class NameIndex {
public:
  // Walks the dataset's records (it then stands on the first record of its
  // order again).
  NameIndex(TTalvernDataSet& dataSet, const std::string& fieldName);

  // The first record (lowest number) whose field holds text, ignoring case;
  // 0 when there is none. Text is taken as the field would store it: cut to
  // the field's width, through the stored code page, trailing blanks dropped.
  std::int32_t Find(const std::string& text) const;
  // Record recNo now holds the text (as the field reads it), or no longer
  // holds it.
  void Add(const std::string& stored, std::int32_t recNo);
  void Remove(const std::string& stored, std::int32_t recNo);

private:
  std::size_t width_;
  // Upper-case text -> its records in ascending order.
  std::unordered_map<std::string, std::vector<std::int32_t>> records_;
};

}  // namespace talvern::impexp

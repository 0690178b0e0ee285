#pragma once
// What the device grid needs of its dataset: to stand on a record given by its
// physical record number and to read one field of it as text. The grid keeps
// record numbers only and reads every cell when it paints, so painting moves
// the dataset's current record.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace talvern {

class TxGridDataSet {
public:
  virtual ~TxGridDataSet() = default;
  virtual int RecNo() = 0;
  virtual void SetRecNo(int recNo) = 0;
  // The field's value as text in code page 1251; raises when there is no such field.
  virtual std::string FieldText(const std::string& fieldName) = 0;

  // Reads fields of many records at once, handing each text to take with the
  // record's index in recNos and the field's index in fieldNames. By default
  // one record after the other; a data set may know a quicker way.
  using FieldTaker = std::function<void(std::size_t record, std::size_t field, std::string text)>;
  virtual void ReadFields(const std::vector<std::int32_t>& recNos, const std::vector<std::string>& fieldNames,
                          const FieldTaker& take) {
    for (std::size_t r = 0; r < recNos.size(); ++r) {
      if (RecNo() != recNos[r]) SetRecNo(recNos[r]);
      for (std::size_t f = 0; f < fieldNames.size(); ++f) take(r, f, FieldText(fieldNames[f]));
    }
  }
};

}  // namespace talvern

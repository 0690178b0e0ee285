#pragma once
// What the device grid needs of its dataset: to stand on a record given by its
// physical record number and to read one field of it as text. The grid keeps
// record numbers only and reads every cell when it paints, so painting moves
// the dataset's current record.

#include <cstdint>
#include <string>

namespace talvern {

class TxGridDataSet {
public:
  virtual ~TxGridDataSet() = default;
  virtual int RecNo() = 0;
  virtual void SetRecNo(int recNo) = 0;
  // The field's value as text in code page 1251; raises when there is no such field.
  virtual std::string FieldText(const std::string& fieldName) = 0;
};

}  // namespace talvern

#pragma once
// TvxDBFFields: one entry of a table's field dictionary, made when the table
// opens: the field's name, length (type C with its high byte), decimals,
// type letter, 1-based number and offset in the record.

#include <cstdint>
#include <string>

namespace talvern {

class TvxlDBFFieldVars;
class VXO_dBaseFld;

class TvxDBFFields {
public:
  TvxDBFFields(VXO_dBaseFld* table, std::string name, std::int32_t length, std::int32_t decimals,
               char type, std::int32_t number, std::int32_t offset)
      : table_(table), name_(std::move(name)), length_(length), decimals_(decimals),
        type_(type), number_(number), offset_(offset) {}

  VXO_dBaseFld* Table() const { return table_; }
  const std::string& Name() const { return name_; }
  std::int32_t Length() const { return length_; }
  std::int32_t Decimals() const { return decimals_; }
  char Type() const { return type_; }
  std::int32_t Number() const { return number_; }
  std::int32_t Offset() const { return offset_; }
  // The field's variable in the table's expression link (owned by the link).
  TvxlDBFFieldVars* Variable() const { return variable_; }
  void SetVariable(TvxlDBFFieldVars* variable) { variable_ = variable; }

protected:
  VXO_dBaseFld* table_;
  std::string name_;
  std::int32_t length_;
  std::int32_t decimals_;
  char type_;
  std::int32_t number_;
  std::int32_t offset_;
  TvxlDBFFieldVars* variable_ = nullptr;
};

}  // namespace talvern

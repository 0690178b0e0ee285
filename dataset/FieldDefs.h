#pragma once
// Field definitions: the fields a dataset's records offer, as the concrete
// dataset reports them (InternalInitFieldDefs). Field objects are made from
// them (TDataSet::CreateFields) and bound to them by name at opening.

#include <string>
#include <string_view>
#include <vector>

#include "dataset/DataSetTypes.h"

namespace talvern {

struct TFieldDef {
  std::string name;
  TFieldType dataType = ftUnknown;
  int size = 0;     // characters of a string field, 0 for the other types
  int fieldNo = 0;  // the concrete dataset's own number for the field (1-based)
};

class TFieldDefs {
public:
  // Adds a definition; fieldNo 0 numbers it by its position (1-based).
  TFieldDef& Add(std::string name, TFieldType dataType, int size = 0, int fieldNo = 0);
  void Clear() { defs_.clear(); }

  int Count() const { return static_cast<int>(defs_.size()); }
  const TFieldDef& operator[](int i) const { return defs_.at(static_cast<std::size_t>(i)); }
  // Case-insensitive; nullptr when there is no such definition.
  const TFieldDef* Find(std::string_view name) const;

  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

private:
  std::vector<TFieldDef> defs_;
};

// Field names compare without regard to the case of Latin letters.
bool SameFieldName(std::string_view a, std::string_view b);

// The display name of a field type, as error messages show it.
const char* FieldTypeName(TFieldType type);

}  // namespace talvern

#include "dataset/FieldDefs.h"

namespace talvern {

TFieldDef& TFieldDefs::Add(std::string name, TFieldType dataType, int size, int fieldNo) {
  TFieldDef def;
  def.name = std::move(name);
  def.dataType = dataType;
  def.size = size;
  def.fieldNo = fieldNo != 0 ? fieldNo : Count() + 1;
  defs_.push_back(std::move(def));
  return defs_.back();
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const {
  for (const TFieldDef& def : defs_) {
    if (SameFieldName(def.name, name)) return &def;
  }
  return nullptr;
}

bool SameFieldName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

const char* FieldTypeName(TFieldType type) {
  switch (type) {
    case ftString: return "String";
    case ftSmallint: return "Smallint";
    case ftInteger: return "Integer";
    case ftLargeint: return "Largeint";
    case ftFloat: return "Float";
    case ftCurrency: return "Currency";
    case ftBoolean: return "Boolean";
    case ftDate: return "Date";
    case ftDateTime: return "DateTime";
    case ftMemo: return "Memo";
    case ftBlob: return "Blob";
    case ftUnknown: break;
  }
  return "Unknown";
}

}  // namespace talvern

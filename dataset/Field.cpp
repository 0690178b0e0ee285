#include "dataset/Field.h"

#include <algorithm>

#include "dataset/DataSet.h"
#include "dataset/DatabaseError.h"
#include "dataset/FieldSlot.h"

namespace talvern {

TField::TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size, TFieldKind kind)
    : dataSet_(&dataSet), fieldName_(std::move(fieldName)), dataType_(dataType), size_(size), fieldKind_(kind) {}

TField::~TField() {
  if (lookupDataSet_ != nullptr) lookupDataSet_->RemoveLookupUser(this);
}

int TField::DataSize() const { return FieldSlotDataSize(dataType_, size_); }

int TField::Index() const {
  const auto& fields = dataSet_->fields_;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].get() == this) return static_cast<int>(i);
  }
  return -1;
}

bool TField::GetData(FieldValue& value) const {
  value = std::monostate{};
  if (dataSet_->GetActiveRecBuf() == nullptr) return false;
  if (!dataSet_->GetFieldData(*this, value)) {
    value = std::monostate{};
    return false;
  }
  return true;
}

void TField::SetData(const FieldValue& value) { dataSet_->SetFieldDataAndNotify(*this, value); }

bool TField::IsNull() const {
  FieldValue value;
  return !GetData(value);
}

FieldValue TField::Value() const {
  FieldValue value;
  GetData(value);
  return value;
}

void TField::SetValue(const FieldValue& value) {
  struct Visitor {
    TField& field;
    void operator()(std::monostate) const { field.Clear(); }
    void operator()(const std::string& s) const { field.SetAsString(s); }
    void operator()(std::int64_t n) const { field.SetAsLargeInt(n); }
    void operator()(double d) const { field.SetAsFloat(d); }
    void operator()(bool b) const { field.SetAsBoolean(b); }
  };
  std::visit(Visitor{*this}, value);
}

void TField::Clear() { SetData(std::monostate{}); }

void TField::AccessError(const char* typeName) const {
  DatabaseError(kSFieldAccessError, {fieldName_, typeName});
}

void TField::RangeError(std::string_view value, std::string_view min, std::string_view max) const {
  DatabaseError(kSFieldRangeError, {value, fieldName_, min, max});
}

std::string TField::AsString() const { AccessError("String"); }
std::int32_t TField::AsInteger() const { AccessError("Integer"); }
std::int64_t TField::AsLargeInt() const { AccessError("Largeint"); }
double TField::AsFloat() const { AccessError("Float"); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsString(const std::string&) { AccessError("String"); }
void TField::SetAsInteger(std::int32_t) { AccessError("Integer"); }
void TField::SetAsLargeInt(std::int64_t) { AccessError("Largeint"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }

}  // namespace talvern

#pragma once
// A field object: one column of a dataset's current record, with its value
// readable and writable as text, number, logical value or date. The object
// keeps no value of its own; every read and write goes to the dataset, which
// answers from the record buffer its state selects (the active record, the
// record whose calculated fields are being computed, the record the filter is
// asking about, ...). Typed subclasses (FieldTypes.h) convert between their
// type and the others; a conversion that makes no sense raises
// "Cannot access field '%s' as type %s".
//
// A field is a data field (bound by name to a field definition when the
// dataset opens), a calculated field (filled by OnCalcFields) or a lookup
// field (the value of LookupResultField in LookupDataSet of the record whose
// LookupKeyFields equal this dataset's KeyFields). The dataset owns its fields.

#include <cstdint>
#include <string>
#include <string_view>

#include "dataset/DataSetTypes.h"
#include "dataset/DateTime.h"
#include "dataset/FieldValue.h"

namespace talvern {

class TField {
public:
  virtual ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  const std::string& FieldName() const { return fieldName_; }
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  // Characters of a string field; 0 for the other types.
  int Size() const { return size_; }
  // Bytes the value takes in a field slot (FieldSlot.h), after its flag byte.
  int DataSize() const;
  // The number of the field definition the field is bound to, 0 while not
  // bound and for calculated and lookup fields.
  int FieldNo() const { return fieldNo_; }
  // Position among the dataset's fields.
  int Index() const;
  TDataSet* DataSet() const { return dataSet_; }
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  bool IsBlob() const { return dataType_ == ftMemo || dataType_ == ftBlob; }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }
  // The column heading: DisplayLabel, or the field name when it is empty.
  const std::string& DisplayName() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(std::string value) { displayLabel_ = std::move(value); }
  // Width of the column in characters.
  int DisplayWidth() const { return displayWidth_; }
  void SetDisplayWidth(int value) { displayWidth_ = value; }
  // Whether the dataset converts the field's text between the stored code
  // page and the display code page (on for strings and memos).
  bool Transliterate() const { return transliterate_; }
  void SetTransliterate(bool value) { transliterate_ = value; }

  // Lookup fields: where the value comes from.
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  const std::string& KeyFields() const { return keyFields_; }
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  const std::string& LookupResultField() const { return lookupResultField_; }

  bool IsNull() const;
  // The value in its natural form; null when the field is null.
  virtual FieldValue Value() const;
  // Stores a value of any form, converted to the field's type.
  void SetValue(const FieldValue& value);
  virtual void Clear();

  // Null reads as the empty text, 0, false or day 0.
  virtual std::string AsString() const;
  virtual std::int32_t AsInteger() const;
  virtual std::int64_t AsLargeInt() const;
  virtual double AsFloat() const;
  virtual bool AsBoolean() const;
  virtual TDateTime AsDateTime() const;
  virtual void SetAsString(const std::string& value);
  virtual void SetAsInteger(std::int32_t value);
  virtual void SetAsLargeInt(std::int64_t value);
  virtual void SetAsFloat(double value);
  virtual void SetAsBoolean(bool value);
  virtual void SetAsDateTime(TDateTime value);

protected:
  TField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, int size, TFieldKind kind);

  // Reads the value through the dataset; false when it is null.
  bool GetData(FieldValue& value) const;
  // Writes the value through the dataset, which then reports the change.
  void SetData(const FieldValue& value);

  [[noreturn]] void AccessError(const char* typeName) const;
  [[noreturn]] void RangeError(std::string_view value, std::string_view min, std::string_view max) const;

private:
  friend class TDataSet;

  TDataSet* dataSet_;
  std::string fieldName_;
  TFieldType dataType_;
  int size_;
  TFieldKind fieldKind_;
  int fieldNo_ = 0;
  int offset_ = 0;  // where its slot starts in the calculated-fields area
  bool readOnly_ = false;
  bool visible_ = true;
  bool transliterate_ = false;
  std::string displayLabel_;
  int displayWidth_ = 10;
  TDataSet* lookupDataSet_ = nullptr;
  std::string keyFields_;
  std::string lookupKeyFields_;
  std::string lookupResultField_;
};

}  // namespace talvern

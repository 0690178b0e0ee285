#pragma once
// The typed field classes, one per family of field types, and the factory
// that picks the class for a type. Each class keeps its value in one natural
// form (text, 64-bit integer, double, logical, TDateTime) and converts:
//
//   class            types                          value       AsString
//   TStringField     String                         text        the text
//   TIntegerField    Smallint, Integer, Largeint    int64_t     decimal
//   TFloatField      Float, Currency                double      FloatToText
//   TBooleanField    Boolean                        bool        "True"/"False"
//   TDateTimeField   Date, DateTime                 TDateTime   dd.MM.yyyy [hh:mm:ss]
//   TBlobField       Memo, Blob                     (stream)    the whole contents
//
// Writing a value outside the range of the type raises
// "%s is not a valid value for field '%s'. The allowed range is %s to %s".

#include <memory>

#include "dataset/Field.h"

namespace talvern {

class TStringField : public TField {
public:
  TStringField(TDataSet& dataSet, std::string fieldName, int size, TFieldKind kind);
  std::string AsString() const override;
  std::int32_t AsInteger() const override;
  std::int64_t AsLargeInt() const override;
  double AsFloat() const override;
  bool AsBoolean() const override;
  TDateTime AsDateTime() const override;
  // Texts longer than Size are cut to Size bytes.
  void SetAsString(const std::string& value) override;
  void SetAsInteger(std::int32_t value) override;
  void SetAsLargeInt(std::int64_t value) override;
  void SetAsFloat(double value) override;
  void SetAsBoolean(bool value) override;  // "T" or "F"
  void SetAsDateTime(TDateTime value) override;
};

class TIntegerField : public TField {
public:
  TIntegerField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind);
  std::string AsString() const override;
  std::int32_t AsInteger() const override;
  std::int64_t AsLargeInt() const override;
  double AsFloat() const override;
  void SetAsString(const std::string& value) override;  // empty text clears
  void SetAsInteger(std::int32_t value) override;
  void SetAsLargeInt(std::int64_t value) override;
  void SetAsFloat(double value) override;  // rounded half away from zero

  std::int64_t MinValue() const;
  std::int64_t MaxValue() const;
};

class TFloatField : public TField {
public:
  TFloatField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind);
  std::string AsString() const override;
  std::int32_t AsInteger() const override;  // rounded half away from zero
  std::int64_t AsLargeInt() const override;
  double AsFloat() const override;
  void SetAsString(const std::string& value) override;  // empty text clears
  void SetAsInteger(std::int32_t value) override;
  void SetAsLargeInt(std::int64_t value) override;
  void SetAsFloat(double value) override;  // infinities and NaN are refused
};

class TBooleanField : public TField {
public:
  TBooleanField(TDataSet& dataSet, std::string fieldName, TFieldKind kind);
  std::string AsString() const override;
  bool AsBoolean() const override;
  // Empty clears; otherwise a leading part of "True" or "False", any case.
  void SetAsString(const std::string& value) override;
  void SetAsBoolean(bool value) override;
};

class TDateTimeField : public TField {
public:
  TDateTimeField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind);
  std::string AsString() const override;
  double AsFloat() const override;
  TDateTime AsDateTime() const override;
  void SetAsString(const std::string& value) override;  // empty text clears
  void SetAsFloat(double value) override;
  // A date field keeps only the day.
  void SetAsDateTime(TDateTime value) override;
};

// Memo and blob contents are read and written through the dataset's blob
// stream; the field is null when the record holds no contents.
class TBlobField : public TField {
public:
  TBlobField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind);
  FieldValue Value() const override;
  void Clear() override;  // writes empty contents
  std::string AsString() const override;
  void SetAsString(const std::string& value) override;
};

// A field object of the class that holds the type; nullptr for ftUnknown.
std::unique_ptr<TField> CreateFieldObject(TDataSet& dataSet, TFieldType dataType, std::string fieldName,
                                          int size, TFieldKind kind);

}  // namespace talvern

#include "dataset/FieldTypes.h"

#include <cmath>
#include <limits>
#include <utility>

#include "dataset/DataSet.h"
#include "dataset/DatabaseError.h"

namespace talvern {

namespace {

constexpr int kDefaultStringSize = 20;

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Whether text is a leading part of word, ignoring the case of Latin letters.
bool IsLeadingPartOf(std::string_view text, std::string_view word) {
  if (text.size() > word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i]) return false;
  }
  return true;
}

// Doubles that fit an int64 after rounding.
bool FitsInt64(double value) { return std::isfinite(value) && std::fabs(value) < 9.2e18; }

// Any stored form read as a number (a concrete dataset should hand the
// natural form, but nothing is lost by accepting the others).
bool ToDouble(const FieldValue& value, double& d) {
  if (auto p = std::get_if<double>(&value)) d = *p;
  else if (auto n = std::get_if<std::int64_t>(&value)) d = static_cast<double>(*n);
  else if (auto b = std::get_if<bool>(&value)) d = *b ? 1 : 0;
  else if (auto s = std::get_if<std::string>(&value)) return TryTextToFloat(*s, d);
  else return false;
  return true;
}

bool ToInt64(const FieldValue& value, std::int64_t& n) {
  if (auto p = std::get_if<std::int64_t>(&value)) {
    n = *p;
    return true;
  }
  if (auto s = std::get_if<std::string>(&value); s && TryTextToInt(*s, n)) return true;
  double d = 0;
  if (!ToDouble(value, d) || !FitsInt64(d)) return false;
  n = std::llround(d);
  return true;
}

}  // namespace

// ---- TStringField

TStringField::TStringField(TDataSet& dataSet, std::string fieldName, int size, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), ftString, size > 0 ? size : kDefaultStringSize, kind) {
  SetTransliterate(true);
  SetDisplayWidth(Size());
}

std::string TStringField::AsString() const {
  FieldValue value;
  if (!GetData(value)) return {};
  if (auto s = std::get_if<std::string>(&value)) return std::move(*s);
  return FieldValueToText(value);
}

std::int64_t TStringField::AsLargeInt() const {
  std::string text = AsString();
  if (TrimBlanks(text).empty()) return 0;
  std::int64_t n = 0;
  if (!TryTextToInt(text, n)) DatabaseError(kSInvalidIntegerValue, {text});
  return n;
}

std::int32_t TStringField::AsInteger() const {
  std::int64_t n = AsLargeInt();
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
    RangeError(std::to_string(n), std::to_string(std::numeric_limits<std::int32_t>::min()),
               std::to_string(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(n);
}

double TStringField::AsFloat() const {
  std::string text = AsString();
  if (TrimBlanks(text).empty()) return 0;
  double d = 0;
  if (!TryTextToFloat(text, d)) DatabaseError(kSInvalidFloatValue, {text});
  return d;
}

bool TStringField::AsBoolean() const {
  std::string text = AsString();
  std::string_view t = TrimBlanks(text);
  if (t.empty()) return false;
  switch (t.front()) {
    case 'T': case 't': case 'Y': case 'y': return true;
    case 'F': case 'f': case 'N': case 'n': return false;
    default: break;
  }
  DatabaseError(kSInvalidBoolValue, {text});
}

TDateTime TStringField::AsDateTime() const {
  std::string text = AsString();
  if (TrimBlanks(text).empty()) return 0;
  TDateTime date = 0;
  if (!TryTextToDateTime(text, date, true)) DatabaseError(kSInvalidDateTime, {text});
  return date;
}

void TStringField::SetAsString(const std::string& value) {
  SetData(value.size() > static_cast<std::size_t>(Size()) ? value.substr(0, static_cast<std::size_t>(Size()))
                                                          : value);
}

void TStringField::SetAsInteger(std::int32_t value) { SetAsString(std::to_string(value)); }
void TStringField::SetAsLargeInt(std::int64_t value) { SetAsString(std::to_string(value)); }
void TStringField::SetAsFloat(double value) { SetAsString(FloatToText(value)); }
void TStringField::SetAsBoolean(bool value) { SetAsString(value ? "T" : "F"); }
void TStringField::SetAsDateTime(TDateTime value) { SetAsString(DateTimeToText(value)); }

// ---- TIntegerField

TIntegerField::TIntegerField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), dataType, 0, kind) {
  SetDisplayWidth(dataType == ftSmallint ? 6 : dataType == ftInteger ? 11 : 20);
}

std::int64_t TIntegerField::MinValue() const {
  switch (DataType()) {
    case ftSmallint: return std::numeric_limits<std::int16_t>::min();
    case ftInteger: return std::numeric_limits<std::int32_t>::min();
    default: return std::numeric_limits<std::int64_t>::min();
  }
}

std::int64_t TIntegerField::MaxValue() const {
  switch (DataType()) {
    case ftSmallint: return std::numeric_limits<std::int16_t>::max();
    case ftInteger: return std::numeric_limits<std::int32_t>::max();
    default: return std::numeric_limits<std::int64_t>::max();
  }
}

std::int64_t TIntegerField::AsLargeInt() const {
  FieldValue value;
  std::int64_t n = 0;
  if (!GetData(value) || !ToInt64(value, n)) return 0;
  return n;
}

std::string TIntegerField::AsString() const {
  return IsNull() ? std::string() : std::to_string(AsLargeInt());
}

std::int32_t TIntegerField::AsInteger() const {
  std::int64_t n = AsLargeInt();
  if (n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::int32_t>::max())
    RangeError(std::to_string(n), std::to_string(std::numeric_limits<std::int32_t>::min()),
               std::to_string(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(n);
}

double TIntegerField::AsFloat() const { return static_cast<double>(AsLargeInt()); }

void TIntegerField::SetAsString(const std::string& value) {
  if (TrimBlanks(value).empty()) {
    Clear();
    return;
  }
  std::int64_t n = 0;
  if (!TryTextToInt(value, n)) DatabaseError(kSInvalidIntegerValue, {value});
  SetAsLargeInt(n);
}

void TIntegerField::SetAsInteger(std::int32_t value) { SetAsLargeInt(value); }

void TIntegerField::SetAsLargeInt(std::int64_t value) {
  if (value < MinValue() || value > MaxValue())
    RangeError(std::to_string(value), std::to_string(MinValue()), std::to_string(MaxValue()));
  SetData(value);
}

void TIntegerField::SetAsFloat(double value) {
  if (!std::isfinite(value)) DatabaseError(kSInvalidFloatValue, {FloatToText(value)});
  if (!FitsInt64(value)) RangeError(FloatToText(value), std::to_string(MinValue()), std::to_string(MaxValue()));
  SetAsLargeInt(std::llround(value));
}

// ---- TFloatField

TFloatField::TFloatField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), dataType, 0, kind) {}

double TFloatField::AsFloat() const {
  FieldValue value;
  double d = 0;
  if (!GetData(value) || !ToDouble(value, d)) return 0;
  return d;
}

std::string TFloatField::AsString() const { return IsNull() ? std::string() : FloatToText(AsFloat()); }

std::int64_t TFloatField::AsLargeInt() const {
  double d = AsFloat();
  if (!FitsInt64(d))
    RangeError(FloatToText(d), std::to_string(std::numeric_limits<std::int64_t>::min()),
               std::to_string(std::numeric_limits<std::int64_t>::max()));
  return std::llround(d);
}

std::int32_t TFloatField::AsInteger() const {
  double d = std::round(AsFloat());
  if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
    RangeError(FloatToText(d), std::to_string(std::numeric_limits<std::int32_t>::min()),
               std::to_string(std::numeric_limits<std::int32_t>::max()));
  return static_cast<std::int32_t>(d);
}

void TFloatField::SetAsString(const std::string& value) {
  if (TrimBlanks(value).empty()) {
    Clear();
    return;
  }
  double d = 0;
  if (!TryTextToFloat(value, d)) DatabaseError(kSInvalidFloatValue, {value});
  SetAsFloat(d);
}

void TFloatField::SetAsInteger(std::int32_t value) { SetAsFloat(value); }
void TFloatField::SetAsLargeInt(std::int64_t value) { SetAsFloat(static_cast<double>(value)); }

void TFloatField::SetAsFloat(double value) {
  if (!std::isfinite(value)) DatabaseError(kSInvalidFloatValue, {FloatToText(value)});
  SetData(value);
}

// ---- TBooleanField

TBooleanField::TBooleanField(TDataSet& dataSet, std::string fieldName, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), ftBoolean, 0, kind) {
  SetDisplayWidth(5);
}

bool TBooleanField::AsBoolean() const {
  FieldValue value;
  if (!GetData(value)) return false;
  if (auto b = std::get_if<bool>(&value)) return *b;
  double d = 0;
  return ToDouble(value, d) && d != 0;
}

std::string TBooleanField::AsString() const {
  return IsNull() ? std::string() : (AsBoolean() ? "True" : "False");
}

void TBooleanField::SetAsString(const std::string& value) {
  std::string_view text = TrimBlanks(value);
  if (text.empty()) {
    Clear();
  } else if (IsLeadingPartOf(text, "TRUE")) {
    SetAsBoolean(true);
  } else if (IsLeadingPartOf(text, "FALSE")) {
    SetAsBoolean(false);
  } else {
    DatabaseError(kSInvalidBoolValue, {value});
  }
}

void TBooleanField::SetAsBoolean(bool value) { SetData(value); }

// ---- TDateTimeField

TDateTimeField::TDateTimeField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), dataType, 0, kind) {
  SetDisplayWidth(dataType == ftDate ? 10 : 19);
}

TDateTime TDateTimeField::AsDateTime() const {
  FieldValue value;
  double d = 0;
  if (!GetData(value) || !ToDouble(value, d)) return 0;
  return d;
}

double TDateTimeField::AsFloat() const { return AsDateTime(); }

std::string TDateTimeField::AsString() const {
  if (IsNull()) return {};
  return DataType() == ftDate ? DateToText(AsDateTime()) : DateTimeToText(AsDateTime());
}

void TDateTimeField::SetAsString(const std::string& value) {
  if (TrimBlanks(value).empty()) {
    Clear();
    return;
  }
  TDateTime date = 0;
  bool withTime = DataType() == ftDateTime;
  if (!TryTextToDateTime(value, date, withTime)) DatabaseError(withTime ? kSInvalidDateTime : kSInvalidDate, {value});
  SetAsDateTime(date);
}

void TDateTimeField::SetAsFloat(double value) { SetAsDateTime(value); }

void TDateTimeField::SetAsDateTime(TDateTime value) {
  int year = 0, month = 0, day = 0;
  if (!DecodeDate(value, year, month, day)) DatabaseError(kSInvalidDate, {FloatToText(value)});
  SetData(DataType() == ftDate ? std::floor(value) : value);
}

// ---- TBlobField

TBlobField::TBlobField(TDataSet& dataSet, std::string fieldName, TFieldType dataType, TFieldKind kind)
    : TField(dataSet, std::move(fieldName), dataType, 0, kind) {
  SetTransliterate(dataType == ftMemo);
}

FieldValue TBlobField::Value() const {
  if (IsNull()) return std::monostate{};
  return AsString();
}

std::string TBlobField::AsString() const {
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(*this, bmRead);
  return stream ? stream->ReadAll() : std::string();
}

void TBlobField::SetAsString(const std::string& value) {
  std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(*this, bmWrite);
  if (stream && !value.empty()) stream->Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBlobField::Clear() { DataSet()->CreateBlobStream(*this, bmWrite); }

// ---- The factory

std::unique_ptr<TField> CreateFieldObject(TDataSet& dataSet, TFieldType dataType, std::string fieldName, int size,
                                          TFieldKind kind) {
  switch (dataType) {
    case ftString:
      return std::make_unique<TStringField>(dataSet, std::move(fieldName), size, kind);
    case ftSmallint:
    case ftInteger:
    case ftLargeint:
      return std::make_unique<TIntegerField>(dataSet, std::move(fieldName), dataType, kind);
    case ftFloat:
    case ftCurrency:
      return std::make_unique<TFloatField>(dataSet, std::move(fieldName), dataType, kind);
    case ftBoolean:
      return std::make_unique<TBooleanField>(dataSet, std::move(fieldName), kind);
    case ftDate:
    case ftDateTime:
      return std::make_unique<TDateTimeField>(dataSet, std::move(fieldName), dataType, kind);
    case ftMemo:
    case ftBlob:
      return std::make_unique<TBlobField>(dataSet, std::move(fieldName), dataType, kind);
    case ftUnknown:
      break;
  }
  return nullptr;
}

}  // namespace talvern

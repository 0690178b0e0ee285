#include "expr/Variant.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/Date.h"
#include "engine/Errors.h"
#include "expr/Messages.h"
#include "expr/NumberText.h"
#include "expr/TextRules.h"

namespace talvern {

TvxVariant::TvxVariant(std::uint16_t initialSize) {
  if (initialSize > 0) {
    data_ = std::make_unique<std::uint8_t[]>(initialSize);
    capacity_ = initialSize;
  }
}

TvxVariant::TvxVariant(const TvxVariant& other) { Assign(&other); }

TvxVariant& TvxVariant::operator=(const TvxVariant& other) {
  if (this != &other) Assign(&other);
  return *this;
}

void TvxVariant::Clear() {
  data_.reset();
  capacity_ = length_ = 0;
  type_ = VariantType::None;
}

void TvxVariant::Assign(const TvxVariant* other) {
  if (other == this) return;
  Clear();
  if (!other) return;
  if (other->capacity_ > 0) {
    data_ = std::make_unique<std::uint8_t[]>(other->capacity_);
    std::memcpy(data_.get(), other->data_.get(), other->capacity_);
  }
  capacity_ = other->capacity_;
  length_ = other->length_;
  type_ = other->type_;
}

void TvxVariant::SetLength(std::int32_t n) {
  if (n < 0) n = 0;
  if (capacity_ < n) {
    auto grown = std::make_unique<std::uint8_t[]>(n);
    if (capacity_ > 0) std::memcpy(grown.get(), data_.get(), capacity_);
    data_ = std::move(grown);
    capacity_ = n;
    type_ = VariantType::None;
  }
  length_ = n;
}

void TvxVariant::SetText(std::string_view s) {
  SetLength(static_cast<std::int32_t>(s.size()));
  if (!s.empty()) std::memcpy(data_.get(), s.data(), s.size());
  type_ = VariantType::Text;
}

void TvxVariant::SetDouble(double x) {
  SetLength(8);
  std::memcpy(data_.get(), &x, 8);
  type_ = VariantType::Double;
}

void TvxVariant::SetDate(std::int32_t day) {
  SetLength(4);
  std::memcpy(data_.get(), &day, 4);
  type_ = VariantType::Date;
}

void TvxVariant::SetBoolean(bool b) {
  SetLength(1);
  data_[0] = b ? 1 : 0;
  type_ = VariantType::Boolean;
}

void TvxVariant::SetBytes(const void* p, std::int32_t n) {
  SetLength(n);
  if (n > 0) std::memcpy(data_.get(), p, n);
  type_ = VariantType::Raw;
}

void TvxVariant::AppendBytes(const void* p, std::int32_t n) {
  if (n <= 0) return;
  std::int32_t old = length_;
  SetLength(old + n);
  std::memcpy(data_.get() + old, p, n);
  type_ = VariantType::Raw;
}

void TvxVariant::UpperText() {
  std::string s = AsText();
  UpperCaseText(s, false);
  SetText(s);
}

void TvxVariant::PadText(std::int32_t n) {
  if (type_ != VariantType::Text || length_ >= n) return;
  std::int32_t old = length_;
  SetLength(n);
  std::memset(data_.get() + old, ' ', n - old);
  type_ = VariantType::Text;
}

void TvxVariant::TrimText() {
  if (type_ != VariantType::Text) return;
  while (length_ > 0 && data_[length_ - 1] == ' ') --length_;
}

double TvxVariant::ReadDouble() const {
  double x = 0;
  std::memcpy(&x, data_.get(), std::min<std::int32_t>(length_, 8));
  return x;
}

std::int32_t TvxVariant::ReadInt32() const {
  std::int32_t v = 0;
  std::memcpy(&v, data_.get(), std::min<std::int32_t>(length_, 4));
  return v;
}

bool TvxVariant::AsBoolean() const {
  if (length_ == 0) return false;
  switch (type_) {
    case VariantType::Text: return kTrueLetters.find(static_cast<char>(data_[0])) != std::string_view::npos;
    case VariantType::Double: return std::trunc(ReadDouble()) != 0;
    case VariantType::Boolean:
    case VariantType::Raw: return data_[0] != 0;
    default: return false;
  }
}

std::int32_t TvxVariant::AsDate() const {
  if (length_ == 0) return 0;
  switch (type_) {
    case VariantType::Text: return DBFDate().StorageToDay(View());
    case VariantType::Double: {
      double x = std::trunc(ReadDouble());
      if (!(x > 0 && x < 2147483647.0)) return 0;
      return DBFDate().StorageToDay(DBFDate().DayToStorage(static_cast<std::int32_t>(x)));
    }
    case VariantType::Date:
    case VariantType::Raw: return ReadInt32();
    default: return 0;
  }
}

double TvxVariant::AsDouble() const {
  if (length_ == 0) return 0;
  switch (type_) {
    case VariantType::Text: {
      double x = 0;
      return ParseNumberText(View(), x) ? x : 0;
    }
    case VariantType::Double:
    case VariantType::Raw: return ReadDouble();
    case VariantType::Date: return ReadInt32();
    case VariantType::Boolean: return data_[0] ? 1.0 : 0.0;
    default: return 0;
  }
}

std::string TvxVariant::AsText() const {
  std::string s;
  if (length_ == 0) return s;
  switch (type_) {
    case VariantType::Text:
    case VariantType::Raw: s.assign(View()); break;
    case VariantType::Double: AppendShortest(s, ReadDouble()); break;
    case VariantType::Date: s = DBFDate().DayToDisplay(ReadInt32()); break;
    case VariantType::Boolean: s.assign(1, data_[0] ? 'T' : 'F'); break;
    default: break;
  }
  return s;
}

void TvxVariant::ToBuffer(char* buf, std::size_t size) const {
  if (size == 0) return;
  std::string s = AsText();
  std::size_t n = std::min(s.size(), size - 1);
  std::memcpy(buf, s.data(), n);
  buf[n] = '\0';
}

int TvxVariant::Compare(const TvxVariant* other, std::int32_t& position,
                        const std::uint8_t* collation, int prefixResult) const {
  position = 0;
  if (type_ == VariantType::None) return other && other->length_ > 0 ? -1 : 0;
  if (!other) return 1;
  VariantType mine = type_, theirs = other->type_;
  if (mine == VariantType::Raw) mine = theirs;
  if (theirs == VariantType::Raw) theirs = mine;
  if (mine != theirs) Raise(msg::kVariantMismatch);
  bool selfEmpty = length_ == 0, otherEmpty = other->length_ == 0;
  if (selfEmpty || otherEmpty) return selfEmpty && otherEmpty ? 0 : (selfEmpty ? -1 : 1);

  switch (mine) {
    case VariantType::Double: {
      double a = ReadDouble(), b = other->ReadDouble();
      return (a > b) - (a < b);
    }
    case VariantType::Date: {
      std::int32_t a = ReadInt32(), b = other->ReadInt32();
      return (a > b) - (a < b);
    }
    case VariantType::Boolean: return (data_[0] != 0) - (other->data_[0] != 0);
    default: break;
  }
  // Texts and raw bytes.
  std::int32_t common = std::min(length_, other->length_);
  const std::uint8_t* a = data_.get();
  const std::uint8_t* b = other->data_.get();
  for (std::int32_t i = 0; i < common; ++i) {
    std::uint8_t x = collation ? collation[a[i]] : a[i];
    std::uint8_t y = collation ? collation[b[i]] : b[i];
    if (x != y) {
      position = i + 1;
      return x < y ? -1 : 1;
    }
  }
  position = common + 1;
  if (length_ == other->length_) return 0;
  if (length_ > other->length_) return 1;
  if (mine == VariantType::Text) return (prefixResult > 0) - (prefixResult < 0);
  return -1;
}

}  // namespace talvern

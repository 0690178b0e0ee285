// Numbers, dates and logical values of VXO_dBaseFld, and TextPut.
#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/Bytes.h"
#include "engine/DbfHeader.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/NumberText.h"
#include "engine/Strings.h"
#include "platform/Locale.h"

namespace talvern {

namespace {

constexpr long double kMsPerDay = 86400000.0L;
constexpr std::int32_t kJulianDayOfYear1 = 1721425;  // T fields count from here

bool IsTrueLetter(char c) {
  return c == 'T' || c == 't' || c == 'Y' || c == 'y' || c == 'J' || c == 'j';
}

}  // namespace

long double VXO_dBaseFld::NumberGet(std::int32_t field) {
  const auto* f = Field(field);
  if (!f) return 0;
  const std::uint8_t* data = FieldData(*f);
  if (IsBinary(*f)) {
    switch (f->Type()) {
      case 'B': {
        double value;
        std::uint64_t bits = GetLE64(data);
        std::memcpy(&value, &bits, sizeof value);
        return value;
      }
      case 'T': {
        std::int32_t day = static_cast<std::int32_t>(GetLE32(data));
        std::int32_t ms = static_cast<std::int32_t>(GetLE32(data + 4));
        if (day == 0 && ms == 0) return 0;
        return static_cast<long double>(static_cast<std::int64_t>(day) - kJulianDayOfYear1) * kMsPerDay + ms;
      }
      case 'Y':
        return static_cast<long double>(static_cast<std::int64_t>(GetLE64(data))) / 10000.0L;
      default:  // G, I, M: int32; a blank field reads as 0
        if (std::memcmp(data, "    ", 4) == 0) return 0;
        return static_cast<std::int32_t>(GetLE32(data));
    }
  }
  std::string text(TrimRight(RawGet(field)));
  if (text.empty()) return 0;
  auto value = ParseNumber(text, '.');
  if (!value) Raise("Invalid numeric value in field %s", {ValueContext(*f, std::string(Trim(text)))});
  return *value;
}

bool VXO_dBaseFld::NumberPut(std::int32_t field, long double value) {
  const auto* f = Field(field);
  if (!f) return false;
  const char type = f->Type();
  const bool vfp = version_ == dbf::kVersionVfp;
  bool ok = type == 'B' || type == 'F' || type == 'G' || type == 'M' || type == 'N' ||
            (vfp && (type == 'I' || type == 'T' || type == 'Y'));
  if (!ok) Raise("Field %s is the incorrect type", {f->Name()});
  if (!std::isfinite(value)) Raise("Invalid %s value for field %s", {"Number", f->Name()});
  std::uint8_t* data = FieldData(*f);
  auto tooBig = [&] {
    Raise("numeric value too big in field %s", {f->Name() + " - " + FormatFixed(static_cast<double>(value), 0)});
  };
  if (IsBinary(*f)) {
    switch (type) {
      case 'B': {
        double d = static_cast<double>(value);
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof bits);
        PutLE64(data, bits);
        break;
      }
      case 'T': {
        if (value == 0) {
          std::memset(data, 0, 8);
          break;
        }
        long double days = std::trunc(value / kMsPerDay);
        long double day = days + kJulianDayOfYear1;
        long double ms = std::trunc(value - days * kMsPerDay);
        if (day < std::numeric_limits<std::int32_t>::min() || day > std::numeric_limits<std::int32_t>::max())
          tooBig();
        PutLE32(data, static_cast<std::uint32_t>(static_cast<std::int32_t>(day)));
        PutLE32(data + 4, static_cast<std::uint32_t>(static_cast<std::int32_t>(ms)));
        break;
      }
      case 'Y': {
        long double scaled = std::nearbyint(value * 10000.0L);  // ties to even
        if (scaled < -9.2233720368547758e18L || scaled >= 9.2233720368547758e18L) tooBig();
        PutLE64(data, static_cast<std::uint64_t>(static_cast<std::int64_t>(scaled)));
        break;
      }
      default: {  // G, I, M
        long double whole = std::trunc(value);
        // A value outside int32 would be stored wrapped around: refused.
        if (whole < std::numeric_limits<std::int32_t>::min() || whole > std::numeric_limits<std::int32_t>::max())
          tooBig();
        PutLE32(data, static_cast<std::uint32_t>(static_cast<std::int32_t>(whole)));
      }
    }
    MarkChanged(*f);
    return true;
  }
  std::string text = FormatFixed(static_cast<double>(value), f->Decimals());
  if (static_cast<std::int32_t>(text.size()) > f->Length())
    Raise("numeric value too big in field %s", {f->Name() + " - " + text});
  return RawPut(field, text);
}

std::int32_t VXO_dBaseFld::DateGet(std::int32_t field) {
  const auto* f = Field(field);
  if (!f) return 0;
  std::string raw = RawGet(field);
  auto day = DBFDate().TryStorageToDay(raw);
  if (!day) Raise("Invalid date in field %s", {ValueContext(*f, std::string(Trim(raw)))});
  return *day;
}

bool VXO_dBaseFld::DatePut(std::int32_t field, std::int32_t day) {
  const auto* f = Field(field);
  if (!f || f->Type() != 'D') return false;
  if (day == -1) Raise("Invalid %s value for field %s", {"Date", f->Name()});
  // Days outside the years 1 to 9999 have no eight-digit form.
  if (day > 0 && (day < TvxDBFDate::YMDToDay(1, 1, 1) || day > TvxDBFDate::YMDToDay(9999, 12, 31)))
    Raise("Invalid %s value for field %s", {"Date", f->Name()});
  return RawPut(field, DBFDate().DayToStorage(day));
}

bool VXO_dBaseFld::LogicGet(std::int32_t field) {
  const auto* f = Field(field);
  if (!f) return false;
  const std::string raw = RawGet(field);
  std::string_view text = Trim(raw);
  return !text.empty() && std::string_view("TtYyJj").find(text) != std::string_view::npos;
}

bool VXO_dBaseFld::LogicPut(std::int32_t field, bool flag) {
  const auto* f = Field(field);
  if (!f) return false;
  if (f->Type() != 'L') Raise("Invalid %s value for field %s", {"Logical", f->Name()});
  return RawPut(field, flag ? "T" : "F");
}

bool VXO_dBaseFld::TextPut(std::int32_t field, const std::string& text) {
  const auto* f = Field(field);
  if (!f) return false;
  switch (f->Type()) {
    case 'D': {
      std::int32_t day = DBFDate().StorageToDay(text);
      return DatePut(field, day);
    }
    case 'N':
    case 'F': {
      std::string_view s = TrimRight(text);
      long double value = 0;
      if (!s.empty()) {
        auto parsed = ParseNumber(s, platform::Locale().decimalSeparator);
        if (!parsed) Raise("Invalid %s value for field %s", {"Number", f->Name()});
        value = *parsed;
      }
      return NumberPut(field, value);
    }
    case 'L': {
      char first = text.empty() ? 'F' : text[0];
      if (IsTrueLetter(first)) return LogicPut(field, true);
      if (first == 'F' || first == 'f' || first == 'N' || first == 'n') return LogicPut(field, false);
      auto number = ParseNumber(text, '.');
      if (!number) Raise("Invalid %s value for field %s", {"Logical", f->Name()});
      return LogicPut(field, std::trunc(*number) != 0);
    }
    case 'M': {
      std::int32_t length = static_cast<std::int32_t>(text.size());
      MemoWrite(field, text.data(), length);
      return true;
    }
    default:
      return RawPut(field, text);
  }
}

}  // namespace talvern

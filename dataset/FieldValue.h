#pragma once
// A field's value as the program handles it: null, text (bytes in the display
// code page), a whole number, a floating-point number or a logical value.
// Dates and date-times travel as TDateTime numbers (see DateTime.h). The
// conversions between numbers and text here follow the program's locale:
// the decimal separator is a comma, and a point is accepted when reading.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace talvern {

using FieldValue = std::variant<std::monostate, std::string, std::int64_t, double, bool>;

inline bool IsNullValue(const FieldValue& value) {
  return std::holds_alternative<std::monostate>(value);
}

// The decimal separator of the program's locale.
inline constexpr char kDecimalSeparator = ',';

// Up to 15 significant digits, no trailing zeros, the decimal comma; an
// exponent ("1,5E20") only where the plain form would be too long.
std::string FloatToText(double value);

// A decimal integer with optional sign and surrounding blanks.
bool TryTextToInt(std::string_view text, std::int64_t& value);

// A decimal number with comma or point, optional sign, exponent and
// surrounding blanks; infinities and NaN are refused.
bool TryTextToFloat(std::string_view text, double& value);

// The text form of any value: null is empty, a logical value "True"/"False",
// numbers as above, texts unchanged.
std::string FieldValueToText(const FieldValue& value);

}  // namespace talvern

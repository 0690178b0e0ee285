#pragma once
// The plain numbers of numeric fields read at the speed of a filter scan.

#include <cstdint>
#include <string_view>

namespace talvern {

// The common numeric field, [blanks][sign]digits[.digits][blanks] with at
// most 15 digits, or blanks only (0), read in one pass over the stored bytes:
// the digits as an integer divided by a power of ten are exact doubles, so
// the quotient is the correctly rounded value that the table's own reading
// gives. Trailing bytes up to the space count as blanks, as the trimming of
// the field does. False for anything else.
inline bool ReadPlainNumber(std::string_view field, double& value) {
  static constexpr double kPowers[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  const char* p = field.data();
  const char* const end = p + field.size();
  while (p < end && *p == ' ') ++p;
  bool negative = false, sign = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    sign = true;
    ++p;
  }
  std::int64_t mantissa = 0;
  int digits = 0, decimals = 0;
  bool point = false;
  for (; p < end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit <= 9) {
      mantissa = mantissa * 10 + digit;
      decimals += point;
      if (++digits > 15) return false;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  for (; p < end; ++p)
    if (static_cast<unsigned char>(*p) > ' ') return false;
  if (digits == 0) {
    value = 0;
    return !sign && !point;
  }
  double v = static_cast<double>(mantissa);
  if (decimals > 0) v /= kPowers[decimals];
  value = negative ? -v : v;
  return true;
}

}  // namespace talvern

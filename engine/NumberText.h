#pragma once
// Numbers as text in records and in user input, independent of the C
// library's locale.

#include <optional>
#include <string>
#include <string_view>

namespace talvern {

// Reads [blanks][sign]digits[separator digits][e[sign]digits][blanks]; at
// least one digit. Nothing else is accepted.
std::optional<double> ParseNumber(std::string_view text, char decimalSeparator = '.');

// Fixed-point text with exactly `decimals` digits after a period (none when
// decimals is 0); a negative zero loses its sign. Empty for NaN and
// infinities.
std::string FormatFixed(double value, int decimals);

}  // namespace talvern

#include "engine/NumberText.h"

#include <charconv>
#include <cmath>

namespace talvern {

std::optional<double> ParseNumber(std::string_view text, char decimalSeparator) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  std::string plain;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int digits = 0;
  while (i < n && text[i] >= '0' && text[i] <= '9') plain += text[i++], ++digits;
  if (i < n && text[i] == decimalSeparator) {
    plain += '.';
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') plain += text[i++], ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    plain += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) plain += text[i++];
    int expDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') plain += text[i++], ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  double value = 0;
  auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ec == std::errc::result_out_of_range) value = HUGE_VAL;
  else if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) return std::nullopt;
  return negative ? -value : value;
}

std::string FormatFixed(double value, int decimals) {
  if (!std::isfinite(value)) return "";
  char buffer[1024];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "";
  std::string text(buffer, result.ptr);
  if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
  return text;
}

}  // namespace talvern

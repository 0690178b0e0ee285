#include "dataset/FieldValue.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace talvern {

namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15G", value);
  std::string text = buffer;
  std::string mantissa = text;
  std::string exponent;
  if (auto e = text.find('E'); e != std::string::npos) {
    mantissa = text.substr(0, e);
    // "E+20" becomes "E20", "E-05" becomes "E-5".
    std::string_view digits = std::string_view(text).substr(e + 1);
    bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
    while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
    exponent = std::string("E") + (negative ? "-" : "") + std::string(digits);
  }
  if (auto point = mantissa.find('.'); point != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
    else mantissa[point] = kDecimalSeparator;
  }
  return mantissa + exponent;
}

bool TryTextToInt(std::string_view text, std::int64_t& value) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

bool TryTextToFloat(std::string_view text, double& value) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  std::string copy(text);
  for (char& c : copy) {
    if (c == kDecimalSeparator) c = '.';
  }
  // Only digits, one sign, a point and an exponent: from_chars would also
  // take "inf" and "nan".
  for (char c : copy) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return false;
  }
  auto [end, error] = std::from_chars(copy.data(), copy.data() + copy.size(), value);
  return error == std::errc() && end == copy.data() + copy.size() && std::isfinite(value);
}

std::string FieldValueToText(const FieldValue& value) {
  struct Visitor {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(double d) const { return FloatToText(d); }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
  };
  return std::visit(Visitor{}, value);
}

}  // namespace talvern

#include "app/ParamValue.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace talvern {
namespace {

constexpr char kEllipsis1251 = '\x85';  // "…"

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSpace(char c) { return c == ' ' || c == '\t'; }
// Latin letters and the Cyrillic letters of code page 1251 (Ё, ё included).
bool IsLetter(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u >= 0xC0 || u == 0xA8 || u == 0xB8;
}

void SkipSpaces(std::string_view& text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
}

bool SkipPrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// "...", ".." or "…" between the ends of a range, spaces around it allowed.
bool SkipRangeSeparator(std::string_view& text) {
  std::string_view rest = text;
  SkipSpaces(rest);
  if (!SkipPrefix(rest, "...") && !SkipPrefix(rest, "..") && !SkipPrefix(rest, std::string_view(&kEllipsis1251, 1)))
    return false;
  SkipSpaces(rest);
  text = rest;
  return true;
}

// What may follow a number without making the text a word: nothing,
// footnote marks, or a unit after a space (letters and what units are
// written with, but no digits).
bool IsSuffix(std::string_view rest) {
  if (rest.empty()) return true;
  if (rest.find_first_not_of('*') == std::string_view::npos) return true;
  if (!IsSpace(rest.front())) return false;
  SkipSpaces(rest);
  if (rest.empty()) return true;
  if (!IsLetter(rest.front())) return false;
  return std::none_of(rest.begin(), rest.end(), IsDigit);
}

}  // namespace

bool ReadNumber(std::string_view& text, double& value) {
  std::size_t i = 0;
  std::string digits;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') digits += '-';
    ++i;
  }
  const std::size_t firstDigit = i;
  while (i < text.size() && IsDigit(text[i])) digits += text[i++];
  if (i == firstDigit) return false;
  if (i + 1 < text.size() && (text[i] == ',' || text[i] == '.') && IsDigit(text[i + 1])) {
    digits += '.';
    ++i;
    while (i < text.size() && IsDigit(text[i])) digits += text[i++];
  }
  double number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  value = number;
  text.remove_prefix(i);
  return true;
}

ParamValue ReadParamValue(std::string_view text) {
  SkipSpaces(text);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  if (text.empty()) return {};
  const ParamValue word{ParamValue::Word, 0, 0};
  std::string_view rest = text;
  // A bound counts as its number.
  if (!SkipPrefix(rest, "<=") && !SkipPrefix(rest, ">=") && !SkipPrefix(rest, "<") && !SkipPrefix(rest, ">"))
    SkipPrefix(rest, "=");
  if (rest.size() != text.size()) SkipSpaces(rest);
  double low = 0;
  if (!ReadNumber(rest, low)) return word;
  double high = low;
  if (SkipRangeSeparator(rest)) {
    if (!ReadNumber(rest, high)) return word;
    if (high < low) std::swap(low, high);
  }
  if (!IsSuffix(rest)) return word;
  return {ParamValue::Number, low, high};
}

}  // namespace talvern

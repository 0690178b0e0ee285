#include "engine/Strings.h"

#include "platform/Locale.h"

namespace talvern {

int CompareStr(std::string_view a, std::string_view b) { return platform::AnsiCompareStr(a, b); }
int CompareText(std::string_view a, std::string_view b) { return platform::AnsiCompareText(a, b); }
int StrCompare(const char* a, const char* b) { return platform::AnsiCompareStr(a, b); }
int StrCompareText(const char* a, const char* b) { return platform::AnsiCompareText(a, b); }
std::string UpperCase(std::string_view text) { return platform::AnsiUpper(text); }
std::string LowerCase(std::string_view text) { return platform::AnsiLower(text); }

// Not anchored at either end: a leading "*" is dropped (a pattern of only "*"
// matches at 1), then a trailing one. Without a leading "*", the text's
// characters at the places of the pattern's "?" count as "?".
int WildcardPos(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || text.size() < pattern.size()) return 0;
  bool leadingStar = pattern.front() == '*';
  if (leadingStar) {
    pattern.remove_prefix(1);
    if (pattern.empty()) return 1;
  }
  if (pattern.back() == '*') {
    if (pattern.size() == 1) return 1;
    pattern.remove_suffix(1);
  }
  std::string copy(text);
  if (!leadingStar)
    for (std::size_t i = 0; i < pattern.size() && i < copy.size(); ++i)
      if (pattern[i] == '?') copy[i] = '?';
  auto at = copy.find(pattern);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string_view TrimRight(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  return text;
}

std::string_view Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

}  // namespace talvern

#pragma once
// String helpers shared by the engine: locale-aware comparison and case
// conversion (the program's locale, code page 1251) and wildcard search.

#include <string>
#include <string_view>

namespace talvern {

int CompareStr(std::string_view a, std::string_view b);   // case-sensitive
int CompareText(std::string_view a, std::string_view b);  // ignoring case
int StrCompare(const char* a, const char* b);             // zero-terminated
int StrCompareText(const char* a, const char* b);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);

// The 1-based position of pattern in text, with "?" matching any character
// and a leading or trailing "*" dropped (see the rules in Strings.cpp); 0 when
// absent.
int WildcardPos(std::string_view pattern, std::string_view text);

// Text without trailing (TrimRight), leading (TrimLeft) or both blanks and
// control characters (bytes up to the space).
std::string_view TrimRight(std::string_view text);
std::string_view TrimLeft(std::string_view text);
std::string_view Trim(std::string_view text);

}  // namespace talvern

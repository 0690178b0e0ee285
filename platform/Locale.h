#pragma once
// The program's locale: Russian. One place answers every locale question of
// the engine (case of Latin and Cyrillic letters, collation, the short date
// format, the decimal separator, the local time), so that tests can pin the
// answers with SetLocaleSettings and SetClock.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace talvern::platform {

struct LocaleSettings {
  std::string shortDateFormat = "dd.MM.yyyy";
  char dateSeparator = '.';
  char decimalSeparator = ',';
  // Two-digit years fall into the century window that ends this many years
  // after the current year.
  int twoDigitYearWindow = 50;
};

const LocaleSettings& Locale();
void SetLocaleSettings(const LocaleSettings& settings);

// Upper and lower case of Latin and Cyrillic letters in code page 1251, and in
// code page 866 (through the 866 <-> 1251 conversion).
std::uint8_t AnsiUpperChar(std::uint8_t c);
std::uint8_t AnsiLowerChar(std::uint8_t c);
std::uint8_t OemUpperChar(std::uint8_t c);
std::uint8_t OemLowerChar(std::uint8_t c);
std::string AnsiUpper(std::string_view text);
std::string AnsiLower(std::string_view text);
std::string OemUpper(std::string_view text);
std::string OemLower(std::string_view text);

// Locale-aware comparison of 1251 texts, < 0, 0 or > 0. Letters sort
// alphabetically (Latin before Cyrillic, Ё after Е), digits before letters,
// other characters before digits; hyphens and apostrophes count only when
// the texts are otherwise equal. AnsiCompareStr then tells lower case before
// upper case; AnsiCompareText ignores case.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);

// Reads a date in the short date format (day, month and year as numbers in
// the format's order, separated by the date separator; a missing year is
// the current one, a two-digit year falls in the century window). False when
// the text is not such a date.
bool TryParseShortDate(std::string_view text, int& year, int& month, int& day);

// Formats a date with a pattern of d/dd, m/mm (month), yy/yyyy and literal
// characters; letters of the pattern are taken in either case.
std::string FormatDate(std::string_view pattern, int year, int month, int day);

bool IsValidDate(int year, int month, int day);

struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The current local time; a test may replace the clock (an empty function
// restores the system clock).
LocalTime Now();
void SetClock(std::function<LocalTime()> clock);

}  // namespace talvern::platform

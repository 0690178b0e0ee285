#include "dataset/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace talvern {

namespace {

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1.1.0001 to the given date (1.1.0001 is day 1).
long DaysFromCivil(int year, int month, int day) {
  long days = 0;
  long y = year - 1;
  days = y * 365 + y / 4 - y / 100 + y / 400;
  for (int m = 1; m < month; ++m) days += DaysInMonth(year, m);
  return days + day;
}

// Reads an unsigned decimal number of 1 to maxDigits digits.
bool ReadNumber(std::string_view& text, int maxDigits, int& value) {
  int digits = 0;
  value = 0;
  while (!text.empty() && text.front() >= '0' && text.front() <= '9' && digits < maxDigits) {
    value = value * 10 + (text.front() - '0');
    text.remove_prefix(1);
    ++digits;
  }
  return digits > 0;
}

bool Expect(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

}  // namespace

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    return false;
  date = static_cast<double>(DaysFromCivil(year, month, day) - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, TDateTime& time) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  time = (hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

bool DecodeDate(TDateTime date, int& year, int& month, int& day) {
  if (!std::isfinite(date)) return false;
  double whole = std::floor(date);
  if (whole < 1 - kDateDelta || whole > 2958465) return false;  // 1.1.0001 .. 31.12.9999
  long n = static_cast<long>(whole) + kDateDelta;                // day 1 is 1.1.0001
  // Whole 400-, 100- and 4-year cycles, then single years.
  long d = n - 1;
  long y400 = d / 146097;
  d %= 146097;
  long y100 = std::min(d / 36524, 3L);
  d -= y100 * 36524;
  long y4 = d / 1461;
  d %= 1461;
  long y1 = std::min(d / 365, 3L);
  d -= y1 * 365;
  year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  month = 1;
  while (d >= DaysInMonth(year, month)) {
    d -= DaysInMonth(year, month);
    ++month;
  }
  day = static_cast<int>(d) + 1;
  return true;
}

void DecodeTime(TDateTime date, int& hour, int& minute, int& second) {
  double fraction = std::isfinite(date) ? std::fabs(date - std::floor(date)) : 0;
  long seconds = std::lround(fraction * 86400.0);
  if (seconds >= 86400) seconds = 86399;
  hour = static_cast<int>(seconds / 3600);
  minute = static_cast<int>(seconds / 60 % 60);
  second = static_cast<int>(seconds % 60);
}

std::string DateToText(TDateTime date) {
  int year = 0, month = 0, day = 0;
  if (!DecodeDate(date, year, month, day)) return {};
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", day, month, year);
  return buffer;
}

std::string DateTimeToText(TDateTime date) {
  std::string text = DateToText(date);
  int hour = 0, minute = 0, second = 0;
  DecodeTime(date, hour, minute, second);
  if (text.empty() || (hour == 0 && minute == 0 && second == 0)) return text;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", hour, minute, second);
  return text + buffer;
}

bool TryTextToDateTime(std::string_view text, TDateTime& date, bool withTime) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  int day = 0, month = 0, year = 0;
  if (!ReadNumber(text, 2, day) || !Expect(text, '.') || !ReadNumber(text, 2, month) ||
      !Expect(text, '.') || !ReadNumber(text, 4, year))
    return false;
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result)) return false;
  if (!text.empty()) {
    if (!withTime || !Expect(text, ' ')) return false;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    int hour = 0, minute = 0, second = 0;
    if (!ReadNumber(text, 2, hour) || !Expect(text, ':') || !ReadNumber(text, 2, minute)) return false;
    if (!text.empty() && (!Expect(text, ':') || !ReadNumber(text, 2, second))) return false;
    if (!text.empty()) return false;
    TDateTime time = 0;
    if (!TryEncodeTime(hour, minute, second, time)) return false;
    result += time;
  }
  date = result;
  return true;
}

}  // namespace talvern

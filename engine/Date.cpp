#include "engine/Date.h"

#include <cstdio>

#include "engine/Errors.h"
#include "engine/Strings.h"
#include "platform/Locale.h"

namespace talvern {

namespace {
constexpr std::int32_t kJulian1980 = 2444240;  // 1 January 1980
constexpr std::int32_t kDays1899To1980 = 29221;
}  // namespace

TvxDBFDate::TvxDBFDate() : offset_(kJulian1980 - kDays1899To1980) {}

TvxDBFDate& DBFDate() {
  static TvxDBFDate date;
  return date;
}

// Gregorian calendar (proleptic) to and from the Julian day number.
std::int32_t TvxDBFDate::YMDToDay(int year, int month, int dayOfMonth) {
  std::int64_t a = (14 - month) / 12;
  std::int64_t y = year + 4800 - a;
  std::int64_t m = month + 12 * a - 3;
  return static_cast<std::int32_t>(dayOfMonth + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045);
}

void TvxDBFDate::DayToYMD(std::int32_t day, int& year, int& month, int& dayOfMonth) const {
  std::int64_t a = static_cast<std::int64_t>(day) + 32044;
  std::int64_t b = (4 * a + 3) / 146097;
  std::int64_t c = a - 146097 * b / 4;
  std::int64_t d = (4 * c + 3) / 1461;
  std::int64_t e = c - 1461 * d / 4;
  std::int64_t m = (5 * e + 2) / 153;
  dayOfMonth = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  month = static_cast<int>(m + 3 - 12 * (m / 10));
  year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

std::int32_t TvxDBFDate::Today() const {
  platform::LocalTime now = platform::Now();
  return YMDToDay(now.year, now.month, now.day);
}

int TvxDBFDate::DayOfWeek(std::int32_t day) const {
  if (day <= 0) return 0;
  return static_cast<int>((static_cast<std::int64_t>(day) + 1) % 7) + 1;
}

std::string TvxDBFDate::DayToStorage(std::int32_t day) const {
  if (day <= 0) return std::string(8, ' ');
  int y, m, d;
  DayToYMD(day, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", y, m, d);
  return buf;
}

std::string TvxDBFDate::DisplayFormat() const {
  std::string format = UpperCase(platform::Locale().shortDateFormat);
  if (format.find('Y') != std::string::npos)
    while (format.find("YYYY") == std::string::npos) format.insert(format.find('Y'), 1, 'Y');
  return format;
}

std::string TvxDBFDate::DayToDisplay(std::int32_t day) const {
  std::string format = DisplayFormat();
  if (day <= 0) return std::string(format.size(), ' ');
  int y, m, d;
  DayToYMD(day, y, m, d);
  return platform::FormatDate(format, y, m, d);
}

std::optional<std::int32_t> TvxDBFDate::TryStorageToDay(std::string_view text) const {
  text = TrimRight(text);
  if (text.empty() || text == "00000000") return 0;
  if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos) {
    int y = (text[0] - '0') * 1000 + (text[1] - '0') * 100 + (text[2] - '0') * 10 + (text[3] - '0');
    int m = (text[4] - '0') * 10 + (text[5] - '0');
    int d = (text[6] - '0') * 10 + (text[7] - '0');
    if (!platform::IsValidDate(y, m, d)) return offset_;
    return YMDToDay(y, m, d);
  }
  int y, m, d;
  if (!platform::TryParseShortDate(text, y, m, d)) return std::nullopt;
  return YMDToDay(y, m, d);
}

std::int32_t TvxDBFDate::StorageToDay(std::string_view text) const {
  auto day = TryStorageToDay(text);
  if (!day) Raise("'%s' is not a valid date", {TrimRight(text)});
  return *day;
}

}  // namespace talvern

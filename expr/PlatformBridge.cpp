// Stand-ins for the locale and calendar services until the platform layer and
// the table's date helper provide them: Russian case mapping of 1251, plain
// byte order as collation, the Cyrillic letters of 866 <-> 1251, and the
// proleptic Gregorian calendar with dd.MM.yyyy as the short date format.
#include "expr/PlatformBridge.h"

#include <array>
#include <cstdio>
#include <ctime>

#include "engine/Errors.h"

namespace talvern::bridge {
namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper{}, lower{};
  CaseTables() {
    for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<unsigned char>(c);
    auto pair = [&](int up, int low) {
      upper[low] = static_cast<unsigned char>(up);
      lower[up] = static_cast<unsigned char>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    pair(0xA8, 0xB8);
    pair(0x80, 0x90);
    pair(0x81, 0x83);
    pair(0x8A, 0x9A);
    pair(0x8C, 0x9C);
    pair(0x8D, 0x9D);
    pair(0x8E, 0x9E);
    pair(0x8F, 0x9F);
    pair(0xA1, 0xA2);
    pair(0xA3, 0xBC);
    pair(0xA5, 0xB4);
    pair(0xAA, 0xBA);
    pair(0xAF, 0xBF);
    pair(0xB2, 0xB3);
    pair(0xBD, 0xBE);
  }
};

struct CodeTables {
  std::array<unsigned char, 256> toDisplay{}, toOem{};
  CodeTables() {
    for (int c = 0; c < 256; ++c) toDisplay[c] = toOem[c] = static_cast<unsigned char>(c);
    auto map = [&](int oem, int display) {
      toDisplay[oem] = static_cast<unsigned char>(display);
      toOem[display] = static_cast<unsigned char>(oem);
    };
    // The letters; the other codes above 127 take the display codes left
    // free, in order, so that both tables stay permutations.
    for (int i = 0; i < 48; ++i) map(0x80 + i, 0xC0 + i);
    for (int i = 0; i < 16; ++i) map(0xE0 + i, 0xF0 + i);
    map(0xF0, 0xA8);
    map(0xF1, 0xB8);
    std::array<bool, 256> usedDisplay{}, usedOem{};
    for (int c = 0; c < 256; ++c) {
      if (toDisplay[c] != c) {
        usedDisplay[toDisplay[c]] = true;
        usedOem[c] = true;
      }
    }
    int freeDisplay = 0x80;
    for (int c = 0x80; c < 256; ++c) {
      if (usedOem[c]) continue;
      while (freeDisplay < 256 && usedDisplay[freeDisplay]) ++freeDisplay;
      if (freeDisplay >= 256) break;
      toDisplay[c] = static_cast<unsigned char>(freeDisplay);
      toOem[freeDisplay] = static_cast<unsigned char>(c);
      usedDisplay[freeDisplay] = true;
    }
  }
};

const CaseTables& Cases() {
  static const CaseTables tables;
  return tables;
}

const CodeTables& Codes() {
  static const CodeTables tables;
  return tables;
}

constexpr std::int32_t kJulianUnixEpoch = 2440588;

// Days since 1970-01-01 of a Gregorian date (valid for any year).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}

bool ValidDate(long y, long m, long d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int last = kDays[m - 1];
  if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) last = 29;
  return d <= last;
}

std::int32_t DayOf(long y, long m, long d) {
  return static_cast<std::int32_t>(DaysFromCivil(y, m, d) + kJulianUnixEpoch);
}

}  // namespace

unsigned char UpperDisplay(unsigned char c) { return Cases().upper[c]; }
unsigned char LowerDisplay(unsigned char c) { return Cases().lower[c]; }

int CollateDisplay(std::string_view a, std::string_view b) { return a.compare(b); }

unsigned char OemToDisplay(unsigned char c) { return Codes().toDisplay[c]; }
unsigned char DisplayToOem(unsigned char c) { return Codes().toOem[c]; }

std::int32_t StorageToDay(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty() || text == "00000000") return 0;
  bool digits = text.size() == 8;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (digits) {
    auto num = [&](std::size_t at, std::size_t n) {
      long v = 0;
      for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
      return v;
    };
    long y = num(0, 4), m = num(4, 2), d = num(6, 2);
    return ValidDate(y, m, d) ? DayOf(y, m, d) : 2415019;
  }
  // dd.MM.yyyy, one or two digits for day and month.
  long parts[3] = {0, 0, 0};
  int part = 0, len = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9' && len < 4) {
      parts[part] = parts[part] * 10 + (c - '0');
      ++len;
    } else if (c == '.' && len > 0 && part < 2) {
      ++part;
      len = 0;
    } else {
      part = -1;
      break;
    }
  }
  if (part == 2 && len > 0 && ValidDate(parts[2], parts[1], parts[0]))
    return DayOf(parts[2], parts[1], parts[0]);
  Raise("'%s' is not a valid date", {text});
}

std::string DayToStorage(std::int32_t day) {
  if (day <= 0) return std::string(8, ' ');
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(static_cast<std::int64_t>(day) - kJulianUnixEpoch, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04lld%02u%02u", static_cast<long long>(y), m, d);
  return buf;
}

std::string DayToDisplay(std::int32_t day) {
  if (day <= 0) return std::string(10, ' ');
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(static_cast<std::int64_t>(day) - kJulianUnixEpoch, y, m, d);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%02u.%02u.%04lld", d, m, static_cast<long long>(y));
  return buf;
}

int DayOfWeek(std::int32_t day) {
  if (day == 0) return 0;
  // Julian day 0 was a Monday; 1 is Sunday.
  std::int64_t r = (static_cast<std::int64_t>(day) + 1) % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

std::int32_t Today() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return DayOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace talvern::bridge

#include "platform/Locale.h"

#include <array>
#include <chrono>
#include <ctime>
#include <sys/time.h>

#include "platform/CodePage.h"

namespace talvern::platform {
namespace {

LocaleSettings& Settings() {
  static LocaleSettings settings;
  return settings;
}

std::function<LocalTime()>& Clock() {
  static std::function<LocalTime()> clock;
  return clock;
}

struct CaseTables {
  std::array<std::uint8_t, 256> upper{}, lower{};
  std::array<std::uint8_t, 256> oemUpper{}, oemLower{};
  // Primary collation weight (0 = ignored in the first pass) and case rank.
  std::array<std::uint16_t, 256> weight{};
  std::array<std::uint8_t, 256> caseRank{};

  CaseTables() {
    for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<std::uint8_t>(c);
    auto pair = [&](int up, int low) {
      upper[low] = static_cast<std::uint8_t>(up);
      lower[up] = static_cast<std::uint8_t>(low);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);  // А-Я / а-я
    const int others[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
                             {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
                             {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA},
                             {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (const auto& p : others) pair(p[0], p[1]);
    for (int c = 0; c < 256; ++c) {
      char a;
      char o = static_cast<char>(c);
      OemToCharBuff(&o, &a, 1);
      // Only letters whose 1251 form comes back to the same 866 byte change.
      auto convert = [&](std::uint8_t ansi) {
        char in = static_cast<char>(ansi), out;
        CharToOemBuff(&in, &out, 1);
        return static_cast<std::uint8_t>(out);
      };
      auto ua = upper[static_cast<std::uint8_t>(a)], la = lower[static_cast<std::uint8_t>(a)];
      bool roundTrip = convert(static_cast<std::uint8_t>(a)) == c;
      oemUpper[c] = roundTrip ? convert(ua) : static_cast<std::uint8_t>(c);
      oemLower[c] = roundTrip ? convert(la) : static_cast<std::uint8_t>(c);
    }
    BuildCollation();
  }

  void BuildCollation() {
    // Alphabet of Cyrillic lower-case letters of 1251 in collation order.
    const std::uint8_t cyrillic[] = {
        0xE0, 0xE1, 0xE2, 0xE3, 0x83, 0xB4, 0xE4, 0x90, 0xE5, 0xB8, 0xBA, 0xE6, 0xE7, 0xBE,
        0xE8, 0xB3, 0xBF, 0xE9, 0xBC, 0xEA, 0x9D, 0xEB, 0x9A, 0xEC, 0xED, 0x9C, 0xEE, 0xEF,
        0xF0, 0xF1, 0xF2, 0x9E, 0xF3, 0xA2, 0xF4, 0xF5, 0xF6, 0xF7, 0x9F, 0xF8, 0xF9, 0xFA,
        0xFB, 0xFC, 0xFD, 0xFE, 0xFF};
    std::uint16_t next = 1;
    // Control characters, then space and the other symbols in code order.
    for (int c = 0; c < 256; ++c) {
      bool letter = lower[c] != upper[c];
      bool digit = c >= '0' && c <= '9';
      if (!letter && !digit && c != '-' && c != '\'') weight[c] = next++;
    }
    for (int c = '0'; c <= '9'; ++c) weight[c] = next++;
    for (int c = 'a'; c <= 'z'; ++c) weight[c] = weight[c - 32] = next++;
    for (std::uint8_t c : cyrillic) weight[c] = weight[upper[c]] = next++;
    for (int c = 0; c < 256; ++c) caseRank[c] = (upper[c] == c && lower[c] != c) ? 1 : 0;
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

// Compares by primary weights (ignoring hyphen and apostrophe), then, when
// asked, by case, then by the ignored characters, then by code.
int Collate(std::string_view a, std::string_view b, bool caseSensitive) {
  const auto& t = Tables();
  std::size_t i = 0, j = 0;
  while (true) {
    while (i < a.size() && t.weight[static_cast<std::uint8_t>(a[i])] == 0) ++i;
    while (j < b.size() && t.weight[static_cast<std::uint8_t>(b[j])] == 0) ++j;
    if (i >= a.size() || j >= b.size()) break;
    int wa = t.weight[static_cast<std::uint8_t>(a[i])], wb = t.weight[static_cast<std::uint8_t>(b[j])];
    if (wa != wb) return wa < wb ? -1 : 1;
    ++i;
    ++j;
  }
  bool aLeft = i < a.size(), bLeft = j < b.size();
  if (aLeft != bLeft) return aLeft ? 1 : -1;
  if (caseSensitive) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k) {
      int ra = t.caseRank[static_cast<std::uint8_t>(a[k])], rb = t.caseRank[static_cast<std::uint8_t>(b[k])];
      if (ra != rb) return ra < rb ? -1 : 1;
    }
  }
  // Otherwise equal: the texts with hyphens or apostrophes come later.
  auto folded = [&](std::string_view s) {
    std::string out(s);
    if (!caseSensitive)
      for (auto& c : out) c = static_cast<char>(t.lower[static_cast<std::uint8_t>(c)]);
    return out;
  };
  std::string fa = folded(a), fb = folded(b);
  if (fa.size() != fb.size()) return fa.size() < fb.size() ? -1 : 1;
  int r = fa.compare(fb);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

template <class Map>
std::string MapText(std::string_view text, const Map& map) {
  std::string out(text);
  for (auto& c : out) c = static_cast<char>(map[static_cast<std::uint8_t>(c)]);
  return out;
}

int CurrentYear() { return Now().year; }

}  // namespace

const LocaleSettings& Locale() { return Settings(); }
void SetLocaleSettings(const LocaleSettings& settings) { Settings() = settings; }

std::uint8_t AnsiUpperChar(std::uint8_t c) { return Tables().upper[c]; }
std::uint8_t AnsiLowerChar(std::uint8_t c) { return Tables().lower[c]; }
std::uint8_t OemUpperChar(std::uint8_t c) { return Tables().oemUpper[c]; }
std::uint8_t OemLowerChar(std::uint8_t c) { return Tables().oemLower[c]; }
std::string AnsiUpper(std::string_view text) { return MapText(text, Tables().upper); }
std::string AnsiLower(std::string_view text) { return MapText(text, Tables().lower); }
std::string OemUpper(std::string_view text) { return MapText(text, Tables().oemUpper); }
std::string OemLower(std::string_view text) { return MapText(text, Tables().oemLower); }

int AnsiCompareStr(std::string_view a, std::string_view b) { return Collate(a, b, true); }
int AnsiCompareText(std::string_view a, std::string_view b) { return Collate(a, b, false); }

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  return day <= last;
}

bool TryParseShortDate(std::string_view text, int& year, int& month, int& day) {
  const auto& s = Settings();
  // Order of day, month and year as the format gives it.
  char order[3] = {0, 0, 0};
  int count = 0;
  for (char c : s.shortDateFormat) {
    char l = static_cast<char>(c | 0x20);
    if ((l == 'd' || l == 'm' || l == 'y') && (count == 0 || order[count - 1] != l)) {
      if (count < 3) order[count++] = l;
    }
  }
  if (count != 3) return false;
  int values[3] = {0, 0, 0};
  int digits[3] = {0, 0, 0};
  int n = 0;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  while (i < text.size() && n < 3) {
    if (text[i] < '0' || text[i] > '9') return false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      if (digits[n] >= 4) return false;
      values[n] = values[n] * 10 + (text[i] - '0');
      ++digits[n];
      ++i;
    }
    ++n;
    if (i < text.size() && text[i] == s.dateSeparator && n < 3) ++i;
    else break;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  if (i != text.size() || n < 2) return false;
  year = -1;
  auto assign = [&](char field, int value, int numberOfDigits) {
    if (field == 'd') day = value;
    if (field == 'm') month = value;
    if (field == 'y') {
      year = value;
      if (numberOfDigits <= 2) {
        int pivot = CurrentYear() - s.twoDigitYearWindow;
        year += pivot / 100 * 100;
        if (s.twoDigitYearWindow > 0 && year < pivot) year += 100;
      }
    }
  };
  // Three numbers follow the format's order; two are its day and month.
  int k = 0;
  for (int m = 0; m < 3; ++m) {
    if (n == 2 && order[m] == 'y') continue;
    assign(order[m], values[k], digits[k]);
    ++k;
  }
  if (year < 0) year = CurrentYear();
  return IsValidDate(year, month, day);
}

std::string FormatDate(std::string_view pattern, int year, int month, int day) {
  std::string out;
  auto two = [&](int v) {
    out += static_cast<char>('0' + v / 10 % 10);
    out += static_cast<char>('0' + v % 10);
  };
  std::size_t i = 0;
  while (i < pattern.size()) {
    char l = static_cast<char>(pattern[i] | 0x20);
    std::size_t run = 1;
    if (l == 'd' || l == 'm' || l == 'y')
      while (i + run < pattern.size() && (pattern[i + run] | 0x20) == l) ++run;
    if (l == 'd' || l == 'm') {
      int v = l == 'd' ? day : month;
      if (run == 1) out += std::to_string(v);
      else two(v);
    } else if (l == 'y') {
      if (run <= 2) {
        two(year % 100);
      } else {
        std::string y = std::to_string(year);
        while (y.size() < 4) y.insert(y.begin(), '0');
        out += y;
      }
    } else {
      out += pattern[i];
    }
    i += run;
  }
  return out;
}

LocalTime Now() {
  if (Clock()) return Clock()();
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm tm{};
  time_t seconds = tv.tv_sec;
  localtime_r(&seconds, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return t;
}

void SetClock(std::function<LocalTime()> clock) { Clock() = std::move(clock); }

}  // namespace talvern::platform

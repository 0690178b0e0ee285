#include "platform/CodePage.h"

#include <array>

namespace talvern::platform {
namespace {

// Upper halves (0x80-0xFF) of the two code pages; the lower halves are ASCII.
constexpr char16_t kAnsiHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0 А..
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0 а..
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

constexpr char16_t kOemHigh[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80 А..
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0 а..п
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0 box drawing
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0 р..я
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

struct BestFit {
  char16_t from;
  std::uint8_t to;
};

// Stand-ins used by both pages for Latin letters with diacritics and common
// typographic characters.
constexpr BestFit kCommonFit[] = {
    {0x00C0, 'A'}, {0x00C1, 'A'}, {0x00C2, 'A'}, {0x00C3, 'A'}, {0x00C4, 'A'}, {0x00C5, 'A'},
    {0x00C7, 'C'}, {0x00C8, 'E'}, {0x00C9, 'E'}, {0x00CA, 'E'}, {0x00CB, 'E'}, {0x00CC, 'I'},
    {0x00CD, 'I'}, {0x00CE, 'I'}, {0x00CF, 'I'}, {0x00D1, 'N'}, {0x00D2, 'O'}, {0x00D3, 'O'},
    {0x00D4, 'O'}, {0x00D5, 'O'}, {0x00D6, 'O'}, {0x00D7, 'x'}, {0x00D8, 'O'}, {0x00D9, 'U'},
    {0x00DA, 'U'}, {0x00DB, 'U'}, {0x00DC, 'U'}, {0x00DD, 'Y'}, {0x00E0, 'a'}, {0x00E1, 'a'},
    {0x00E2, 'a'}, {0x00E3, 'a'}, {0x00E4, 'a'}, {0x00E5, 'a'}, {0x00E7, 'c'}, {0x00E8, 'e'},
    {0x00E9, 'e'}, {0x00EA, 'e'}, {0x00EB, 'e'}, {0x00EC, 'i'}, {0x00ED, 'i'}, {0x00EE, 'i'},
    {0x00EF, 'i'}, {0x00F1, 'n'}, {0x00F2, 'o'}, {0x00F3, 'o'}, {0x00F4, 'o'}, {0x00F5, 'o'},
    {0x00F6, 'o'}, {0x00F8, 'o'}, {0x00F9, 'u'}, {0x00FA, 'u'}, {0x00FB, 'u'}, {0x00FC, 'u'},
    {0x00FD, 'y'}, {0x00FF, 'y'}, {0x2032, '\''}, {0x2033, '"'}, {0x2212, '-'},
};

// Characters of 1251 that 866 lacks.
constexpr BestFit kOemFit[] = {
    {0x0403, 0x83}, {0x0453, 0xA3},   // Ѓ ѓ -> Г г
    {0x040C, 0x8A}, {0x045C, 0xAA},   // Ќ ќ -> К к
    {0x0490, 0x83}, {0x0491, 0xA3},   // Ґ ґ -> Г г
    {0x0406, 'I'},  {0x0456, 'i'},    // І і
    {0x0408, 'J'},  {0x0458, 'j'},    // Ј ј
    {0x0405, 'S'},  {0x0455, 's'},    // Ѕ ѕ
    {0x201A, ','},  {0x201E, '"'},  {0x2026, '.'}, {0x2020, '+'}, {0x2021, '+'},
    {0x2030, '%'},  {0x2039, '<'},  {0x203A, '>'}, {0x2018, '\''}, {0x2019, '\''},
    {0x201C, '"'},  {0x201D, '"'},  {0x2022, 0x07}, {0x2013, '-'}, {0x2014, '-'},
    {0x2122, 'T'},  {0x00A6, '|'},  {0x00A7, 0x15}, {0x00A9, 'c'}, {0x00AB, '<'},
    {0x00AC, '-'},  {0x00AD, '-'},  {0x00AE, 'R'},  {0x00B1, '+'}, {0x00B5, 'u'},
    {0x00B6, 0x14}, {0x00BB, '>'},
};

// Characters of 866 that 1251 lacks: box drawing becomes "-", the broken bar
// or "+", shades and blocks the broken bar.
constexpr BestFit kAnsiFit[] = {
    {0x2591, 0xA6}, {0x2592, 0xA6}, {0x2593, 0xA6}, {0x2588, 0xA6}, {0x258C, 0xA6},
    {0x2590, 0xA6}, {0x2580, '-'},  {0x2584, '_'},
    {0x2500, '-'},  {0x2550, '-'},  {0x2502, 0xA6}, {0x2551, 0xA6},
    {0x2524, 0xA6}, {0x2561, 0xA6}, {0x2562, 0xA6}, {0x2563, 0xA6},
    {0x252C, '-'},  {0x2534, '-'},  {0x2564, '-'},  {0x2565, '-'},  {0x2566, '-'},
    {0x2567, '-'},  {0x2568, '-'},  {0x2569, '-'},
    {0x250C, '+'},  {0x2510, '+'},  {0x2514, '+'},  {0x2518, '+'},  {0x251C, '+'},
    {0x253C, '+'},  {0x2552, '+'},  {0x2553, '+'},  {0x2554, '+'},  {0x2555, '+'},
    {0x2556, '+'},  {0x2557, '+'},  {0x2558, '+'},  {0x2559, '+'},  {0x255A, '+'},
    {0x255B, '+'},  {0x255C, '+'},  {0x255D, '+'},  {0x255E, '+'},  {0x255F, '+'},
    {0x2560, '+'},  {0x256A, '+'},  {0x256B, '+'},  {0x256C, '+'},
    {0x2219, 0xB7}, {0x221A, 'v'},
};

template <std::size_t N>
int FindFit(const BestFit (&table)[N], char32_t c) {
  for (const auto& f : table)
    if (f.from == c) return f.to;
  return -1;
}

struct Tables {
  std::array<std::uint8_t, 256> ansiToOem{};
  std::array<std::uint8_t, 256> oemToAnsi{};
  Tables() {
    for (int c = 0; c < 256; ++c) {
      ansiToOem[c] = UnicodeToOem(AnsiToUnicode(static_cast<std::uint8_t>(c)));
      oemToAnsi[c] = UnicodeToAnsi(OemToUnicode(static_cast<std::uint8_t>(c)));
    }
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

template <class Convert>
std::string FromUtf8(std::string_view text, Convert convert) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto b = static_cast<std::uint8_t>(text[i]);
    int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out += '?';
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : (b & (0x3F >> extra));
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      auto n = static_cast<std::uint8_t>(text[i + k]);
      if ((n & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (n & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += static_cast<char>(convert(c));
    i += extra + 1;
  }
  return out;
}

}  // namespace

char32_t AnsiToUnicode(std::uint8_t c) { return c < 0x80 ? c : kAnsiHigh[c - 0x80]; }
char32_t OemToUnicode(std::uint8_t c) { return c < 0x80 ? c : kOemHigh[c - 0x80]; }

std::uint8_t UnicodeToAnsi(char32_t c) {
  if (c < 0x80) return static_cast<std::uint8_t>(c);
  for (int i = 0; i < 128; ++i)
    if (kAnsiHigh[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  int fit = FindFit(kAnsiFit, c);
  if (fit < 0) fit = FindFit(kCommonFit, c);
  return fit < 0 ? '?' : static_cast<std::uint8_t>(fit);
}

std::uint8_t UnicodeToOem(char32_t c) {
  if (c < 0x80) return static_cast<std::uint8_t>(c);
  for (int i = 0; i < 128; ++i)
    if (kOemHigh[i] == c) return static_cast<std::uint8_t>(0x80 + i);
  int fit = FindFit(kOemFit, c);
  if (fit < 0) fit = FindFit(kCommonFit, c);
  return fit < 0 ? '?' : static_cast<std::uint8_t>(fit);
}

void CharToOemBuff(const char* source, char* destination, std::size_t count) {
  const auto& t = GetTables().ansiToOem;
  for (std::size_t i = 0; i < count; ++i)
    destination[i] = static_cast<char>(t[static_cast<std::uint8_t>(source[i])]);
}

void OemToCharBuff(const char* source, char* destination, std::size_t count) {
  const auto& t = GetTables().oemToAnsi;
  for (std::size_t i = 0; i < count; ++i)
    destination[i] = static_cast<char>(t[static_cast<std::uint8_t>(source[i])]);
}

std::string CharToOem(std::string_view text) {
  std::string out(text);
  CharToOemBuff(out.data(), out.data(), out.size());
  return out;
}

std::string OemToChar(std::string_view text) {
  std::string out(text);
  OemToCharBuff(out.data(), out.data(), out.size());
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string Utf8ToAnsi(std::string_view text) { return FromUtf8(text, UnicodeToAnsi); }
std::string Utf8ToOem(std::string_view text) { return FromUtf8(text, UnicodeToOem); }

std::string AnsiToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) AppendUtf8(out, AnsiToUnicode(static_cast<std::uint8_t>(c)));
  return out;
}

std::string OemToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char c : text) AppendUtf8(out, OemToUnicode(static_cast<std::uint8_t>(c)));
  return out;
}

}  // namespace talvern::platform

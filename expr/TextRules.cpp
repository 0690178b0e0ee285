#include "expr/TextRules.h"

#include <array>

#include "engine/Translate.h"
#include "platform/Locale.h"

namespace talvern {
namespace {

// Per-byte case tables for display text [0] and OEM text [1]. An OEM byte is
// translated to display through the table's translation tables, mapped, and
// translated back.
struct CaseTables {
  std::array<std::array<unsigned char, 256>, 2> upper{}, lower{};
  CaseTables() {
    const TranslationTables& t = Translation();
    for (int c = 0; c < 256; ++c) {
      auto b = static_cast<unsigned char>(c);
      upper[0][c] = platform::AnsiUpperChar(b);
      lower[0][c] = platform::AnsiLowerChar(b);
      unsigned char d = t.oemToAnsi[b];
      upper[1][c] = t.ansiToOem[platform::AnsiUpperChar(d)];
      lower[1][c] = t.ansiToOem[platform::AnsiLowerChar(d)];
    }
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

}  // namespace

unsigned char UpperCaseChar(unsigned char c, bool oem) { return Tables().upper[oem][c]; }
unsigned char LowerCaseChar(unsigned char c, bool oem) { return Tables().lower[oem][c]; }

void UpperCaseText(std::string& s, bool oem) {
  const auto& t = Tables().upper[oem];
  for (char& c : s) c = static_cast<char>(t[static_cast<unsigned char>(c)]);
}

void LowerCaseText(std::string& s, bool oem) {
  const auto& t = Tables().lower[oem];
  for (char& c : s) c = static_cast<char>(t[static_cast<unsigned char>(c)]);
}

void UpperCaseAscii(std::string& s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
}

int CollateTexts(std::string_view a, std::string_view b, bool oem) {
  int r;
  if (oem) {
    // Expressions compare texts of table fields; a few hundred bytes at most,
    // so the translated copies are cheap. They are kept between calls.
    static thread_local std::string da, db;
    da.assign(a);
    db.assign(b);
    OemToAnsiInPlace(reinterpret_cast<std::uint8_t*>(da.data()), da.size());
    OemToAnsiInPlace(reinterpret_cast<std::uint8_t*>(db.data()), db.size());
    r = platform::AnsiCompareStr(da, db);
  } else {
    r = platform::AnsiCompareStr(a, b);
  }
  return (r > 0) - (r < 0);
}

}  // namespace talvern

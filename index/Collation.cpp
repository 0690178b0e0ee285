#include "index/Collation.h"

#include <array>
#include <vector>

namespace talvern {

namespace {

// Secondary code of a letter that expands (its expansion record holds the
// codes).
constexpr std::uint8_t kExpands = 0x80;

struct Tables {
  std::array<std::uint8_t, 256> primary{};
  std::array<std::uint8_t, 256> secondary{};
  std::array<GeneralExpansion, 256> expansion{};
};

Tables MakeTables() {
  Tables t;
  // Control codes, then the blank.
  for (int c = 0; c < 0x20; ++c) t.primary[c] = 0x10;
  t.primary[' '] = 0x11;
  // Punctuation and symbols of the ASCII range, in code order, from 0x12 on
  // (0x20 is skipped: it is the blank that stored keys are padded with).
  std::uint8_t w = 0x12;
  auto next = [&w] {
    if (w == 0x20) ++w;
    return w++;
  };
  for (int c = 0x21; c < 0x80; ++c) {
    bool digit = c >= '0' && c <= '9';
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!digit && !letter) t.primary[c] = next();
  }
  // Digits and Latin letters.
  for (int d = 0; d < 10; ++d) t.primary['0' + d] = static_cast<std::uint8_t>(0x56 + d);
  for (int l = 0; l < 26; ++l) {
    t.primary['A' + l] = t.primary['a' + l] = static_cast<std::uint8_t>(0x60 + l);
  }
  // Cyrillic letters of code page 866: А-Я 0x80-0x9F, а-п 0xA0-0xAF, р-я
  // 0xE0-0xEF, after the Latin ones.
  for (int l = 0; l < 32; ++l) {
    std::uint8_t weight = static_cast<std::uint8_t>(0x7A + l);
    t.primary[0x80 + l] = weight;
    t.primary[l < 16 ? 0xA0 + l : 0xE0 + (l - 16)] = weight;
  }
  // Letters that sort as a base letter with a secondary code: Ё ё (Е), Є є
  // (Е), Ї ї (И), Ў ў (У).
  const std::uint8_t ye = 0x7A + 5, i = 0x7A + 8, u = 0x7A + 19;
  const std::uint8_t variants[][3] = {{0xF0, ye, 0x21}, {0xF1, ye, 0x21}, {0xF2, ye, 0x22},
                                      {0xF3, ye, 0x22}, {0xF4, i, 0x21},  {0xF5, i, 0x21},
                                      {0xF6, u, 0x21},  {0xF7, u, 0x21}};
  for (const auto& v : variants) {
    t.primary[v[0]] = v[1];
    t.secondary[v[0]] = v[2];
  }
  // Pseudo-graphics and the remaining symbols after all letters.
  w = 0x9A;
  for (int c = 0xB0; c <= 0xDF; ++c) t.primary[c] = w++;
  for (int c = 0xF8; c <= 0xFF; ++c) t.primary[c] = w++;
  // The numero sign expands to N and O, told apart from "NO" by a secondary
  // code on its second half.
  const std::uint8_t numero = 0xFC;
  t.secondary[numero] = kExpands;
  GeneralExpansion& e = t.expansion[t.primary[numero]];
  e.flag = 1;
  e.primary1 = t.primary['N'];
  e.primary2 = t.primary['O'];
  e.secondary1 = 0;
  e.secondary2 = 0x23;
  return t;
}

const Tables& TheTables() {
  static const Tables tables = MakeTables();
  return tables;
}

}  // namespace

const std::uint8_t* GeneralPrimary() { return TheTables().primary.data(); }
const std::uint8_t* GeneralSecondary() { return TheTables().secondary.data(); }
const GeneralExpansion* GeneralExpansions() { return TheTables().expansion.data(); }

int GeneralKey(std::string_view text, std::uint8_t* out, int maxLength) {
  const Tables& t = TheTables();
  std::uint8_t secondary[512];
  int primaryLength = 0, secondaryLength = 0;
  auto addPrimary = [&](std::uint8_t b) {
    if (primaryLength < maxLength) out[primaryLength++] = b;
  };
  auto addSecondary = [&](std::uint8_t b) {
    if (secondaryLength < static_cast<int>(sizeof secondary)) secondary[secondaryLength++] = b | 0xF0;
  };
  for (unsigned char c : text) {
    std::uint8_t weight = t.primary[c];
    const GeneralExpansion& e = t.expansion[weight];
    if (e.flag) {
      addPrimary(e.primary1);
      addPrimary(e.primary2);
    } else {
      addPrimary(weight);
    }
    std::uint8_t code = t.secondary[c];
    if (code == kExpands) {
      if (e.secondary1) addSecondary(e.secondary1);
      if (e.secondary2) addSecondary(e.secondary2);
    } else if (code != 0) {
      addSecondary(code);
    }
  }
  while (secondaryLength > 0 && secondary[secondaryLength - 1] == 0xF0) --secondaryLength;
  int length = primaryLength;
  for (int k = 0; k < secondaryLength && length < maxLength; ++k) out[length++] = secondary[k];
  return length;
}

}  // namespace talvern

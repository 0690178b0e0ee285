#pragma once
// The GENERAL collation of character index keys: a key made of primary
// weights (letters of either case share one; digits, blanks and other
// characters have their own) followed by secondary codes that tell accented
// and variant letters apart. The tables are indexed by the bytes of the
// stored text, code page 866: the Latin part follows the Western European
// weights (A/a 0x60, B/b 0x61, ..., digits 0x56-0x5F, blank 0x11, control
// codes 0x10), the Cyrillic letters follow the Latin ones in alphabetical
// order, Ё and the Ukrainian and Belarusian letters sort as their base
// letter with a secondary code, and the numero sign expands to N and O.
//
// Every primary weight lies in 0x10..0xEF and is never 0x20 (a blank would be
// trimmed from a stored key); secondary codes are stored OR 0xF0.

#include <cstdint>
#include <string_view>

namespace talvern {

struct GeneralExpansion {
  std::uint8_t flag = 0;  // 1: the weight expands to two
  std::uint8_t primary1 = 0, primary2 = 0;
  std::uint8_t secondary1 = 0, secondary2 = 0;
};

// Primary weight and secondary code of each byte, and the expansion record
// of each primary weight.
const std::uint8_t* GeneralPrimary();
const std::uint8_t* GeneralSecondary();
const GeneralExpansion* GeneralExpansions();

// The GENERAL key of text (trailing blanks already removed), at most
// maxLength bytes, written to out; returns its length.
int GeneralKey(std::string_view text, std::uint8_t* out, int maxLength);

}  // namespace talvern

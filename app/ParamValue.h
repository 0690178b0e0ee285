#pragma once
// Reading a parameter text of the catalogue as a value, so that the grid can
// order and filter a kind's devices by any column. The texts are the ones the
// catalogue holds, in code page 1251:
//
//   number     "15", "0,15", "-0,05", "+0,06" (a decimal comma, or a point)
//   range      "30...120", "-60...+100", "0,65...0,9" (also ".." and "…")
//   bound      "<5", ">100", "<=0,4", ">=60": counts as its number
//   suffix     "1,7*" (footnote marks) or "3 мм" (a unit after a space):
//              the number counts, the suffix does not
//   word       "n-p-n", "TO-92", "КТ-26", "402.16-7", "1N4148": anything else
//   blank      "" or spaces only
//
// A number followed directly by anything other than footnote marks ("2Т203А",
// "1N4148", "402.16-7") is a word: the catalogue's types and package names
// must not be taken for numbers.

#include <cstdint>
#include <string_view>

namespace talvern {

struct ParamValue {
  // In the order the kinds are listed when sorted: numbers, then words, then
  // blanks, in either direction.
  enum Kind : std::uint8_t { Number, Word, Blank };

  Kind kind = Blank;
  // A number has low == high; a range its two ends, low <= high.
  double low = 0;
  double high = 0;

  bool operator==(const ParamValue&) const = default;
};

ParamValue ReadParamValue(std::string_view text1251);

// Reads one number at the start of text: an optional sign, digits, and an
// optional decimal comma or point with digits; on success text is left after
// it. False (text unchanged) when no number starts there.
bool ReadNumber(std::string_view& text, double& value);

}  // namespace talvern

#pragma once
// Number and date keys of the .mdx, .ndx and .ntx formats, and the one
// in-memory form their numeric keys share.
//
// In memory a numeric or date key of an .mdx or .ndx tag is the sortable
// form of its double: eight bytes, most significant first, the sign bit set
// for positive values and every bit inverted for negative ones, so that keys
// compare as unsigned bytes in numeric order (-0 is taken as 0).
//
// On disk:
// - .ndx keeps the double itself (8 bytes, little-endian);
// - .mdx keeps dates as that double and numbers in a 12-byte decimal form:
//     0  1  52 + the decimal exponent e (value = 0.d1d2d3... x 10^e)
//     1  1  digit count x 4 + 1, plus 0x80 for a negative value
//     2 10  the digits, two per byte, high half first
//   rounded to 15 significant digits; values of more than 15 digits before
//   the point become fifteen 9s with exponent 15;
// - .ntx keeps every key as text: a number as the fixed-width decimal text
//   of its absolute value with leading blanks turned into "0", the digits of
//   a negative value d replaced by the character 92 - d ("0" -> ",",
//   "9" -> "#"), so that the texts sort in numeric order.

#include <cstdint>
#include <string>
#include <string_view>

namespace talvern {

constexpr int kSortableDoubleBytes = 8;
constexpr int kMdxNumberBytes = 12;
// The day number an empty date takes in .mdx and .ndx keys: after every date.
constexpr double kEmptyDateKey = 1e100;

void EncodeSortableDouble(double value, std::uint8_t out[kSortableDoubleBytes]);
double DecodeSortableDouble(const std::uint8_t in[kSortableDoubleBytes]);

void EncodeMdxNumber(double value, std::uint8_t out[kMdxNumberBytes]);
// 0 for bytes that are no number of this form.
double DecodeMdxNumber(const std::uint8_t in[kMdxNumberBytes]);

// The .ntx key of a number in a key of length characters with decimals
// decimals; a value too wide for it takes the widest one of its sign.
std::string NtxNumberText(double value, int length, int decimals);

// A search text read as a number (either decimal separator; 0 for no
// number).
double SearchTextNumber(std::string_view text);

}  // namespace talvern

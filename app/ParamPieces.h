#pragma once
// A device's parameter values are one text, PARAMS, whose pieces are separated
// by "|": piece k (from 1) is the value of parameter k. An empty piece is a
// parameter without value; a "|" at the very end starts no further piece.
// For example "5|10||0,3" holds 5, 10, nothing and 0,3.

#include <string_view>
#include <vector>

namespace talvern {

inline constexpr char kParamSeparator = '|';

// The pieces of a PARAMS text in order, empty ones included (views into text).
std::vector<std::string_view> SplitParams(std::string_view text);

}  // namespace talvern

#pragma once
// A device's PARAMS text as the export reads it and the import writes it:
// the value of parameter k (from 1) is the k-th "|"-separated piece.

#include <string>
#include <string_view>
#include <vector>

namespace talvern::impexp {

inline constexpr char kParamSeparator = '|';

// The pieces in order, empty ones included; a "|" at the very end starts no
// further piece ("5|10||0,3|" holds 5, 10, nothing and 0,3).
std::vector<std::string_view> ParamPieces(std::string_view text);

// The values of parameters 1 to N joined with "|", every "|" at the end
// removed.
std::string JoinParams(const std::vector<std::string_view>& values);

}  // namespace talvern::impexp

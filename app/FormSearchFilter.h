#pragma once
// The device search's filter on Main: the devices whose TYPE contains the
// search text, upper-cased by the display code page's rules, as the
// expression AT("<TEXT>",TYPE,1)<>0. The text stands between double quotes as
// it is; a double quote of the text, which would end that literal, is written
// as the one-character literal '"' joined to the pieces around it with "+", so
// that it is searched for like any other character. Texts are code page 1251.

#include <string>
#include <string_view>

namespace talvern {

// The filter for a search text that is not empty.
std::string SearchFilter(std::string_view text);

}  // namespace talvern

#pragma once
// A filter on one column of the device grid, as the user writes it:
//
//   "≥ 60", ">= 60"     at least 60: a range satisfies it when its upper end
//                       does (the device can reach 60); "> 60" strictly more
//   "≤ 0,4", "<= 0,4"   at most 0,4: a range satisfies it when its lower end
//                       does; "< 0,4" strictly less
//   "10...100"          a value that meets the interval (a number inside it,
//                       a range overlapping it); also ".." and "…"
//   "60", "= 60"        a value that covers 60 (the number, or a range
//                       holding it); a word that contains the text "60"
//   anything else       a text fragment: values that contain it, in any case
//
// Numbers take a decimal comma or point. A blank value satisfies no filter; a
// word satisfies only a fragment (or a bare number it contains). Bounds in the
// catalogue ("<5") count as their number (ParamValue.h).

#include <optional>
#include <string>
#include <string_view>

#include "app/ParamValue.h"

namespace talvern {

class ParamFilter {
public:
  enum Op { AtLeast, Above, AtMost, Below, Between, Equal, Fragment };

  // The filter a text stands for (UTF-8, as typed); nothing for a blank text,
  // and nothing with error set for a comparison without a number ("≥ abc").
  static std::optional<ParamFilter> Parse(std::string_view textUtf8, std::string& errorUtf8);

  // Whether a cell satisfies the filter: its value and its text (code page
  // 1251) as ReadParamValue read them.
  bool Matches(const ParamValue& value, std::string_view text1251) const;
  // Whether the filter looks at the cell's text (a fragment, or a bare number
  // that a word may contain), not only at its value.
  bool NeedsText() const { return op_ == Fragment || op_ == Equal; }

  Op Operation() const { return op_; }
  double Low() const { return low_; }
  double High() const { return high_; }
  // The text as typed, spaces around it removed (UTF-8).
  const std::string& Text() const { return text_; }

private:
  bool ContainsFragment(std::string_view text1251) const;

  Op op_ = Fragment;
  double low_ = 0;
  double high_ = 0;
  std::string text_;
  std::string upperFragment_;  // code page 1251, upper case
};

}  // namespace talvern

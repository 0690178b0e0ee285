#pragma once
// Helpers the library functions use to fetch their arguments and to set
// their results. Each argument is evaluated into the call node's scratch
// value of the same index, so repeated evaluation reuses its buffers.

#include <cmath>
#include <cstdint>
#include <string_view>

#include "engine/Errors.h"
#include "expr/Messages.h"
#include "expr/Node.h"
#include "expr/UserLink.h"

namespace talvern::lib {

// The blank date of the date functions (CTOD of an empty text).
inline constexpr double kBlankDate = 1E+100;
// The last day the calendar functions handle: 31 December 9999.
inline constexpr std::int32_t kLastDay = 5373484;

inline double NumberArg(TvxExpFunction& node, std::size_t i) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Number, kind);
  return v.AsNumber();
}

inline std::string_view TextArg(TvxExpFunction& node, std::size_t i) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Text, kind);
  return v.AsTextView();
}

inline bool BooleanArg(TvxExpFunction& node, std::size_t i) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Boolean, kind);
  return v.AsBoolean();
}

// An optional argument is used only when it is present and of its kind.
inline bool OptionalNumber(TvxExpFunction& node, std::size_t i, double& x) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Any, kind);
  if (!IsNumericKind(kind)) return false;
  x = v.AsNumber();
  return true;
}

inline bool OptionalText(TvxExpFunction& node, std::size_t i, std::string_view& s) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Any, kind);
  if (kind != ValueKind::Text) return false;
  s = v.AsTextView();
  return true;
}

// The call's texts are in the OEM code page (its table translates).
inline bool OemTexts(const TvxExpFunction& node) {
  TvxExpUserLink* link = node.CallTable();
  return link && link->Translate();
}

// x truncated toward zero and held within [lo, hi]; NaN gives 0.
inline std::int64_t Truncate(double x, std::int64_t lo, std::int64_t hi) {
  if (!(x == x)) return 0;
  x = std::trunc(x);
  if (x <= static_cast<double>(lo)) return lo;
  if (x >= static_cast<double>(hi)) return hi;
  return static_cast<std::int64_t>(x);
}

// Position (from 1) of the n-th occurrence of needle in text (AT),
// occurrences overlapping; the last one found when there are fewer, 0 when
// none.
std::size_t NthOccurrence(std::string_view needle, std::string_view text, std::int64_t n);
// AT's occurrence argument as the count it searches for.
std::int64_t OccurrenceCount(double n);

// A day number the calendar can show; anything else is the empty date 0.
inline std::int32_t CalendarDay(double day) {
  double d = std::trunc(day);
  return d > 0 && d <= kLastDay ? static_cast<std::int32_t>(d) : 0;
}

inline void SetNumber(ExprValue& value, ValueKind& kind, double x) {
  if (!std::isfinite(x)) Raise<ETalvernExpression>(msg::kOverflow);
  value.SetNumber(x);
  kind = ValueKind::Number;
}

inline void SetBoolean(ExprValue& value, ValueKind& kind, bool b) {
  value.SetBoolean(b);
  kind = ValueKind::Boolean;
}

// Starts a text result.
inline std::string& NewText(ExprValue& value, ValueKind& kind) {
  kind = ValueKind::Text;
  return value.NewText();
}

}  // namespace talvern::lib

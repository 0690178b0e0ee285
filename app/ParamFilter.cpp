#include "app/ParamFilter.h"

#include <utility>

#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace talvern {
namespace {

constexpr char kNeedsNumber[] = "После знака сравнения нужно число, например ≥ 60 или ≤ 0,4";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SkipPrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// The comparison a text begins with, if any; text is left after it.
std::optional<ParamFilter::Op> ReadOperation(std::string_view& text) {
  static const std::pair<std::string_view, ParamFilter::Op> kOperations[] = {
      {"≥", ParamFilter::AtLeast}, {">=", ParamFilter::AtLeast}, {"=>", ParamFilter::AtLeast},
      {"≤", ParamFilter::AtMost},  {"<=", ParamFilter::AtMost},  {"=<", ParamFilter::AtMost},
      {">", ParamFilter::Above},   {"<", ParamFilter::Below},    {"=", ParamFilter::Equal}};
  for (const auto& [sign, op] : kOperations)
    if (SkipPrefix(text, sign)) return op;
  return std::nullopt;
}

// "a...b", "a..b" or "a…b" (UTF-8), spaces allowed around the separator.
bool ReadRange(std::string_view text, double& low, double& high) {
  if (!ReadNumber(text, low)) return false;
  text = Trimmed(text);
  if (!SkipPrefix(text, "...") && !SkipPrefix(text, "..") && !SkipPrefix(text, "…")) return false;
  text = Trimmed(text);
  if (!ReadNumber(text, high) || !text.empty()) return false;
  if (high < low) std::swap(low, high);
  return true;
}

}  // namespace

std::optional<ParamFilter> ParamFilter::Parse(std::string_view textUtf8, std::string& errorUtf8) {
  errorUtf8.clear();
  const std::string_view text = Trimmed(textUtf8);
  if (text.empty()) return std::nullopt;
  ParamFilter filter;
  filter.text_ = std::string(text);
  filter.upperFragment_ = platform::AnsiUpper(platform::Utf8ToAnsi(text));
  std::string_view rest = text;
  if (const std::optional<Op> op = ReadOperation(rest)) {
    rest = Trimmed(rest);
    double number = 0;
    if (!ReadNumber(rest, number) || !rest.empty()) {
      errorUtf8 = kNeedsNumber;
      return std::nullopt;
    }
    filter.op_ = *op;
    filter.low_ = filter.high_ = number;
    // A word may contain the number as it was written.
    if (*op == Equal) filter.upperFragment_ = platform::AnsiUpper(platform::Utf8ToAnsi(Trimmed(text.substr(1))));
    return filter;
  }
  double low = 0;
  double high = 0;
  if (ReadRange(rest, low, high)) {
    filter.op_ = Between;
    filter.low_ = low;
    filter.high_ = high;
  } else if (ReadNumber(rest, low) && rest.empty()) {
    filter.op_ = Equal;
    filter.low_ = filter.high_ = low;
  }
  return filter;
}

bool ParamFilter::ContainsFragment(std::string_view text1251) const {
  return platform::AnsiUpper(text1251).find(upperFragment_) != std::string::npos;
}

bool ParamFilter::Matches(const ParamValue& value, std::string_view text1251) const {
  if (value.kind == ParamValue::Blank) return false;
  if (op_ == Fragment) return ContainsFragment(text1251);
  if (value.kind == ParamValue::Word) return op_ == Equal && ContainsFragment(text1251);
  switch (op_) {
    case AtLeast: return value.high >= low_;
    case Above: return value.high > low_;
    case AtMost: return value.low <= low_;
    case Below: return value.low < low_;
    case Between: return value.low <= high_ && value.high >= low_;
    case Equal: return value.low <= low_ && low_ <= value.high;
    case Fragment: break;
  }
  return false;
}

}  // namespace talvern

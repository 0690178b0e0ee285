#include "expr/TextCompare.h"

#include "engine/Strings.h"
#include "expr/TextRules.h"

namespace talvern {
bool WildcardMatch(std::string_view text, std::string_view pattern, char multi, char single,
                   std::string& scratch) {
  if (text.size() < pattern.size()) return false;
  if (pattern.size() == 1 && pattern[0] == multi) return true;
  bool leading = !pattern.empty() && pattern.front() == multi;
  if (leading) pattern.remove_prefix(1);
  if (!pattern.empty() && pattern.back() == multi) pattern.remove_suffix(1);
  std::string_view subject = text;
  if (!leading) {
    scratch.assign(text);
    for (std::size_t i = 0; i < pattern.size(); ++i)
      if (pattern[i] == single) scratch[i] = single;
    subject = scratch;
  }
  return subject.find(pattern) != std::string_view::npos;
}

int CompareExprTexts(const ExprValue& left, const ExprValue& right, const CompareOptions& options,
                     bool oem, CompareScratch& scratch) {
  return CompareExprTexts(left.AsTextView(), right.AsTextView(), options, oem, scratch);
}

int CompareExprTexts(std::string_view left, std::string_view right, const CompareOptions& options,
                     bool oem, CompareScratch& scratch) {
  bool leftEmpty = left.empty();
  bool rightEmpty = right.empty();
  if (leftEmpty || rightEmpty) return leftEmpty && rightEmpty ? 0 : (leftEmpty ? -1 : 1);

  std::string_view l = TrimRight(left), r = TrimRight(right);
  if (options.caseInsensitive) {
    scratch.left.assign(l);
    scratch.right.assign(r);
    UpperCaseText(scratch.left, oem);
    UpperCaseText(scratch.right, oem);
    l = scratch.left;
    r = scratch.right;
  }
  if (options.partialCompare && !r.empty() &&
      (r.front() == options.multiWildcard || r.back() == options.multiWildcard)) {
    bool match = WildcardMatch(l, r, options.multiWildcard, options.singleWildcard, scratch.pattern);
    return match ? 0 : -1;
  }
  return CollateTexts(l, r, oem);
}

}  // namespace talvern

#pragma once
// How the comparison operators of the expression language order two texts.
// Trailing blanks do not count; with the case-insensitive option both sides
// are upper-cased first. With the partial-compare option a right side that
// begins or ends with the multi-character wildcard is a pattern: the left
// text equals it when the pattern (without its outer wildcards, single-
// character wildcards standing for any character when the pattern is
// anchored at the start) occurs in the left text, and is less otherwise.
// Other texts are ordered by the locale's collation.

#include <string>
#include <string_view>

#include "expr/Value.h"

namespace talvern {

// Comparison options a handler copies into each of its operators.
struct CompareOptions {
  bool caseInsensitive = false;
  bool partialCompare = true;
  char multiWildcard = '*';
  char singleWildcard = '?';
};

// Buffers a comparison may need, kept by the operator between evaluations.
struct CompareScratch {
  std::string left, right, pattern;
};

// -1, 0 or 1. A side is empty when it is unassigned or the empty text; an
// empty side is less than a non-empty one.
int CompareExprTexts(const ExprValue& left, const ExprValue& right, const CompareOptions& options,
                     bool oem, CompareScratch& scratch);
// The same on two texts (an empty view: an empty side).
int CompareExprTexts(std::string_view left, std::string_view right, const CompareOptions& options,
                     bool oem, CompareScratch& scratch);

bool WildcardMatch(std::string_view text, std::string_view pattern, char multi, char single,
                   std::string& scratch);

}  // namespace talvern

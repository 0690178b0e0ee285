// Functions on values of any kind: IIF, EMPTY, DESCEND, comparisons (BETWEEN,
// INLIST, MAX, MIN).
#include <utility>

#include "engine/Strings.h"
#include "expr/Library.h"
#include "expr/LibraryArgs.h"
#include "expr/TextRules.h"

namespace talvern {
using namespace lib;

namespace {

// The general order of two values of one kind: numbers by value, texts by
// the locale's collation, truth values false before true.
int CompareValues(const ExprValue& a, const ExprValue& b, bool oem) {
  if (a.IsText() || b.IsText()) return CollateTexts(a.AsTextView(), b.AsTextView(), oem);
  if (a.type == ExprValue::Type::Boolean || b.type == ExprValue::Type::Boolean)
    return static_cast<int>(a.AsBoolean()) - static_cast<int>(b.AsBoolean());
  if (a.IsEmpty() && b.IsEmpty()) return 0;
  double x = a.AsNumber(), y = b.AsNumber();
  return (x > y) - (x < y);
}

// Equality as INLIST tests it: texts exactly, numbers by value.
bool EqualValues(const ExprValue& a, const ExprValue& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case ExprValue::Type::Text: return a.text == b.text;
    case ExprValue::Type::Number: return a.number == b.number;
    case ExprValue::Type::Boolean: return a.boolean == b.boolean;
    default: return true;
  }
}

void Extreme(TvxExpFunction& node, ExprValue& value, ValueKind& kind, std::string_view name,
             int wanted) {
  ExprValue* best = &node.Scratch(0);
  ExprValue* next = &node.Scratch(1);
  ValueKind first;
  node.GetArg(0, *best, ValueKind::Any, first);
  if (first == ValueKind::Empty) Raise<ETalvernExpression>(msg::kValueRequired, {name});
  bool oem = OemTexts(node);
  for (std::size_t i = 1; i < node.ArgCount(); ++i) {
    ValueKind k;
    node.GetArg(i, *next, ValueKind::Any, k);
    if (k == ValueKind::Empty) break;
    if (k != first) Raise<ETalvernExpression>(msg::kSameType, {name});
    if (CompareValues(*next, *best, oem) == wanted) std::swap(best, next);
  }
  value = *best;
  kind = first;
}

}  // namespace

void TvxUDFBetween::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  ValueKind k, ignored;
  ExprValue& x = node.Scratch(0);
  node.GetArg(0, x, ValueKind::Any, k);
  ExprValue& low = node.Scratch(1);
  ExprValue& high = node.Scratch(2);
  node.GetArg(1, low, k, ignored);
  node.GetArg(2, high, k, ignored);
  bool oem = OemTexts(node);
  SetBoolean(value, kind, CompareValues(low, x, oem) <= 0 && CompareValues(x, high, oem) <= 0);
}

// The inverted sort value: an index on DESCEND(x) lists x in reverse order.
void TvxUDFDescend::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  node.GetArg(0, value, ValueKind::Any, kind);
  switch (kind) {
    case ValueKind::Date:
    case ValueKind::DateTime:
      if (value.AsNumber() != kBlankDate) value.SetNumber(5231808 - value.AsNumber());
      break;
    case ValueKind::Number:
    case ValueKind::Integer:
      if (value.AsNumber() != 0) value.SetNumber(-value.AsNumber());
      break;
    case ValueKind::Text:
      for (char& c : value.text)
        c = static_cast<char>((256 - static_cast<unsigned char>(c)) & 0xFF);
      break;
    case ValueKind::Boolean: value.SetBoolean(!value.AsBoolean()); break;
    default: value.SetBoolean(false); break;
  }
}

void TvxUDFEmpty::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  ValueKind k;
  ExprValue& x = node.Scratch(0);
  node.GetArg(0, x, ValueKind::Any, k);
  bool empty = false;
  switch (k) {
    case ValueKind::Date:
    case ValueKind::DateTime: empty = x.AsNumber() == kBlankDate || x.AsNumber() == 0; break;
    case ValueKind::Number:
    case ValueKind::Integer: empty = x.AsNumber() == 0; break;
    case ValueKind::Text: empty = x.AsTextView().find_first_not_of(' ') == std::string_view::npos; break;
    case ValueKind::Boolean: empty = !x.AsBoolean(); break;
    default: break;
  }
  SetBoolean(value, kind, empty);
}

// Only the chosen branch is evaluated.
void TvxUDFIIF::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  bool condition = BooleanArg(node, 0);
  node.GetArg(condition ? 1 : 2, value, ValueKind::Any, kind);
}

void TvxUDFInlist::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  ValueKind k;
  ExprValue& x = node.Scratch(0);
  node.GetArg(0, x, ValueKind::Any, k);
  bool found = false;
  if (k != ValueKind::Empty) {
    if (x.IsText()) {
      x.text.resize(TrimRight(x.text).size());
    }
    ExprValue& candidate = node.Scratch(1);
    for (std::size_t i = 1; i < node.ArgCount() && !found; ++i) {
      ValueKind ck;
      node.GetArg(i, candidate, ValueKind::Any, ck);
      if (ck == ValueKind::Empty) break;
      found = EqualValues(x, candidate);
    }
  }
  SetBoolean(value, kind, found);
}

void TvxUDFMax::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Extreme(node, value, kind, "Max()", 1);
}

void TvxUDFMin::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Extreme(node, value, kind, "Min()", -1);
}

}  // namespace talvern

// Numbers and values written as text: STR, STRZERO, the PAD functions and
// VAL, which reads a number back.
#include <cmath>

#include "engine/Date.h"
#include "expr/Library.h"
#include "expr/LibraryArgs.h"
#include "expr/NumberText.h"

namespace talvern {
using namespace lib;

namespace {

// The text form of a value of any kind: numbers in their shortest form,
// dates as the locale shows them, truth values as T or F.
void AppendValueText(std::string& out, const ExprValue& v, ValueKind kind) {
  if (v.IsText()) {
    out += v.text;
  } else if (kind == ValueKind::Date) {
    double day = v.AsNumber();
    out += DBFDate().DayToDisplay(day == kBlankDate ? 0 : CalendarDay(day));
  } else if (v.type == ExprValue::Type::Boolean) {
    out += v.boolean ? 'T' : 'F';
  } else if (v.type == ExprValue::Type::Number) {
    AppendShortest(out, v.number);
  }
}

}  // namespace

void TvxUDFPadMain::Pad(TvxExpFunction& node, ExprValue& value, ValueKind& kind, Align align) {
  char fill = ' ';
  ValueKind fillKind;
  ExprValue& fillArg = node.Scratch(2);
  node.GetArg(2, fillArg, ValueKind::Any, fillKind);
  if (fillKind != ValueKind::Empty) {
    if (!fillArg.IsText() || fillArg.text.size() != 1)
      Raise<ETalvernExpression>(msg::kValueInvalid, {"Char"});
    fill = fillArg.text[0];
  }
  ValueKind valueKind;
  ExprValue& arg = node.Scratch(0);
  node.GetArg(0, arg, ValueKind::Any, valueKind);
  if (valueKind == ValueKind::Empty)
    Raise<ETalvernExpression>(msg::kArgumentNeeded, {"Value", std::int64_t{1}, "Pad"});
  std::string& text = node.Scratch(3).text;
  text.clear();
  AppendValueText(text, arg, valueKind);
  double length = std::trunc(NumberArg(node, 1));

  std::string& out = NewText(value, kind);
  if (!(length > static_cast<double>(text.size()))) {
    out.assign(text);
    return;
  }
  CheckTextLength(length, FunctionName());
  auto n = static_cast<std::size_t>(length);
  std::size_t before = 0;
  if (align == Align::Right) before = n - text.size();
  if (align == Align::Center) before = (n - text.size()) / 2;
  out.assign(before, fill);
  out += text;
  out.resize(n, fill);
}

void TvxUDFPadC::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Pad(node, value, kind, Align::Center);
}

void TvxUDFPadL::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Pad(node, value, kind, Align::Right);
}

void TvxUDFPadR::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Pad(node, value, kind, Align::Left);
}

// STR(value, length, decimals): right-aligned in a field of the length, or
// all asterisks when it does not fit. Without a length the field is as long
// as the table link's dialect says (10 for compound indexes), or, for a
// negative dialect, as wide as the argument.
void TvxUDFStr::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  double lengthArg = 0, decimalsArg = 0;
  std::int64_t length, decimals = 0;
  if (OptionalNumber(node, 1, lengthArg)) {
    length = Truncate(lengthArg, -1, static_cast<std::int64_t>(kMaxTextLength) + 1);
    if (OptionalNumber(node, 2, decimalsArg)) decimals = Truncate(decimalsArg, 0, length + 1);
  } else {
    TvxExpUserLink* link = node.CallTable();
    length = !link ? 10 : link->Dialect() >= 0 ? link->Dialect() : node.ArgWidth(0);
  }
  std::string& out = NewText(value, kind);
  if (length <= 0) return;
  CheckTextLength(static_cast<double>(length), FunctionName());
  auto n = static_cast<std::size_t>(length);
  if (decimals < length) AppendFixed(out, x, static_cast<int>(decimals));
  if (decimals >= length || out.size() > n) {
    out.assign(n, '*');
    return;
  }
  out.insert(0, n - out.size(), ' ');
}

// STR with zeros in place of the leading blanks; a minus sign stays in front
// of the zeros.
void TvxUDFStrZero::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  TvxUDFStr::Execute(node, value, kind);
  std::string& s = value.text;
  std::size_t blanks = s.find_first_not_of(' ');
  if (blanks == std::string::npos || blanks == 0) return;
  bool negative = s[blanks] == '-';
  if (negative) s[blanks] = '0';
  for (std::size_t i = 0; i < blanks; ++i) s[i] = '0';
  if (negative) s[0] = '-';
}

void TvxUDFVal::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = 0;
  if (!ParseNumberText(TextArg(node, 0), x)) x = 0;
  SetNumber(value, kind, x);
}

}  // namespace talvern

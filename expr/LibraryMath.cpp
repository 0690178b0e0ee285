// The numeric functions of the library.
#include <cmath>

#include "expr/Library.h"
#include "expr/LibraryArgs.h"
#include "expr/NumberText.h"

namespace talvern {
using namespace lib;

namespace {

[[noreturn]] void ArgumentRange(std::string_view function, std::string_view range) {
  Raise<ETalvernExpression>(msg::kArgumentRange, {function, range});
}

// The annuity arguments shared by FV and PV: payment, rate, periods, a
// fourth amount and the payment timing (1: at the start of each period).
struct Annuity {
  double payment, rate, periods, amount = 0, growth, factor;
};

Annuity ReadAnnuity(TvxExpFunction& node, std::string_view timingName) {
  Annuity a;
  a.payment = NumberArg(node, 0);
  a.rate = NumberArg(node, 1);
  a.periods = std::trunc(NumberArg(node, 2));
  OptionalNumber(node, 3, a.amount);
  double timing = 0;
  if (OptionalNumber(node, 4, timing) && std::fabs(std::trunc(timing)) > 1)
    ArgumentRange(timingName, "0 or 1");
  double start = std::trunc(timing) == 1 ? 1 : 0;
  a.growth = std::pow(1 + a.rate, a.periods);
  a.factor = a.rate == 0 ? a.periods : (a.growth - 1) / a.rate * (1 + a.rate * start);
  return a;
}

}  // namespace

void TvxUDFAbsolute::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::fabs(NumberArg(node, 0)));
}

void TvxUDFArcCos::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  if (!(std::fabs(x) <= 1)) ArgumentRange("ACOS", "-1 to +1");
  SetNumber(value, kind, std::acos(x));
}

void TvxUDFArcSin::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  if (!(std::fabs(x) <= 1)) ArgumentRange("ASIN", "-1 to +1");
  SetNumber(value, kind, std::asin(x));
}

void TvxUDFArcTan::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::atan(NumberArg(node, 0)));
}

void TvxUDFArcTan2::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double y = NumberArg(node, 0);
  double x = NumberArg(node, 1);
  SetNumber(value, kind, std::atan2(y, x));
}

void TvxUDFCeiling::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::ceil(NumberArg(node, 0)));
}

void TvxUDFCosine::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::cos(NumberArg(node, 0)));
}

void TvxUDFDegToRad::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, NumberArg(node, 0) * kPi / 180);
}

void TvxUDFFloor::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::floor(NumberArg(node, 0)));
}

void TvxUDFFutureValue::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Annuity a = ReadAnnuity(node, "FV PaymentTime");
  SetNumber(value, kind, std::fabs(a.payment * a.factor + a.amount * a.growth));
}

void TvxUDFPresentValue::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  Annuity a = ReadAnnuity(node, "PV PaymentTime");
  if (a.growth == 0) Raise<ETalvernExpression>(msg::kDivisionByZero);
  SetNumber(value, kind, std::fabs((a.payment * a.factor + a.amount) / a.growth));
}

void TvxUDFInt::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::trunc(NumberArg(node, 0)));
}

void TvxUDFLog::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  if (!(x > 0)) ArgumentRange("LOG", "> 0");
  SetNumber(value, kind, std::log(x));
}

void TvxUDFLog10::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  if (!(x > 0)) ArgumentRange("LOG10", "> 0");
  SetNumber(value, kind, std::log10(x));
}

// The remainder of the truncated values, with the sign of a.
void TvxUDFMod::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double a = std::trunc(NumberArg(node, 0));
  double b = std::trunc(NumberArg(node, 1));
  if (b == 0) Raise<ETalvernExpression>(msg::kDivisionByZero);
  SetNumber(value, kind, std::fmod(a, b));
}

void TvxUDFPi::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, kPi);
}

void TvxUDFRadToDeg::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, NumberArg(node, 0) * 180 / kPi);
}

// Half away from zero, to the given number of decimal places (default 0).
void TvxUDFRound::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double x = NumberArg(node, 0);
  double places = 0;
  OptionalNumber(node, 1, places);
  SetNumber(value, kind, RoundDecimal(x, static_cast<int>(Truncate(places, -1000, 1000))));
}

void TvxUDFSin::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::sin(NumberArg(node, 0)));
}

void TvxUDFTan::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, std::tan(NumberArg(node, 0)));
}

}  // namespace talvern

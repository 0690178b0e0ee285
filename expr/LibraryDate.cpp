// The date functions. Dates are day numbers; the blank date of CTOD('') is
// 1E+100 and reads as an empty date everywhere.
#include "engine/Date.h"
#include "expr/Library.h"
#include "expr/LibraryArgs.h"

namespace talvern {
using namespace lib;

namespace {

double DateArg(TvxExpFunction& node, std::size_t i) {
  ValueKind kind;
  ExprValue& v = node.Scratch(i);
  node.GetArg(i, v, ValueKind::Date, kind);
  return v.AsNumber();
}

std::int32_t DayArg(TvxExpFunction& node, std::size_t i) {
  double day = DateArg(node, i);
  return day == kBlankDate ? 0 : CalendarDay(day);
}

}  // namespace

void TvxUDFCTOD::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  value.SetNumber(s.empty() ? kBlankDate : DBFDate().StorageToDay(s));
  kind = ValueKind::Date;
}

void TvxUDFDate::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  value.SetNumber(DBFDate().Today());
  kind = ValueKind::Date;
}

void TvxUDFDOW::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, DBFDate().DayOfWeek(DayArg(node, 0)));
}

void TvxUDFDTOC::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::int32_t day = DayArg(node, 0);
  double mode = 0;
  OptionalNumber(node, 1, mode);
  NewText(value, kind) = mode == 1 ? DBFDate().DayToStorage(day) : DBFDate().DayToDisplay(day);
}

void TvxUDFDTOS::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  NewText(value, kind) = DBFDate().DayToStorage(DayArg(node, 0));
}

}  // namespace talvern

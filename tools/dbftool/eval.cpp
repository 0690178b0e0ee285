// dbftool eval [--ansi] [--password P] TABLE EXPR [--filter]: evaluates an expression on
// every record of a table and prints, one line per record, the record
// number, the value's kind and the value (texts decoded to UTF-8, dates as
// yyyy-mm-dd). With --filter the expression must be logical and only the
// numbers of the records for which it is true are printed. The expression is
// given in UTF-8 and compiled in the table's code page, 866 (--ansi: 1251),
// as the catalogue hands its filters to a table. --password gives the
// password of an enciphered table.
#include <cmath>
#include <cstdio>

#include "Command.h"
#include "Values.h"
#include "engine/Date.h"
#include "engine/Errors.h"
#include "expr/Handler.h"
#include "expr/NumberText.h"
#include "expr/UserLink.h"
#include "platform/CodePage.h"

namespace dbftool {
namespace {

using namespace talvern;

std::string ValueText(const ExprValue& value, ValueKind kind, Decoding decoding) {
  std::string s;
  if (value.IsText()) return Decode(value.text, decoding);
  if (value.type == ExprValue::Type::Boolean) return value.boolean ? "T" : "F";
  if (value.type != ExprValue::Type::Number) return s;
  if (kind == ValueKind::Date) {
    double day = std::trunc(value.number);
    if (!(day > 0 && day < 5373485)) return s;  // empty or blank date
    int y, m, d;
    DBFDate().DayToYMD(static_cast<std::int32_t>(day), y, m, d);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", y, m, d);
    return buffer;
  }
  AppendShortest(s, value.number);
  return s;
}

int RunEval(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  bool filter = false;
  Decoding decoding = Decoding::kOem;
  std::vector<std::string> operands;
  for (const auto& a : args) {
    if (a == "--filter") filter = true;
    else if (a == "--ansi") decoding = Decoding::kAnsi;
    else if (a == "--oem") decoding = Decoding::kOem;
    else if (a.size() > 1 && a[0] == '-' && a[1] == '-') throw UsageError{"unknown option " + a};
    else operands.push_back(a);
  }
  if (operands.size() != 2) throw UsageError{"expects a table and an expression"};
  VXO_dBaseFld table(operands[0], true, false, password);
  bool oem = decoding == Decoding::kOem;
  table.SetTranslate(oem);
  std::string text = CommandLineText(operands[1], "the expression", !oem);
  TvxExpHandler expression(table.ExpressionLink(), text);

  ExprValue value;
  std::string line;
  for (std::int32_t n = 1; n <= table.RecordCount(); ++n) {
    table.ReadRecord(n);
    expression.Evaluate(value);
    ValueKind kind = expression.ResultKind();
    if (filter) {
      if (kind != ValueKind::Boolean) Raise("Filter expression must return boolean result");
      if (value.boolean) std::printf("%d\n", n);
      continue;
    }
    line = std::to_string(n);
    line += '\t';
    line += KindName(kind);
    line += '\t';
    line += ValueText(value, kind, decoding);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const bool registered = RegisterCommand(
    {"eval", "[--ansi] [--password P] TABLE EXPR [--filter]", "evaluate an expression on every record", &RunEval});

}  // namespace
}  // namespace dbftool

// dbftool dump [--oem|--ansi|--raw] [--filter EXPR] [--deleted show|hide]
// TABLE: the records as CSV in UTF-8, the first column the deletion flag
// ("*" for a deleted record), memo texts included. The table is walked in
// physical order through the table handler, as the catalogue walks it:
// --filter shows only the records for which the logical expression EXPR
// (given in UTF-8, compiled in the table's code page) is true, --deleted
// hide leaves deleted records out (show, the default, lists them). --oem
// (the default) decodes text from code page 866, --ansi from 1251, --raw
// keeps the stored bytes as they are. --password gives the password of an
// enciphered table.
#include <cstdio>

#include "Command.h"
#include "Values.h"
#include "handler/TableHandler.h"
#include "platform/CodePage.h"

namespace dbftool {
namespace {

int RunDump(const std::vector<std::string>& given) {
  std::vector<std::string> args = given;
  const std::string password = TakePassword(args);
  Decoding decoding = Decoding::kOem;
  std::string path, filter;
  bool hideDeleted = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--oem") decoding = Decoding::kOem;
    else if (a == "--ansi") decoding = Decoding::kAnsi;
    else if (a == "--raw") decoding = Decoding::kRaw;
    else if (a == "--filter" || a == "--deleted") {
      if (i + 1 == args.size()) throw UsageError{a + " needs a value"};
      const std::string& value = args[++i];
      if (a == "--filter") filter = value;
      else if (value == "show" || value == "hide") hideDeleted = value == "hide";
      else throw UsageError{"--deleted takes show or hide"};
    } else if (!a.empty() && a[0] == '-') throw UsageError{"unknown option " + a};
    else if (path.empty()) path = a;
    else throw UsageError{"expects one table"};
  }
  if (path.empty()) throw UsageError{"expects one table"};
  talvern::VXO_dBHandler table(path, true, false, password);
  const bool ansi = decoding == Decoding::kAnsi;
  table.SetTranslate(!ansi);
  table.SetUseDeleted(!hideDeleted);
  table.SetReadAhead(true);
  if (!filter.empty()) {
    table.SetFilterOn(true);
    table.SetFilter(CommandLineText(filter, "the filter", ansi), false, true);
  }
  std::string line = "DELETED";
  for (int i = 1; i <= table.FieldCount(); ++i) {
    line += ',';
    line += CsvCell(Decode(table.FieldName(i), decoding));
  }
  line += "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  for (table.ReadRecord(talvern::RecTop); !table.Eof() && !table.Bof(); table.ReadRecord(talvern::RecNext)) {
    line.assign(table.IsDeleted() ? 1 : 0, '*');
    for (int i = 1; i <= table.FieldCount(); ++i) {
      line += ',';
      line += CsvCell(FieldValue(table, i, decoding));
    }
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

const bool registered = RegisterCommand({"dump", "[--oem|--ansi|--raw] [--filter EXPR] [--deleted show|hide] [--password P] TABLE",
                                         "print the records as CSV", &RunDump});

}  // namespace
}  // namespace dbftool

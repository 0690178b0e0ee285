// dbftool dump [--oem|--ansi|--raw] TABLE: every record as CSV in UTF-8,
// the first column the deletion flag ("*" for a deleted record), memo texts
// included. --oem (the default) decodes text from code page 866, --ansi
// from 1251, --raw keeps the stored bytes as they are.
#include <cstdio>

#include "Command.h"
#include "Values.h"
#include "platform/CodePage.h"

namespace dbftool {
namespace {

int RunDump(const std::vector<std::string>& args) {
  Decoding decoding = Decoding::kOem;
  std::string path;
  for (const auto& a : args) {
    if (a == "--oem") decoding = Decoding::kOem;
    else if (a == "--ansi") decoding = Decoding::kAnsi;
    else if (a == "--raw") decoding = Decoding::kRaw;
    else if (!a.empty() && a[0] == '-') throw UsageError{"unknown option " + a};
    else if (path.empty()) path = a;
    else throw UsageError{"expects one table"};
  }
  if (path.empty()) throw UsageError{"expects one table"};
  talvern::VXO_dBaseFld table(path, true, false);
  std::string line = "DELETED";
  for (int i = 1; i <= table.FieldCount(); ++i) {
    line += ',';
    line += CsvCell(Decode(table.FieldName(i), decoding));
  }
  line += "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
  for (int n = 1; n <= table.RecordCount(); ++n) {
    table.ReadRecord(n);
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

const bool registered =
    RegisterCommand({"dump", "[--oem|--ansi|--raw] TABLE", "print every record as CSV", &RunDump});

}  // namespace
}  // namespace dbftool

// dbftool export CATALOGUEDIR KIND FILE: the devices of one kind of a
// catalogue written to a text table file, as the program's export writes it.
#include <cstdio>

#include "Command.h"
#include "dataset/FieldValue.h"
#include "impexp/CatalogueFiles.h"
#include "impexp/ExportTable.h"
#include "impexp/Messages.h"

namespace dbftool {
namespace {

int RunExport(const std::vector<std::string>& args) {
  if (args.size() != 3) throw UsageError{"expects a catalogue directory, a kind and a file"};
  std::int64_t kind = 0;
  if (!talvern::TryTextToInt(args[1], kind) || kind <= 0 || kind > INT32_MAX)
    throw UsageError{"the kind must be a number above 0"};
  talvern::impexp::CatalogueFiles catalogue(args[0]);
  talvern::impexp::ExportTable(catalogue, args[2], static_cast<std::int32_t>(kind));
  std::printf("%s\n", talvern::impexp::kExportFinished);
  return 0;
}

const bool registered = RegisterCommand(
    {"export", "CATALOGUEDIR KIND FILE", "write the devices of a kind to a text table file", &RunExport});

}  // namespace
}  // namespace dbftool

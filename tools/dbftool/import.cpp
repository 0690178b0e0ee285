// dbftool import CATALOGUEDIR FILE [--replace|--skip] [--drawings DIR]: a
// text table file merged into a catalogue, as the program's import does it:
// devices into main.dbf (new drawings loaded from DIR/NAME.gif, or NAME.gif
// in the current directory), SMD codes (kind 0) into codes.dbc. The answer
// to every conflict with a device or code already there is --replace or
// --skip; without either, each conflict is skipped and listed. The protocol
// goes to stdout; the exit code is 1 when the import ended with an error.
#include <cstdio>

#include "Command.h"
#include "impexp/CatalogueFiles.h"
#include "impexp/Importer.h"
#include "impexp/MaintenanceHost.h"
#include "impexp/Messages.h"

namespace dbftool {
namespace {

using talvern::impexp::MaintenanceHost;

class CommandLineHost : public MaintenanceHost {
public:
  enum class Conflicts { kList, kReplace, kSkip };
  explicit CommandLineHost(Conflicts conflicts) : conflicts_(conflicts) {}

  void Protocol(const std::string& line) override {
    std::printf("%s\n", line.c_str());
    last_ = line;
  }
  Answer AskReplace(const std::string& item) override {
    if (conflicts_ == Conflicts::kList) Protocol("[" + item + "] " + talvern::impexp::kSkippedConflict);
    return {conflicts_ == Conflicts::kReplace, conflicts_ != Conflicts::kList};
  }
  void Progress(const std::string&) override {}

  const std::string& LastLine() const { return last_; }

private:
  Conflicts conflicts_;
  std::string last_;
};

int RunImport(const std::vector<std::string>& args) {
  std::vector<std::string> positional;
  auto conflicts = CommandLineHost::Conflicts::kList;
  std::string drawings;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--replace" || args[i] == "--skip") {
      if (conflicts != CommandLineHost::Conflicts::kList) throw UsageError{"--replace and --skip go alone"};
      conflicts = args[i] == "--replace" ? CommandLineHost::Conflicts::kReplace : CommandLineHost::Conflicts::kSkip;
    } else if (args[i] == "--drawings" && i + 1 < args.size()) {
      drawings = args[++i];
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) throw UsageError{"expects a catalogue directory and a file"};
  talvern::impexp::CatalogueFiles catalogue(positional[0]);
  CommandLineHost host(conflicts);
  talvern::impexp::TImporter importer(catalogue, host, drawings);
  importer.ImportFile(positional[1]);
  std::fflush(stdout);
  return host.LastLine() == talvern::impexp::kImportFinished ? 0 : 1;
}

const bool registered = RegisterCommand({"import", "CATALOGUEDIR FILE [--replace|--skip] [--drawings DIR]",
                                         "merge a text table file of devices or SMD codes", &RunImport});

}  // namespace
}  // namespace dbftool

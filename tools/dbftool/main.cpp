// dbftool: inspection and maintenance of DBF tables from the command line.
//   dbftool COMMAND [OPTIONS] ARGUMENTS
// Errors go to stderr and end the program with a non-zero exit code.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "Command.h"
#include "engine/Errors.h"

namespace dbftool {

std::vector<Command>& Registry() {
  static std::vector<Command> commands;
  return commands;
}

bool RegisterCommand(const Command& command) {
  Registry().push_back(command);
  return true;
}

const std::vector<Command>& Commands() { return Registry(); }

}  // namespace dbftool

namespace {

void Usage(FILE* out) {
  std::fprintf(out, "usage: dbftool COMMAND [OPTIONS] ARGUMENTS\n\ncommands:\n");
  for (const auto& c : dbftool::Commands())
    std::fprintf(out, "  %-6s %-28s %s\n", c.name, c.arguments, c.description);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "help") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const auto& c : dbftool::Commands()) {
    if (c.name != std::string(argv[1])) continue;
    std::vector<std::string> args(argv + 2, argv + argc);
    try {
      return c.run(args);
    } catch (const dbftool::UsageError& e) {
      std::fprintf(stderr, "dbftool %s: %s\nusage: dbftool %s %s\n", c.name, e.message.c_str(), c.name,
                   c.arguments);
      return 2;
    } catch (const talvern::ETalvernError& e) {
      std::fprintf(stderr, "dbftool %s: %s\n", c.name, e.what());
      return 1;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "dbftool %s: %s\n", c.name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "dbftool: unknown command \"%s\"\n", argv[1]);
  Usage(stderr);
  return 2;
}

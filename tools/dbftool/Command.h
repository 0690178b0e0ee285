#pragma once
// Subcommands of dbftool. Each lives in its own file and registers itself:
//
//   static const bool registered = dbftool::RegisterCommand(
//       {"info", "TABLE", "print the table's header and fields", &RunInfo});
//
// main.cpp dispatches on the first argument and prints the list of commands.

#include <string>
#include <vector>

namespace dbftool {

struct Command {
  const char* name;
  const char* arguments;    // for the usage line
  const char* description;  // one line
  // Runs with the arguments after the command name; returns the exit code.
  // Errors may be thrown (ETalvernError, std::exception): main prints them.
  int (*run)(const std::vector<std::string>& args);
};

bool RegisterCommand(const Command& command);
const std::vector<Command>& Commands();

// Raised for wrong usage; main prints the message and the command's usage.
struct UsageError {
  std::string message;
};

// Takes "--password P" (the password of an enciphered table) out of a
// command's arguments; empty when it is not there.
std::string TakePassword(std::vector<std::string>& args);

}  // namespace dbftool

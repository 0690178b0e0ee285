#pragma once
// The alias list of the table datasets: names that stand for directories.
// One list serves every dataset of the program. It is made on first use:
// the entry "Default Directory" (the program's own directory), then the
// name=value lines of the section [Alias] of "talvern.cfg" in the Windows
// directory (platform/ProgramDir.h); a missing file or section adds nothing.
// A dataset given a directory as its DatabaseName adds it as name=name.
//
// Names compare ignoring case, as they do on the system the catalogues come
// from; values are directories and keep their case.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvern {

class TAliasList {
public:
  static constexpr std::string_view kDefaultDirectory = "Default Directory";
  static constexpr const char* kFileName = "talvern.cfg";
  static constexpr const char* kSection = "Alias";

  // A list of "name=value" lines (a line without "=" is a name without value).
  explicit TAliasList(std::vector<std::string> lines = {}) : lines_(std::move(lines)) {}
  // "Default Directory" and the aliases of the file at path.
  static TAliasList Load(const std::string& path);

  // The value of the first line of that name; none for an unknown name and
  // for a name without value.
  std::optional<std::string> Value(std::string_view name) const;
  // Adds the line name=name for a directory given as a database name.
  void AddDirectory(std::string_view name);
  // The directory a database name stands for: the value of its alias, or
  // the name itself. A directory added as itself stands only for itself,
  // not for another directory whose name differs in case.
  std::string Resolve(std::string_view name) const;
  const std::vector<std::string>& Lines() const { return lines_; }

private:
  std::vector<std::string> lines_;
  std::vector<bool> directories_;  // per line: added by AddDirectory
};

// The process-wide list, made on first use from talvern.cfg.
TAliasList& AliasList();

// Whether a database name is "Default Directory" (case ignored).
bool IsDefaultDirectory(std::string_view name);

}  // namespace talvern

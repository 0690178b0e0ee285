#pragma once
// Where the program and its configuration live.

#include <string>

namespace talvern::platform {

// The directory of the running program file, without a trailing separator.
std::string ProgramDirectory();

// The directory that stands for the Windows directory (where "talvern.cfg" is
// looked for): $TALVERN_CFG_DIR when set and not empty, else /etc.
std::string WindowsDirectory();

}  // namespace talvern::platform

#pragma once
// Reading one section of an INI-style settings file.

#include <string>
#include <vector>

namespace talvern::platform {

// The name=value lines of the section [section] (name compared ignoring case)
// of the file, in file order, each as "name=value" with the blanks around the
// name and around the value removed. Blank lines and lines starting with ';'
// are left out; a line without '=' is returned as it stands. A missing file
// or section gives an empty list.
std::vector<std::string> ReadIniSection(const std::string& path, const std::string& section);

}  // namespace talvern::platform

#pragma once
// Helpers of the engine tests: catching an engine error's message, and
// patching the bytes of a table file.

#include <functional>
#include <string>

#include "TestFiles.h"
#include "engine/Errors.h"

namespace talvern::testing {

// The message of the ETalvernError that f raises, or "" when it raises none.
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETalvernError& e) {
    return e.what();
  }
  return "";
}

// Overwrites bytes of a file at an offset.
inline void PatchFile(const std::string& path, std::size_t at, const std::string& bytes) {
  std::string content = ReadFile(path);
  if (content.size() < at + bytes.size()) content.resize(at + bytes.size(), '\0');
  content.replace(at, bytes.size(), bytes);
  WriteFile(path, content);
}

}  // namespace talvern::testing

#pragma once
// Creating empty tables, beside the engine (which opens existing tables
// only): for tests, tools and benchmarks.

#include <cstdint>
#include <string>
#include <vector>

namespace talvern {

struct FieldSpec {
  std::string name;  // up to 10 characters
  char type;         // C N F D L M B G I T Y ...
  int length;        // C up to 65535, others up to 255
  int decimals;
};

// Creates an empty table of the given version (0x03, 0x04, 0x30, 0x83, 0x8B,
// 0xF5) and its empty memo file where the version has one (0x30: when a
// field is of type M or G). memoBlockSize 0 takes the format's usual size:
// 512 for dBASE, 64 for FoxPro. Existing files are replaced. The header's
// code-page byte says 866. Raises ETalvernError on a bad field list or when
// a file cannot be written.
void CreateTable(const std::string& path, std::uint8_t version,
                 const std::vector<FieldSpec>& fields, int memoBlockSize = 0);

}  // namespace talvern

// An .mdx, .ndx or .ntx index file of any bytes (the first byte chooses the
// format, the others are the file: headers, tag tables, leaves, interior
// pages), opened beside a small table: walking every tag both ways, seeking,
// checking it and updating it on a record write give results or a clear
// ETalvernError, never a crash, a read outside a buffer or a hang.
#include "IndexFuzzKit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvern;
  if (size == 0) return 0;
  static const char* const kExtensions[] = {".mdx", ".ndx", ".ntx"};
  const std::string extension = kExtensions[data[0] % 3];
  fuzz::ExerciseIndexBytes(data + 1, size - 1, extension, [](VXO_dBaseFld* table, const std::string& path) {
    return MakeIndexFile(table, path, false, false, true);
  });
  return 0;
}

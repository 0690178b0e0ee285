// A compound index file of any bytes (tag directory, tag headers, leaves,
// interior nodes), opened beside a small table: walking every tag both ways,
// seeking, checking it and updating it on a record write give results or a
// clear ETalvernError, never a crash, a read outside a buffer or a hang.
#include "IndexFuzzKit.h"
#include "index/CdxFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace talvern;
  fuzz::ExerciseIndexBytes(data, size, ".cdx", [](VXO_dBaseFld* table, const std::string& path) {
    return std::make_unique<VXobjCDXFile>(table, path, false, false, false, true);
  });
  return 0;
}

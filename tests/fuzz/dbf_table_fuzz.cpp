// A table file of any bytes: opening it, reading its records and every
// field's value gives data or a clear ETalvernError, never a crash or a read
// outside a buffer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "engine/Errors.h"
#include "engine/Fields.h"

namespace {

// A scratch directory of this process, removed when it ends.
struct Scratch {
  std::string dir;
  Scratch() {
    dir = (std::filesystem::temp_directory_path() / ("talvern-fuzz-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

const std::string& ScratchDir() {
  static const Scratch scratch;
  return scratch.dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = ScratchDir() + "/t.dbf";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  std::filesystem::remove(ScratchDir() + "/t.dbt");
  std::filesystem::remove(ScratchDir() + "/t.fpt");
  try {
    talvern::VXO_dBaseFld table(path, true, false);
    int records = table.RecordCount() < 50 ? table.RecordCount() : 50;
    for (int n = 1; n <= records + 1; ++n) {
      table.ReadRecord(n);
      for (int i = 0; i <= table.FieldCount() + 1; ++i) {
        try {
          table.RawGet(i);
          table.TextGet(i);
          table.NumberGet(i);
          table.DateGet(i);
          table.LogicGet(i);
        } catch (const talvern::ETalvernError&) {
        }
      }
    }
    table.ReadRecord(talvern::RecBottom);
    table.ReadRecord(talvern::RecPrior);
  } catch (const talvern::ETalvernError&) {
  }
  return 0;
}

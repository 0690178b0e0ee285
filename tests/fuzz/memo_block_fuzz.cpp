// A memo file of any bytes beside a good table: the first input byte picks
// the format (dBASE III, dBASE IV, FoxPro), the rest is the memo file.
// Reading memos and writing a new one give data or a clear ETalvernError,
// never a crash, a read or write outside a buffer, or an endless loop.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "engine/CreateTable.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "engine/Memo.h"

namespace {

// A scratch directory of this process, removed when it ends.
struct Scratch {
  std::string dir;
  Scratch() {
    dir = (std::filesystem::temp_directory_path() / ("talvern-fuzz-memo-" + std::to_string(getpid()))).string();
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
  if (size < 1) return 0;
  static const std::uint8_t kVersions[] = {0x83, 0x8B, 0xF5};
  const std::uint8_t version = kVersions[data[0] % 3];
  const std::string path = ScratchDir() + "/m.dbf";
  talvern::CreateTable(path, version, {{"M", 'M', 10, 0}});
  {
    std::ofstream out(talvern::MemoFileName(path, version), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  try {
    talvern::VXO_dBaseFld table(path, false, true);
    talvern::VXobjMemo* memo = table.MemoFile();
    // Blocks 0-7 and the block numbers the input's first bytes name.
    std::int32_t blocks[12] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 0, 0, 0};
    for (int k = 0; k < 4 && 2 + 4 * k + 3 < static_cast<int>(size); ++k)
      blocks[8 + k] = static_cast<std::int32_t>(data[2 + 4 * k] | data[3 + 4 * k] << 8 | data[4 + 4 * k] << 16 |
                                                static_cast<std::uint32_t>(data[5 + 4 * k]) << 24);
    for (std::int32_t block : blocks) {
      try {
        if (memo->MemoLength(block) < (1 << 20)) memo->ReadMemoText(block);
      } catch (const talvern::ETalvernError&) {
      }
    }
    for (std::int32_t block : {0, 1, 2}) {
      try {
        memo->WriteMemoText(std::string(static_cast<std::size_t>(100 + 300 * block), 'x'), block);
      } catch (const talvern::ETalvernError&) {
      }
    }
  } catch (const talvern::ETalvernError&) {
  }
  return 0;
}

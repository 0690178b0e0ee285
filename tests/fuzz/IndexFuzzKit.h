#pragma once
// What the index fuzz targets share: a scratch directory, a small table of
// names, numbers and dates whose record writes update an open index file,
// and the operations run on every tag of a file made of the input bytes:
// walking it both ways, seeking, checking it, and updating it by a record
// append and a rewrite. Each gives results or a clear ETalvernError, never a
// crash, a read outside a buffer or a hang.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "engine/CreateTable.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "index/IndexCheck.h"
#include "index/IndexFile.h"

namespace talvern::fuzz {

struct Scratch {
  std::string dir;
  Scratch() {
    dir = (std::filesystem::temp_directory_path() / ("talvern-indexfuzz-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

inline const Scratch& TheScratch() {
  static const Scratch scratch;
  return scratch;
}

// A table whose record writes update the open index file.
class Table : public VXO_dBaseFld {
public:
  using VXO_dBaseFld::VXO_dBaseFld;
  bool TableEvent(std::int32_t code, std::int32_t value) override {
    if (code == teAfterWrite && index) index->KeysUpdate(RecNo(), value == 0);
    return VXO_dBaseFld::TableEvent(code, value);
  }
  VXobjIndexFile* index = nullptr;
};

// The table the index files belong to: names, numbers and dates.
inline std::string MakeTableOnce() {
  std::string path = TheScratch().dir + "/f.dbf";
  CreateTable(path, 0x03, {{"NAME", 'C', 10, 0}, {"N", 'N', 8, 2}, {"D", 'D', 8, 0}});
  VXO_dBaseFld table(path, false, true);
  const char* names[] = {"KT315", "KT361", "ABC", "ABD", "Z"};
  for (int i = 0; i < 5; ++i) {
    table.BlankRecord();
    table.TextPutByName("NAME", names[i]);
    table.NumberPutByName("N", i - 2);
    table.RawPutByName("D", "2024010" + std::to_string(i + 1));
    table.AppendRecord();
  }
  return path;
}

inline void Walk(VXobjIndexTag& tag, std::int32_t first, std::int32_t step) {
  int n = 0;
  for (std::int32_t r = tag.MoveTo(first); r > 0 && n < 20000; r = tag.MoveTo(step)) ++n;
}

// Writes the bytes to an index file of the given extension beside a fresh
// copy of the table, opens it with make, and exercises it.
template <class Make>
void ExerciseIndexBytes(const std::uint8_t* data, std::size_t size, const std::string& extension, Make make) {
  static const std::string tablePath = MakeTableOnce();
  const std::string path = TheScratch().dir + "/f" + extension;
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // A fresh copy of the table each time: a write below appends to it.
  std::filesystem::copy_file(tablePath, TheScratch().dir + "/g.dbf", std::filesystem::copy_options::overwrite_existing);
  try {
    Table table(TheScratch().dir + "/g.dbf", false, true);
    std::unique_ptr<VXobjIndexFile> file = make(&table, path);
    if (!file || !file->IsOpened()) return;
    table.index = file.get();
    for (int i = 0; i < file->TagCount() && i < 8; ++i) {
      VXobjIndexTag& tag = *file->TagByNumber(i);
      try {
        Walk(tag, RecTop, RecNext);
        Walk(tag, RecBottom, RecPrior);
        for (const char* key : {"ABC", "KT3", "2", "20240103", ""}) tag.Seek(tag.SearchKey(key));
        tag.ReleaseNodes();
        CheckTag(tag);
      } catch (const ETalvernError&) {
      }
    }
    try {
      table.BlankRecord();
      table.TextPutByName("NAME", "NEW");
      table.AppendRecord();
      table.ReadRecord(1);
      table.TextPutByName("NAME", "AAA");
      table.WriteRecord(1);
      for (int i = 0; i < file->TagCount() && i < 8; ++i) Walk(*file->TagByNumber(i), RecTop, RecNext);
    } catch (const ETalvernError&) {
    }
    table.index = nullptr;
  } catch (const ETalvernError&) {
  }
}

}  // namespace talvern::fuzz

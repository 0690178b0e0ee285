// Record and memo throughput of the table file layer, on a table shaped like
// the catalogue's main.dbf (TYPE C 20, VID N 4, PARAMS C 200, PIC C 9, TERM
// C 12, IMPORT L) in a temporary directory:
//   build/release/bench/table_bench
// Sequential reads here are one positioned read per record: the table
// handler's read-ahead comes on top of this layer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "engine/Memo.h"

using namespace talvern;

namespace {

// The scratch directory of this run, removed at exit.
struct Scratch {
  std::string dir;
  Scratch() {
    dir = (std::filesystem::temp_directory_path() / ("talvern-bench-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(dir);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
};

const std::string& Dir() {
  static const Scratch scratch;
  return scratch.dir;
}

std::string MakeMain(int rows) {
  std::string path = Dir() + "/main" + std::to_string(rows) + ".dbf";
  if (std::filesystem::exists(path)) return path;
  CreateTable(path, 0x03,
              {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PARAMS", 'C', 200, 0}, {"PIC", 'C', 9, 0},
               {"TERM", 'C', 12, 0}, {"IMPORT", 'L', 1, 0}});
  VXO_dBaseFld t(path, false, true);
  for (int i = 0; i < rows; ++i) {
    t.BlankRecord();
    t.RawPut(1, "\x8A\x92" + std::to_string(100 + i % 900) + "\x80");
    t.NumberPut(2, i % 300);
    t.RawPut(3, "0.15|25|10|" + std::to_string(i));
    t.LogicPut(6, i % 2 == 0);
    t.AppendRecord();
  }
  return path;
}

void BM_AppendRecords(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string path = Dir() + "/append.dbf";
    CreateTable(path, 0x03, {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PARAMS", 'C', 200, 0}});
    VXO_dBaseFld t(path, true, true);
    for (int i = 0; i < rows; ++i) {
      t.BlankRecord();
      t.RawPut(1, "KT315");
      t.NumberPut(2, i % 300);
      t.AppendRecord();
    }
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_AppendRecords)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_ScanAndFilterByKind(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  std::string path = MakeMain(rows);
  VXO_dBaseFld t(path, true, false);
  for (auto _ : state) {
    int hits = 0;
    t.ReadRecord(RecTop);
    while (!t.Eof()) {
      if (t.NumberGet(2) == 17) ++hits;
      t.ReadRecord(RecNext);
    }
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_ScanAndFilterByKind)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_MemoWrites(benchmark::State& state) {
  const std::uint8_t version = static_cast<std::uint8_t>(state.range(0));
  std::string text(2000, 'x');
  for (auto _ : state) {
    std::string path = Dir() + "/memo.dbf";
    CreateTable(path, version, {{"M", 'M', 10, 0}});
    VXO_dBaseFld t(path, true, true);
    VXobjMemo* memo = t.MemoFile();
    std::int32_t block = 0;
    for (int i = 0; i < 1000; ++i) block = memo->WriteMemoText(text, i % 2 ? block : 0);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MemoWrites)->Arg(0x83)->Arg(0x8B)->Arg(0xF5)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// The catalogue's TYPE tag (its IIF/STUFF/CHRTRAN key) on the 10^6-device
// main.dbf in each index format: building it (.cdx beside .mdx, .ndx and
// .ntx), 1000 random seeks of device types (the tag's own seek, the file
// opened exclusively and shared) and a walk of the whole tag. Compare with
// SQLite's CREATE INDEX on the same rows, run in the same session:
//   scripts/bench.sh index_formats
//   /usr/bin/python3 ../shared/bench/sqlite_anchor.py --data build/bench-data --n 1000000

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchData.h"
#include "engine/Fields.h"
#include "index/IndexFile.h"
#include "index/IndexTag.h"
#include "platform/CodePage.h"

namespace talvern::bench {
namespace {

constexpr long kDevices = 1000000;
const std::array<const char*, 4> kFormats = {"cdx", "mdx", "ndx", "ntx"};

std::string TypeKey() {
  return "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + platform::Utf8ToOem("ГКА") + "\")))";
}

// Index files beside the data; the tags built there are reused by later runs.
std::string Scratch(const std::string& name) {
  static const std::string dir = [] {
    std::string d = DataDir() + "/index-formats";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir + "/" + name;
}

std::unique_ptr<VXobjIndexFile> Open(VXO_dBaseFld& table, const std::string& path, bool create, bool shared) {
  auto file = MakeIndexFile(&table, path, create, shared, create);
  return file && file->IsOpened() ? std::move(file) : nullptr;
}

// The table, opened once, and a TYPE tag of each format built once.
VXO_dBaseFld* Table(benchmark::State& state) {
  static std::unique_ptr<VXO_dBaseFld> table;
  if (table) return table.get();
  std::string path = CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return nullptr;
  table = std::make_unique<VXO_dBaseFld>(path, true, false);
  for (const char* format : kFormats) {
    std::string file = Scratch(std::string("TYPE.") + format);
    auto existing = Open(*table, file, false, false);
    if (existing && existing->TagCount() == 1 && existing->TagByNumber(0)->KeyExpr == TypeKey()) continue;
    existing.reset();
    Open(*table, file, true, false)->TagAdd("TYPE", TypeKey(), false, true, "");
  }
  return table.get();
}

void BM_BuildTypeTag(benchmark::State& state) {
  VXO_dBaseFld* table = Table(state);
  if (!table) return;
  const std::string format = kFormats[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(format);
  for (auto _ : state) {
    std::string path = Scratch("build." + format);
    std::filesystem::remove(path);
    Open(*table, path, true, false)->TagAdd("BUILD", TypeKey(), false, true, "");
  }
  state.SetItemsProcessed(state.iterations() * table->RecordCount());
}
BENCHMARK(BM_BuildTypeTag)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

// 1000 seeks of the types of random devices, the file opened exclusively
// (pages kept in memory) or shared (what tells of changes read each time).
void BM_SeekTypeTag(benchmark::State& state) {
  VXO_dBaseFld* table = Table(state);
  if (!table) return;
  const std::string format = kFormats[static_cast<std::size_t>(state.range(0))];
  const bool shared = state.range(1) != 0;
  state.SetLabel(format + (shared ? " shared" : " exclusive"));
  auto file = Open(*table, Scratch("TYPE." + format), false, shared);
  VXobjIndexTag& tag = *file->TagByNumber(0);
  std::mt19937 rng(7);
  std::vector<VXobjIndexKeyData> keys;
  for (int i = 0; i < 1000; ++i) {
    table->ReadRecord(1 + static_cast<std::int32_t>(rng() % table->RecordCount()));
    VXobjIndexKeyData key;
    tag.CurrentKey(key);
    key.Link = kAnyRecord;
    keys.push_back(key);
  }
  table->SetExactKey(true);
  std::int64_t found = 0;
  for (auto _ : state)
    for (const auto& key : keys) found += tag.Seek(key) > 0;
  if (found != static_cast<std::int64_t>(state.iterations()) * 1000) state.SkipWithError("a seek missed");
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SeekTypeTag)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMicrosecond);

void BM_WalkTypeTag(benchmark::State& state) {
  VXO_dBaseFld* table = Table(state);
  if (!table) return;
  const std::string format = kFormats[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(format);
  auto file = Open(*table, Scratch("TYPE." + format), false, false);
  VXobjIndexTag& tag = *file->TagByNumber(0);
  std::int64_t n = 0;
  for (auto _ : state) {
    for (std::int32_t r = tag.MoveTo(RecTop); r > 0; r = tag.MoveTo(RecNext)) ++n;
    tag.ReleaseNodes();
  }
  if (n != static_cast<std::int64_t>(state.iterations()) * table->RecordCount()) state.SkipWithError("a walk missed");
  state.SetItemsProcessed(n);
}
BENCHMARK(BM_WalkTypeTag)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace talvern::bench

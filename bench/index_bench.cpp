// Index benchmarks on the synthetic catalogue of 10^6 devices (scripts/
// bench.sh makes it): building the catalogue's TYPE tag (its IIF/STUFF/
// CHRTRAN key), 1000 random seeks of device types (FindKey of the table
// handler, and the tag's seek alone), walking the tag, listing one kind in
// TYPE order through the handler (kind filter + tag walk), and 10^4 appends
// through the handler with key maintenance. Compare with ../shared/bench/sqlite_anchor.py run in the same
// session:
//   scripts/bench.sh index
//   /usr/bin/python3 ../shared/bench/sqlite_anchor.py --data build/bench-data --n 1000000
// The table is opened shared, as the catalogue opens it.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "BenchData.h"
#include "engine/Fields.h"
#include "handler/TableHandler.h"
#include "expr/Variant.h"
#include "index/CdxFile.h"
#include "index/KeyCompare.h"
#include "platform/CodePage.h"

namespace talvern::bench {
namespace {

constexpr long kDevices = 1000000;

std::string TypeKey() {
  return "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"" + platform::Utf8ToOem("ГКА") + "\")))";
}

// The kind of median size (about a thousand devices), from meta.json.
long MedianKind() {
  std::ifstream in(DataDir() + "/n" + std::to_string(kDevices) + "/meta.json");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  auto at = text.find("\"median\"");
  at = text.find("\"vid\":", at == std::string::npos ? 0 : at);
  return at == std::string::npos ? 1 : std::strtol(text.c_str() + at + 6, nullptr, 10);
}

// A directory for index files and table copies beside the data; the TYPE
// tag built there is reused by later runs.
const std::string& Scratch() {
  static const std::string path = [] {
    std::string dir = DataDir() + "/index-scratch";
    std::filesystem::create_directories(dir);
    return dir;
  }();
  return path;
}

// The catalogue's table with a TYPE tag, built once.
struct Catalogue {
  std::unique_ptr<VXO_dBaseFld> table;
  std::unique_ptr<VXobjCDXFile> index;
  VXobjIndexTag* tag = nullptr;
};

Catalogue* OpenCatalogue(benchmark::State& state) {
  static std::unique_ptr<Catalogue> catalogue;
  if (catalogue) return catalogue.get();
  std::string path = CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return nullptr;
  catalogue = std::make_unique<Catalogue>();
  catalogue->table = std::make_unique<VXO_dBaseFld>(path, true, false);
  std::string cdx = Scratch() + "/main.cdx";
  catalogue->index = std::make_unique<VXobjCDXFile>(catalogue->table.get(), cdx, false, true, true, true);
  catalogue->tag = catalogue->index->TagByName("TYPE");
  if (!catalogue->tag || catalogue->tag->KeyExpr != TypeKey()) {
    catalogue->index->TagAdd("TYPE", TypeKey(), false, true, "");
    catalogue->tag = catalogue->index->TagByName("TYPE");
  }
  return catalogue.get();
}

void BM_BuildTypeTag(benchmark::State& state) {
  std::string path = CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  VXO_dBaseFld table(path, true, false);
  for (auto _ : state) {
    std::string cdx = Scratch() + "/build.cdx";
    std::filesystem::remove(cdx);
    VXobjCDXFile file(&table, cdx, false, true, true, true);
    file.TagAdd("TYPE", TypeKey(), false, true, "");
  }
  state.SetItemsProcessed(state.iterations() * table.RecordCount());
}
BENCHMARK(BM_BuildTypeTag)->Unit(benchmark::kMillisecond)->Iterations(3);

// FindKey of the table handler: the tag's seek, the record read, its key
// evaluated and compared with the one looked for.
void BM_FindKey(benchmark::State& state) {
  Catalogue* c = OpenCatalogue(state);
  if (!c) return;
  VXO_dBHandler table(c->table->FileName(), true, false);
  table.OpenIndexFiles(Scratch() + "/main.cdx", "TYPE");
  std::mt19937 rng(7);
  std::vector<std::string> keys;
  for (int i = 0; i < 1000; ++i) {
    c->table->ReadRecord(1 + static_cast<std::int32_t>(rng() % c->table->RecordCount()));
    VXobjIndexKeyData key;
    c->tag->CurrentKey(key);
    keys.emplace_back(key.View());
  }
  table.SetExactKey(true);
  std::int64_t found = 0;
  for (auto _ : state)
    for (const auto& key : keys) found += table.FindKey(key);
  if (found != static_cast<std::int64_t>(state.iterations()) * 1000) state.SkipWithError("a seek missed");
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_FindKey)->Unit(benchmark::kMicrosecond);

// The tag's seek alone, with the index file opened shared (each seek first
// reads the file's change counter) or exclusively (no file access at all
// once the pages are in memory).
void BM_SeekTag(benchmark::State& state) {
  Catalogue* c = OpenCatalogue(state);
  if (!c) return;
  const bool shared = state.range(0) != 0;
  std::string cdx = Scratch() + "/seek.cdx";
  std::filesystem::copy_file(Scratch() + "/main.cdx", cdx, std::filesystem::copy_options::overwrite_existing);
  VXobjCDXFile file(c->table.get(), cdx, false, false, shared, false);
  VXobjIndexTag& tag = *file.TagByName("TYPE");
  std::mt19937 rng(7);
  std::vector<VXobjIndexKeyData> keys;
  for (int i = 0; i < 1000; ++i) {
    c->table->ReadRecord(1 + static_cast<std::int32_t>(rng() % c->table->RecordCount()));
    VXobjIndexKeyData key;
    tag.CurrentKey(key);
    key.Link = kAnyRecord;
    keys.push_back(key);
  }
  c->table->SetExactKey(true);
  std::int64_t found = 0;
  for (auto _ : state)
    for (const auto& key : keys) found += tag.Seek(key) > 0;
  if (found != static_cast<std::int64_t>(state.iterations()) * 1000) state.SkipWithError("a seek missed");
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SeekTag)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_WalkTag(benchmark::State& state) {
  Catalogue* c = OpenCatalogue(state);
  if (!c) return;
  std::int64_t n = 0;
  for (auto _ : state) {
    for (std::int32_t r = c->tag->MoveTo(RecTop); r > 0; r = c->tag->MoveTo(RecNext)) ++n;
    c->tag->ReleaseNodes();
  }
  state.SetItemsProcessed(n);
}
BENCHMARK(BM_WalkTag)->Unit(benchmark::kMillisecond)->Iterations(3);

// A file with a VID tag beside main.cdx, built once, as the catalogue's
// main.CDX holds one.
std::string KindIndex(Catalogue& c) {
  const std::string cdx = Scratch() + "/kinds.cdx";
  VXobjCDXFile file(c.table.get(), cdx, false, true, true, true);
  if (!file.TagByName("VID")) file.TagAdd("VID", "VID", false, true, "");
  return cdx;
}

// One kind in TYPE order, as the device list shows it: the kind filter set
// on the table, then the tag walked through the handler, reading the records
// of the kind. range(0) 0: the filter evaluated on every record; 1: with a
// VID tag open too, the kind's records taken from it.
void BM_ListKind(benchmark::State& state) {
  Catalogue* c = OpenCatalogue(state);
  if (!c) return;
  VXO_dBHandler table(c->table->FileName(), true, false);
  std::string files = Scratch() + "/main.cdx";
  if (state.range(0) == 1) files += ";" + KindIndex(*c);
  table.OpenIndexFiles(files, "TYPE");
  const std::string filter = "VID=" + std::to_string(MedianKind());
  std::int64_t listed = 0;
  for (auto _ : state) {
    table.SetFilter("", false, false);
    table.SetFilter(filter, false, false);
    table.SetFilterOn(true);
    for (table.ReadRecord(RecTop); !table.Eof(); table.ReadRecord(RecNext)) ++listed;
  }
  state.counters["devices"] = static_cast<double>(listed) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ListKind)->ArgName("vid_tag")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// Appends through the table handler, each updating the TYPE tag under the
// index lock (the table and its index opened shared, as the catalogue does).
void BM_Append10k(benchmark::State& state) {
  Catalogue* c = OpenCatalogue(state);
  if (!c) return;
  std::string dbf = Scratch() + "/append.dbf", cdx = Scratch() + "/append.cdx";
  std::filesystem::copy_file(c->table->FileName(), dbf, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::copy_file(Scratch() + "/main.cdx", cdx, std::filesystem::copy_options::overwrite_existing);
  VXO_dBHandler table(dbf, true, true);
  table.OpenIndexFiles(cdx, "TYPE");
  std::mt19937 rng(3);
  std::vector<std::vector<std::uint8_t>> sources;
  for (int i = 0; i < 10000; ++i) {
    table.ReadRecord(1 + static_cast<std::int32_t>(rng() % c->table->RecordCount()));
    sources.emplace_back(table.CurrentRecord(), table.CurrentRecord() + table.RecordLength());
  }
  for (auto _ : state) {
    for (const auto& source : sources) {
      std::copy(source.begin(), source.end(), table.CurrentRecord());
      table.AppendRecord();
    }
  }
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_Append10k)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace talvern::bench

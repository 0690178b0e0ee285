// The table handler on the 10^6-device main.dbf: a full walk in physical
// order with read-ahead, and the kind filter of a median kind ("VID=925"
// for the generated catalogue) set and its records walked, beside a raw read
// of the same file from the page cache in blocks of the read-ahead's size.
//   scripts/bench.sh handler
// The records a filter walk finds are checked against meta.json.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchData.h"
#include "handler/TableHandler.h"

namespace {

using namespace talvern;

constexpr long kDevices = 1000000;

// The kind and count of the "median" query kind of meta.json.
struct Kind {
  long vid = -1;
  long count = -1;
};

Kind MedianKind() {
  std::ifstream in(bench::DataDir() + "/n" + std::to_string(kDevices) + "/meta.json");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  Kind kind;
  auto at = text.find("\"median\"");
  if (at == std::string::npos) return kind;
  auto number = [&](const char* key) {
    auto k = text.find(key, at);
    return k == std::string::npos ? -1 : std::strtol(text.c_str() + k + std::strlen(key), nullptr, 10);
  };
  kind.vid = number("\"vid\":");
  kind.count = number("\"count\":");
  return kind;
}

// The file read front to back from the page cache, in blocks of the given
// size, into one reused buffer: what any reader of these bytes pays.
void RawRead(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  const std::size_t block = static_cast<std::size_t>(state.range(0));
  int fd = ::open(path.c_str(), O_RDONLY);
  std::vector<char> buffer(block);
  long bytes = 0;
  for (auto _ : state) {
    bytes = 0;
    for (ssize_t n; (n = ::pread(fd, buffer.data(), block, bytes)) > 0;) bytes += n;
    benchmark::DoNotOptimize(bytes);
  }
  ::close(fd);
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(RawRead)->Arg(32768)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

// Every record read in physical order through the handler.
void PhysicalScan(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  VXO_dBHandler table(path, true, false);
  table.SetReadAhead(true);
  long records = 0;
  for (auto _ : state) {
    records = 0;
    for (table.ReadRecord(RecTop); !table.Eof(); table.ReadRecord(RecNext)) ++records;
    benchmark::DoNotOptimize(records);
  }
  state.counters["records"] = static_cast<double>(records);
  state.SetItemsProcessed(state.iterations() * records);
}
BENCHMARK(PhysicalScan)->Unit(benchmark::kMillisecond);

// SetFilter with the median kind's filter (one evaluation per record), then
// the walk through its records, as choosing a kind in the catalogue does.
// range(0): 1 build and walk, 2 build only, 3 walk only.
void KindFilter(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  Kind kind = MedianKind();
  if (kind.vid < 0) {
    state.SkipWithError("no median kind in meta.json");
    return;
  }
  const std::string filter = "VID=" + std::to_string(kind.vid);
  const bool build = state.range(0) != 3, walk = state.range(0) != 2;
  VXO_dBHandler table(path, true, false);
  table.SetReadAhead(true);
  table.SetFilterOn(true);
  if (!build) table.SetFilter(filter, false, true);
  long hits = 0;
  for (auto _ : state) {
    if (build) {
      table.SetFilter("", false, true);  // forgets the filter, so that the next one scans
      table.SetFilter(filter, false, true);
    }
    if (walk) {
      hits = 0;
      for (table.ReadRecord(RecTop); !table.Eof(); table.ReadRecord(RecNext)) ++hits;
    }
    benchmark::DoNotOptimize(hits);
  }
  if (walk) {
    state.counters["hits"] = static_cast<double>(hits);
    if (hits != kind.count) state.SkipWithError("the walk found another number of records than meta.json");
  }
  state.SetItemsProcessed(state.iterations() * kDevices);
}
BENCHMARK(KindFilter)->ArgName("build1_only2_walk3")->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

// The maintenance commands on a synthetic catalogue of 10^5 devices and 2000
// drawings (the sample's 29 and 1971 more that no device uses), made on
// first use in build/bench-data/impexp100000:
//   - the optimisation, which reads the devices once (after), beside the
//     per-drawing scan of the devices it replaces (before; timed for 20
//     drawings no device uses, each a full scan, and given per drawing);
//   - the export of the kind nearest 5000 devices;
//   - the import of that file back, every device replaced, and of the same
//     devices under new types, every device appended (on a fresh copy).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "BenchData.h"
#include "dataset/TalvernDataSet.h"
#include "impexp/CatalogueFiles.h"
#include "impexp/DrawingCode.h"
#include "impexp/ExportTable.h"
#include "impexp/Importer.h"
#include "impexp/Maintenance.h"
#include "impexp/MaintenanceHost.h"
#include "tools/mkcatalog/SampleData.h"
#include "tools/mkcatalog/SyntheticCatalog.h"

namespace talvern::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kDevices = 100000;
constexpr std::size_t kDrawings = 2000;
constexpr std::int64_t kWantedKindSize = 5000;

struct QuietHost : impexp::MaintenanceHost {
  void Protocol(const std::string&) override {}
  Answer AskReplace(const std::string&) override { return {true, true}; }
  void Progress(const std::string&) override {}
};

std::string Directory() { return DataDir() + "/impexp" + std::to_string(kDevices); }
std::string Pristine() { return Directory() + "/pristine"; }

// The catalogue (with its index files) and the kind nearest 5000 devices.
int Catalogue() {
  static const int kind = [] {
    if (!fs::exists(Pristine() + "/main.CDX")) {
      mkcatalog::Catalogue sample = mkcatalog::LoadSampleData(TALVERN_SOURCE_DIR "/data");
      const std::string gif = sample.drawings.front().gif;
      for (std::int32_t code = 1000; sample.drawings.size() < kDrawings; ++code)
        sample.drawings.push_back({impexp::EncodeDrawingCode(code), "D" + std::to_string(code), gif});
      fs::create_directories(Pristine());
      mkcatalog::WriteSyntheticCatalogue(sample, {kDevices}, Pristine());
      impexp::CatalogueFiles indexed(Pristine());
    }
    std::ifstream summary(Pristine() + "/" + mkcatalog::kSyntheticSummaryFile);
    int best = 0;
    std::int64_t bestSize = 0;
    for (std::string line; std::getline(summary, line);) {
      std::istringstream cells(line);
      int vid = 0, group = 0;
      std::int64_t count = 0;
      if (!(cells >> vid >> group >> count)) continue;
      if (best == 0 || std::llabs(count - kWantedKindSize) < std::llabs(bestSize - kWantedKindSize))
        best = vid, bestSize = count;
    }
    return best;
  }();
  return kind;
}

// A working copy of the pristine catalogue.
std::string FreshCopy() {
  const std::string work = Directory() + "/work";
  fs::remove_all(work);
  fs::copy(Pristine(), work);
  return work;
}

void BM_OptimisationAfter(benchmark::State& state) {
  Catalogue();
  impexp::CatalogueFiles catalogue(FreshCopy());
  QuietHost host;
  int released = 0;
  for (auto _ : state) released = impexp::OptimizeDrawings(catalogue, host);
  state.counters["released"] = released;
}
BENCHMARK(BM_OptimisationAfter)->Unit(benchmark::kMillisecond)->Iterations(3);

// The search the optimisation made before: every device read for each drawing.
void BM_OptimisationBeforePerDrawing(benchmark::State& state) {
  Catalogue();
  impexp::CatalogueFiles catalogue(FreshCopy());
  TTalvernDataSet& main = catalogue.Main();
  main.SetFilter("");
  TField& pic = main.FieldByName("PIC");
  auto inUse = [&](const std::string& code) {
    for (main.First(); !main.Eof(); main.Next()) {
      const std::string text = pic.AsString();
      for (int i = 0; i < impexp::kMaxDeviceDrawings; ++i)
        if (impexp::DeviceDrawingCode(text, i) == code) return true;
    }
    return false;
  };
  constexpr int kScanned = 20;
  bool any = false;
  for (auto _ : state)
    for (int i = 0; i < kScanned; ++i) any |= inUse(impexp::EncodeDrawingCode(1000 + i));
  state.counters["found"] = any;
  state.SetItemsProcessed(state.iterations() * kScanned);
}
BENCHMARK(BM_OptimisationBeforePerDrawing)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ExportKind(benchmark::State& state) {
  const int kind = Catalogue();
  impexp::CatalogueFiles catalogue(FreshCopy());
  const std::string file = Directory() + "/kind.tbl";
  for (auto _ : state) impexp::ExportTable(catalogue, file, kind);
  state.counters["kind"] = kind;
  state.counters["bytes"] = static_cast<double>(fs::file_size(file));
}
BENCHMARK(BM_ExportKind)->Unit(benchmark::kMillisecond);

// The kind's file back in: every device found and replaced.
void BM_ImportKindReplacing(benchmark::State& state) {
  const int kind = Catalogue();
  impexp::CatalogueFiles catalogue(FreshCopy());
  const std::string file = Directory() + "/kind.tbl";
  impexp::ExportTable(catalogue, file, kind);
  QuietHost host;
  for (auto _ : state) impexp::TImporter(catalogue, host, "").ImportFile(file);
}
BENCHMARK(BM_ImportKindReplacing)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same devices under new types: every one appended.
void BM_ImportKindAppending(benchmark::State& state) {
  const int kind = Catalogue();
  const std::string file = Directory() + "/new.tbl";
  {
    impexp::CatalogueFiles catalogue(FreshCopy());
    impexp::ExportTable(catalogue, file, kind);
    std::ifstream in(file, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {}), renamed;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      const bool device = line.size() > 1 && line[0] != ';' && line[0] != '=' && !line.starts_with("TYPE");
      if (device) renamed += 'N';
      renamed += line;
      renamed += '\n';
    }
    std::ofstream(file, std::ios::binary) << renamed;
  }
  QuietHost host;
  for (auto _ : state) {
    state.PauseTiming();
    auto catalogue = std::make_unique<impexp::CatalogueFiles>(FreshCopy());
    state.ResumeTiming();
    impexp::TImporter(*catalogue, host, "").ImportFile(file);
    state.PauseTiming();
    catalogue.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ImportKindAppending)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace talvern::bench

// mkcatalog: builds a catalogue database (the DBF tables, the drawings' memo
// file and codes.dbc) in a directory.
//
//   mkcatalog [--data DIR] --out DIR
//       the sample catalogue from the sources in DIR (default: the project's data/)
//   mkcatalog --synthetic N [--seed S] [--data DIR] --out DIR
//       a synthetic catalogue of N devices for benchmarks, modelled on the sample

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "engine/Errors.h"
#include "tools/mkcatalog/CatalogWriter.h"
#include "tools/mkcatalog/SampleData.h"
#include "tools/mkcatalog/SyntheticCatalog.h"

#ifndef TALVERN_DATA_DIR
#define TALVERN_DATA_DIR "data"
#endif

namespace {

constexpr std::int64_t kBenchmarkKindSize = 5000;   // the kind size the benchmarks switch to

int Usage() {
  std::cerr << "usage: mkcatalog [--data DIR] --out DIR\n"
               "       mkcatalog --synthetic N [--seed S] [--data DIR] --out DIR\n";
  return 2;
}

bool ParseCount(const std::string& text, std::int64_t& value) {
  char* end = nullptr;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || v < 0) return false;
  value = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace talvern::mkcatalog;
  std::string data = TALVERN_DATA_DIR;
  std::string out;
  std::int64_t synthetic = -1;
  std::int64_t seed = -1;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (i + 1 >= argc) return Usage();
    std::string value = argv[++i];
    if (arg == "--data") {
      data = value;
    } else if (arg == "--out") {
      out = value;
    } else if (arg == "--synthetic") {
      if (!ParseCount(value, synthetic)) return Usage();
    } else if (arg == "--seed") {
      if (!ParseCount(value, seed)) return Usage();
    } else {
      return Usage();
    }
  }
  if (out.empty() || (seed >= 0 && synthetic < 0)) return Usage();

  try {
    Catalogue sample = LoadSampleData(data);
    if (synthetic < 0) {
      WriteCatalogue(sample, out);
      std::cout << "mkcatalog: " << sample.devices.size() << " devices, " << sample.kinds.size() << " kinds, "
                << sample.drawings.size() << " drawings, " << sample.smdCodes.size() << " SMD codes in " << out
                << "\n";
      return 0;
    }
    SyntheticOptions options;
    options.devices = synthetic;
    if (seed >= 0) options.seed = static_cast<std::uint64_t>(seed);
    auto sizes = WriteSyntheticCatalogue(sample, options, out);
    const SyntheticKindSize* largest = &sizes.front();
    const SyntheticKindSize* nearest = &sizes.front();
    for (const auto& s : sizes) {
      if (s.devices > largest->devices) largest = &s;
      if (std::llabs(s.devices - kBenchmarkKindSize) < std::llabs(nearest->devices - kBenchmarkKindSize))
        nearest = &s;
    }
    std::cout << "mkcatalog: " << synthetic << " synthetic devices in " << sizes.size() << " kinds in " << out
              << "; largest kind " << largest->vid << " (" << largest->devices << "), kind nearest "
              << kBenchmarkKindSize << ": " << nearest->vid << " (" << nearest->devices << ")\n";
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "mkcatalog: " << e.what() << "\n";
    return 1;
  }
}

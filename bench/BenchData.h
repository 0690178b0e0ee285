#pragma once
// Where the benchmarks find their data: the synthetic catalogues that
// scripts/bench.sh makes (build/bench-data/n<N>/main.dbf, .csv, meta.json).
// TALVERN_BENCH_DATA in the environment names another directory.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace talvern::bench {

inline std::string DataDir() {
  if (const char* dir = std::getenv("TALVERN_BENCH_DATA")) return dir;
  return TALVERN_BENCH_DATA;
}

// Path of a file of the catalogue with n devices, e.g. CatalogFile(1000000,
// "main.dbf"); empty (and the benchmark skipped) when it is missing.
inline std::string CatalogFile(long n, const std::string& name, benchmark::State& state) {
  std::string path = DataDir() + "/n" + std::to_string(n) + "/" + name;
  if (!std::filesystem::exists(path)) {
    state.SkipWithError(("missing " + path + " (run scripts/bench.sh)").c_str());
    return {};
  }
  return path;
}

// A number from meta.json of the catalogue ("search_pattern_hits", ...).
inline long MetaNumber(long n, const std::string& key) {
  std::ifstream in(DataDir() + "/n" + std::to_string(n) + "/meta.json");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  auto at = text.find("\"" + key + "\":");
  if (at == std::string::npos) return -1;
  return std::strtol(text.c_str() + at + key.size() + 3, nullptr, 10);
}

}  // namespace talvern::bench

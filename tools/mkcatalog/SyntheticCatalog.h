#pragma once
// A synthetic catalogue of any size, for benchmarks, in the table layout of
// the sample: the sample's groups, drawings, package table and SMD codes;
// 300 kinds modelled on the sample's kinds (each with its model's layout);
// and devices whose types, parameter pieces, drawings and temperature ranges
// are drawn from the sample devices of the model kind. Kind sizes follow a
// Zipf law over a shuffled ranking (so a 10^6 catalogue has kinds of every
// size from a handful to some ten thousand), and devices arrive in small
// batches of one kind, as catalogues grow by imports. The same size and seed
// give the same records.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mkcatalog/Catalogue.h"

namespace talvern::mkcatalog {

struct SyntheticOptions {
  std::int64_t devices = 0;
  std::uint64_t seed = 20240601;
};

struct SyntheticKindSize {
  int vid = 0;
  int group = 0;
  std::int64_t devices = 0;
  std::string name;
};

constexpr int kSyntheticKinds = 300;
// Written beside the tables: one line per kind (VID, GROUP, COUNT, NAME), so
// that a benchmark can pick a kind of the size it wants.
constexpr const char* kSyntheticSummaryFile = "synthetic.tsv";

// Writes the catalogue into directory and returns the kinds with their sizes.
std::vector<SyntheticKindSize> WriteSyntheticCatalogue(const Catalogue& sample, const SyntheticOptions& options,
                                                       const std::string& directory);

}  // namespace talvern::mkcatalog

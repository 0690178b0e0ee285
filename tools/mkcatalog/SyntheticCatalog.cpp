#include "tools/mkcatalog/SyntheticCatalog.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "engine/Errors.h"
#include "tools/mkcatalog/CatalogWriter.h"

namespace talvern::mkcatalog {

namespace {

constexpr double kMeanBatch = 12.0;   // devices per import batch, on average
constexpr int kKindsPerGroup = 99;    // VID = group * 100 + number in the group

// SplitMix64: small, fast, and the same sequence on every platform.
class Random {
public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

private:
  std::uint64_t state_;
};

std::vector<std::string> SplitPieces(const std::string& params) {
  std::vector<std::string> pieces;
  if (params.empty()) return pieces;
  std::size_t start = 0;
  for (;;) {
    std::size_t bar = params.find('|', start);
    pieces.push_back(params.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) return pieces;
    start = bar + 1;
  }
}

// A sibling of a real type: the first run of digits after a letter gets new
// digits ("КТ3102А" -> "КТ7315А", "2Т312А" -> "2Т845А", "BZX55C5V1" -> "BZX71C5V1").
std::string VaryType(const std::string& type, Random& random) {
  std::string out = type;
  std::size_t i = 1;
  while (i < out.size() && !(std::isdigit(static_cast<unsigned char>(out[i])) &&
                             !std::isdigit(static_cast<unsigned char>(out[i - 1]))))
    ++i;
  bool first = true;
  for (; i < out.size() && std::isdigit(static_cast<unsigned char>(out[i])); ++i) {
    out[i] = static_cast<char>(first ? '1' + random.Below(9) : '0' + random.Below(10));
    first = false;
  }
  return out;
}

// The sample devices of one model kind, with their parameters cut into pieces.
struct ModelKind {
  const Kind* kind = nullptr;
  std::vector<const Device*> devices;
  std::vector<std::vector<std::string>> pieces;
  std::size_t maxPieces = 0;
};

Device MakeDevice(const ModelKind& model, int vid, Random& random) {
  const Device& like = *model.devices[random.Below(model.devices.size())];
  Device d;
  d.type = VaryType(like.type, random);
  d.vid = vid;
  d.pic = like.pic;
  d.term = like.term;
  d.imported = like.imported;
  // Each piece comes from some device of the model kind, so that every column
  // holds values of its own sort.
  std::vector<std::string> pieces(model.maxPieces);
  for (std::size_t j = 0; j < pieces.size(); ++j) {
    const auto& from = model.pieces[random.Below(model.pieces.size())];
    if (j < from.size()) pieces[j] = from[j];
  }
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  for (std::size_t j = 0; j < pieces.size(); ++j) {
    if (j > 0) d.params += '|';
    d.params += pieces[j];
  }
  return d;
}

}  // namespace

std::vector<SyntheticKindSize> WriteSyntheticCatalogue(const Catalogue& sample, const SyntheticOptions& options,
                                                       const std::string& directory) {
  if (options.devices < 0) Raise("The number of devices must not be negative");
  Random random(options.seed);

  // Model kinds: the sample kinds that have devices, in sample order.
  std::vector<ModelKind> models;
  for (const auto& k : sample.kinds) {
    ModelKind m;
    m.kind = &k;
    for (const auto& d : sample.devices) {
      if (d.vid != k.vid) continue;
      m.devices.push_back(&d);
      m.pieces.push_back(SplitPieces(d.params));
      m.maxPieces = std::max(m.maxPieces, m.pieces.back().size());
    }
    if (!m.devices.empty()) models.push_back(std::move(m));
  }
  if (models.empty()) Raise("The sample catalogue has no devices to model kinds on");

  Catalogue out;
  out.groups = sample.groups;
  out.drawings = sample.drawings;
  out.packages = sample.packages;
  out.smdCodes = sample.smdCodes;
  std::vector<const ModelKind*> modelOf;
  std::map<int, int> perGroup;
  for (int i = 0; i < kSyntheticKinds; ++i) {
    const ModelKind& m = models[static_cast<std::size_t>(i) % models.size()];
    int number = ++perGroup[m.kind->group];
    if (number > kKindsPerGroup) Raise("Too many synthetic kinds in group %d", {m.kind->group});
    int vid = m.kind->group * 100 + number;
    int series = i / static_cast<int>(models.size()) + 1;
    out.kinds.push_back({vid, m.kind->group, m.kind->name + " (" + std::to_string(series) + ")"});
    for (const auto& row : sample.layout) {
      if (row.vid != m.kind->vid) continue;
      LayoutRow copy = row;
      copy.vid = vid;
      out.layout.push_back(copy);
    }
    modelOf.push_back(&m);
  }

  // Zipf weights over a shuffled ranking of the kinds.
  std::vector<int> rank(kSyntheticKinds);
  for (int i = 0; i < kSyntheticKinds; ++i) rank[static_cast<std::size_t>(i)] = i + 1;
  for (std::size_t i = rank.size() - 1; i > 0; --i) std::swap(rank[i], rank[random.Below(i + 1)]);
  std::vector<double> cumulative;
  double total = 0;
  for (int r : rank) cumulative.push_back(total += 1.0 / r);

  CatalogWriter writer(directory);
  writer.WriteGroups(out.groups);
  writer.WriteKinds(out.kinds);
  writer.WriteLayout(out.layout);
  writer.WriteDrawings(out.drawings);
  writer.WritePackages(out.packages);
  writer.WriteSmdCodes(out.smdCodes);

  std::vector<std::int64_t> counts(kSyntheticKinds, 0);
  std::int64_t written = 0;
  while (written < options.devices) {
    std::size_t k = static_cast<std::size_t>(
        std::upper_bound(cumulative.begin(), cumulative.end(), random.Unit() * total) - cumulative.begin());
    k = std::min(k, cumulative.size() - 1);
    auto batch = static_cast<std::int64_t>(1 + std::floor(-std::log(1.0 - random.Unit()) * kMeanBatch));
    batch = std::min(batch, options.devices - written);
    for (std::int64_t b = 0; b < batch; ++b) writer.AddDevice(MakeDevice(*modelOf[k], out.kinds[k].vid, random));
    counts[k] += batch;
    written += batch;
  }

  std::vector<SyntheticKindSize> sizes;
  std::string summary = "VID\tGROUP\tCOUNT\tNAME\n";
  for (std::size_t k = 0; k < out.kinds.size(); ++k) {
    sizes.push_back({out.kinds[k].vid, out.kinds[k].group, counts[k], out.kinds[k].name});
    summary += std::to_string(out.kinds[k].vid) + "\t" + std::to_string(out.kinds[k].group) + "\t" +
               std::to_string(counts[k]) + "\t" + out.kinds[k].name + "\n";
  }
  writer.WriteFile(kSyntheticSummaryFile, summary);
  writer.Commit();
  return sizes;
}

}  // namespace talvern::mkcatalog

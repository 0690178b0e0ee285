// The expression engine on every record of the 10^6-device catalogue: the
// kind filter "VID=123" and the search filter AT("КТ3",TYPE,1)<>0 (its
// literal in code page 866, as the dataset hands it to the table), beside a
// plain C++ loop doing the same test on the same bytes. Records are read in
// large blocks and the table's current-record pointer is set into the block,
// as a physical-order scan of the table handler does.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "BenchData.h"
#include "engine/Fields.h"
#include "expr/Handler.h"

namespace {

constexpr long kDevices = 1000000;
constexpr std::size_t kTypeOffset = 1, kTypeLength = 20;  // TYPE C(20)
constexpr std::size_t kVidOffset = 21, kVidLength = 4;     // VID N(4)
const char kPattern866[] = "\x8A\x92\x33";                   // КТ3 in code page 866

// Reads a DBF file's records in blocks of whole records.
class BlockReader {
public:
  static constexpr std::size_t kBlockBytes = 1 << 20;

  explicit BlockReader(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    std::uint8_t header[32] = {};
    if (fd_ >= 0 && ::pread(fd_, header, sizeof header, 0) == sizeof header) {
      headerLength_ = header[8] | header[9] << 8;
      recordLength_ = header[10] | header[11] << 8;
      off_t size = ::lseek(fd_, 0, SEEK_END);
      if (recordLength_ > 0) count_ = (size - headerLength_) / recordLength_;
    }
    perBlock_ = recordLength_ ? kBlockBytes / recordLength_ : 0;
    buffer_.resize(perBlock_ * recordLength_);
  }
  ~BlockReader() {
    if (fd_ >= 0) ::close(fd_);
  }
  std::size_t RecordLength() const { return recordLength_; }
  long Count() const { return count_; }

  // Calls visit(record) for every record, reading block after block.
  template <class Visit>
  void Scan(Visit visit) {
    for (long first = 0; first < count_; first += static_cast<long>(perBlock_)) {
      long n = std::min<long>(static_cast<long>(perBlock_), count_ - first);
      if (::pread(fd_, buffer_.data(), n * recordLength_, headerLength_ + first * recordLength_) < 0)
        return;
      std::uint8_t* record = buffer_.data();
      for (long i = 0; i < n; ++i, record += recordLength_) visit(record);
    }
  }

private:
  int fd_;
  std::size_t headerLength_ = 0, recordLength_ = 0, perBlock_ = 0;
  long count_ = 0;
  std::vector<std::uint8_t> buffer_;
};

// The number of an N field as an integer: blanks, sign, digits.
long ParseVid(const std::uint8_t* p) {
  std::size_t i = 0;
  while (i < kVidLength && p[i] == ' ') ++i;
  bool negative = i < kVidLength && p[i] == '-';
  if (negative) ++i;
  long v = 0;
  for (; i < kVidLength && p[i] >= '0' && p[i] <= '9'; ++i) v = v * 10 + (p[i] - '0');
  return negative ? -v : v;
}

void PlainLoopVid(benchmark::State& state) {
  std::string path = talvern::bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  BlockReader reader(path);
  long hits = 0;
  for (auto _ : state) {
    hits = 0;
    reader.Scan([&](const std::uint8_t* r) { hits += ParseVid(r + kVidOffset) == 123; });
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.SetItemsProcessed(state.iterations() * reader.Count());
}

void PlainLoopSearch(benchmark::State& state) {
  std::string path = talvern::bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  BlockReader reader(path);
  long hits = 0;
  for (auto _ : state) {
    hits = 0;
    reader.Scan([&](const std::uint8_t* r) {
      std::string_view type(reinterpret_cast<const char*>(r) + kTypeOffset, kTypeLength);
      hits += type.find(std::string_view(kPattern866, 3)) != std::string_view::npos;
    });
    benchmark::DoNotOptimize(hits);
  }
  state.counters["hits"] = static_cast<double>(hits);
  state.counters["expected"] =
      static_cast<double>(talvern::bench::MetaNumber(kDevices, "search_pattern_hits"));
  state.SetItemsProcessed(state.iterations() * reader.Count());
}

// The same scans through a compiled expression: the table's current-record
// pointer is set to each record of the block, and the filter evaluated.
void Engine(benchmark::State& state, const std::string& filter) {
  std::string path = talvern::bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  BlockReader reader(path);
  talvern::VXO_dBaseFld table(path, true, false);
  talvern::TvxExpHandler expression(table.ExpressionLink(), filter);
  talvern::ExprValue value;
  long hits = 0;
  for (auto _ : state) {
    hits = 0;
    reader.Scan([&](std::uint8_t* r) {
      table.SetCurrentRecord(r);
      expression.Evaluate(value);
      hits += value.boolean;
    });
    benchmark::DoNotOptimize(hits);
  }
  table.SetCurrentRecord(nullptr);
  state.counters["hits"] = static_cast<double>(hits);
  state.SetItemsProcessed(state.iterations() * reader.Count());
}

void EngineVid(benchmark::State& state) { Engine(state, "VID=123"); }

void EngineSearch(benchmark::State& state) {
  Engine(state, std::string("AT(\"") + kPattern866 + "\",TYPE,1)<>0");
}

// Reading the blocks alone: the part of every scan above that no evaluation
// can shorten.
void ReadOnly(benchmark::State& state) {
  std::string path = talvern::bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  BlockReader reader(path);
  long sum = 0;
  for (auto _ : state) {
    reader.Scan([&](const std::uint8_t* r) { sum += r[0]; });
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * reader.Count());
}

// Compiling the catalogue's device key, as an index does once per open.
void CompileTypeKey(benchmark::State& state) {
  std::string path = talvern::bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  talvern::VXO_dBaseFld table(path, true, false);
  const std::string key =
      "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"\x83\x8A\x80\")))";
  for (auto _ : state) {
    talvern::TvxExpHandler expression(table.ExpressionLink(), key);
    benchmark::DoNotOptimize(expression.Root());
  }
}

}  // namespace

BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopVid)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineVid)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoopSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(EngineSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(CompileTypeKey)->Unit(benchmark::kMicrosecond);

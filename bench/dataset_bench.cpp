// The table dataset on the 10^6-device main.dbf, as the catalogue drives it
// when the user picks a kind of about 5000 devices:
//   KindList    close, set the kind filter "VID=n", open (the filter is
//               evaluated on every record) and walk the kind from its first
//               to its last record collecting record numbers; in physical
//               order, or in the order of the TYPE tag (main.CDX, made
//               beside main.dbf on first use);
//   with calc   the same with the catalogue's 15 calculated fields, filled
//               from PARAMS for every record fetched;
//   PaintRows   every row of the kind painted: stand on its record number
//               and read three fields;
//   SameRecord  standing again on the current record and reading a field.
//   scripts/bench.sh dataset
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "BenchData.h"
#include "dataset/TalvernDataSet.h"
#include "handler/TableHandler.h"

namespace {

using namespace talvern;

constexpr long kDevices = 1000000;
constexpr long kWantedKindSize = 5000;
constexpr int kCalcFields = 15;
// The catalogue's TYPE key: domestic types sort with 1, 2, 3 read as Г, К, А
// (866).
const char* const kTypeKey = "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"\x83\x8A\x80\")))";

struct Kind {
  long vid = -1;
  long count = 0;
};

// The kind whose size is nearest kWantedKindSize, counted once.
Kind ChosenKind(const std::string& path) {
  static Kind kind = [&] {
    VXO_dBHandler table(path, true, false);
    table.SetReadAhead(true);
    std::map<long, long> counts;
    for (table.ReadRecord(RecTop); !table.Eof(); table.ReadRecord(RecNext))
      ++counts[static_cast<long>(table.NumberGet(2))];
    Kind best;
    for (const auto& [vid, count] : counts)
      if (best.vid < 0 || std::labs(count - kWantedKindSize) < std::labs(best.count - kWantedKindSize))
        best = {vid, count};
    return best;
  }();
  return kind;
}

// The dataset as the catalogue sets Main up, with the TYPE tag when asked
// (its index file is built once beside the table).
std::unique_ptr<TTalvernDataSet> MainDataSet(const std::string& path, bool tagged, bool calc) {
  auto ds = std::make_unique<TTalvernDataSet>();
  ds->SetDatabaseName(std::filesystem::path(path).parent_path().string());
  ds->SetTableName("main.dbf");
  if (tagged) {
    if (!std::filesystem::exists(std::filesystem::path(path).replace_extension(".CDX"))) {
      ds->Open();
      ds->CreateIndexTag("main.CDX", "TYPE", kTypeKey, "", 1, 0);
      ds->Close();
    }
    ds->IndexFiles().Add("main.CDX");
    ds->SetIndexName("TYPE");
  }
  if (calc) {
    ds->UpdateFieldDefs();
    ds->CreateFields();
    std::vector<TField*> pieces;
    for (int k = 1; k <= kCalcFields; ++k) pieces.push_back(&ds->AddField(ftString, std::to_string(k), 250, fkCalculated));
    TField* params = &ds->FieldByName("PARAMS");
    ds->OnCalcFields = [params, pieces](TDataSet&) {
      std::string s = params->AsString();
      std::size_t start = 0;
      for (std::size_t piece = 0; start < s.size(); ++piece) {
        std::size_t bar = s.find('|', start);
        if (bar == std::string::npos) bar = s.size();
        if (bar > start && piece < pieces.size()) pieces[piece]->SetAsString(s.substr(start, bar - start));
        start = bar + 1;
      }
    };
  }
  ds->SetFiltered(true);
  return ds;
}

std::vector<std::int32_t> ListKind(TTalvernDataSet& ds, long vid) {
  ds.Close();
  ds.SetFilter("VID=" + std::to_string(vid));
  ds.Open();
  std::vector<std::int32_t> recNos;
  recNos.reserve(8192);
  for (; !ds.Eof(); ds.Next()) recNos.push_back(ds.RecNo());
  return recNos;
}

// range(0): 0 physical order, 1 TYPE order; range(1): 1 with calculated
// fields; range(2): 0 the dataset stays open and the kind is walked again
// from its first record (the filter is not evaluated again).
void KindList(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  Kind kind = ChosenKind(path);
  auto ds = MainDataSet(path, state.range(0) == 1, state.range(1) == 1);
  const bool reopen = state.range(2) == 1;
  if (!reopen) ListKind(*ds, kind.vid);
  std::size_t listed = 0;
  for (auto _ : state) {
    if (reopen) {
      listed = ListKind(*ds, kind.vid).size();
    } else {
      listed = 0;
      for (ds->First(); !ds->Eof(); ds->Next()) listed += ds->RecNo() > 0;
    }
    benchmark::DoNotOptimize(listed);
  }
  state.counters["devices"] = static_cast<double>(listed);
  if (static_cast<long>(listed) != kind.count) state.SkipWithError("the kind listed another number of devices");
}
BENCHMARK(KindList)
    ->ArgNames({"tag", "calc", "reopen"})
    ->Args({0, 0, 1})
    ->Args({1, 0, 1})
    ->Args({1, 1, 1})
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Unit(benchmark::kMillisecond);

// Every row of the kind painted: the record by its number, then its type,
// a calculated field and the temperature range.
void PaintRows(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  Kind kind = ChosenKind(path);
  auto ds = MainDataSet(path, true, true);
  std::vector<std::int32_t> recNos = ListKind(*ds, kind.vid);
  TField& type = ds->FieldByName("TYPE");
  TField& piece = ds->FieldByName("3");
  TField& term = ds->FieldByName("TERM");
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (std::int32_t r : recNos) {
      ds->SetRecNo(r);
      bytes += type.AsString().size() + piece.AsString().size() + term.AsString().size();
    }
    benchmark::DoNotOptimize(bytes);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<long>(recNos.size()));
}
BENCHMARK(PaintRows)->Unit(benchmark::kMillisecond);

void SameRecord(benchmark::State& state) {
  std::string path = bench::CatalogFile(kDevices, "main.dbf", state);
  if (path.empty()) return;
  Kind kind = ChosenKind(path);
  auto ds = MainDataSet(path, true, true);
  std::vector<std::int32_t> recNos = ListKind(*ds, kind.vid);
  ds->SetRecNo(recNos[recNos.size() / 2]);
  TField& type = ds->FieldByName("TYPE");
  const std::int32_t r = ds->RecNo();
  for (auto _ : state) {
    ds->SetRecNo(r);
    benchmark::DoNotOptimize(type.AsString());
  }
}
BENCHMARK(SameRecord);

}  // namespace

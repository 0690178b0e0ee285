// The table dataset's hot paths allocate nothing per record: fetching
// records while walking (also under a filter), and standing on a record by
// its number and reading a field, as the device grid does for every row it
// paints.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "TableTestKit.h"

#include "AllocationCount.h"

using namespace talvern;
using namespace talvern::tabletest;

namespace {

template <class F>
long AllocationsOf(F f) {
  long before = allocations.load();
  f();
  return allocations.load() - before;
}

// Walks the dataset from the first record to the end, reading a number
// and a short text of each record.
long Walk(TTalvernDataSet& ds) {
  long sum = 0;
  TField& vid = ds.FieldByName("VID");
  TField& type = ds.FieldByName("TYPE");
  for (ds.First(); !ds.Eof(); ds.Next()) sum += vid.AsInteger() + static_cast<long>(type.AsString().size());
  return sum;
}

}  // namespace

TEST(TableDataSetHotPath, WalkingAllocatesNothingPerRecord) {
  TempDir dir;
  MakeDeviceTable(dir.File("small.dbf"), NumberedDevices(100));
  MakeDeviceTable(dir.File("large.dbf"), NumberedDevices(2000));
  for (bool filtered : {false, true}) {
    long costs[2];
    int i = 0;
    for (const char* name : {"small.dbf", "large.dbf"}) {
      auto ds = TableDataSet(dir, name);
      ds->SetFilter("VID<>2");
      ds->SetFiltered(filtered);
      ds->Open();
      Walk(*ds);  // warm
      costs[i++] = AllocationsOf([&] { Walk(*ds); });
    }
    EXPECT_EQ(costs[0], costs[1]) << (filtered ? "filtered" : "unfiltered");
  }
}

TEST(TableDataSetHotPath, StandingOnARecordAndReadingItAllocatesNothing) {
  TempDir dir;
  MakeDeviceTable(dir.File("main.dbf"), NumberedDevices(500));
  auto ds = OpenDataSet(dir, "main.dbf");
  TField& type = ds->FieldByName("TYPE");
  auto paint = [&] {
    for (int r = 500; r >= 1; r -= 7) {
      ds->SetRecNo(r);
      ds->SetRecNo(r);  // already there
      EXPECT_EQ(type.AsString().size(), std::to_string(r).size() + 1);
    }
  };
  paint();
  EXPECT_EQ(AllocationsOf(paint), 0);
}

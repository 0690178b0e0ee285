// The handler's scans allocate nothing per record: setting a filter costs
// the same allocations on a table ten times larger, and walking the table,
// with or without the filter, allocates nothing once warm.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "HandlerTestKit.h"

#include "AllocationCount.h"

namespace talvern::testing {
namespace {

// Allocations made by f.
template <class F>
long AllocationsOf(F f) {
  long before = allocations.load();
  f();
  return allocations.load() - before;
}

// Allocations of setting the filter anew on a table of n records, and of a
// walk through it with and without the filter.
struct Costs {
  long setFilter, filteredWalk, physicalWalk;
};

Costs Measure(const TempDir& dir, int n) {
  std::string path = dir.File(Named("t", n, ".dbf"));
  MakeDevices(path, Numbered(n));
  VXO_dBHandler t(path, true, false);
  t.SetReadAhead(true);
  t.SetFilterOn(true);
  t.SetFilter("VID=1 .AND. TYPE<>\"X\"", false, true);  // warm: the set's pages, the block
  auto walk = [&] {
    long seen = 0;
    for (t.ReadRecord(RecTop); !t.Eof(); t.ReadRecord(RecNext)) ++seen;
    return seen;
  };
  walk();
  Costs costs;
  costs.setFilter = AllocationsOf([&] {
    t.SetFilter("", false, true);
    t.SetFilter("VID=1 .AND. TYPE<>\"X\"", false, true);
  });
  costs.filteredWalk = AllocationsOf(walk);
  t.SetFilterOn(false);
  walk();
  costs.physicalWalk = AllocationsOf(walk);
  return costs;
}

TEST(HandlerHotPath, ScansAllocateNothingPerRecord) {
  TempDir dir;
  Costs small = Measure(dir, 500);
  Costs large = Measure(dir, 5000);
  EXPECT_EQ(small.setFilter, large.setFilter);
  EXPECT_EQ(large.filteredWalk, 0);
  EXPECT_EQ(large.physicalWalk, 0);
}

}  // namespace
}  // namespace talvern::testing

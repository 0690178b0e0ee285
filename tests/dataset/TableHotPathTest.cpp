// The table dataset's hot paths allocate nothing per record: fetching
// records while walking (also under a filter), and standing on a record by
// its number and reading a field, as the device grid does for every row it
// paints.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "TableTestKit.h"

// Every form of the global operator new counts, and all of them allocate
// with malloc, so that every operator delete may free.
namespace {
std::atomic<long> allocations{0};

void* Allocate(std::size_t size, std::size_t alignment = 0) noexcept {
  ++allocations;
  if (size == 0) size = 1;
  if (alignment <= alignof(std::max_align_t)) return std::malloc(size);
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = Allocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) {
  if (void* p = Allocate(size, static_cast<std::size_t>(a))) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t a) { return operator new(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }

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

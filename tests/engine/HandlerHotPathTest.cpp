// The handler's scans allocate nothing per record: setting a filter costs
// the same allocations on a table ten times larger, and walking the table,
// with or without the filter, allocates nothing once warm.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "HandlerTestKit.h"

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

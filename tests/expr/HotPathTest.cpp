// A compiled expression evaluated record after record reuses its buffers:
// once every buffer has grown to its size, evaluating allocates nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "expr/Handler.h"
#include "expr/Variant.h"

#include "AllocationCount.h"

namespace talvern::testing {
namespace {

TEST(HotPath, EvaluationAllocatesNothingOnceWarm) {
  TempDir dir;
  std::string path = dir.File("main.dbf");
  CreateTable(path, 0x03, {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PRICE", 'N', 10, 3},
                           {"IMPORT", 'L', 1, 0}});
  VXO_dBaseFld table(path, false, true);
  const char* types[] = {"2\x92\x33\x31\x35\x80", "\x8A\x92\x33\x36\x31", "1N4007", "BC547B"};
  for (int i = 0; i < 4; ++i) {
    table.BlankRecord();
    table.RawPut(1, types[i]);
    table.NumberPut(2, 120 + i);
    table.NumberPut(3, i * 1.125);
    table.LogicPut(4, i >= 2);
    table.AppendRecord();
  }
  std::vector<std::vector<std::uint8_t>> records;
  for (int n = 1; n <= 4; ++n) {
    table.ReadRecord(n);
    records.emplace_back(table.CurrentRecord(), table.CurrentRecord() + table.RecordLength());
  }

  TvxExpUserLink* link = table.ExpressionLink();
  TvxExpHandler kind(link, "VID=123");
  TvxExpHandler search(link, "AT(\"\x8A\x92\x33\",TYPE,1)<>0");
  TvxExpHandler key(link, "IIF(IMPORT,TYPE,STUFF(TYPE,1,1,CHRTRAN(LEFT(TYPE,1),\"123\",\"\x83\x8A\x80\")))");
  TvxExpHandler layout(link, "STR(VID,4,0)+STR(PRICE,8,2)+UPPER(TRIM(TYPE))");
  TvxExpHandler texts(link, "PADL(TYPE, 30, '*') - 'x' = 'a*' .OR. 'B' $ SUBSTR(TYPE, 2)");
  ExprValue value;
  TvxVariant target;
  long hits = 0;
  auto evaluateAll = [&] {
    for (auto& r : records) {
      table.SetCurrentRecord(r.data());
      kind.Evaluate(value);
      hits += value.boolean;
      search.Evaluate(value);
      hits += value.boolean;
      key.EvaluateTo(target);
      layout.EvaluateTo(target);
      texts.Evaluate(value);
    }
  };
  evaluateAll();
  long before = allocations;
  for (int i = 0; i < 100; ++i) evaluateAll();
  EXPECT_EQ(allocations - before, 0);
  EXPECT_EQ(hits, 101 * 2);  // VID 123 and КТ361
  table.SetCurrentRecord(nullptr);
}

}  // namespace
}  // namespace talvern::testing

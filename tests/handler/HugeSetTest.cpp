// TvxHugeSet: the record-number bit set behind the handler's filter.
#include <gtest/gtest.h>

#include "handler/HugeSet.h"

namespace talvern::testing {
namespace {

TEST(HugeSet, MarksAcrossPagesAndForgetsOnClear) {
  TvxHugeSet set;
  EXPECT_EQ(set.Highest(), -1);
  EXPECT_FALSE(set.Test(0));
  const std::int32_t far = 3 * TvxHugeSet::kNumbersPerPage + 5;  // the fourth page
  set.Mark(far, TvxHugeSet::kSet);
  set.Mark(7, TvxHugeSet::kSet);
  EXPECT_TRUE(set.Test(far));
  EXPECT_TRUE(set.Test(7));
  EXPECT_FALSE(set.Test(8));
  EXPECT_FALSE(set.Test(far + 1));  // beyond the highest number
  EXPECT_EQ(set.Highest(), far);
  EXPECT_EQ(set.Count(), 2);

  set.Mark(7, TvxHugeSet::kToggle);
  set.Mark(9, TvxHugeSet::kToggle);
  set.Mark(far, TvxHugeSet::kClear);
  set.Mark(far, TvxHugeSet::kClear);
  EXPECT_FALSE(set.Test(7));
  EXPECT_TRUE(set.Test(9));
  EXPECT_EQ(set.Count(), 1);
  EXPECT_EQ(set.Highest(), far);  // clearing a bit still counts as touching it

  set.Mark(-4, TvxHugeSet::kSet);  // ignored
  EXPECT_FALSE(set.Test(-4));
  set.Clear();
  EXPECT_EQ(set.Highest(), -1);
  EXPECT_EQ(set.Count(), 0);
  EXPECT_FALSE(set.Test(9));
}

TEST(HugeSet, FindsTheNearestSetBitEitherWay) {
  TvxHugeSet set;
  EXPECT_EQ(set.NextSet(1), -1);
  EXPECT_EQ(set.PriorSet(100), -1);
  for (std::int32_t n : {1, 63, 64, 200000, 200001}) set.Mark(n, TvxHugeSet::kSet);
  set.Mark(300000, TvxHugeSet::kClear);
  EXPECT_EQ(set.NextSet(0), 1);
  EXPECT_EQ(set.NextSet(2), 63);
  EXPECT_EQ(set.NextSet(65), 200000);
  EXPECT_EQ(set.NextSet(200002), -1);
  EXPECT_EQ(set.PriorSet(300000), 200001);
  EXPECT_EQ(set.PriorSet(199999), 64);
  EXPECT_EQ(set.PriorSet(62), 1);
  EXPECT_EQ(set.PriorSet(0), -1);
  EXPECT_EQ(set.PriorSet(-1), -1);
}

}  // namespace
}  // namespace talvern::testing

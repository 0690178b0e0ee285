// The key sorter: order, record-number ties, unique retrieval, spilling into
// several runs, the typed keys and its errors.

#include <algorithm>
#include <random>

#include "IndexTestKit.h"
#include "index/Sort.h"

namespace talvern::testing {
namespace {

std::vector<std::pair<std::string, std::int32_t>> Drain(TvxSort& sort, bool unique = false) {
  std::vector<std::pair<std::string, std::int32_t>> out;
  TvxVariant key;
  std::int32_t recno = 0;
  while (unique ? sort.RetrieveUnique(key, recno) : sort.Retrieve(key, recno))
    out.emplace_back(std::string(key.View()), recno);
  return out;
}

TvxVariant Text(const std::string& s) {
  TvxVariant v;
  v.SetText(s);
  return v;
}

TEST(Sort, TextKeysComeInByteOrderWithRecordNumberTies) {
  TvxSort sort(10, nullptr, true, false);
  const std::vector<std::pair<std::string, std::int32_t>> input = {
      {"B", 1}, {"A", 2}, {"AB", 3}, {"A", 4}, {"A\x01", 5}, {"A   ", 6}, {"", 7}, {"\xC0", 8}, {std::string("A\0B", 3), 9}};
  for (const auto& [k, r] : input) sort.Add(Text(k), r);
  EXPECT_EQ(sort.Count(), 9);
  auto out = Drain(sort);
  // Trailing blanks go; a key that begins another comes first whatever the
  // record numbers.
  std::vector<std::pair<std::string, std::int32_t>> expected = {
      {"", 7}, {"A", 2}, {"A", 4}, {"A", 6}, {std::string("A\0B", 3), 9}, {"A\x01", 5}, {"AB", 3}, {"B", 1}, {"\xC0", 8}};
  EXPECT_EQ(out, expected);
  EXPECT_EQ(ErrorOf([&] { sort.Add(Text("C"), 10); }), "Cannot add sort keys after beginning retrieval");
}

TEST(Sort, UniqueRetrievalKeepsTheLowestRecord) {
  TvxSort sort(10, nullptr, true, true);
  for (std::int32_t r : {5, 3, 9, 1}) sort.Add(Text(r % 2 ? "X" : "Y"), r);
  sort.Add(Text("A"), 7);
  auto out = Drain(sort, true);
  EXPECT_EQ(out, (std::vector<std::pair<std::string, std::int32_t>>{{"A", 7}, {"X", 1}}));
}

TEST(Sort, DescendingSorterDeliversLargestFirst) {
  TvxSort sort(10, nullptr, false, false);
  for (const char* k : {"B", "A", "C", "AB"}) sort.Add(Text(k), 1);
  auto out = Drain(sort);
  std::vector<std::string> keys;
  for (auto& e : out) keys.push_back(e.first);
  EXPECT_EQ(keys, (std::vector<std::string>{"C", "B", "AB", "A"}));
}

TEST(Sort, NumbersAndDatesComeBackTypedInOrder) {
  TvxSort sort(8, nullptr, true, false);
  std::vector<double> values = {2.0, -1.0, 0.0, 1.0, -1.0000001, 1.0000000000000002, -1e300, 1e300, 0.5};
  for (std::size_t i = 0; i < values.size(); ++i) {
    TvxVariant v;
    v.SetDouble(values[i]);
    sort.Add(v, static_cast<std::int32_t>(i + 1));
  }
  TvxVariant key;
  std::int32_t recno;
  std::vector<double> out;
  while (sort.Retrieve(key, recno)) {
    EXPECT_EQ(key.Type(), VariantType::Double);
    out.push_back(key.AsDouble());
  }
  std::sort(values.begin(), values.end());
  EXPECT_EQ(out, values);

  TvxSort dates(4, nullptr, true, false);
  for (std::int32_t day : {2460000, 2415021, 2451545}) {
    TvxVariant v;
    v.SetDate(day);
    dates.Add(v, day);
  }
  std::vector<std::int32_t> days;
  while (dates.Retrieve(key, recno)) days.push_back(key.AsDate());
  EXPECT_EQ(days, (std::vector<std::int32_t>{2415021, 2451545, 2460000}));
}

TEST(Sort, MoreKeysThanTheTrieHoldsGoThroughSeveralRuns) {
  TvxSort sort(20, nullptr, true, false);
  std::mt19937 rng(5);
  std::vector<std::pair<std::string, std::int32_t>> input;
  for (std::int32_t r = 1; r <= 60000; ++r) {
    std::string k = Numbered("K", rng() % 100000);
    k += Numbered("-", rng() % 1000);
    input.emplace_back(k, r);
    sort.Add(Text(k), r);
  }
  auto out = Drain(sort);
  EXPECT_GE(sort.RunCount(), 2);
  std::sort(input.begin(), input.end());
  EXPECT_EQ(out, input);
}

TEST(Sort, RefusesKeysItCannotHold) {
  EXPECT_EQ(ErrorOf([] { TvxSort(252, nullptr, true, false); }), "Sort key length must be 1-251 bytes, is 252");
  TvxSort sort(3, nullptr, true, false);
  EXPECT_EQ(ErrorOf([&] { sort.Add(Text("ABCD"), 1); }), "Sort key length must be 1-3 bytes, is 4");
  TvxVariant logical;
  logical.SetBoolean(true);
  EXPECT_EQ(ErrorOf([&] { sort.Add(logical, 1); }), "Variant type cannot be sorted");
}

TEST(Sort, BuildReportsItsProgress) {
  TempDir dir;
  MakeTable(dir.File("s.dbf"), {{"NAME", 'C', 5, 0}}, {{"B"}, {"A"}, {"C"}});
  IndexedTable table(dir.File("s.dbf"), false, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("s.cdx"), true);
  table.KeepReports = true;
  ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, "NAME <> 'C'"));
  using R = std::array<std::int32_t, 3>;
  std::vector<R> expected = {{-1, 1, 3}, {1, 1, 0}, {1, 2, 0}, {1, 3, 0}, {0, 0, 0},
                             {-1, 2, 3}, {2, 1, 0}, {2, 2, 0}, {0, 0, 0}};
  EXPECT_EQ(table.Reports, expected);
}

TEST(Sort, TagsOfEmptyTablesAndEmptyFilterResultsHaveOneEmptyRootLeaf) {
  TempDir dir;
  MakeTable(dir.File("s.dbf"), {{"NAME", 'C', 5, 0}}, {{"B"}});
  IndexedTable table(dir.File("s.dbf"), false, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("s.cdx"), true);
  ASSERT_TRUE(file.TagAdd("NONE", "NAME", false, true, "NAME = 'Z'"));
  VXobjIndexTag& tag = *file.TagByName("NONE");
  std::string bytes = ReadFile(dir.File("s.cdx"));
  EXPECT_EQ(GetLE32(bytes, static_cast<std::size_t>(tag.HeaderOffset)), static_cast<std::uint32_t>(tag.Root));
  EXPECT_EQ(bytes[static_cast<std::size_t>(tag.Root)], 3);
  EXPECT_EQ(bytes[static_cast<std::size_t>(tag.Root) + 2], 0);
  EXPECT_TRUE(Walk(tag).empty());
}

TEST(Sort, OneLeafMoreGivesARootInteriorNodeOverLinkedLeaves) {
  TempDir dir;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 200; ++i) rows.push_back({Numbered("NAME", 10000 + i * 37 % 200)});
  MakeTable(dir.File("s.dbf"), {{"NAME", 'C', 12, 0}}, rows);
  IndexedTable table(dir.File("s.dbf"), false, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("s.cdx"), true);
  ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
  VXobjIndexTag& tag = *file.TagByName("NAME");
  std::string bytes = ReadFile(dir.File("s.cdx"));
  auto at = [&](std::int32_t page, int offset) { return GetLE32(bytes, static_cast<std::size_t>(page + offset)); };
  EXPECT_EQ(bytes[static_cast<std::size_t>(tag.Root)], 1);  // root interior
  tag.MoveTo(RecTop);
  std::vector<std::int32_t> leaves;
  for (int i = 0; i < tag.Path->Count(); ++i) leaves.push_back(tag.Path->At(i).Link);
  tag.ReleaseNodes();
  ASSERT_GE(leaves.size(), 2u);
  for (std::size_t i = 0; i < leaves.size(); ++i) {
    EXPECT_EQ(bytes[static_cast<std::size_t>(leaves[i])], 2);
    EXPECT_EQ(at(leaves[i], 4), i == 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(leaves[i - 1]));
    EXPECT_EQ(at(leaves[i], 8), i + 1 == leaves.size() ? 0xFFFFFFFFu : static_cast<std::uint32_t>(leaves[i + 1]));
  }
}

}  // namespace
}  // namespace talvern::testing

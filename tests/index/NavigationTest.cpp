// Moving through tags, seeking keys and ranges.

#include "IndexTestKit.h"
#include "index/KeyCompare.h"

namespace talvern::testing {
namespace {

class NavigationTest : public ::testing::Test {
protected:
  // A table of names (one per row) with a tag NAME on it.
  VXobjIndexTag& Tag(const std::vector<std::string>& names, bool unique = false, bool ascending = true,
                     const std::string& forExpr = "") {
    std::vector<std::vector<std::string>> rows;
    for (const auto& n : names) rows.push_back({n});
    MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 10, 0}}, rows);
    table = std::make_unique<IndexedTable>(dir.File("t.dbf"), false, true);
    VXobjCDXFile& file = table->OpenCdx(dir.File("t.cdx"), true);
    EXPECT_TRUE(file.TagAdd("NAME", "NAME", unique, ascending, forExpr));
    VXobjIndexTag& tag = *file.TagByName("NAME");
    tag.Resync(0);
    return tag;
  }
  std::int32_t Seek(VXobjIndexTag& tag, const std::string& text) { return tag.Seek(tag.SearchKey(text)); }

  TempDir dir;
  std::unique_ptr<IndexedTable> table;
};

TEST_F(NavigationTest, EmptyTagIsAtBothEnds) {
  VXobjIndexTag& tag = Tag({});
  EXPECT_EQ(tag.MoveTo(RecTop), 0);
  EXPECT_TRUE(tag.Bof && tag.Eof);
  EXPECT_EQ(tag.MoveTo(RecBottom), 0);
  EXPECT_TRUE(tag.Bof && tag.Eof);
  EXPECT_EQ(Seek(tag, "A"), 0);
  EXPECT_TRUE(tag.Eof);
  ASSERT_TRUE(tag.Path);
  EXPECT_EQ(tag.Path->NodeSearch(kAnyRecord, tag.SearchKey("A"), -1), 1);
}

TEST_F(NavigationTest, NextFromTheLastEntryThenPriorGivesTheLastAgain) {
  VXobjIndexTag& tag = Tag({"B", "A", "C"});
  EXPECT_EQ(tag.MoveTo(RecBottom), 3);
  EXPECT_EQ(tag.MoveTo(RecNext), 0);
  EXPECT_TRUE(tag.Eof);
  EXPECT_FALSE(tag.Bof);
  EXPECT_EQ(tag.MoveTo(RecPrior), 3);
  EXPECT_FALSE(tag.Eof);
  EXPECT_EQ(tag.MoveTo(RecPrior), 1);
  EXPECT_EQ(tag.MoveTo(RecPrior), 2);
  EXPECT_EQ(tag.MoveTo(RecPrior), 0);
  EXPECT_TRUE(tag.Bof);
  EXPECT_EQ(tag.MoveTo(RecNext), 2);
  EXPECT_EQ(tag.MoveTo(RecSame), 2);
}

TEST_F(NavigationTest, PartialAndExactSeeks) {
  VXobjIndexTag& tag = Tag({"ABD", "ABC", "XY", "AA"});
  table->SetExactKey(false);
  EXPECT_EQ(Seek(tag, "AB"), 2);  // the first key that begins with AB
  EXPECT_EQ(Seek(tag, "ABD"), 1);
  table->SetExactKey(true);
  EXPECT_EQ(Seek(tag, "AB"), 0);
  EXPECT_FALSE(tag.Eof);
  // The path stays on the next greater key, for a soft seek.
  EXPECT_EQ(tag.MoveTo(RecSame), 2);
  EXPECT_EQ(Seek(tag, "ABC"), 2);
  // SeekExact finds regardless and leaves the position alone.
  table->SetExactKey(false);
  tag.MoveTo(RecTop);
  EXPECT_EQ(tag.SeekExact(tag.SearchKey("XY")), 3);
  EXPECT_EQ(tag.SeekExact(tag.SearchKey("X")), 0);
  EXPECT_EQ(tag.Current.Link, 4);
  EXPECT_EQ(tag.MoveTo(RecNext), 2);
}

TEST_F(NavigationTest, SeekAboveEveryKeySetsEof) {
  VXobjIndexTag& tag = Tag({"A", "B"});
  EXPECT_EQ(Seek(tag, "ZZZ"), 0);
  EXPECT_TRUE(tag.Eof);
  // Every node of the path stands past its entries.
  VXobjIndexKey* leaf = tag.Path.get();
  while (leaf->Child) leaf = leaf->Child.get();
  EXPECT_EQ(leaf->Pos, leaf->Count());
}

TEST_F(NavigationTest, EqualKeysComeInRecordOrderAndSeekTheFirst) {
  VXobjIndexTag& tag = Tag({"X", "K", "X", "A", "X"});
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{4, 2, 1, 3, 5}));
  EXPECT_EQ(Seek(tag, "X"), 1);
  EXPECT_EQ(tag.MoveTo(RecNext), 3);
  // A search for an equal key and a record number between two entries stops
  // on the greater one; an exact record number finds its entry.
  VXobjIndexKeyData key = tag.SearchKey("X");
  tag.Resync(2);
  EXPECT_EQ(tag.Path->NodeSearch(2, key, -1), -1);
  tag.Path->NodeCurrent(tag.Current);
  EXPECT_EQ(tag.Current.Link, 3);
  EXPECT_EQ(tag.Path->NodeSearch(5, key, -1), 0);
  key.Link = 3;
  EXPECT_EQ(tag.Seek(key), 3);
}

TEST_F(NavigationTest, UniqueTagKeepsTheLowestRecordAndRefusesDuplicates) {
  VXobjIndexTag& tag = Tag({"B", "A", "B", "A"}, true);
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{2, 1}));
  VXobjIndexKeyData entry;
  entry.SetText("A");
  entry.Link = entry.RecNo = 9;
  EXPECT_FALSE(tag.KeyAdd(entry));
  entry.SetText("C");
  EXPECT_TRUE(tag.KeyAdd(entry));
  tag.ReleaseNodes();
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{2, 1, 9}));
}

TEST_F(NavigationTest, DescendingTagStartsAtThePhysicalEnd) {
  VXobjIndexTag& tag = Tag({"B", "A", "C", "B"}, false, false);
  EXPECT_EQ(tag.MoveTo(RecTop), 3);
  EXPECT_EQ(tag.MoveTo(RecNext), 4);
  EXPECT_EQ(tag.MoveTo(RecNext), 1);
  EXPECT_EQ(tag.MoveTo(RecNext), 2);
  EXPECT_EQ(tag.MoveTo(RecNext), 0);
  EXPECT_TRUE(tag.Eof);
  EXPECT_EQ(tag.MoveTo(RecBottom), 2);
  EXPECT_EQ(tag.MoveTo(RecPrior), 1);
}

TEST_F(NavigationTest, RangesEndMovesAtTheirBounds) {
  VXobjIndexTag& tag = Tag({"A", "B", "C", "D", "E"});
  VXobjIndexKeyData low = tag.SearchKey("B"), high = tag.SearchKey("D");
  EXPECT_TRUE(tag.SetRange(&low, &high, false, false, false));
  EXPECT_TRUE(tag.RangeActive());
  EXPECT_FALSE(tag.SetRange(&low, &high, false, false, false));  // nothing changed
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{2, 3, 4}));
  EXPECT_EQ(Walk(tag, false), (std::vector<std::int32_t>{4, 3, 2}));
  EXPECT_EQ(tag.MoveTo(RecBottom), 4);
  EXPECT_EQ(tag.MoveTo(RecNext), 0);
  EXPECT_TRUE(tag.Eof);
  // A seek outside the range finds nothing.
  EXPECT_EQ(Seek(tag, "E"), 0);
  EXPECT_EQ(Seek(tag, "C"), 3);
  // A range without entries.
  VXobjIndexKeyData none = tag.SearchKey("BB"), none2 = tag.SearchKey("BC");
  tag.SetRange(&none, &none2, false, false, false);
  EXPECT_EQ(tag.MoveTo(RecTop), 0);
  EXPECT_TRUE(tag.Bof && tag.Eof);
  // Partial: a high bound "D" includes keys that begin with it.
  tag.SetRange(nullptr, nullptr, false, false, false);
  EXPECT_FALSE(tag.RangeActive());
  EXPECT_EQ(Walk(tag).size(), 5u);
}

TEST_F(NavigationTest, CurrentRecNoFollowsTheTable) {
  VXobjIndexTag& tag = Tag({"C", "A", "B"});
  table->ReadRecord(3);
  EXPECT_EQ(tag.CurrentRecNo(3), 3);
  EXPECT_EQ(tag.MoveTo(RecNext), 1);
  EXPECT_EQ(tag.MoveTo(RecPrior), 3);
}

}  // namespace
}  // namespace talvern::testing

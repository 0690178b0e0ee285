// Key maintenance when records are appended and rewritten: entries move,
// FOR conditions are entered and left, pages split (the root keeping its
// offset), emptied leaves leave their parents, and the change counter moves.

#include "IndexTestKit.h"
#include "engine/Bytes.h"
#include "index/CdxLayout.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

class MaintenanceTest : public ::testing::Test {
protected:
  void Open(const std::vector<std::string>& names, const std::string& forExpr = "") {
    std::vector<std::vector<std::string>> rows;
    for (const auto& n : names) rows.push_back({n, "1"});
    MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 20, 0}, {"N", 'N', 3, 0}}, rows);
    table = std::make_unique<IndexedTable>(dir.File("t.dbf"), true, true);
    file = &table->OpenCdx(dir.File("t.cdx"), true);
    ASSERT_TRUE(file->TagAdd("NAME", "NAME", false, true, forExpr));
    tag = file->TagByName("NAME");
  }
  void Append(const std::string& name, const std::string& n = "1") {
    table->BlankRecord();
    table->TextPutByName("NAME", name);
    table->TextPutByName("N", n);
    table->AppendRecord();
  }
  void Rewrite(std::int32_t recno, const std::string& name, const std::string& n = "1") {
    table->ReadRecord(recno);
    table->TextPutByName("NAME", name);
    table->TextPutByName("N", n);
    table->WriteRecord(recno);
  }
  void ExpectSound() {
    auto problems = CheckTag(*tag);
    EXPECT_TRUE(problems.empty()) << problems.front();
  }
  std::int32_t Version() { return static_cast<std::int32_t>(GetLE32(ReadFile(dir.File("t.cdx")), 8)); }

  TempDir dir;
  std::unique_ptr<IndexedTable> table;
  VXobjCDXFile* file = nullptr;
  VXobjIndexTag* tag = nullptr;
};

TEST_F(MaintenanceTest, AppendsAndRewritesMoveEntries) {
  Open({"M", "C"});
  Append("A");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{3, 2, 1}));
  Rewrite(3, "Z");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{2, 1, 3}));
  ExpectSound();
}

TEST_F(MaintenanceTest, ChangesRaiseTheCounterAndUnchangedKeysChangeNothing) {
  Open({"M", "C"});
  std::int32_t before = Version();
  Rewrite(1, "M", "2");  // another field: the key stays
  EXPECT_EQ(Version(), before);
  std::string bytes = ReadFile(dir.File("t.cdx"));
  Rewrite(1, "M", "3");
  EXPECT_EQ(ReadFile(dir.File("t.cdx")), bytes);
  Rewrite(1, "N");
  EXPECT_EQ(Version(), before + 1);
  Append("B");
  EXPECT_EQ(Version(), before + 2);
  // Another process sees it.
  EXPECT_TRUE(file->ChangedByOthers() == false);
}

TEST_F(MaintenanceTest, ForConditionEnteredAndLeftByRewrites) {
  Open({"A", "B", "C"}, "N > 1");
  EXPECT_TRUE(Walk(*tag).empty());
  Rewrite(2, "B", "5");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{2}));
  Append("0", "7");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{4, 2}));
  Rewrite(2, "B", "1");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{4}));
  Append("Q", "0");
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{4}));
  ExpectSound();
}

TEST_F(MaintenanceTest, RootSplitKeepsTheRootOffset) {
  Open({"START"});
  const std::int32_t root = tag->Root;
  std::string bytes = ReadFile(dir.File("t.cdx"));
  ASSERT_EQ(talvern::GetLE16(reinterpret_cast<const std::uint8_t*>(bytes.data()) + root), 3);
  for (int i = 0; i < 200; ++i) Append("KEY" + std::to_string(1000 + i * 7 % 200) + "XYZ");
  bytes = ReadFile(dir.File("t.cdx"));
  const auto* b = reinterpret_cast<const std::uint8_t*>(bytes.data());
  EXPECT_EQ(static_cast<std::int32_t>(talvern::GetLE32(b + tag->HeaderOffset)), root);
  EXPECT_EQ(talvern::GetLE16(b + root), 1);  // now a root interior node
  EXPECT_EQ(tag->RootPointer(), root);
  ExpectSound();
  EXPECT_EQ(Walk(*tag).size(), 201u);
}

TEST_F(MaintenanceTest, LeavesSplitAtHalfAPageOfBytes) {
  Open({});
  // Ascending keys: each lands in the last leaf, so the leaves split off
  // to the left keep what they had when they split.
  for (int i = 0; i < 120; ++i) {
    char key[16];
    std::snprintf(key, sizeof key, "%c%c%06d", 'A' + i / 26 % 26, 'A' + i % 26, (i * 7919) % 1000000);
    Append(key);
  }
  tag->MoveTo(RecTop);
  VXobjIndexKey* root = tag->Path.get();
  ASSERT_FALSE(root->IsLeaf());
  // Every leaf but the last one written holds a bit more than half a page:
  // the split point is a running total of 250 of the 488 key-area bytes.
  for (int i = 0; i + 1 < root->Count(); ++i) {
    root->ChildLoad(root->At(i).Link);
    EXPECT_LT(488 - root->Child->FreeSpace, 250) << i;
    EXPECT_GT(488 - root->Child->FreeSpace, 200) << i;
  }
  tag->ReleaseNodes();
  ExpectSound();
}

TEST_F(MaintenanceTest, EmptiedLeafLeavesItsParent) {
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) names.push_back(Numbered("N", 1000 + i));
  Open(names);
  tag->MoveTo(RecTop);
  ASSERT_FALSE(tag->Path->IsLeaf());
  int leaves = tag->Path->Count();
  // Move every key of the first leaf to the end of the order.
  tag->Path->ChildLoad(tag->Path->At(0).Link);
  std::vector<std::int32_t> first;
  for (int i = 0; i < tag->Path->Child->Count(); ++i) first.push_back(tag->Path->Child->At(i).Link);
  std::int32_t emptied = tag->Path->At(0).Link;
  tag->ReleaseNodes();
  for (std::int32_t r : first) Rewrite(r, Numbered("Z", r));
  tag->MoveTo(RecTop);
  for (int i = 0; i < tag->Path->Count(); ++i) EXPECT_NE(tag->Path->At(i).Link, emptied);
  EXPECT_GE(tag->Path->Count(), leaves - 1);
  tag->ReleaseNodes();
  ExpectSound();
  EXPECT_EQ(Walk(*tag).size(), 300u);
}

TEST_F(MaintenanceTest, ReopenedFileTakesARewriteOfARecordItChecks) {
  // A file opened again checks a few entries against their records before
  // its first update; the record being written is not one of them.
  Open({"A", "B", "C"});
  table->Files.clear();
  file = &table->OpenCdx(dir.File("t.cdx"));
  tag = file->TagByName("NAME");
  Rewrite(1, "Z");
  EXPECT_TRUE(tag->Searchable());
  EXPECT_EQ(Walk(*tag), (std::vector<std::int32_t>{2, 3, 1}));
  ExpectSound();
}

TEST_F(MaintenanceTest, ManyKeysGrowSeveralLevels) {
  Open({});
  for (int i = 0; i < 3000; ++i) Append(Numbered("K", (i * 7919) % 3000));
  ExpectSound();
  auto recnos = Walk(*tag);
  EXPECT_EQ(recnos.size(), 3000u);
  tag->MoveTo(RecTop);
  int depth = 1;
  for (VXobjIndexKey* n = tag->Path.get(); n->Child; n = n->Child.get()) ++depth;
  EXPECT_GE(depth, 3);
  tag->ReleaseNodes();
}

}  // namespace
}  // namespace talvern::testing

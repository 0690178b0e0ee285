// A small filter set walked in a tag's order goes by the set's own records
// sorted by their keys instead of stepping through the whole tag: the walk
// must give exactly the records, in exactly the order, that the tag's full
// walk gives for them, through writes of this table and of another.

#include <algorithm>
#include <set>

#include "IndexTestKit.h"
#include "handler/TableHandler.h"

namespace talvern::testing {
namespace {

constexpr int kRecords = 2000;

class FilterOrderTest : public ::testing::Test {
protected:
  void SetUp() override {
    // Many devices share a type, so that equal keys are ordered by record
    // number, and most types share their first eight bytes; kind 7 has 50 of
    // the 2000 records.
    std::vector<std::vector<std::string>> rows;
    for (int i = 1; i <= kRecords; ++i) {
      std::string type(i % 5 == 0 ? "T" : "KT310245");
      type += std::to_string((i * 7919) % 331 % 100);
      rows.push_back({type, std::to_string(i % 40), i % 3 == 0 ? "T" : "F"});
    }
    MakeTable(dbf, {{"TYPE", 'C', 10, 0}, {"VID", 'N', 4, 0}, {"IMPORT", 'L', 1, 0}}, rows);
    table = std::make_unique<VXO_dBHandler>(dbf, true, true);
    table->CreateIndex("devices.cdx", "TYPE", {}, "TYPE", "");
    table->CreateIndex("devices.cdx", "DOWN", {false, false}, "TYPE", "");
    table->CreateIndex("devices.cdx", "HOME", {}, "TYPE", "!IMPORT");
    table->OpenIndexFiles("devices.cdx", "TYPE");
  }

  std::vector<std::int32_t> Walk(VXO_dBHandler& t, bool backwards = false) {
    std::vector<std::int32_t> seen;
    for (t.ReadRecord(backwards ? RecBottom : RecTop); !t.Eof() && !t.Bof();
         t.ReadRecord(backwards ? RecPrior : RecNext))
      seen.push_back(t.RecNo());
    return seen;
  }
  // The tag's whole walk (no filter) cut to the records of the kind.
  std::vector<std::int32_t> Expected(VXO_dBHandler& t, int kind, bool backwards = false) {
    t.SetFilterOn(false);
    std::vector<std::int32_t> all = Walk(t, backwards), kept;
    t.SetFilterOn(true);
    for (std::int32_t r : all) {
      t.ReadRecord(r);
      if (t.NumberGetByName("VID") == kind) kept.push_back(r);
    }
    return kept;
  }
  void Filter(VXO_dBHandler& t, int kind) {
    t.SetFilter("VID=" + std::to_string(kind), false, false);
    t.SetFilterOn(true);
  }
  void ExpectSameAsTheTag(VXO_dBHandler& t, int kind) {
    std::vector<std::int32_t> forward = Walk(t), backward = Walk(t, true);
    EXPECT_EQ(forward, Expected(t, kind));
    EXPECT_EQ(backward, Expected(t, kind, true));
  }

  TempDir dir;
  std::string dbf = dir.File("devices.dbf");
  std::unique_ptr<VXO_dBHandler> table;
};

TEST_F(FilterOrderTest, AscendingDescendingAndForTagsGiveTheTagsOrder) {
  Filter(*table, 7);
  ExpectSameAsTheTag(*table, 7);
  EXPECT_EQ(Walk(*table).size(), 50u);
  table->SelectTag("DOWN", false);
  ExpectSameAsTheTag(*table, 7);
  table->SelectTag("HOME", false);
  std::vector<std::int32_t> home = Walk(*table);
  EXPECT_EQ(home, Expected(*table, 7));
  for (std::int32_t r : home) EXPECT_NE(r % 3, 0) << r;  // imported devices are not in the tag
}

TEST_F(FilterOrderTest, DeletedRecordsHiddenAndStepsFromOutsideTheSet) {
  Filter(*table, 7);
  std::vector<std::int32_t> order = Walk(*table);
  table->SetUseDeleted(false);
  // Deleting is a write: the order is made again from the records.
  table->ReadRecord(order[0]);
  table->DeleteRecord();
  table->ReadRecord(order[10]);
  table->DeleteRecord();
  std::vector<std::int32_t> left = Walk(*table);
  std::vector<std::int32_t> expected = order;
  expected.erase(expected.begin() + 10);
  expected.erase(expected.begin());
  EXPECT_EQ(left, expected);
  // A record of another kind read by number: the next step goes on from
  // its place in the tag.
  table->SetFilterOn(false);
  std::vector<std::int32_t> all = Walk(*table);
  table->SetFilterOn(true);
  const std::int32_t outsider = 1;  // kind 1
  auto at = std::find(all.begin(), all.end(), outsider);
  std::int32_t wanted = 0;
  for (auto it = at + 1; it != all.end() && !wanted; ++it)
    if (std::find(left.begin(), left.end(), *it) != left.end()) wanted = *it;
  table->ReadRecord(outsider);
  table->ReadRecord(RecNext);
  EXPECT_EQ(table->RecNo(), wanted);
}

TEST_F(FilterOrderTest, KeysChangedHereOrByAnotherProgramMoveTheirRecords) {
  Filter(*table, 7);
  std::vector<std::int32_t> before = Walk(*table);
  // A device of the kind renamed to sort first, another one last.
  table->ReadRecord(before[20]);
  table->TextPutByName("TYPE", "A0");
  table->WriteRecord(before[20]);
  EXPECT_EQ(Walk(*table).front(), before[20]);
  ExpectSameAsTheTag(*table, 7);

  VXO_dBHandler other(dbf, true, true);
  other.OpenIndexFiles("devices.cdx", "TYPE");
  other.ReadRecord(before[5]);
  other.TextPutByName("TYPE", "ZZ");
  other.WriteRecord(before[5]);
  EXPECT_EQ(Walk(*table).back(), before[5]);
  ExpectSameAsTheTag(*table, 7);
}

// A walk served from the records the filter kept meets the same records,
// deleted ones hidden, with the same bytes, whether the filter read them from
// the VID tag or from the whole table; the kept records serve one walk.
TEST_F(FilterOrderTest, AWalkFromTheKeptRecordsIsTheWalkFromTheFile) {
  table->SetUseDeleted(false);
  for (std::int32_t r : {7, 47, 407}) {
    table->ReadRecord(r);
    table->DeleteRecord();
  }
  auto walk = [&](bool kept) {
    std::vector<std::pair<std::int32_t, std::string>> seen;
    table->ServeKeptRecords(kept);
    for (table->ReadRecord(RecTop); !table->Eof(); table->ReadRecord(RecNext))
      seen.emplace_back(table->RecNo(), table->TextGetByName("TYPE"));
    table->ServeKeptRecords(false);
    return seen;
  };
  for (bool vidTag : {false, true}) {
    if (vidTag) {
      table->CreateIndex("devices.cdx", "VID", {}, "VID", "");
      table->OpenIndexFiles("devices.cdx", "TYPE");
    }
    for (int kind : {7, 0, 3}) {
      Filter(*table, kind);
      const auto fromKept = walk(true);
      EXPECT_EQ(fromKept.size(), kind == 7 ? 47u : 50u) << kind;
      EXPECT_EQ(fromKept, walk(false)) << kind << " " << vidTag;
      EXPECT_EQ(fromKept, walk(true)) << kind << " " << vidTag;  // read again: nothing kept now
    }
  }
  // A record rewritten behind the index after the filter read it: the kept
  // walk shows it as the filter read it, the next walk as it is now.
  Filter(*table, 5);
  const auto before = walk(false);
  Filter(*table, 6);
  Filter(*table, 5);
  VXO_dBHandler other(dbf, true, true);
  other.ReadRecord(before[3].first);
  other.TextPutByName("TYPE", "CHANGED");
  other.WriteRecord(before[3].first);
  EXPECT_EQ(walk(true), before);
  EXPECT_EQ(walk(false)[3].second, "CHANGED");
}

TEST_F(FilterOrderTest, AKindWithoutRecordsRunsOffAtOnce) {
  Filter(*table, 99);
  table->ReadRecord(RecTop);
  EXPECT_TRUE(table->Eof());
  table->ReadRecord(RecBottom);
  EXPECT_TRUE(table->Bof());
}

}  // namespace
}  // namespace talvern::testing

// A filter joined by .AND. with a comparison of a tag's bare numeric key
// field takes its records from the tag's key range. On random tables, random
// sets of tags (descending, FOR, unique, keys that are not the bare field)
// and random filters, the set must be the one a scan of the table without
// index files builds, also after another process appended, changed and
// deleted records (keeping the index up to date) between the two.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "HandlerTestKit.h"

namespace talvern::testing {
namespace {

struct TagSpec {
  const char* name;
  const char* key;
  const char* condition;
  bool ascending;
  bool unique;
};
// Tags on VID that serve its filters and that must not, and others.
const TagSpec kTags[] = {{"VID", "VID", "", true, false},       {"VIDD", "VID", "", false, false},
                         {"LOWER", " vid ", "", true, false},   {"VIDFOR", "VID", "PRICE>50", true, false},
                         {"VIDU", "VID", "", true, true},       {"VIDP", "VID+0", "", true, false},
                         {"PRICE", "PRICE", "", true, false},   {"TYPE", "TYPE", "", true, false}};

class FilterFromIndex : public ::testing::Test {
protected:
  std::string Pick(const std::vector<std::string>& from) { return from[rng() % from.size()]; }

  std::string Vid() { return Pick({"   0", "  -0", "  -0", "   3", "   7", "  12", "  20", "  -4", "    ", " 7.5"}); }
  std::string Price() { return Pick({"   0.00", "  12.50", "  50.00", "  99.99", "   7.00", "  -1.25"}); }

  void RandomRecord(VXO_dBaseFld& t) {
    t.RawPutByName("TYPE", Pick({"KT315", "A", "BC547", "KT3", "2N3055"}));
    std::memcpy(t.CurrentRecord() + t.FieldOffset(2), Vid().data(), 4);
    std::memcpy(t.CurrentRecord() + t.FieldOffset(3), Price().data(), 7);
  }

  void MakeTable(int records) {
    CreateTable(dbf, 0x03, {{"TYPE", 'C', 6, 0}, {"VID", 'N', 4, 0}, {"PRICE", 'N', 7, 2}});
    VXO_dBaseFld t(dbf, false, true);
    for (int i = 0; i < records; ++i) {
      t.BlankRecord();
      RandomRecord(t);
      t.AppendRecord();
      if (rng() % 8 == 0) t.DeleteRecord();
    }
  }

  // One of the tags on VID (a compound file lists its tags by name, and the
  // first that serves is taken), and some of the others.
  void MakeIndex(int round) {
    std::remove(cdx.c_str());
    DBFObject t(dbf, false, true);
    std::vector<TagSpec> tags = {kTags[round % 6]};
    for (const TagSpec& tag : kTags)
      if (std::string(tag.key).find("VID") == std::string::npos && rng() % 2) tags.push_back(tag);
    for (const TagSpec& tag : tags)
      t.CreateIndex(cdx, tag.name, TvxIndexOptions{tag.ascending, tag.unique}, tag.key, tag.condition);
  }

  std::string Comparison() {
    const std::string op = Pick({"=", "=", "<", ">", "<=", ">=", "#"});
    const bool vid = rng() % 3 != 0;
    const std::string field = vid ? "VID" : "PRICE";
    const std::string constant = vid ? Pick({"0", "0", "-0", "3", "7", "7.5", "20", "-4", "100"})
                                     : Pick({"0", "12.5", "50", "99.99", "-1.25", "60"});
    return rng() % 2 ? field + op + constant : constant + op + field;
  }

  std::string RandomFilter() {
    std::string filter = Comparison();
    for (int n = static_cast<int>(rng() % 3); n > 0; --n) {
      switch (rng() % 5) {
        case 0: filter = "(" + filter + ") .AND. " + Comparison(); break;
        case 1: filter = Comparison() + " .AND. (" + filter + ")"; break;
        case 2: filter += " .AND. AT(\"3\",TYPE)>0"; break;
        case 3: filter = "TYPE=\"KT*\" .AND. " + filter; break;
        default: filter += " .OR. " + Comparison(); break;
      }
    }
    return filter;
  }

  static std::set<int> Marked(const VXO_dBHandler& t) {
    std::set<int> marked;
    for (std::int32_t r = t.FilterSet()->NextSet(1); r >= 1; r = t.FilterSet()->NextSet(r + 1)) marked.insert(r);
    return marked;
  }

  // The set a scan of the table without index files gives.
  std::set<int> Scanned(const std::string& filter) {
    DBFObject plain(dbf, true, false);
    plain.SetFilter(filter, false, true);
    return Marked(plain);
  }

  // Another process appends, rewrites and deletes records, the index kept
  // up to date.
  void ChangeInAnotherProcess() {
    const unsigned seed = rng();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int status = 0;
      try {
        std::mt19937 own(seed);
        rng = own;
        DBFObject t(dbf, true, true);
        t.OpenIndexFiles(cdx, "");
        for (int i = 0; i < 40; ++i) {
          if (rng() % 3 == 0) {
            t.BlankRecord();
            RandomRecord(t);
            t.AppendRecord();
          } else {
            const std::int32_t r = 1 + static_cast<std::int32_t>(rng() % t.RecordCount());
            t.ReadRecord(r);
            if (rng() % 4 == 0) {
              t.DeleteRecord();
            } else {
              RandomRecord(t);
              t.WriteRecord(r);
            }
          }
        }
      } catch (const std::exception& e) {
        std::fprintf(stderr, "writer: %s\n", e.what());
        status = 1;
      }
      _exit(status);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  TempDir dir;
  std::string dbf = dir.File("main.dbf"), cdx = dir.File("main.cdx");
  std::mt19937 rng{16};
};

TEST_F(FilterFromIndex, BuildsTheSetOfAScanOnRandomTablesTagsAndFilters) {
  int fromIndex = 0, scanned = 0;
  for (int round = 0; round < 24; ++round) {
    MakeTable(100 + static_cast<int>(rng() % 400));
    MakeIndex(round);
    DBFObject table(dbf, true, false);
    table.OpenIndexFiles(cdx, "");
    for (int f = 0; f < 6; ++f) {
      const std::string filter = RandomFilter();
      table.SetFilter("", false, true);
      table.SetFilter(filter, false, true);
      ASSERT_EQ(Marked(table), Scanned(filter)) << filter << " round " << round;
      (table.FilterSetFromIndex() ? fromIndex : scanned) += 1;
      if (f % 2 == 1) {
        // The same filter again after another program's changes; the tag's
        // pages read before are stale now.
        ChangeInAnotherProcess();
        table.SetFilter("", false, true);
        table.SetFilter(filter, false, true);
        ASSERT_EQ(Marked(table), Scanned(filter)) << filter << " after changes, round " << round;
      }
    }
  }
  // Both ways were taken often.
  EXPECT_GT(fromIndex, 30);
  EXPECT_GT(scanned, 30);
}

// The records taken from the VID tag are walked in the order of the PRICE
// tag that orders the table: the order of the whole table with the others
// left out.
TEST_F(FilterFromIndex, TheSetIsWalkedInTheSelectedTagsOrder) {
  // 1200 records, 30 of kind 7: few enough to be ordered by their own keys.
  MakeTable(1200);
  {
    DBFObject t(dbf, false, true);
    for (std::int32_t r = 1; r <= t.RecordCount(); ++r) {
      t.ReadRecord(r);
      t.NumberPutByName("VID", r % 40);
      t.WriteRecord(r);
    }
    t.CreateIndex(cdx, "VID", TvxIndexOptions{}, "VID", "");
    t.CreateIndex(cdx, "PRICE", TvxIndexOptions{false, false}, "PRICE", "");
  }
  DBFObject whole(dbf, true, false);
  whole.OpenIndexFiles(cdx, "PRICE");
  const std::set<int> scanned = Scanned("VID=7");
  std::vector<int> expected;
  for (int r : Forward(whole))
    if (scanned.count(r)) expected.push_back(r);

  DBFObject table(dbf, true, false);
  table.OpenIndexFiles(cdx, "PRICE");
  table.SetFilterOn(true);
  table.SetFilter("VID=7", false, true);
  EXPECT_TRUE(table.FilterSetFromIndex());
  EXPECT_EQ(Marked(table), scanned);
  EXPECT_EQ(Forward(table), expected);
  EXPECT_EQ(Backward(table), Reversed(expected));
}

}  // namespace
}  // namespace talvern::testing

// The table handler on .mdx, .ndx and .ntx files: tags created and selected,
// seeks, keys kept by every write and seen by a second handle sharing the
// files, the table's production-index flag, expression dialects of tags of
// several formats on one table, and what the formats cannot hold.

#include "IndexTestKit.h"
#include "engine/DbfHeader.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

class HandlerFormatsTest : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override {
    MakeTable(dbf, {{"TYPE", 'C', 10, 0}, {"VID", 'N', 4, 0}},
              {{"KT315", "1"}, {"BC547", "2"}, {"KT361", "1"}, {"2N2222", "2"}, {"AC127", "1"}, {"KT315", "2"}});
  }
  std::vector<std::int32_t> Order(VXO_dBHandler& table) {
    std::vector<std::int32_t> seen;
    for (table.ReadRecord(RecTop); !table.Eof() && !table.Bof(); table.ReadRecord(RecNext)) seen.push_back(table.RecNo());
    return seen;
  }
  // The file of a tag: its own for single-tag formats, else devices.<ext>.
  std::string File(const std::string& tag) const {
    return (GetParam() == "mdx" ? std::string("devices") : tag) + "." + GetParam();
  }

  TempDir dir;
  std::string dbf = dir.File("devices.dbf");
};

TEST_P(HandlerFormatsTest, TagsOrderSeekAndFollowEveryWrite) {
  VXO_dBHandler table(dbf, true, true);
  table.CreateIndex(File("BYTYPE"), "BYTYPE", {}, "TYPE", "");
  table.CreateIndex(File("BYVID"), "BYVID", {}, "STR(VID)+TYPE", "");
  // Single-tag files are named in the list; a multiple-tag file once.
  table.OpenIndexFiles(GetParam() == "mdx" ? File("BYTYPE") : File("BYTYPE") + ";" + File("BYVID"), "BYTYPE");
  EXPECT_EQ(Order(table), (std::vector<std::int32_t>{4, 5, 2, 1, 6, 3}));
  table.SetExactKey(false);
  EXPECT_TRUE(table.FindKey("KT36"));
  EXPECT_EQ(table.RecNo(), 3);
  // Writes through the handler reach both tags.
  table.ReadRecord(2);
  table.TextPutByName("TYPE", "ZZ9");
  table.WriteRecord(2);
  table.BlankRecord();
  table.TextPutByName("TYPE", "AA1");
  table.NumberPutByName("VID", 3);
  table.AppendRecord();
  EXPECT_EQ(Order(table), (std::vector<std::int32_t>{4, 7, 5, 1, 6, 3, 2}));
  table.SelectTag("BYVID", false);
  // STR() without a length makes ten characters (in a .ntx key as many as
  // the field has).
  VXobjIndexKeyData key;
  ASSERT_TRUE(table.CurrentTag()->CurrentKey(key));
  EXPECT_EQ(key.View(), GetParam() == "ntx" ? "   1AC127" : "         1AC127");
  EXPECT_EQ(Order(table), (std::vector<std::int32_t>{5, 1, 3, 4, 6, 2, 7}));
  for (int slot = 1; table.IndexFile(slot); ++slot)
    for (int i = 0; i < table.IndexFile(slot)->TagCount(); ++i)
      EXPECT_TRUE(CheckTag(*table.IndexFile(slot)->TagByNumber(i)).empty());

  // A second handle sharing the files sees the keys the first one writes.
  VXO_dBHandler other(dbf, true, true);
  other.OpenIndexFiles(File("BYTYPE"), "BYTYPE");
  EXPECT_FALSE(other.FindKey("QQ"));
  table.BlankRecord();
  table.TextPutByName("TYPE", "QQ");
  table.AppendRecord();
  EXPECT_TRUE(other.FindKey("QQ"));
  EXPECT_EQ(other.RecNo(), 8);
}

// Only the table's own .mdx (or .cdx) file is its production index.
TEST_P(HandlerFormatsTest, OnlyTheTablesOwnMultipleTagFileMarksIt) {
  {
    VXO_dBHandler table(dbf, false, true);
    table.CreateIndex(File("DEVICES"), "TYPE", {}, "TYPE", "");
  }
  VXO_dBaseFld table(dbf, true, false);
  EXPECT_EQ(table.ProductionIndex(), GetParam() == "mdx");
}

INSTANTIATE_TEST_SUITE_P(Formats, HandlerFormatsTest, ::testing::Values("mdx", "ndx", "ntx"));

// Keys of tags of several formats on one table are computed in each one's
// dialect, whichever was compiled last.
TEST(HandlerFormats, EachFormatComputesKeysInItsOwnDialect) {
  TempDir dir;
  std::string dbf = dir.File("t.dbf");
  MakeTable(dbf, {{"N", 'N', 6, 0}}, {{"3"}, {"12"}, {"7"}});
  VXO_dBHandler table(dbf, false, true);
  table.CreateIndex("t.cdx", "S", {}, "STR(N)", "");
  table.CreateIndex("s.ntx", "S", {}, "STR(N)", "");
  table.OpenIndexFiles("t.cdx;s.ntx", "S");
  table.ReadRecord(1);
  table.NumberPutByName("N", 100);
  table.WriteRecord(1);
  // STR(N): ten characters in a .cdx key, the field's six in a .ntx key.
  for (int slot : {1, 2}) {
    VXobjIndexTag& tag = *table.IndexFile(slot)->TagByNumber(0);
    EXPECT_EQ(tag.KeyLength, slot == 1 ? 10 : 6);
    EXPECT_TRUE(CheckTag(tag).empty()) << CheckTag(tag).front();
  }
}

TEST(HandlerFormats, WhatAFormatCannotHoldIsRefused) {
  TempDir dir;
  std::string dbf = dir.File("t.dbf");
  MakeTable(dbf, {{"N", 'N', 6, 0}}, {{"3"}});
  VXO_dBHandler table(dbf, false, true);
  EXPECT_EQ(ErrorOf([&] { table.CreateIndex("t.ndx", "", {false, false}, "N", ""); }),
            "Index file t.ndx cannot hold a descending tag");
  EXPECT_EQ(ErrorOf([&] { table.CreateIndex("t.ndx", "", {}, "N", "N > 1"); }),
            "Index file t.ndx cannot hold a FOR condition");
  EXPECT_EQ(ErrorOf([&] { table.CreateIndex("t.mdx", "", {}, "N", ""); }), "Cannot find index tag ");
  EXPECT_NE(ErrorOf([&] { table.CreateIndex("t.idx", "", {}, "N", ""); }).find("could not be found"), std::string::npos);
}

}  // namespace
}  // namespace talvern::testing

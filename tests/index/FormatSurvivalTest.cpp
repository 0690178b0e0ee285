// What the .mdx, .ndx and .ntx files survive, as the compound file does: a
// rebuild killed at any write or stopped by a full disk leaves the file as it
// was, and an append whose keys cannot be written is taken back.

#include <filesystem>

#include "IndexTestKit.h"
#include "KillHarness.h"
#include "RebuildSurvival.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

using platform::FaultScope;

class FormatSurvivalTest : public ::testing::TestWithParam<std::string> {
protected:
  // 300 records; a .mdx file gets a second tag with a FOR condition.
  void SetUp() override {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i) rows.push_back({Numbered("K", 1000 + i * 7919 % 1000), std::to_string(i % 50)});
    MakeTable(dbf, {{"NAME", 'C', 10, 0}, {"NUM", 'N', 4, 0}}, rows);
    IndexedTable table(dbf, false, true);
    VXobjIndexFile& file = table.OpenIndex(index, true);
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    if (GetParam() == "mdx") {
      ASSERT_TRUE(file.TagAdd("NUM", "NUM", false, false, "NUM > 10"));
    }
  }
  std::string Expected() const { return GetParam() == "mdx" ? "NAME;NUM;" : "NAME;"; }
  // The tags of the file, each followed by what is wrong with it.
  std::string Survey() {
    IndexedTable table(dbf, true, false);
    std::string out;
    std::string error = ErrorOf([&] {
      VXobjIndexFile& file = table.OpenIndex(index);
      for (int i = 0; i < file.TagCount(); ++i) {
        VXobjIndexTag& tag = *file.TagByNumber(i);
        out += tag.Name;
        for (const auto& problem : CheckTag(tag)) out += " (" + problem + ")";
        out += ";";
      }
    });
    return out + error;
  }
  int Reindex() {
    VXO_dBaseFld table(dbf, false, true);
    auto file = MakeIndexFile(&table, index, false, true, true);
    file->Reindex();
    return 0;
  }

  TempDir dir;
  std::string dbf = dir.File("name.dbf"), index = dir.File("name." + GetParam());
};

TEST_P(FormatSurvivalTest, ReindexKilledOrOnAFullDiskLeavesTheFileWhole) {
  ExpectRebuildSurvivesAFullDisk(index, [&] { Reindex(); }, 0);
  ExpectRebuildSurvivesKills(
      index, [&] { return Reindex(); }, [&] { return Survey(); }, Expected(), 5);
}

// Records go in until a full disk refuses a page that a split needs; the
// append that failed is taken back, and the file agrees with the table.
TEST_P(FormatSurvivalTest, AnAppendWhoseKeysCannotBeWrittenIsTakenBack) {
  VXO_dBHandler table(dbf, true, true);
  table.OpenIndexFiles(index, "NAME");
  std::string error;
  std::int32_t count = table.RecordCount();
  {
    FaultScope full({.nth = 1, .error = ENOSPC, .suffix = "." + GetParam(), .persist = true, .growingOnly = true});
    for (int i = 0; i < 200 && error.empty(); ++i) {
      table.BlankRecord();
      table.TextPutByName("NAME", "K1500");
      table.NumberPutByName("NUM", 20);
      error = ErrorOf([&] { table.AppendRecord(); });
      if (error.empty()) ++count;
    }
  }
  EXPECT_EQ(error, "Error writing to " + index);
  EXPECT_EQ(table.RecordCount(), count);
  EXPECT_EQ(GetLE32(ReadFile(dbf), 4), static_cast<std::uint32_t>(count));
  table.CloseIndexFiles();
  EXPECT_EQ(Survey(), Expected());
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatSurvivalTest, ::testing::Values("mdx", "ndx", "ntx"));

}  // namespace
}  // namespace talvern::testing

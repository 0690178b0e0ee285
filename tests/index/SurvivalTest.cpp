// What a compound index file survives: a kill at any write of a rebuild, a
// full disk during a rebuild or an append, tags added and deleted by another
// program while this one writes, and kills during appends (which leave what
// `dbftool check` names and `dbftool reindex` repairs).

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "IndexTestKit.h"
#include "KillHarness.h"
#include "Peers.h"
#include "RebuildSurvival.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

using platform::FaultScope;

class SurvivalTest : public ::testing::Test {
protected:
  // 300 records and two tags, the second with a FOR condition.
  void SetUp() override {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 300; ++i) rows.push_back({Numbered("K", 1000 + i * 7919 % 1000), std::to_string(i % 50)});
    MakeTable(dbf, {{"NAME", 'C', 10, 0}, {"NUM", 'N', 4, 0}}, rows);
    IndexedTable table(dbf, false, true);
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("NUM", "STR(NUM,8)", false, false, "NUM > 10"));
  }
  // The tags of the file, each followed by what is wrong with it.
  std::string Survey() {
    IndexedTable table(dbf, true, false);
    std::string out;
    std::string error = ErrorOf([&] {
      VXobjCDXFile& file = table.OpenCdx(cdx);
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
    VXobjCDXFile file(&table, cdx, false, false, true, true);
    file.Reindex();
    return 0;
  }
  void Append(VXO_dBaseFld& table, const std::string& name, int num) {
    table.BlankRecord();
    table.TextPutByName("NAME", name);
    table.NumberPutByName("NUM", num);
    table.AppendRecord();
  }

  TempDir dir;
  std::string dbf = dir.File("t.dbf"), cdx = dir.File("t.cdx");
};

TEST_F(SurvivalTest, ReindexKilledAtAnyWriteLosesNoTag) {
  ExpectRebuildSurvivesKills(
      cdx, [&] { return Reindex(); }, [&] { return Survey(); }, "NAME;NUM;", 10);
}

TEST_F(SurvivalTest, ReindexOnAFullDiskLeavesTheFileAsItWas) {
  ExpectRebuildSurvivesAFullDisk(cdx, [&] { Reindex(); }, 3);
  Reindex();
  EXPECT_EQ(Survey(), "NAME;NUM;");
}

// Another program holds the index file open: the file cannot be replaced
// under it, so each tag is rebuilt beside its old pages and swapped in.
TEST_F(SurvivalTest, ReindexWhileAnotherProgramHoldsTheFileRebuildsInPlace) {
  const std::int64_t size = FileSizeOf(cdx);
  VXobjCDXFile other(nullptr, cdx, false, false, true, false);
  ASSERT_TRUE(other.IsOpened());
  Reindex();
  EXPECT_GT(FileSizeOf(cdx), size);
  EXPECT_EQ(Survey(), "NAME;NUM;");
}

// As another program does it: `dbftool index --add` while this program
// appends. TALVERN_SCALE multiplies the appends (scripts/faults.sh).
TEST_F(SurvivalTest, ATagAddedWhileAnotherProcessAppendsHoldsEveryRecord) {
  const std::string tool = std::string(TALVERN_BINARY_DIR) + "/tools/dbftool";
  if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "no " << tool;
  const char* scale = std::getenv("TALVERN_SCALE");
  const int appends = 300 * std::max(1, scale ? std::atoi(scale) : 1);
  pid_t writer = StartChild([&] {
    VXO_dBHandler t(dbf, true, true);
    t.OpenIndexFiles(cdx, "NAME");
    for (int i = 0; i < appends; ++i) Append(t, Numbered("W", i), i % 1000);
    return 0;
  });
  // The tag is added once the appends are under way.
  const std::int64_t start = FileSizeOf(dbf) + 15 * (appends / 10);
  for (int waited = 0; FileSizeOf(dbf) < start && waited < 10000; ++waited) usleep(1000);
  const std::string files = ShellQuote(dbf) + " " + ShellQuote(cdx);
  EXPECT_EQ(RunCommand(ShellQuote(tool) + " index " + files + " --add BIG 'STR(NUM,8)' 2>&1").output, "");
  EXPECT_EQ(WaitChild(writer).exitCode, 0);
  EXPECT_EQ(RunCommand(ShellQuote(tool) + " check " + files).output, "BIG: ok\nNAME: ok\nNUM: ok\n");
  EXPECT_EQ(VXO_dBaseFld(dbf, true, false).RecordCount(), 300 + appends);
}

TEST_F(SurvivalTest, TagsAnotherProgramAddsOrDeletesAreTakenInByAWriter) {
  IndexedTable writer(dbf, true, true);
  writer.OpenCdx(cdx);
  Append(writer, "W1", 1);
  {
    IndexedTable other(dbf, true, true);
    VXobjCDXFile& file = other.OpenCdx(cdx);
    ASSERT_TRUE(file.TagAdd("BIG", "NAME", false, true, "NUM > 100"));
    ASSERT_TRUE(file.TagDelete("NUM"));
  }
  for (int i = 2; i <= 40; ++i) Append(writer, Numbered("W", i), 90 + i);
  EXPECT_EQ(Survey(), "BIG;NAME;");
}

// Records go in until a full disk refuses a page that a split of the NAME
// tag needs; FEW, before it, has room in its root and took the key. That
// append is taken back, FEW's entry with it.
TEST_F(SurvivalTest, AnAppendWhoseKeysCannotBeWrittenIsTakenBack) {
  std::filesystem::remove(cdx);
  {
    IndexedTable table(dbf, false, true);
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd("FEW", "NAME", false, true, "NUM > 1000"));
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
  }
  VXO_dBHandler table(dbf, true, true);
  table.OpenIndexFiles(cdx, "NAME");
  std::string error;
  std::int32_t count = table.RecordCount();
  {
    FaultScope full({.nth = 1, .error = ENOSPC, .suffix = ".cdx", .persist = true, .growingOnly = true});
    for (int i = 0; i < 100 && error.empty(); ++i) {
      table.BlankRecord();
      table.TextPutByName("NAME", "K1500");
      table.NumberPutByName("NUM", 2000);
      error = ErrorOf([&] { table.AppendRecord(); });
      if (error.empty()) ++count;
    }
  }
  EXPECT_EQ(error, "Error writing to " + cdx);
  EXPECT_GT(count, 300);
  EXPECT_EQ(table.RecordCount(), count);
  EXPECT_EQ(FileSizeOf(dbf), table.HeaderLength() + std::int64_t{count} * table.RecordLength() + 1);
  EXPECT_EQ(GetLE32(ReadFile(dbf), 4), static_cast<std::uint32_t>(count));
  EXPECT_EQ(Survey(), "FEW;NAME;");
  Append(table, "K1500", 2000);  // with room again, it goes in
  table.CloseIndexFiles();
  EXPECT_EQ(table.RecordCount(), count + 1);
  EXPECT_EQ(Survey(), "FEW;NAME;");
}

TEST_F(SurvivalTest, KillsDuringAppendsLeaveWhatCheckNamesAndReindexRepairs) {
  const std::string tool = std::string(TALVERN_BINARY_DIR) + "/tools/dbftool";
  if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "no " << tool;
  const std::string files = ShellQuote(dbf) + " " + ShellQuote(cdx);
  const std::string table = ReadFile(dbf), index = ReadFile(cdx);
  auto appends = [&] {
    VXO_dBHandler t(dbf, true, true);
    t.OpenIndexFiles(cdx, "NAME");
    for (int i = 0; i < 3; ++i) Append(t, Numbered("A", i), 20 + i);
    return 0;
  };
  const std::int64_t writes = CountChildWrites(appends, "");
  ASSERT_GT(writes, 6);
  for (std::int64_t n = 1; n <= writes; ++n) {
    WriteFile(dbf, table);
    WriteFile(cdx, index);
    EXPECT_TRUE(RunChildKilledAt(appends, n, "").killed);
    // At most the last record lacks its entries, and the header may count
    // one record less than the file holds.
    auto check = RunCommand(ShellQuote(tool) + " check " + files);
    const std::string last = "record " + std::to_string(VXO_dBaseFld(dbf, true, false).RecordCount()) + " has no entry";
    std::istringstream lines(check.output);
    for (std::string line; std::getline(lines, line);) {
      bool expected = line == "NAME: ok" || line == "NUM: ok" || line.find(last) != std::string::npos ||
                      line.rfind("table: the header counts", 0) == 0;
      EXPECT_TRUE(expected) << "killed at write " << n << ": " << line;
    }
    EXPECT_EQ(RunCommand(ShellQuote(tool) + " reindex " + files).exitCode, 0);
    check = RunCommand(ShellQuote(tool) + " check " + files);
    EXPECT_EQ(check.output, "NAME: ok\nNUM: ok\n") << "killed at write " << n;
  }
}

}  // namespace
}  // namespace talvern::testing

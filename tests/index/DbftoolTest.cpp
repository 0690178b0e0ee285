// dbftool index, reindex and check from the command line.

#include <unistd.h>

#include <filesystem>

#include "IndexTestKit.h"
#include "Peers.h"

namespace talvern::testing {
namespace {

class DbftoolIndexTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "no " << tool;
    MakeTable(dbf, {{"NAME", 'C', 10, 0}, {"N", 'N', 4, 0}}, {{"KT315", "3"}, {"ABC", "1"}, {"KT361", "2"}});
  }
  CommandResult Run(const std::string& args) { return RunCommand(ShellQuote(tool) + " " + args + " 2>&1"); }
  std::string Files() { return ShellQuote(dbf) + " " + ShellQuote(cdx); }

  std::string tool = std::string(TALVERN_BINARY_DIR) + "/tools/dbftool";
  TempDir dir;
  std::string dbf = dir.File("parts.dbf"), cdx = dir.File("parts.cdx");
};

TEST_F(DbftoolIndexTest, AddsListsAndChecksTags) {
  EXPECT_EQ(Run("index " + Files() + " --add name NAME").exitCode, 0);
  EXPECT_EQ(Run("index " + Files() + " --add Big NAME --for \"N > 1\" --unique --descending").exitCode, 0);
  auto list = Run("index " + Files());
  EXPECT_EQ(list.output,
            "BIG\tkey: NAME\tfor: N > 1\tunique: yes\torder: descending\n"
            "NAME\tkey: NAME\tfor: \tunique: no\torder: ascending\n");
  EXPECT_EQ(Run("index " + Files() + " name").output, "2\tABC\n1\tKT315\n3\tKT361\n");
  EXPECT_EQ(Run("index " + Files() + " BIG").output, "3\tKT361\n1\tKT315\n");
  EXPECT_EQ(Run("check " + Files()).output, "BIG: ok\nNAME: ok\n");
  EXPECT_EQ(Run("reindex " + Files()).exitCode, 0);
  EXPECT_EQ(Run("check " + Files() + " NAME").output, "NAME: ok\n");
}

TEST_F(DbftoolIndexTest, CheckSaysWhatIsWrong) {
  ASSERT_EQ(Run("index " + Files() + " --add NAME NAME").exitCode, 0);
  // The table changes behind the index's back.
  {
    VXO_dBaseFld table(dbf, false, true);
    table.ReadRecord(2);
    table.TextPutByName("NAME", "ZZZ");
    table.WriteRecord(2);
  }
  auto result = Run("check " + Files());
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.output.find("NAME: record 2 has no entry for its key \"ZZZ\""), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("the entry \"ABC\" of record 2 does not belong"), std::string::npos) << result.output;
  // Rebuilt, it is sound again.
  EXPECT_EQ(Run("reindex " + Files()).exitCode, 0);
  EXPECT_EQ(Run("check " + Files()).output, "NAME: ok\n");
}

// The extension names the format; a .ntx or .ndx file holds one tag, named
// after the file; only the table's own .cdx or .mdx file marks it as its
// production index.
TEST_F(DbftoolIndexTest, TheExtensionChoosesTheFormat) {
  const std::string ntx = ShellQuote(dbf) + " " + ShellQuote(dir.File("BYNAME.ntx"));
  EXPECT_EQ(Run("index " + ntx + " --add BYNAME NAME").exitCode, 0);
  EXPECT_EQ(Run("index " + ntx).output, "BYNAME\tkey: NAME\tfor: \tunique: no\torder: ascending\n");
  EXPECT_EQ(Run("index " + ntx + " BYNAME").output, "2\tABC\n1\tKT315\n3\tKT361\n");
  EXPECT_EQ(Run("reindex " + ntx).exitCode, 0);
  EXPECT_EQ(Run("check " + ntx).output, "BYNAME: ok\n");
  EXPECT_EQ(ReadFile(dir.File("BYNAME.ntx")).substr(0, 2), std::string("\x06\0", 2));  // .ntx signature
  EXPECT_NE(Run("index " + ntx + " --add OTHER NAME").output.find("is named after the file: BYNAME"), std::string::npos);
  for (const char* ext : {".ntx", ".ndx", ".mdx"}) {
    const std::string file = ShellQuote(dbf) + " " + ShellQuote(dir.File(std::string("parts") + ext));
    ASSERT_EQ(Run("index " + file + " --add PARTS N").exitCode, 0) << ext;
    // Every .ntx key is text: numbers in their fixed-width form.
    const bool text = std::string(ext) == ".ntx";
    EXPECT_EQ(Run("index " + file + " PARTS").output, text ? "2\t0001\n3\t0002\n1\t0003\n" : "2\t1\n3\t2\n1\t3\n") << ext;
    EXPECT_EQ(VXO_dBaseFld(dbf, true, false).ProductionIndex(), std::string(ext) == ".mdx") << ext;
  }
  auto refused = Run("index " + ShellQuote(dbf) + " " + ShellQuote(dir.File("x.idx")) + " --add X NAME");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("is not an index file of a kind this program writes (.cdx, .mdx, .ndx or .ntx)"),
            std::string::npos);
}

TEST_F(DbftoolIndexTest, ErrorsAreClear) {
  EXPECT_NE(Run("index " + Files()).output.find("could not be found"), std::string::npos);
  ASSERT_EQ(Run("index " + Files() + " --add NAME NAME").exitCode, 0);
  EXPECT_EQ(Run("index " + Files() + " NOPE").output, "dbftool index: Cannot find index tag NOPE\n");
  EXPECT_EQ(Run("index " + Files() + " --add X").exitCode, 2);
  WriteFile(cdx, std::string(2048, '\xFF'));
  EXPECT_NE(Run("check " + Files()).output.find("is corrupted"), std::string::npos);
}

TEST_F(DbftoolIndexTest, RefusesWhatItCannotDoFaithfully) {
  auto exists = [&] { return access(cdx.c_str(), F_OK) == 0; };
  // A FOR that is no condition; a name that does not fit; text that is not
  // UTF-8 or has no place in code page 866. No file is left behind.
  auto r = Run("index " + Files() + " --add Y NAME --for N");
  EXPECT_EQ(r.output, "dbftool index: FOR expression of index tag Y must return boolean result\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(Run("index " + Files() + " --add " + std::string(300, 'T') + " NAME").exitCode, 0);
  EXPECT_EQ(Run("index " + Files() + " --add " + ShellQuote("N\xFF") + " NAME").output,
            "dbftool index: the tag name is not valid UTF-8 (byte 2)\n");
  EXPECT_EQ(Run("index " + Files() + " --add N " + ShellQuote("NAME+\xC3")).output,
            "dbftool index: the key expression is not valid UTF-8 (byte 6)\n");
  EXPECT_EQ(Run("index " + Files() + " --add N " + ShellQuote("NAME+\"\xE4\xB8\xAD\"")).output,
            "dbftool index: the key expression holds a character that code page 866 does not have (U+4E2D)\n");
  EXPECT_FALSE(exists());
  // An empty index file is damage to the commands that read it.
  WriteFile(cdx, "");
  for (const char* command : {"index ", "check ", "reindex "})
    EXPECT_NE(Run(command + Files()).output.find("Index file " + cdx + " is empty or damaged"), std::string::npos)
        << command;
  EXPECT_EQ(ReadFile(cdx), "");
  std::filesystem::remove(cdx);
  // Reindex needs the table to itself.
  ASSERT_EQ(Run("index " + Files() + " --add NAME NAME").exitCode, 0);
  {
    VXO_dBaseFld other(dbf, true, false);
    EXPECT_EQ(Run("reindex " + Files()).output,
              "dbftool reindex: Table " + dbf + " is open in another program: reindex needs the table to itself\n");
  }
}

TEST_F(DbftoolIndexTest, CheckNamesAForThatIsNoConditionAndAHeaderCountThatIsWrong) {
  ASSERT_EQ(Run("index " + Files() + " --add BIG NAME --for \"N > 1\"").exitCode, 0);
  // Another program wrote the FOR "N" (the expressions follow the header's
  // first page: "NAME", a zero byte, the FOR).
  std::string bytes = ReadFile(cdx);
  std::size_t at = bytes.find(std::string("NAME\0N > 1", 10));
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 5, 5, "N    ");
  WriteFile(cdx, bytes);
  auto r = Run("check " + Files());
  EXPECT_EQ(r.output, "BIG: the FOR expression does not give a logical value, so no record belongs in the tag\n");
  EXPECT_EQ(r.exitCode, 1);
  std::filesystem::remove(cdx);
  ASSERT_EQ(Run("index " + Files() + " --add NAME NAME").exitCode, 0);
  // A kill between an append and its header write leaves the count short.
  std::string table = ReadFile(dbf);
  PutLE32(table, 4, 2);
  WriteFile(dbf, table);
  r = Run("check " + Files());
  EXPECT_EQ(r.output, "table: the header counts 2 records, the file holds 3 (reindex writes the count again)\nNAME: ok\n");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Run("reindex " + Files()).exitCode, 0);
  EXPECT_EQ(GetLE32(ReadFile(dbf), 4), 3u);
  EXPECT_EQ(Run("check " + Files()).output, "NAME: ok\n");
}

}  // namespace
}  // namespace talvern::testing

// dbftool eval: an expression on every record of a table, from the command
// line, in UTF-8.
#include <gtest/gtest.h>

#include <unistd.h>

#include "Peers.h"
#include "TestFiles.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

class DbftoolEval : public ::testing::Test {
protected:
  void SetUp() override {
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "dbftool is not built";
    table = dir.File("main.dbf");
    CreateTable(table, 0x03, {{"TYPE", 'C', 8, 0}, {"VID", 'N', 4, 0}, {"BORN", 'D', 8, 0}});
    VXO_dBaseFld t(table, false, true);
    const char* types[] = {"КТ315А", "2N3055", "КТ361"};
    for (int i = 0; i < 3; ++i) {
      t.BlankRecord();
      t.RawPut(1, platform::Utf8ToOem(types[i]));
      t.NumberPut(2, i + 2);
      t.RawPut(3, i == 1 ? "" : "19991231");
      t.AppendRecord();
    }
  }
  CommandResult Run(const std::string& expression, const std::string& options = "") {
    return RunCommand(ShellQuote(tool) + " eval " + options + ShellQuote(table) + " " +
                      ShellQuote(expression) + " 2>/dev/null");
  }

  std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  TempDir dir;
  std::string table;
};

TEST_F(DbftoolEval, PrintsRecordKindAndValue) {
  CommandResult r = Run("LEFT(TYPE, 2) + STR(VID, 2)");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "1\tText\tКТ 2\n2\tText\t2N 3\n3\tText\tКТ 4\n");
  EXPECT_EQ(Run("BORN").output, "1\tDate\t1999-12-31\n2\tDate\t\n3\tDate\t1999-12-31\n");
  EXPECT_EQ(Run("VID / 4").output, "1\tNumber\t0.5\n2\tNumber\t0.75\n3\tNumber\t1\n");
}

TEST_F(DbftoolEval, FilterPrintsTheMatchingRecords) {
  EXPECT_EQ(Run("AT(\"КТ3\",TYPE,1)<>0", "--filter ").output, "1\n3\n");
  EXPECT_EQ(Run("VID=3", "--filter ").output, "2\n");
  EXPECT_EQ(Run("VID", "--filter ").exitCode, 1);  // not logical
}

TEST_F(DbftoolEval, ErrorsEndWithAMessage) {
  CommandResult r = RunCommand(ShellQuote(tool) + " eval " + ShellQuote(table) + " 'VID +' 2>&1");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.output, "dbftool eval: Syntax Error in expression \"VID +\"\n");
  EXPECT_EQ(RunCommand(ShellQuote(tool) + " eval " + ShellQuote(table) + " 2>/dev/null").exitCode, 2);
}

}  // namespace
}  // namespace talvern::testing

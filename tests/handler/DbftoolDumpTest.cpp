// dbftool dump through the table handler: a filter, deleted records shown
// or hidden.
#include <gtest/gtest.h>

#include <unistd.h>

#include "HandlerTestKit.h"
#include "Peers.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

class DbftoolDump : public ::testing::Test {
protected:
  void SetUp() override {
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "dbftool is not built";
    MakeDevices(table, {{platform::Utf8ToOem("КТ315А"), 1}, {"2N3055", 2, true}, {"2N3904", 1, true}, {"BC547", 1}});
  }
  CommandResult Dump(const std::string& options) {
    return RunCommand(ShellQuote(tool) + " dump " + options + " " + ShellQuote(table) + " 2>&1");
  }
  std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  TempDir dir;
  std::string table = dir.File("main.dbf");
};

TEST_F(DbftoolDump, FilterAndDeletedRecords) {
  const std::string head = "DELETED,TYPE,VID\n";
  auto all = Dump("");
  EXPECT_EQ(all.exitCode, 0);
  EXPECT_EQ(all.output, head + ",КТ315А,1\n*,2N3055,2\n*,2N3904,1\n,BC547,1\n");
  EXPECT_EQ(Dump("--deleted hide").output, head + ",КТ315А,1\n,BC547,1\n");
  EXPECT_EQ(Dump("--filter VID=1").output, head + ",КТ315А,1\n*,2N3904,1\n,BC547,1\n");
  EXPECT_EQ(Dump("--filter 'VID=1 .AND. TYPE=\"КТ*\"' --deleted hide").output, head + ",КТ315А,1\n");
  EXPECT_EQ(Dump("--deleted show --filter 'VID=3'").output, head);
}

TEST_F(DbftoolDump, BadFilterOrOptionSaysWhy) {
  auto numeric = Dump("--filter VID+1");
  EXPECT_EQ(numeric.exitCode, 1);
  EXPECT_EQ(numeric.output, "dbftool dump: Filter expression must return boolean result\n");
  auto usage = Dump("--deleted maybe");
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_EQ(usage.output.rfind("dbftool dump: --deleted takes show or hide", 0), 0u);
  EXPECT_EQ(RunCommand(ShellQuote(tool) + " dump " + ShellQuote(table) + " --filter 2>/dev/null").exitCode, 2);
}

// passwd enciphers the table and its own .cdx; the reading commands then
// need --password, and read what they read before.
TEST_F(DbftoolDump, PasswdAndThePasswordOption) {
  auto run = [&](const std::string& command) {
    return RunCommand(ShellQuote(tool) + " " + command + " 2>&1");
  };
  const std::string t = ShellQuote(table), cdx = ShellQuote(dir.File("main.cdx"));
  ASSERT_EQ(run("index " + t + " " + cdx + " --add TYPE TYPE").exitCode, 0);
  const std::string dump = Dump("").output, keys = run("index " + t + " " + cdx + " TYPE").output;
  const std::string values = run("eval " + t + " VID").output;
  ASSERT_EQ(run("passwd " + t + " --new 'k 1'").exitCode, 0);

  auto locked = Dump("");
  EXPECT_EQ(locked.exitCode, 1);
  EXPECT_EQ(locked.output, "dbftool dump: No Password for encrypted file " + table + "\n");
  EXPECT_EQ(Dump("--password 'k 1'").output, dump);
  EXPECT_EQ(run("index --password 'k 1' " + t + " " + cdx + " TYPE").output, keys);
  EXPECT_EQ(run("eval " + t + " VID --password 'k 1'").output, values);
  EXPECT_EQ(run("check " + t + " " + cdx + " --password 'k 1'").output, "TYPE: ok\n");
  EXPECT_NE(run("info --password 'k 1' " + t).output.find("Encrypted: yes\n"), std::string::npos);
  EXPECT_EQ(run("passwd " + t + " --old k").output, "dbftool passwd: Invalid password for file " + table + "\n");

  ASSERT_EQ(run("passwd " + t + " --old 'k 1'").exitCode, 0);
  EXPECT_EQ(Dump("").output, dump);
  EXPECT_EQ(run("check " + t + " " + cdx).output, "TYPE: ok\n");
}

}  // namespace
}  // namespace talvern::testing

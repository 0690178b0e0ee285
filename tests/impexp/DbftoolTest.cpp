// dbftool export and import, as maintainers' scripts run them.
#include <gtest/gtest.h>

#include <unistd.h>

#include "ImpexpFixture.h"
#include "Peers.h"

namespace talvern::testing {
namespace {

struct DbftoolImpexpTest : ImpexpTest {
  std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  void SetUp() override {
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "dbftool is not built";
    WriteCatalogue(SmallCatalogue());
  }
  CommandResult Run(const std::string& arguments) { return RunCommand(ShellQuote(tool) + " " + arguments); }
};

TEST_F(DbftoolImpexpTest, ExportThenImportListsSkipsOrReplacesConflicts) {
  const std::string catalogue = ShellQuote(dir.Path()), file = ShellQuote(File("tb_13.tbl"));
  auto exported = Run("export " + catalogue + " 13 " + file);
  EXPECT_EQ(exported.exitCode, 0);
  EXPECT_EQ(exported.output, "Экспорт завершен.\n");
  EXPECT_TRUE(ReadFile(File("tb_13.tbl")).starts_with("=13\r\n"));

  const std::string head = "Импортируется " + File("tb_13.tbl") + "\nМощные\n";
  auto listed = Run("import " + catalogue + " " + file);
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.output, head + "[КТ819А] уже имеется в базе, пропущено\nИмпорт завершен.\n");
  auto skipped = Run("import " + catalogue + " " + file + " --skip");
  EXPECT_EQ(skipped.output, head + "Импорт завершен.\n");

  WriteTable("changed.tbl", {"=13", "TYPE│TERM", "КТ819А│-60...+125"});
  const auto before = ReadDevices(dir.Path());
  auto replaced = Run("import --replace " + catalogue + " " + ShellQuote(File("changed.tbl")));
  EXPECT_EQ(replaced.exitCode, 0);
  auto after = ReadDevices(dir.Path());
  // The file has no parameter columns: PARAMS is emptied.
  EXPECT_EQ(after.at(4).term, "-60...+125");
  EXPECT_EQ(after.at(4).params, "");
  after.at(4).term = before.at(4).term;
  after.at(4).params = before.at(4).params;
  EXPECT_EQ(after, before);
}

TEST_F(DbftoolImpexpTest, AnImportThatEndsWithAnErrorExitsNonZero) {
  WriteTable("bad.tbl", {"=13", "NAME"});
  auto bad = Run("import " + ShellQuote(dir.Path()) + " " + ShellQuote(File("bad.tbl")));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(bad.output.ends_with("Нет заголовка таблицы.\n")) << bad.output;
  EXPECT_EQ(Run("import " + ShellQuote(dir.Path()) + " 2>/dev/null").exitCode, 2);
  EXPECT_EQ(Run("export " + ShellQuote(dir.Path()) + " x y 2>/dev/null").exitCode, 2);
  EXPECT_EQ(Run("export " + ShellQuote(File("nowhere")) + " 12 y 2>/dev/null").exitCode, 1);
}

}  // namespace
}  // namespace talvern::testing

// The undo journal names its files within the table's folder: an armed
// journal is undone wherever the table is opened from, and a journal naming
// a file elsewhere is left alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "../TestFiles.h"
#include "engine/DiskFile.h"
#include "engine/UndoJournal.h"

namespace talvern {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(UndoJournal, AKilledRewriteIsUndoneFromAnotherFolderAndAForeignNameIsLeftAlone) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("cat"));
  std::filesystem::create_directory(dir.File("run"));
  WriteFile(dir.File("cat/t.dbf"), "table before");
  WriteFile(dir.File("cat/t.cdx"), "index before");
  const std::string cwd = std::filesystem::current_path();
  ASSERT_EQ(chdir(dir.File("cat").c_str()), 0);
  {
    VXO_DiskFile table("t.dbf", false, true), index("t.cdx", false, true);
    table.OpenExisting();
    index.OpenExisting();
    TvxUndoJournal journal("t.dbf", {&table, &index});
    table.WriteAt(0, "TABLE", 5);
    index.Truncate(3);
    // Killed here: the journal stays armed.
  }
  EXPECT_EQ(ReadFile(dir.File("cat/t.dbf.journal")), "A talvern undo journal\nt.dbf\nt.cdx\nend\n");

  // Opened again by another path: both files as they were, nothing left beside.
  ASSERT_EQ(chdir(dir.File("run").c_str()), 0);
  TvxUndoJournal::RecoverTable("../cat/t.dbf");
  ASSERT_EQ(chdir(cwd.c_str()), 0);
  EXPECT_EQ(ReadFile(dir.File("cat/t.dbf")), "table before");
  EXPECT_EQ(ReadFile(dir.File("cat/t.cdx")), "index before");
  EXPECT_FALSE(std::filesystem::exists(dir.File("cat/t.dbf.journal")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("cat/t.dbf.undo")));

  // A journal that names a file outside the folder changes nothing.
  for (const std::string& name : {std::string("../victim"), dir.File("victim"), std::string("..")}) {
    WriteFile(dir.File("victim"), "victim");
    WriteFile(dir.File("victim.undo"), "overwritten");
    WriteFile(dir.File("cat/t.dbf.journal"), "A talvern undo journal\n" + name + "\nend\n");
    TvxUndoJournal::RecoverTable(dir.File("cat/t.dbf"));
    EXPECT_EQ(ReadFile(dir.File("victim")), "victim") << name;
    EXPECT_EQ(ReadFile(dir.File("cat/t.dbf")), "table before") << name;
  }
}

}  // namespace
}  // namespace talvern

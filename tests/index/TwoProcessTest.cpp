// Two processes share a table and its compound index through the table
// handler: one appends and rewrites records (updating the index under its
// lock), the other seeks and walks meanwhile. The change counter tells the reader that the file
// changed; when the writer is done the reader finds every new key, and the
// file passes `dbftool check`.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "IndexTestKit.h"
#include "Peers.h"
#include "handler/TableHandler.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

std::string WriterKey(int i) {
  char key[16];
  std::snprintf(key, sizeof key, "W%04d", i);
  return key;
}

// The writer: appends 300 records and rewrites 150 of the first ones, then
// closes everything. Runs in the child process.
int Writer(const std::string& dbf, const std::string& cdx) {
  try {
    VXO_dBHandler table(dbf, true, true);
    table.OpenIndexFiles(cdx, "NAME");
    for (int i = 0; i < 300; ++i) {
      table.BlankRecord();
      table.TextPutByName("NAME", WriterKey(i));
      table.AppendRecord();
      if (i % 2 == 0) {
        table.ReadRecord(1 + i / 2);
        table.TextPutByName("NAME", WriterKey(1000 + i / 2));
        table.WriteRecord(1 + i / 2);
      }
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "writer: %s\n", e.what());
    return 1;
  }
  return 0;
}

TEST(TwoProcesses, ReaderSeesTheWritersKeysThroughTheChangeCounter) {
  TempDir dir;
  std::string dbf = dir.File("shared.dbf"), cdx = dir.File("shared.cdx");
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 200; ++i) rows.push_back({Numbered("OLD", 1000 + i)});
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, rows);
  {
    IndexedTable table(dbf, true, true);
    ASSERT_TRUE(table.OpenCdx(cdx, true).TagAdd("NAME", "NAME", false, true, ""));
  }
  VXO_dBHandler reader(dbf, true, false);
  reader.OpenIndexFiles(cdx, "NAME");
  VXobjIndexFile& file = *reader.IndexFile(1);
  VXobjIndexTag& tag = *file.TagByName("NAME");
  EXPECT_FALSE(file.ChangedByOthers());

  int done[2];
  ASSERT_EQ(pipe(done), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(done[0]);
    int status = Writer(dbf, cdx);
    char byte = static_cast<char>(status);
    if (write(done[1], &byte, 1) != 1) status = 1;
    _exit(status);
  }
  close(done[1]);
  // Meanwhile: seeks and walks, which may see an update half done but never
  // crash; the counter moves.
  bool changed = false;
  int rounds = 0;
  while (true) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(done[0], &set);
    timeval zero{0, 0};
    if (select(done[0] + 1, &set, nullptr, nullptr, &zero) > 0) break;
    changed = file.ChangedByOthers() || changed;
    try {
      reader.FindKey(WriterKey(rounds % 300));
      // The keys walked stay in order, whatever the writer does (the
      // records read may already hold what their entries do not yet).
      std::string last;
      for (reader.ReadRecord(RecTop); !reader.Eof(); reader.ReadRecord(RecNext)) {
        std::string key(tag.Current.View());
        EXPECT_LE(last, key);
        last = key;
      }
    } catch (const ETalvernError&) {
      // A page caught between two writes of the other process.
    }
    ++rounds;
  }
  char status = 1;
  ASSERT_EQ(read(done[0], &status, 1), 1);
  close(done[0]);
  int exitStatus = 0;
  waitpid(child, &exitStatus, 0);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
  bool changedAtTheEnd = file.ChangedByOthers();
  EXPECT_TRUE(changed || changedAtTheEnd);
  EXPECT_FALSE(file.ChangedByOthers());

  // Every key the writer left is found, on the right record.
  reader.RefreshHeader();
  ASSERT_EQ(reader.RecordCount(), 500);
  reader.SetExactKey(true);
  for (int i = 0; i < 300; ++i) {
    EXPECT_TRUE(reader.FindKey(WriterKey(i))) << i;
    EXPECT_EQ(reader.RecNo(), 201 + i);
  }
  for (int i = 0; i < 150; ++i) {
    EXPECT_TRUE(reader.FindKey(WriterKey(1000 + i))) << i;
    EXPECT_EQ(reader.RecNo(), 1 + i);
  }
  EXPECT_FALSE(reader.FindKey("OLD1000"));
  EXPECT_TRUE(reader.FindKey("OLD1150"));
  EXPECT_EQ(reader.RecNo(), 151);
  int walked = 0;
  for (reader.ReadRecord(RecTop); !reader.Eof(); reader.ReadRecord(RecNext)) ++walked;
  EXPECT_EQ(walked, 500);
  auto problems = CheckTag(tag);
  EXPECT_TRUE(problems.empty()) << problems.front();
  std::string dbftool = std::string(TALVERN_BINARY_DIR) + "/tools/dbftool";
  if (access(dbftool.c_str(), X_OK) == 0) {
    auto result = RunCommand(ShellQuote(dbftool) + " check " + ShellQuote(dbf) + " " + ShellQuote(cdx));
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "NAME: ok\n");
  }
  RecordProperty("reader_rounds", rounds);
}

// The same within one process, step by step: a reader whose path and cached
// pages predate another writer's changes sees the new keys on its next seek
// and walk, also after asking ChangedByOthers (which drops its pages).
TEST(TwoProcesses, ReaderPagesOlderThanTheWritersChangesAreNotReused) {
  TempDir dir;
  std::string dbf = dir.File("s.dbf"), cdx = dir.File("s.cdx");
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 300; ++i) rows.push_back({Numbered("K", 1000 + i)});
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, rows);
  {
    IndexedTable table(dbf, true, true);
    ASSERT_TRUE(table.OpenCdx(cdx, true).TagAdd("NAME", "NAME", false, true, ""));
  }
  IndexedTable reader(dbf, true, false);
  VXobjIndexTag& tag = *reader.OpenCdx(cdx).TagByName("NAME");
  IndexedTable writer(dbf, true, true);
  writer.OpenCdx(cdx);
  reader.SetExactKey(true);
  for (int round = 0; round < 3; ++round) {
    // The reader stands in the middle, its pages cached.
    ASSERT_EQ(tag.Seek(tag.SearchKey("K1150")), 151);
    writer.ReadRecord(1 + round);
    writer.TextPutByName("NAME", Numbered("K1150-", round));
    writer.WriteRecord(1 + round);
    if (round == 1) reader.Files[0]->ChangedByOthers();
    tag.MoveTo(RecNext);
    tag.MoveTo(RecPrior);
    EXPECT_EQ(tag.Seek(tag.SearchKey(Numbered("K1150-", round))), 1 + round) << round;
    EXPECT_EQ(tag.Seek(tag.SearchKey(Numbered("K", 1000 + round))), 0) << round;
    auto entries = Entries(tag);
    ASSERT_EQ(entries.size(), 300u);
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end()));
    EXPECT_EQ(entries[0].first, Numbered("K", 1001 + round));
  }
}

}  // namespace
}  // namespace talvern::testing

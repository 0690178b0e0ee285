#include <gtest/gtest.h>

#include "KillHarness.h"
#include "TestFiles.h"
#include "platform/FaultInjection.h"
#include "platform/File.h"

using namespace talvern::platform;
using talvern::testing::ReadFile;
using talvern::testing::TempDir;

namespace {

// Writes "0", "1", ... "9" one after the other at offsets 0 to 9.
int WriteDigits(const std::string& path) {
  OsFile f;
  if (f.Open(path, true, true) != OsFile::OpenResult::kOk) return 2;
  for (int i = 0; i < 10; ++i) {
    char c = static_cast<char>('0' + i);
    if (!f.WriteAt(i, &c, 1)) return 1;
  }
  return 0;
}

}  // namespace

TEST(FaultInjection, TheNthWriteOfTheNamedFilesFailsShortOrForGood) {
  TempDir dir;
  std::string a = dir.File("a.cdx"), b = dir.File("b.dbf");
  ASSERT_TRUE(OsFile::Create(a) && OsFile::Create(b));
  OsFile fa, fb;
  ASSERT_EQ(fa.Open(a, true, true), OsFile::OpenResult::kOk);
  ASSERT_EQ(fb.Open(b, true, true), OsFile::OpenResult::kOk);
  {
    FaultScope fault({.nth = 2, .error = EIO, .suffix = ".cdx"});
    EXPECT_TRUE(fa.WriteAt(0, "abcd", 4));
    EXPECT_TRUE(fb.WriteAt(0, "xyz", 3));  // not counted
    errno = 0;
    EXPECT_FALSE(fa.WriteAt(4, "efgh", 4));
    EXPECT_EQ(errno, EIO);
    EXPECT_TRUE(fa.WriteAt(4, "ijkl", 4));  // only the second failed
    EXPECT_EQ(CountedFaultOps(), 3);
  }
  EXPECT_EQ(ReadFile(a), "abcdijkl");
  {
    FaultScope full({.nth = 1, .action = FaultAction::kShort, .persist = true, .growingOnly = true});
    EXPECT_TRUE(fa.WriteAt(0, "ABCD", 4));   // inside the file: taken
    EXPECT_FALSE(fa.WriteAt(6, "MNOP", 4));  // grows: half of it, then ENOSPC
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_FALSE(fb.WriteAt(3, "!", 1));     // the disk stays full
    EXPECT_TRUE(fa.Flush());
  }
  EXPECT_EQ(ReadFile(a), "ABCDijMN");
  EXPECT_EQ(ReadFile(b), "xyz");
  {
    FaultScope sync({.op = FaultOp::kSync, .nth = 1});
    EXPECT_TRUE(fa.WriteAt(0, "z", 1));
    EXPECT_FALSE(fa.Flush());
  }
  EXPECT_TRUE(fa.Flush());
}

TEST(FaultInjection, PlansFromTheEnvironmentForm) {
  FaultPlan p;
  ASSERT_TRUE(ParseFaultPlan("write:3:enospc:.cdx:persist", p));
  EXPECT_EQ(p.op, FaultOp::kWrite);
  EXPECT_EQ(p.nth, 3);
  EXPECT_EQ(p.error, ENOSPC);
  EXPECT_EQ(p.suffix, ".cdx");
  EXPECT_TRUE(p.persist);
  EXPECT_FALSE(p.growingOnly);
  ASSERT_TRUE(ParseFaultPlan("sync:1:eio", p));
  EXPECT_EQ(p.op, FaultOp::kSync);
  EXPECT_EQ(p.error, EIO);
  ASSERT_TRUE(ParseFaultPlan("write:7:torn::growing", p));
  EXPECT_EQ(p.action, FaultAction::kKillTorn);
  EXPECT_TRUE(p.growingOnly);
  for (const char* bad : {"", "write", "write:x:kill", "read:1:eio", "write:1:boom", "write:-1:eio",
                          "write:1:eio:.cdx:often"})
    EXPECT_FALSE(ParseFaultPlan(bad, p)) << bad;
}

TEST(KillHarness, ChildrenKilledAtEachWriteLeaveExactlyTheWritesBefore) {
  TempDir dir;
  std::string path = dir.File("digits.bin");
  auto work = [&] { return WriteDigits(path); };
  ASSERT_TRUE(OsFile::Create(path));
  EXPECT_EQ(talvern::testing::CountChildWrites(work, ".bin"), 10);
  for (int n = 1; n <= 10; ++n) {
    ASSERT_TRUE(OsFile::Create(path));
    auto end = talvern::testing::RunChildKilledAt(work, n, ".bin");
    EXPECT_TRUE(end.killed);
    EXPECT_EQ(ReadFile(path), std::string("0123456789").substr(0, n - 1));
  }
  ASSERT_TRUE(OsFile::Create(path));
  auto end = talvern::testing::RunChild(work);
  EXPECT_FALSE(end.killed);
  EXPECT_EQ(end.exitCode, 0);
  EXPECT_EQ(ReadFile(path), "0123456789");
  end = talvern::testing::RunChild([] {
    pause();
    return 0;
  }, std::chrono::milliseconds(20));
  EXPECT_TRUE(end.killed);
}

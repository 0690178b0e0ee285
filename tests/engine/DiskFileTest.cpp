#include <gtest/gtest.h>

#include "TestFiles.h"
#include "engine/DiskFile.h"
#include "engine/Errors.h"
#include "engine/FileColl.h"
#include "engine/Strings.h"

using namespace talvern;
using talvern::testing::TempDir;
using talvern::testing::WriteFile;

namespace {

// True when another open of the file can lock the byte at offset.
bool OtherCanLock(const std::string& name, std::int64_t offset) {
  platform::OsFile other;
  if (other.Open(name, true, true) != platform::OsFile::OpenResult::kOk) return false;
  return other.Lock(offset, 1);
}

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const ETalvernError& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(FileNames, NormalizeExtensionBase) {
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(NormalizePath("main.dbf"), cwd + "/main.dbf");
  EXPECT_EQ(NormalizePath("\\\\server\\share\\main.dbf"), "\\\\server\\share\\main.dbf");
  EXPECT_EQ(NormalizePath("db:main.dbf"), "db:main.dbf");
  EXPECT_EQ(DefaultExtension("/a/main", ".DBF"), "/a/main.DBF");
  EXPECT_EQ(DefaultExtension("/a/main.dbf", ".DBF"), "/a/main.dbf");
  EXPECT_EQ(DefaultExtension("/a.b/main", ".DBF"), "/a.b/main.DBF");
  EXPECT_EQ(BaseName("/a/b/Main.Dbf"), "Main");
  EXPECT_EQ(ChangeExtension("/a/Test1.dbf", ".fpt"), "/a/Test1.fpt");
  char buffer[8] = "ab";
  PadTo(buffer, '.', 5);
  EXPECT_STREQ(buffer, "ab...");
}

TEST(Strings, WildcardPos) {
  EXPECT_EQ(WildcardPos("*abc*", "xxabcx"), 3);
  EXPECT_EQ(WildcardPos("a?c", "abc"), 1);
  EXPECT_EQ(WildcardPos("abc", "ab"), 0);
  EXPECT_EQ(WildcardPos("", "abc"), 0);
  EXPECT_EQ(WildcardPos("*", "abc"), 1);
  EXPECT_EQ(WildcardPos("**", "abc"), 1);
  EXPECT_EQ(WildcardPos("b*", "abc"), 2);
  EXPECT_EQ(WildcardPos("x?", "abc"), 0);
  EXPECT_EQ(CompareText("\xCA\xD2\x33\x31\x35", "\xEA\xF2\x33\x31\x35"), 0);  // КТ315 = кт315
  EXPECT_EQ(TrimRight(std::string_view("ab  \0", 5)), "ab");
}

TEST(DiskFile, OpenCreateAndTheFileCollection) {
  TempDir dir;
  VXO_DiskFile missing(dir.File("none.bin"), true, true);
  EXPECT_FALSE(missing.Exists());
  EXPECT_EQ(MessageOf([&] { missing.OpenExisting(); }), "File " + dir.File("none.bin") + " could not be found");

  VXO_DiskFile f(dir.File("new.bin"), true, true);
  int before = VXobjFileColl::Instance()->Count();
  f.CreateNew();
  EXPECT_TRUE(f.Exists());
  EXPECT_FALSE(f.IsClosed());
  EXPECT_EQ(VXobjFileColl::Instance()->Count(), before + 1);
  f.WriteAt(0, "abcdef", 6);
  char buf[4];
  EXPECT_EQ(f.ReadAt(4, buf, 4), 2);  // a short read is no error
  EXPECT_EQ(f.FileSize(), 6);
  f.FlushFile();
  f.CloseFile();
  EXPECT_TRUE(f.IsClosed());
  EXPECT_EQ(VXobjFileColl::Instance()->Count(), before);
  EXPECT_EQ(MessageOf([&] { f.ReadAt(0, buf, 1); }), "Error on Read of file " + dir.File("new.bin"));
}

TEST(DiskFile, CaseOfAnExistingNameIsFound) {
  TempDir dir;
  WriteFile(dir.File("TEST1.FPT"), "x");
  VXO_DiskFile f(dir.File("Test1.fpt"), true, false);
  EXPECT_TRUE(f.Exists());
  EXPECT_EQ(f.FileName(), dir.File("TEST1.FPT"));
}

TEST(DiskFile, SharedLocksNestOnOneRegion) {
  TempDir dir;
  std::string name = dir.File("t.bin");
  WriteFile(name, "x");
  VXO_DiskFile f(name, true, true);
  f.OpenExisting();
  ASSERT_TRUE(f.LockRegion(100, 1));
  EXPECT_TRUE(f.LockRegion(100, 1));
  EXPECT_FALSE(f.LockRegion(200, 1));  // one region at a time
  EXPECT_FALSE(OtherCanLock(name, 100));
  f.Unlock();
  EXPECT_FALSE(OtherCanLock(name, 100));
  f.Unlock();
  EXPECT_TRUE(OtherCanLock(name, 100));
  EXPECT_TRUE(f.Unlock());  // nothing held
}

TEST(DiskFile, CloseReleasesANestedLockAtOnce) {
  TempDir dir;
  std::string name = dir.File("t.bin");
  WriteFile(name, "x");
  VXO_DiskFile f(name, true, true);
  f.OpenExisting();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(f.LockRegion(7, 1));
  f.CloseFile();
  EXPECT_TRUE(OtherCanLock(name, 7));
  EXPECT_EQ(f.LockCount(), 0);
}

TEST(DiskFile, ExclusiveFilesLockWithoutTheSystemAndMayTruncate) {
  TempDir dir;
  std::string name = dir.File("t.bin");
  WriteFile(name, "0123456789");
  VXO_DiskFile f(name, false, true);
  f.OpenExisting();
  EXPECT_TRUE(f.LockRegion(1, 1));
  EXPECT_TRUE(f.LockRegion(2, 1));
  EXPECT_TRUE(f.HasFullAccess());
  f.Truncate(4);
  EXPECT_EQ(f.FileSize(), 4);
  // The exclusive open refuses every other open.
  platform::OsFile other;
  EXPECT_EQ(other.Open(name, false, true), platform::OsFile::OpenResult::kDenied);
  VXO_DiskFile second(name, true, false);
  EXPECT_EQ(MessageOf([&] { second.OpenExisting(); }), "Access denied to file " + name);
}

TEST(DiskFile, SharedTruncateNeedsTheEntireFileLock) {
  TempDir dir;
  std::string name = dir.File("t.bin");
  WriteFile(name, "0123456789");
  VXO_DiskFile f(name, true, true);
  f.OpenExisting();
  EXPECT_EQ(MessageOf([&] { f.Truncate(2); }), "Truncate requires full access to file " + name);
  ASSERT_TRUE(f.LockEntireFile());
  f.Truncate(2);
  EXPECT_EQ(f.FileSize(), 2);
  f.Unlock();
  VXO_DiskFile readOnly(name, true, false);
  readOnly.OpenExisting();
  EXPECT_EQ(MessageOf([&] { readOnly.Truncate(0); }), "Truncate requires full access to file " + name);
  EXPECT_EQ(MessageOf([&] { readOnly.WriteAt(0, "x", 1); }), "Error writing to " + name);
}

TEST(DiskFile, RenameReopensUnderTheNewName) {
  TempDir dir;
  WriteFile(dir.File("a.bin"), "abc");
  VXO_DiskFile f(dir.File("a.bin"), true, true);
  f.OpenExisting();
  EXPECT_TRUE(f.RenameFile(dir.File("b.bin")));
  EXPECT_EQ(f.FileName(), dir.File("b.bin"));
  EXPECT_FALSE(f.IsClosed());
  char c;
  EXPECT_EQ(f.ReadAt(2, &c, 1), 1);
  // A failed rename keeps the file open under its old name.
  EXPECT_EQ(MessageOf([&] { f.RenameFile(dir.File("no/such/dir/c.bin")); }),
            "Error on Rename of file " + dir.File("b.bin"));
  EXPECT_FALSE(f.IsClosed());
  EXPECT_EQ(f.ReadAt(0, &c, 1), 1);
}

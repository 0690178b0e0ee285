#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "TestFiles.h"
#include "platform/File.h"
#include "platform/IniFile.h"
#include "platform/ProgramDir.h"

using namespace talvern::platform;
using talvern::testing::TempDir;
using talvern::testing::WriteFile;

TEST(File, PositionedReadsAndWrites) {
  TempDir dir;
  std::string name = dir.File("a.bin");
  ASSERT_TRUE(OsFile::Create(name));
  OsFile f;
  ASSERT_EQ(f.Open(name, true, true), OsFile::OpenResult::kOk);
  ASSERT_TRUE(f.WriteAt(10, "hello", 5));
  EXPECT_EQ(f.Size(), 15);
  char buf[8] = {};
  EXPECT_EQ(f.ReadAt(12, buf, 8), 3);  // short at the end
  EXPECT_EQ(std::string(buf, 3), "llo");
  ASSERT_TRUE(f.Truncate(4));
  EXPECT_EQ(f.Size(), 4);
  EXPECT_TRUE(f.Flush());
}

// Scattered pieces, enough of them to be shared with a second thread: each
// lands in its place; one reaching past the end makes the batch short.
TEST(File, ReadPiecesPutsEachPieceInItsPlace) {
  TempDir dir;
  std::string bytes(100000, 0);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  WriteFile(dir.File("p.bin"), bytes);
  OsFile f;
  ASSERT_EQ(f.Open(dir.File("p.bin"), false, true), OsFile::OpenResult::kOk);
  std::vector<std::int64_t> offsets;
  for (std::int64_t i = 0; i < 3000; ++i) offsets.push_back(i * 7919 % (100000 - 13));
  std::vector<std::uint8_t> out(offsets.size() * 13);
  ASSERT_EQ(f.ReadPieces(offsets.data(), offsets.size(), 13, out.data()), OsFile::PiecesResult::kWhole);
  for (std::size_t i = 0; i < offsets.size(); ++i)
    for (std::size_t k = 0; k < 13; ++k)
      ASSERT_EQ(out[i * 13 + k], static_cast<std::uint8_t>((offsets[i] + k) * 7 % 251)) << i;
  offsets[2999] = 100000 - 5;
  EXPECT_EQ(f.ReadPieces(offsets.data(), offsets.size(), 13, out.data()), OsFile::PiecesResult::kShort);
}

TEST(File, ReadOnlyOpenRefusesWrites) {
  TempDir dir;
  std::string name = dir.File("a.bin");
  WriteFile(name, "abc");
  OsFile f;
  ASSERT_EQ(f.Open(name, false, true), OsFile::OpenResult::kOk);
  EXPECT_FALSE(f.WriteAt(0, "x", 1));
  EXPECT_FALSE(f.Truncate(0));
  OsFile missing;
  EXPECT_EQ(missing.Open(dir.File("none"), false, true), OsFile::OpenResult::kNotFound);
}

TEST(File, ShareModesExcludeEachOther) {
  TempDir dir;
  std::string name = dir.File("t.dbf");
  WriteFile(name, "x");
  OsFile a, b, c;
  ASSERT_EQ(a.Open(name, true, true), OsFile::OpenResult::kOk);
  EXPECT_EQ(b.Open(name, false, true), OsFile::OpenResult::kOk);  // shared + shared
  EXPECT_EQ(c.Open(name, true, false), OsFile::OpenResult::kDenied);
  a.Close();
  b.Close();
  ASSERT_EQ(c.Open(name, true, false), OsFile::OpenResult::kOk);
  EXPECT_EQ(a.Open(name, false, true), OsFile::OpenResult::kDenied);
  c.Close();
  EXPECT_EQ(a.Open(name, false, true), OsFile::OpenResult::kOk);
}

TEST(File, ByteRangeLocksBetweenTwoOpens) {
  TempDir dir;
  std::string name = dir.File("t.dbf");
  WriteFile(name, "x");
  OsFile a, b;
  ASSERT_EQ(a.Open(name, true, true), OsFile::OpenResult::kOk);
  ASSERT_EQ(b.Open(name, true, true), OsFile::OpenResult::kOk);
  ASSERT_TRUE(a.Lock(0x40000000, 1));
  EXPECT_FALSE(b.Lock(0x40000000, 1));
  EXPECT_TRUE(b.Lock(0x40000001, 1));
  EXPECT_FALSE(a.Lock(0, 0x7FFFFFFF + 2LL));  // overlaps b's byte
  ASSERT_TRUE(a.Unlock(0x40000000, 1));
  EXPECT_TRUE(b.Lock(0x40000000, 1));
  b.Close();  // closing drops every lock of that open
  EXPECT_TRUE(a.Lock(0x40000000, 2));
}

TEST(File, CaseInsensitiveResolution) {
  TempDir dir;
  std::filesystem::create_directory(dir.File("Sub"));
  WriteFile(dir.File("Sub/TEST1.FPT"), "m");
  WriteFile(dir.File("exact.dbf"), "e");
  EXPECT_EQ(ResolveFileName(dir.File("exact.dbf")), dir.File("exact.dbf"));
  EXPECT_EQ(ResolveFileName(dir.File("sub/Test1.fpt")), dir.File("Sub/TEST1.FPT"));
  EXPECT_EQ(ResolveFileName(dir.File("sub/none.fpt")), dir.File("Sub/none.fpt"));
}

TEST(File, AbsolutePaths) {
  EXPECT_EQ(AbsolutePath("/a/b/../c/./d"), "/a/c/d");
  std::string cwd = std::filesystem::current_path().string();
  EXPECT_EQ(AbsolutePath("main.dbf"), cwd + "/main.dbf");
}

TEST(ProgramDir, ProgramAndConfigurationDirectories) {
  EXPECT_TRUE(std::filesystem::exists(ProgramDirectory() + "/platform_tests"));
  setenv("TALVERN_CFG_DIR", "/tmp/cfg/", 1);
  EXPECT_EQ(WindowsDirectory(), "/tmp/cfg");
  unsetenv("TALVERN_CFG_DIR");
  EXPECT_EQ(WindowsDirectory(), "/etc");
}

TEST(IniFile, ReadsTheNameValueLinesOfOneSection) {
  TempDir dir;
  std::string name = dir.File("talvern.cfg");
  WriteFile(name,
            "[Other]\r\nX=1\r\n[alias]\r\n; comment\r\n Parts = /data/parts \r\n\r\nLIB=/lib\r\n"
            "[Next]\r\nY=2\r\n");
  auto lines = ReadIniSection(name, "Alias");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Parts=/data/parts");
  EXPECT_EQ(lines[1], "LIB=/lib");
  EXPECT_TRUE(ReadIniSection(name, "None").empty());
  EXPECT_TRUE(ReadIniSection(dir.File("missing.cfg"), "Alias").empty());
}

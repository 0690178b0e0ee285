#include <gtest/gtest.h>

#include "KillHarness.h"
#include "TableHelpers.h"
#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/CreateTable.h"
#include "engine/Fields.h"
#include "engine/Memo.h"
#include "engine/Memo4.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

class MemoTest : public ::testing::Test {
protected:
  // A table with one memo field of the given version; memo file beside it.
  VXO_dBaseFld& Open(std::uint8_t version, int blockSize = 0, const std::string& password = "") {
    path_ = dir_.File("m.dbf");
    CreateTable(path_, version, {{"ID", 'N', 3, 0}, {"NOTES", 'M', version == 0x30 ? 4 : 10, 0}}, blockSize);
    memoPath_ = MemoFileName(path_, version);
    if (!password.empty()) Encipher(password);
    table_ = std::make_unique<VXO_dBaseFld>(path_, true, true, password);
    return *table_;
  }
  void Encipher(const std::string& password) {
    std::string bytes = ReadFile(path_);
    bytes[15] = 1;
    std::size_t area = GetLE32(bytes, 8) & 0xFFFF;
    Cipher(password, bytes.data() + 32, bytes.data() + 32, static_cast<std::int32_t>(area - 33), true);
    WriteFile(path_, bytes);
  }
  VXobjMemo& Memo() { return *table_->MemoFile(); }
  std::string MemoBytes() { return ReadFile(memoPath_); }

  TempDir dir_;
  std::string path_, memoPath_;
  std::unique_ptr<VXO_dBaseFld> table_;
};

std::string Text(std::size_t n, char c = 'x') { return std::string(n, c); }

}  // namespace

TEST_F(MemoTest, DBase3AllocatesAndRewritesInPlace) {
  Open(0x83);
  auto& m = Memo();
  EXPECT_EQ(m.BlockSize(), 512);
  std::int32_t block = m.WriteMemoText(Text(1000), 0);
  EXPECT_EQ(block, 1);
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 3u);  // blocks 1-2 used
  EXPECT_EQ(MemoBytes().size(), 3u * 512);
  EXPECT_EQ(MemoBytes().substr(512 + 1000, 2), "\x1A\x1A");
  EXPECT_EQ(m.WriteMemoText(Text(1022, 'y'), block), 1);  // 1024 bytes still fit
  EXPECT_EQ(m.ReadMemoText(1), Text(1022, 'y'));
  EXPECT_EQ(m.WriteMemoText(Text(1023, 'z'), block), 3);  // 1025 bytes do not
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 6u);
  EXPECT_EQ(m.MemoLength(3), 1023);
}

TEST_F(MemoTest, DBase3ReadsAtMost65519BytesAndRefusesWhatWouldNotComeBack) {
  Open(0x83);
  std::string bytes = MemoBytes();
  bytes += Text(66000, 'q');  // no 0x1A at all from block 1 on
  WriteFile(memoPath_, bytes);
  auto& m = Memo();
  EXPECT_EQ(m.MemoLength(1), 65519);
  EXPECT_EQ(m.ReadMemoText(1).size(), 65519u);
  std::string binary = "ab\x1A" "cd";
  EXPECT_NE(ErrorOf([&] { m.WriteMemoText(binary, 0); }).find("can not be stored whole in " + memoPath_),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { m.WriteMemoText(Text(65520), 0); }), "");
  EXPECT_EQ(m.WriteMemoText(Text(65519), 0) > 0, true);
}

TEST_F(MemoTest, ADamagedNextFreeBlockDoesNotSendWritesAway) {
  Open(0x83);
  PatchFile(memoPath_, 0, "\xF0\xFF\xFF\x7F");  // next free far past the end
  EXPECT_EQ(Memo().WriteMemoText("text", 0), 1);
  EXPECT_EQ(MemoBytes().size(), 1024u);
  PatchFile(memoPath_, 0, std::string(4, '\0'));  // next free 0 would overwrite the header
  EXPECT_EQ(Memo().WriteMemoText("more", 0), 2);
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 3u);
}

TEST_F(MemoTest, BlockZeroIsAnEmptyMemo) {
  Open(0x8B);
  auto& m = Memo();
  std::string before = MemoBytes();
  EXPECT_EQ(m.MemoLength(0), 0);
  char buffer[4] = {'a', 'b', 'c', 'd'};
  std::int32_t length = 4;
  m.ReadMemo(0, buffer, length);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(buffer[0], '\0');
  std::int32_t block = 0, none = 0;
  EXPECT_EQ(m.WriteMemo(buffer, block, none), 0);
  EXPECT_EQ(MemoBytes(), before);
}

TEST_F(MemoTest, DBase4FreeListReusesAndSplitsRuns) {
  Open(0x8B);
  // 21 blocks; a 3-block memo at block 5; the free list starts at 20.
  std::string bytes(21 * 512, '\0');
  PutLE32(bytes, 0, 20);
  PutLE32(bytes, 20, 512);
  bytes[5 * 512] = '\xFF';
  bytes[5 * 512 + 1] = '\xFF';
  bytes[5 * 512 + 2] = 8;
  PutLE32(bytes, 5 * 512 + 4, 1200 + 8);
  PutLE32(bytes, 20 * 512, 21);  // the run at 20 points past the end
  PutLE32(bytes, 20 * 512 + 4, 1);
  WriteFile(memoPath_, bytes);
  auto& m = Memo();
  m.FreeBlocks(5);
  bytes = MemoBytes();
  EXPECT_EQ(GetLE32(bytes, 5 * 512), 20u);
  EXPECT_EQ(GetLE32(bytes, 5 * 512 + 4), 3u);
  EXPECT_EQ(GetLE32(bytes, 0), 5u);
  EXPECT_EQ(m.WriteMemoText(Text(900), 0), 5);  // 2 blocks out of the 3-block run
  bytes = MemoBytes();
  EXPECT_EQ(GetLE32(bytes, 0), 7u);
  EXPECT_EQ(GetLE32(bytes, 7 * 512), 20u);
  EXPECT_EQ(GetLE32(bytes, 7 * 512 + 4), 1u);
  EXPECT_EQ(bytes.substr(5 * 512, 8), std::string("\xFF\xFF\x08\x00", 4) + std::string("\x8C\x03\x00\x00", 4));
  EXPECT_EQ(m.WriteMemoText(Text(10), 0), 7);  // the 1-block run fits exactly
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 20u);
  EXPECT_EQ(m.WriteMemoText(Text(600), 0), 21);  // 2 blocks: the run at 20 is too small
  EXPECT_EQ(GetLE32(MemoBytes(), 20 * 512), 23u);
  EXPECT_EQ(m.ReadMemoText(5), Text(900));
}

TEST_F(MemoTest, DBase4RewriteGivesBlocksBackOnceTheRecordIsWritten) {
  auto& t = Open(0x8B);
  t.BlankRecord();
  t.TextPut(2, "first text");
  t.AppendRecord();
  EXPECT_EQ(t.NumberGet(2), 1);
  t.TextPut(2, "second, same size");  // new blocks first: the record on disk still has block 1
  EXPECT_EQ(t.NumberGet(2), 2);
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 3u);
  t.WriteRecord(1);  // now block 1 is free
  EXPECT_EQ(GetLE32(MemoBytes(), 0), 1u);
  t.TextPut(2, Text(700));  // two blocks: the free one is too small
  EXPECT_EQ(t.NumberGet(2), 3);
  auto& m = Memo();
  EXPECT_EQ(m.WriteMemoText("small", 0), 1);
  t.TextPut(2, "");  // an empty text stores block 0
  EXPECT_EQ(t.RawGet(2), "         0");
  t.WriteRecord(1);  // blocks 2 and 3-4 go back
  EXPECT_EQ(m.WriteMemoText(Text(700, 'b'), 0), 3);
  EXPECT_EQ(t.TextGet(2), "");
  t.TextPut(2, "kept");  // block 2
  t.WriteRecord(1);
  t.TextPut(2, "dropped");  // block 5
  t.ReadRecord(1);          // the edit is dropped: block 2 stays the record's
  t.WriteRecord(1);
  EXPECT_EQ(t.TextGet(2), "kept");
  EXPECT_EQ(m.WriteMemoText("x", 0), 6);
}

// A full disk, a kill at any write, or a damaged free list leave the record
// with its old text or its new one: the new text is written before the old
// blocks are given back, and they go back only once the record is written.
TEST_F(MemoTest, DBase4RewriteThatFailsKeepsTheOldText) {
  auto& t = Open(0x8B);
  t.BlankRecord();
  t.TextPut(2, "old text");
  t.AppendRecord();
  {
    platform::FaultScope full({.nth = 1, .suffix = ".dbt", .persist = true, .growingOnly = true});
    EXPECT_EQ(ErrorOf([&] { t.TextPut(2, Text(2000)); }), "Error writing to " + memoPath_);
  }
  t.ReadRecord(1);
  EXPECT_EQ(t.TextGet(2), "old text");
  table_.reset();
  const std::string table = ReadFile(path_), memo = MemoBytes();
  auto rewrite = [&] {
    VXO_dBaseFld f(path_, true, true);
    f.ReadRecord(1);
    f.TextPut(2, Text(2000, 'n'));
    f.WriteRecord(1);
    return 0;
  };
  const std::int64_t writes = CountChildWrites(rewrite, "");
  ASSERT_GT(writes, 3);
  for (std::int64_t n = 1; n <= writes + 1; ++n) {
    WriteFile(path_, table);
    WriteFile(memoPath_, memo);
    RunChildKilledAt(rewrite, n, "");
    VXO_dBaseFld f(path_, true, true);
    f.ReadRecord(1);
    std::string text = f.TextGet(2);
    EXPECT_TRUE(text == "old text" || text == Text(2000, 'n')) << "killed at write " << n;
    f.TextPut(2, "after");  // and the memo file takes writes again
    f.WriteRecord(1);
    EXPECT_EQ(f.TextGet(2), "after");
  }
  // A free list that loops is found before anything is given back.
  WriteFile(path_, table);
  std::string bytes = memo;
  bytes.resize(4 * 512, '\0');
  PutLE32(bytes, 0, 2);
  PutLE32(bytes, 2 * 512, 3);
  PutLE32(bytes, 2 * 512 + 4, 1);
  PutLE32(bytes, 3 * 512, 2);
  PutLE32(bytes, 3 * 512 + 4, 1);
  WriteFile(memoPath_, bytes);
  VXO_dBaseFld f(path_, true, true);
  f.ReadRecord(1);
  EXPECT_EQ(ErrorOf([&] { f.TextPut(2, Text(1000)); }), "Memo record is bad in " + memoPath_);
  f.ReadRecord(1);
  EXPECT_EQ(f.TextGet(2), "old text");
}

TEST_F(MemoTest, FoxProBlocksAndHeads) {
  auto& t = Open(0xF5);
  auto& m = Memo();
  EXPECT_EQ(m.BlockSize(), 64);
  std::int32_t block = m.WriteMemoText(Text(100), 0);
  EXPECT_EQ(block, 8);  // after the 512-byte header
  std::string bytes = MemoBytes();
  EXPECT_EQ(bytes.substr(8 * 64, 8), std::string("\0\0\0\x01\0\0\0\x64", 8));
  EXPECT_EQ(GetBE32(bytes, 0), 10u);  // 108 bytes need 2 blocks
  EXPECT_EQ(m.WriteMemoText(Text(120, 'y'), block), 8);  // 128 bytes: in place
  EXPECT_EQ(m.WriteMemoText(Text(121, 'z'), block), 10);
  t.BlankRecord();
  t.TextPut(2, "\x8F\xE0\xA8\xA2\xA5\xE2");  // Привет in 866
  EXPECT_EQ(t.TextGet(2), "\x8F\xE0\xA8\xA2\xA5\xE2");
  EXPECT_EQ(t.RawGet(2), "        13");
}

TEST_F(MemoTest, VisualFoxProMemoFieldsHoldInt32Blocks) {
  auto& t = Open(0x30);
  EXPECT_TRUE(t.HasMemo());
  t.BlankRecord();
  EXPECT_EQ(t.RawGet(2), std::string(4, '\0'));
  t.TextPut(2, "note");
  EXPECT_EQ(GetLE32(t.RawGet(2), 0), 8u);
  EXPECT_EQ(t.TextGet(2), "note");
}

TEST_F(MemoTest, VisualFoxProMemosAreFoundWithoutTheMemoFlag) {
  Open(0x30).BlankRecord();
  table_->TextPut(2, "kept");
  table_->AppendRecord();
  table_.reset();
  PatchFile(path_, 28, std::string(1, '\0'));  // as python3-dbf writes it
  VXO_dBaseFld t(path_, true, false);
  EXPECT_TRUE(t.HasMemo());
  t.ReadRecord(1);
  EXPECT_EQ(t.TextGet(2), "kept");
}

TEST_F(MemoTest, EncipheredDBase3MemosCarryTheirLength) {
  auto& t = Open(0x83, 0, "pw");
  t.BlankRecord();
  std::string binary = "a\x1A" "b";
  t.TextPut(2, binary);  // enciphered memos store any bytes
  t.AppendRecord();
  EXPECT_EQ(t.TextGet(2), binary);
  std::string bytes = MemoBytes();
  EXPECT_EQ(GetLE32(bytes, 512), 3u);
  std::string stored = bytes.substr(516, 3);
  EXPECT_NE(stored, binary);
  Cipher("pw", stored.data(), stored.data(), 3, false);
  EXPECT_EQ(stored, binary);
}

TEST_F(MemoTest, DamagedMemosGiveClearErrors) {
  auto& t = Open(0x8B);
  auto& m = Memo();
  std::string bad = "Memo record is bad in " + memoPath_;
  EXPECT_EQ(ErrorOf([&] { m.MemoLength(40); }), bad);  // past the end
  m.WriteMemoText("hello", 0);
  PatchFile(memoPath_, 512 + 4, "\xFF\xFF\x00\x00");  // length far past the end
  EXPECT_EQ(ErrorOf([&] { m.ReadMemoText(1); }), bad);
  PatchFile(memoPath_, 512, "\x01\x02");
  EXPECT_EQ(ErrorOf([&] { m.MemoLength(1); }), bad);
  t.RawPut(2, "99999999999");
  EXPECT_EQ(ErrorOf([&] { t.TextGet(2); }), bad);
  t.RawPut(2, "-5");
  EXPECT_EQ(ErrorOf([&] { t.TextGet(2); }), bad);

  table_.reset();
  PatchFile(memoPath_, 20, std::string(4, '\0'));  // block size 0
  VXO_dBaseFld again(path_, true, true);
  EXPECT_EQ(ErrorOf([&] { again.MemoFile(); }), bad);
}

TEST_F(MemoTest, FoxProTypeAndMissingFiles) {
  Open(0xF5);
  auto& m = Memo();
  m.WriteMemoText("abc", 0);
  PatchFile(memoPath_, 8 * 64, std::string("\0\0\0\x05", 4));
  EXPECT_EQ(ErrorOf([&] { m.MemoLength(8); }), "Memo record is bad in " + memoPath_);
  PatchFile(memoPath_, 8 * 64, std::string("\0\0\0\0", 4));  // pictures and objects are read too
  EXPECT_EQ(m.MemoLength(8), 3);
  PatchFile(memoPath_, 8 * 64, std::string("\0\0\0\x02", 4));
  EXPECT_EQ(m.MemoLength(8), 3);
  // Other engines' own kinds of value, numbered from 1000, are read as
  // their bytes; the types between are no memo.
  PatchFile(memoPath_, 8 * 64, std::string("\0\0\x03\xE9", 4));  // 1001
  EXPECT_EQ(m.ReadMemoText(8), "abc");
  PatchFile(memoPath_, 8 * 64, std::string("\0\0\x03\xE7", 4));  // 999
  EXPECT_EQ(ErrorOf([&] { m.MemoLength(8); }), "Memo record is bad in " + memoPath_);
  table_.reset();
  std::filesystem::remove(memoPath_);
  VXO_dBaseFld t(path_, true, true);
  EXPECT_EQ(ErrorOf([&] { t.MemoFile(); }), "File " + memoPath_ + " could not be found");
}

TEST_F(MemoTest, RenamingTheTableRenamesItsMemo) {
  auto& t = Open(0x8B);
  t.BlankRecord();
  t.TextPut(2, "kept");
  t.AppendRecord();
  t.RenameFile(dir_.File("renamed.dbf"));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("renamed.dbt")));
  EXPECT_EQ(MemoBytes(), "");  // the old memo name is gone
  EXPECT_EQ(ReadFile(dir_.File("renamed.dbt")).substr(8, 9), std::string("renamed\0\0", 9));
  t.ReadRecord(1);
  EXPECT_EQ(t.TextGet(2), "kept");
}

TEST(MemoFiles, RenamingATableWhoseMemoIsNotOpenYet) {
  TempDir dir;
  CreateTable(dir.File("a.dbf"), 0xF5, {{"M", 'M', 10, 0}});
  VXO_dBaseFld t(dir.File("a.dbf"), true, true);
  t.RenameFile(dir.File("b.dbf"));
  EXPECT_TRUE(std::filesystem::exists(dir.File("b.fpt")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.fpt")));
}

TEST(MemoFiles, TheMemoExtensionGoesWithTheTablesOwn) {
  EXPECT_EQ(MemoFileName("d/FOXPRO-DB-TEST.DBC", 0x30), "d/FOXPRO-DB-TEST.DCT");
  EXPECT_EQ(MemoFileName("form.scx", 0x30), "form.sct");
  EXPECT_EQ(MemoFileName("lib.VCX", 0x30), "lib.VCT");
  EXPECT_EQ(MemoFileName("r.frx", 0x30), "r.frt");
  EXPECT_EQ(MemoFileName("l.lbx", 0xF5), "l.lbt");
  EXPECT_EQ(MemoFileName("m.Mnx", 0x30), "m.mnt");
  EXPECT_EQ(MemoFileName("p.pjx", 0x30), "p.pjt");
  EXPECT_EQ(MemoFileName("t.dbf", 0x30), "t.fpt");
  EXPECT_EQ(MemoFileName("t.DBF", 0x8B), "t.DBT");
  EXPECT_EQ(MemoFileName("dir.dbc/t", 0x83), "dir.dbc/t.dbt");
  EXPECT_EQ(MemoFileName("t.tbl", 0xF5), "t.fpt");

  // A container's memos are read from its .DCT.
  TempDir dir;
  CreateTable(dir.File("DATA.DBC"), 0x30, {{"CODE", 'M', 4, 0}});
  ASSERT_TRUE(std::filesystem::exists(dir.File("DATA.DCT")));
  VXO_dBaseFld t(dir.File("DATA.DBC"), true, true);
  t.BlankRecord();
  t.TextPut(1, "container memo");
  t.AppendRecord();
  t.ReadRecord(1);
  EXPECT_EQ(t.TextGet(1), "container memo");
  EXPECT_EQ(t.MemoFile()->FileName(), dir.File("DATA.DCT"));
}

TEST(MemoFiles, CompanionNamesDifferingInCaseAreFound) {
  TempDir dir;
  CreateTable(dir.File("Test1.dbf"), 0xF5, {{"M", 'M', 10, 0}});
  std::filesystem::rename(dir.File("Test1.fpt"), dir.File("TEST1.FPT"));
  VXO_dBaseFld t(dir.File("test1.DBF"), true, true);
  ASSERT_NE(t.MemoFile(), nullptr);
  EXPECT_EQ(t.MemoFile()->FileName(), dir.File("TEST1.FPT"));
}

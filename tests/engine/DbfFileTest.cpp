#include <gtest/gtest.h>

#include <cstring>

#include "TableHelpers.h"
#include "engine/Bytes.h"
#include "engine/Cipher.h"
#include "engine/CreateTable.h"
#include "engine/DbfFile.h"
#include "platform/Locale.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// A table with a C 10 and an N 5 field: records of 16 bytes, header 97.
std::string MakeTable(const TempDir& dir, std::uint8_t version = 0x03, const std::string& name = "t.dbf") {
  std::string path = dir.File(name);
  CreateTable(path, version, {{"NAME", 'C', 10, 0}, {"QTY", 'N', 5, 0}});
  return path;
}

void Fill(VXO_dBaseDBF& t, const std::string& record) {
  std::memcpy(t.CurrentRecord(), record.data(), record.size());
}

std::string Record(VXO_dBaseDBF& t) {
  return std::string(reinterpret_cast<const char*>(t.CurrentRecord()), t.RecordLength());
}

}  // namespace

TEST(DbfFile, AppendWritesRecordMarkerCountAndDate) {
  platform::SetClock([] { return platform::LocalTime{2010, 6, 9, 10, 20, 30, 400}; });
  TempDir dir;
  std::string path = MakeTable(dir);
  {
    VXO_dBaseDBF t(path, true, true);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.HeaderLength(), 97);
    EXPECT_EQ(t.RecordLength(), 16);
    Fill(t, " first         1");
    t.AppendRecord();
    Fill(t, "*second        2");
    t.WriteRecord(0);  // 0 appends
    EXPECT_EQ(t.RecordCount(), 2);
    EXPECT_EQ(t.RecNo(), 2);
  }
  std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes.size(), 97u + 2 * 16 + 1);
  EXPECT_EQ(bytes.back(), '\x1A');
  EXPECT_EQ(GetLE32(bytes, 4), 2u);
  EXPECT_EQ(bytes.substr(1, 3), "\x0A\x06\x09");
  EXPECT_EQ(GetLE32(bytes, 16), ((10u * 64 + 20) * 64 + 30) * 1024 + 400);
  EXPECT_EQ(bytes.substr(97, 16), " first         1");
  EXPECT_EQ(bytes.substr(113, 16), " second        2");  // an append writes an active record
  platform::SetClock({});
}

TEST(DbfFile, RecordCountComesFromTheFileSize) {
  TempDir dir;
  std::string path = MakeTable(dir);
  std::string bytes = ReadFile(path);
  bytes.pop_back();
  for (int i = 0; i < 12; ++i) bytes += " abc           " + std::string(1, static_cast<char>('0' + i % 10));
  bytes += "\x1A partial";
  PutLE32(bytes, 4, 10);
  WriteFile(path, bytes);
  VXO_dBaseDBF t(path, true, false);
  EXPECT_EQ(t.RecordCount(), 12);
  t.ReadRecord(RecBottom);
  EXPECT_EQ(t.RecNo(), 12);
  EXPECT_EQ(Record(t).back(), '1');
}

TEST(DbfFile, NavigationAtBothEnds) {
  TempDir dir;
  std::string path = MakeTable(dir);
  VXO_dBaseDBF t(path, false, true);
  t.ReadRecord(RecTop);  // empty table
  EXPECT_TRUE(t.Bof());
  EXPECT_TRUE(t.Eof());
  for (char c : std::string("abc")) {
    Fill(t, std::string(" ") + c + std::string(14, ' '));
    t.AppendRecord();
  }
  t.ReadRecord(1);
  t.ReadRecord(RecPrior);  // prior of record 1
  EXPECT_TRUE(t.Bof());
  EXPECT_EQ(t.RecNo(), 1);
  t.ReadRecord(RecNext);
  EXPECT_EQ(Record(t)[1], 'b');
  t.ReadRecord(4);  // count + 1
  EXPECT_TRUE(t.Eof());
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_EQ(ErrorOf([&] { t.ReadRecord(5); }), "Record number 5 is not in table " + path);
  EXPECT_EQ(ErrorOf([&] { t.ReadRecord(-9); }), "Record number -9 is not in table " + path);
  EXPECT_EQ(t.RecNo(), 2);
  t.ReadRecord(RecSame);
  EXPECT_EQ(Record(t)[1], 'b');
}

TEST(DbfFile, RewriteKeepsOtherRecordsAndReachesOtherOpens) {
  TempDir dir;
  std::string path = MakeTable(dir);
  VXO_dBaseDBF a(path, true, true);
  VXO_dBaseDBF b(path, true, true);
  Fill(a, " one           1");
  a.AppendRecord();
  Fill(a, " two           2");
  a.AppendRecord();
  b.ReadRecord(2);  // b learns of the appends from the file size
  EXPECT_EQ(b.RecordCount(), 2);
  EXPECT_TRUE(b.HeaderChanged());
  Fill(b, " TWO           2");
  b.WriteRecord(2);
  a.ReadRecord(2);
  EXPECT_EQ(Record(a), " TWO           2");
  a.ReadRecord(1);
  EXPECT_EQ(Record(a), " one           1");
}

TEST(DbfFile, TableFlagsKeepTheirThreeBits) {
  TempDir dir;
  std::string path = MakeTable(dir);
  PatchFile(path, 28, "\x83");
  {
    VXO_dBaseDBF t(path, true, true);
    Fill(t, " x            10");
    t.AppendRecord();
  }
  EXPECT_EQ(ReadFile(path)[28], '\x03');
}

TEST(DbfFile, ProductionIndexFlagIsWrittenAtOnce) {
  TempDir dir;
  std::string path = MakeTable(dir);
  VXO_dBaseDBF t(path, true, true);
  t.SetProductionIndex(true);
  EXPECT_EQ(ReadFile(path)[28], '\x01');
  t.SetProductionIndex(false);
  EXPECT_EQ(ReadFile(path)[28], '\x00');
}

TEST(DbfFile, DescriptorsEndAtTheTerminator) {
  TempDir dir;
  // A FoxPro table whose header keeps 263 zero bytes after the terminator,
  // as python3-dbf writes them.
  std::string path = dir.File("fox.dbf");
  CreateTable(path, 0xF5, {{"A", 'C', 3, 0}, {"B", 'N', 4, 1}});
  std::string bytes = ReadFile(path);
  bytes.insert(32 + 64 + 1, std::string(263, '\0'));
  PutLE16(bytes, 8, 32 + 64 + 1 + 263);
  WriteFile(path, bytes);
  VXO_dBaseDBF t(path, true, false);
  EXPECT_EQ(t.FieldCount(), 2);
  EXPECT_EQ(t.HeaderLength(), 360);
}

TEST(DbfFile, VisualFoxProBackLinkIsNotReadAsFields) {
  TempDir dir;
  std::string path = dir.File("vfp.dbf");
  CreateTable(path, 0x30, {{"A", 'C', 3, 0}, {"B", 'I', 4, 0}, {"C", 'T', 8, 0}});
  // 32 x 3 + 1 + 263 + 32: room for one more descriptor after the back link.
  std::string bytes = ReadFile(path);
  bytes.insert(32 + 96 + 1 + 263, std::string(32, 'Z'));
  PutLE16(bytes, 8, 32 * 3 + 1 + 263 + 32);
  WriteFile(path, bytes);
  VXO_dBaseDBF t(path, true, false);
  EXPECT_EQ(t.FieldCount(), 3);
}

TEST(DbfFile, LongCharacterFields) {
  TempDir dir;
  std::string path = dir.File("long.dbf");
  CreateTable(path, 0x03, {{"TEXT", 'C', 300, 0}, {"N", 'N', 3, 0}});
  std::string bytes = ReadFile(path);
  EXPECT_EQ(bytes[32 + 16], '\x2C');
  EXPECT_EQ(bytes[32 + 17], '\x01');
  VXO_dBaseDBF t(path, true, false);
  EXPECT_EQ(t.RecordLength(), 304);
}

TEST(DbfFile, DamagedHeadersAreRefusedClearly) {
  TempDir dir;
  std::string path = MakeTable(dir);
  std::string good = ReadFile(path);
  auto openError = [&](const std::string& bytes) {
    WriteFile(path, bytes);
    return ErrorOf([&] { VXO_dBaseDBF t(path, true, false); });
  };
  EXPECT_EQ(openError(good.substr(0, 20)), "Error on Read of file " + path);
  std::string b = good;
  b[0] = '\x02';
  EXPECT_EQ(openError(b), "Table Header for " + path + " is invalid");
  b = good;
  PutLE16(b, 10, 0);  // record length 0
  EXPECT_EQ(openError(b), "Table Header for " + path + " is invalid");
  b = good;
  PutLE16(b, 10, 10);  // shorter than its fields
  EXPECT_EQ(openError(b), "Table Header for " + path + " is invalid");
  b = good;
  PutLE16(b, 8, 4000);  // descriptor area past the end of the file
  EXPECT_EQ(openError(b), "Error on Read of file " + path);
  b = good;
  PutLE16(b, 8, 20);  // header shorter than its own 32 bytes
  EXPECT_EQ(openError(b), "Table Header for " + path + " is invalid");
  EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(dir.File("none"), true, false); }),
            "File " + dir.File("none.DBF") + " could not be found");
}

// Visual FoxPro keeps B, T and Y fields in 8 bytes and I fields in 4: one
// declared shorter would be read past its end. A header length that cuts
// off the descriptors would open as a table without fields.
TEST(DbfFile, HeadersThatCannotHoldTheirFieldsAreRefused) {
  TempDir dir;
  std::string path = dir.File("v.dbf");
  const std::string invalid = "Table Header for " + path + " is invalid";
  for (auto [type, width] : {std::pair{'B', 8}, {'T', 8}, {'Y', 8}, {'I', 4}}) {
    CreateTable(path, 0x30, {{"A", 'C', 3, 0}, {"X", type, width, 0}});
    EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(path, true, false); }), "") << type;
    PatchFile(path, 32 + 32 + 16, std::string(1, static_cast<char>(width - 1)));
    EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(path, true, false); }), invalid) << type;
  }
  CreateTable(path, 0x03, {{"NAME", 'C', 12, 0}, {"NUM", 'N', 8, 0}});
  std::string bytes = ReadFile(path);
  PutLE16(bytes, 8, 33);
  WriteFile(path, bytes);
  EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(path, true, false); }), invalid);
}

TEST(DbfFile, DBase7LayoutIsRefused) {
  TempDir dir;
  // Version 0x04, a 36-byte language block, then 48-byte descriptors.
  std::string bytes(32 + 36 + 48 + 1, '\0');
  bytes[0] = '\x04';
  PutLE16(bytes, 8, static_cast<unsigned>(bytes.size()));
  PutLE16(bytes, 10, 11);
  bytes.replace(32, 8, "DBWINUS0");
  bytes.replace(68, 4, "NAME");
  bytes[68 + 32] = 'C';
  bytes[68 + 33] = 10;
  bytes.back() = '\x0D';
  std::string path = dir.File("d7.dbf");
  WriteFile(path, bytes);
  EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(path, true, false); }), "Table Header for " + path + " is invalid");
}

TEST(DbfFile, LockOffsetsOfTheProtocols) {
  TempDir dir;
  // Header length 98 and record length 50.
  std::string path = dir.File("l.dbf");
  CreateTable(path, 0x03, {{"A", 'C', 48, 0}, {"B", 'C', 1, 0}});
  std::string bytes = ReadFile(path);
  bytes.insert(97, 1, '\0');
  PutLE16(bytes, 8, 98);
  bytes.pop_back();
  for (int i = 0; i < 3; ++i) bytes += std::string(50, ' ');
  WriteFile(path, bytes);
  VXO_dBaseDBF t(path, true, true);
  auto otherCanLock = [&](std::int64_t offset, std::int64_t length = 1) {
    platform::OsFile other;
    return other.Open(path, true, true) == platform::OsFile::OpenResult::kOk && other.Lock(offset, length);
  };
  t.ReadRecord(3);
  EXPECT_EQ(t.RecordLockOffset(3), 0x40000000 + 198);
  ASSERT_TRUE(t.LockRecord());
  EXPECT_FALSE(otherCanLock(0x40000000 + 198));
  t.ReleaseLock();
  EXPECT_TRUE(otherCanLock(0x40000000 + 198));

  t.SetLockProtocol(TvxLokProtocol::DB4Lock);
  t.ReadRecord(1);
  EXPECT_EQ(t.RecordLockOffset(1), 0xEFFFFFFD);
  ASSERT_TRUE(t.LockRecord());
  EXPECT_FALSE(otherCanLock(0xEFFFFFFD));
  t.ReleaseLock();
  ASSERT_TRUE(t.LockTable());  // 0x40000000 for 0xB0000000 bytes
  EXPECT_FALSE(otherCanLock(0xEFFFFFFF));
  EXPECT_TRUE(otherCanLock(0xF0000000));
  t.ReleaseLock();

  t.SetLockProtocol(TvxLokProtocol::ClipLock);
  EXPECT_EQ(t.RecordLockOffset(1), 1000000001);
  ASSERT_TRUE(t.LockAppend());
  EXPECT_FALSE(otherCanLock(1000000000));
  t.ReleaseLock();

  t.SetLockProtocol(TvxLokProtocol::FoxLock);
  ASSERT_TRUE(t.LockAppend());
  EXPECT_FALSE(otherCanLock(0x7FFFFFFE));
  t.ReleaseLock();
  ASSERT_TRUE(t.LockTableFull());
  EXPECT_FALSE(otherCanLock(0));
  EXPECT_TRUE(otherCanLock(0x7FFFFFFF));
  t.ReleaseLock();
  t.SetLockProtocol(static_cast<TvxLokProtocol>(7));  // unknown: ranges stay
  EXPECT_EQ(t.LockTop(), 0x7FFFFFFEu);
}

TEST(DbfFile, TableLockNestsFurtherLocksAndHoldsTheHeaderBack) {
  platform::SetClock([] { return platform::LocalTime{2011, 1, 2, 3, 4, 5, 6}; });
  TempDir dir;
  std::string path = MakeTable(dir);
  {
    VXO_dBaseDBF t(path, true, true);
    ASSERT_TRUE(t.LockTable());
    EXPECT_TRUE(t.LockAppend());  // nested under the table lock
    Fill(t, " a             1");
    t.AppendRecord();
    EXPECT_EQ(GetLE32(ReadFile(path), 4), 0u);  // header held back
    t.ReleaseLock();  // the append's level
    t.ReleaseLock();
    EXPECT_EQ(GetLE32(ReadFile(path), 4), 1u);
    ASSERT_TRUE(t.LockTable());
    Fill(t, " b             2");
    t.AppendRecord();
  }  // closed while the table lock is held: the header is written all the same
  EXPECT_EQ(GetLE32(ReadFile(path), 4), 2u);
  platform::SetClock({});
}

TEST(DbfFile, EncipheredTables) {
  TempDir dir;
  std::string path = MakeTable(dir);
  std::string bytes = ReadFile(path);
  bytes[15] = 1;
  Cipher("key", bytes.data() + 32, bytes.data() + 32, 97 - 33, true);
  WriteFile(path, bytes);
  EXPECT_EQ(ErrorOf([&] { VXO_dBaseDBF t(path, true, true); }), "No Password for encrypted file " + path);
  try {
    VXO_dBaseDBF t(path, true, true, "wrong");
    FAIL();
  } catch (const ETalvernEncryption& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
  }
  {
    VXO_dBaseDBF t(path, true, true, "key");
    EXPECT_EQ(t.FieldCount(), 2);
    Fill(t, " secret        7");
    t.AppendRecord();
    t.ReadRecord(1);
    EXPECT_EQ(Record(t), " secret        7");
  }
  std::string stored = ReadFile(path).substr(97, 16);
  EXPECT_NE(stored, " secret        7");
  Cipher("key", stored.data(), stored.data(), 16, false);
  EXPECT_EQ(stored, " secret        7");

  std::string plain = MakeTable(dir, 0x03, "plain.dbf");
  try {
    VXO_dBaseDBF t(plain, true, true, "key");
    FAIL();
  } catch (const ETalvernEncryption& e) {
    EXPECT_EQ(std::string(e.what()), "A Password is included for unencrypted file " + plain);
  }
}

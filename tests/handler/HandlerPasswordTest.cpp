// SetPassword: a table enciphered anew, made plain and enciphered again, in
// every memo format and with its .cdx; the stored bytes against bytes worked
// out by hand; what it refuses, and what it mends on the way.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <iterator>

#include "Peers.h"
#include "PasswordTestKit.h"
#include "engine/TableHelpers.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

// The table's bytes as python3-dbfread reads them: live rows in file order,
// then the deleted ones; an empty memo is null. dbfread takes a dBASE IV
// memo head's length (text + 8) for the text's, so it reads 8 zero bytes of
// padding behind the text too.
void ExpectDbfreadReads(const TempDir& dir, const std::string& path, std::uint8_t version,
                        const std::vector<DeviceRow>& rows) {
  if (!PythonPeersAvailable()) return;
  PeerTable peer = ReadWithDbfread(dir, path);
  ASSERT_TRUE(peer.ok) << peer.error;
  std::vector<std::vector<std::string>> expected;
  for (bool deleted : {false, true})
    for (const auto& row : rows)
      if (row.deleted == deleted)
        expected.push_back({"S:" + row.type, "N:" + std::to_string(row.vid) + ".0",
                            row.note.empty() ? "null"
                                            : "S:" + platform::OemToUtf8(row.note) +
                                                  std::string(version == 0x8B ? 8 : 0, '\0')});
  ASSERT_EQ(peer.records.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(peer.records[i].values, expected[i]) << i;
}

void ExpectCheckClean(const std::string& path, const std::string& password) {
  const std::string tool = TALVERN_BINARY_DIR "/tools/dbftool";
  if (access(tool.c_str(), X_OK) != 0) return;
  std::string command = ShellQuote(tool) + " check " + ShellQuote(path) + " " +
                        ShellQuote(ChangeExtension(path, ".cdx")) + " --password " + ShellQuote(password) + " 2>&1";
  if (password.empty()) command = ShellQuote(tool) + " check " + ShellQuote(path) + " " +
                                  ShellQuote(ChangeExtension(path, ".cdx")) + " 2>&1";
  CommandResult r = RunCommand(command);
  EXPECT_EQ(r.exitCode, 0) << r.output;
  EXPECT_EQ(r.output, "TYPE: ok\n");
}

// To a password, to another of another length, to none and back: the
// table, its memos and its tag read the same after each step, a plain table
// reads the same in python3-dbfread, and the bytes on disk are enciphered
// (no note is found in the memo file) or plain.
TEST(HandlerPassword, EveryMemoFormatReadsTheSameThroughEveryChange) {
  std::mt19937 random(15);
  for (std::uint8_t version : {0x83, 0x8B, 0xF5, 0x30}) {
    SCOPED_TRACE(static_cast<int>(version));
    TempDir dir;
    const std::string path = dir.File("dev.dbf");
    const auto rows = RandomRows(random, 24);
    MakeMemoTable(path, version, rows);
    const std::string memoPath = ChangeExtension(path, version == 0x83 || version == 0x8B ? ".dbt" : ".fpt");
    std::string longest;
    for (const auto& row : rows)
      if (row.note.size() > longest.size()) longest = row.note;
    std::string password;
    for (const std::string next : {"secret", "another password", "", "x"}) {
      SCOPED_TRACE(next);
      {
        VXO_dBHandler t(path, false, true, password);
        t.OpenIndexFiles("dev.cdx", "TYPE");
        t.ReadRecord(5);
        t.SetPassword(next);
        EXPECT_EQ(t.RecNo(), 5);
        EXPECT_EQ(t.TextGet(1), rows[4].type);
        ExpectRows(t, rows);
      }
      password = next;
      ExpectTable(path, password, rows);
      ExpectCheckClean(path, password);
      EXPECT_EQ(static_cast<int>(ReadFile(path)[15]), password.empty() ? 0 : 1);
      EXPECT_EQ(ReadFile(memoPath).find(longest) == std::string::npos, !password.empty());
      if (password.empty()) ExpectDbfreadReads(dir, path, version, rows);
    }
  }
}

// A record of a small table enciphered with "ab", worked out by hand:
// key byte i is (i mod 256) OR "ab"[i mod 2], that is 61 63 63 63 65 67 67
// 67 69 for the nine bytes of " KT315 42" (20 4B 54 33 31 35 20 34 32).
TEST(HandlerPassword, StoredRecordAndDescriptorBytesWorkedOutByHand) {
  TempDir dir;
  const std::string path = dir.File("t.dbf");
  CreateTable(path, 0x03, {{"NAME", 'C', 5, 0}, {"N", 'N', 3, 0}});
  {
    VXO_dBHandler t(path, false, true);
    t.BlankRecord();
    t.RawPut(1, "KT315");
    t.NumberPut(2, 42);
    t.AppendRecord();
    t.SetPassword("ab");
  }
  const std::string plainRecord = " KT315 42";
  const std::string enciphered = "\x41\x28\x37\x50\x54\x52\x47\x53\x5B";
  std::string bytes = ReadFile(path);
  const std::size_t headerLength = (GetLE32(bytes, 8) & 0xFFFF);
  EXPECT_EQ(bytes[15], 1);
  EXPECT_EQ(bytes.substr(headerLength, 9), enciphered);
  // The first descriptor's name "NAME" (4E 41 4D 45) under the same keys.
  EXPECT_EQ(bytes.substr(32, 4), "\x2F\x22\x2E\x26");
  EXPECT_EQ(bytes[headerLength - 1], '\x0D');  // the terminator stays plain
  {
    VXO_dBHandler t(path, false, true, "ab");
    t.ReadRecord(1);
    EXPECT_EQ(t.RawGet(1), "KT315");
    t.SetPassword("");
  }
  bytes = ReadFile(path);
  EXPECT_EQ(bytes[15], 0);
  EXPECT_EQ(bytes.substr(headerLength, 9), plainRecord);
  EXPECT_EQ(bytes.substr(32, 4), "NAME");
}

TEST(HandlerPassword, RefusalsAndChangesThatAreNone) {
  TempDir dir;
  const std::string path = dir.File("dev.dbf");
  std::mt19937 random(3);
  const auto rows = RandomRows(random, 6);
  MakeMemoTable(path, 0x8B, rows);
  const std::string before = ReadFile(path);
  {
    VXO_dBHandler shared(path, true, true);
    EXPECT_EQ(ErrorOf([&] { shared.SetPassword("k"); }), "SetPassword requires full access to file " + path);
  }
  {
    VXO_dBHandler readOnly(path, false, false);
    EXPECT_EQ(ErrorOf([&] { readOnly.SetPassword("k"); }), "SetPassword requires full access to file " + path);
  }
  {
    VXO_dBHandler plain(path, false, true);
    plain.SetPassword("");  // plain already
  }
  EXPECT_EQ(ReadFile(path), before);
  {
    VXO_dBHandler t(path, false, true);
    t.SetPassword("k");
  }
  const std::string enciphered = ReadFile(path);
  {
    VXO_dBHandler t(path, false, true, "k");
    t.SetPassword("k");  // the same password
  }
  EXPECT_EQ(ReadFile(path), enciphered);
}

// A dBASE III memo holding 0x1A cannot be kept plain (its text would end
// there): making such a table plain fails and leaves every file as it was.
TEST(HandlerPassword, AFailedChangeLeavesEveryFileAsItWas) {
  TempDir dir;
  const std::string path = dir.File("d3.dbf");
  std::mt19937 random(5);
  auto rows = RandomRows(random, 8);
  MakeMemoTable(path, 0x83, rows);
  {
    VXO_dBHandler t(path, false, true);
    t.OpenIndexFiles("d3.cdx", "");
    t.SetPassword("k");
    t.ReadRecord(7);
    t.TextPut(3, "ends\x1A here");
    t.WriteRecord(7);
  }
  rows[6].note = "ends\x1A here";
  const std::vector<std::string> names = {"d3.dbf", "d3.dbt", "d3.cdx"};
  std::vector<std::string> before;
  for (const auto& name : names) before.push_back(ReadFile(dir.File(name)));
  {
    VXO_dBHandler t(path, false, true, "k");
    t.OpenIndexFiles("d3.cdx", "");
    t.ReadRecord(2);
    EXPECT_EQ(ErrorOf([&] { t.SetPassword(""); }).rfind("Memo text can not be stored whole in ", 0), 0u);
    EXPECT_TRUE(t.IsEnciphered());
    EXPECT_EQ(t.RecNo(), 2);
    ExpectRows(t, rows);
  }
  for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadFile(dir.File(names[i])), before[i]) << names[i];
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()), 3);
}

// Room that another program left behind the descriptors' terminator is
// enciphered with them at open; it must be enciphered anew with them too,
// or the next open finds no terminator.
TEST(HandlerPassword, RoomBehindTheDescriptorsIsEncipheredWithThem) {
  TempDir dir;
  const std::string path = dir.File("room.dbf");
  CreateTable(path, 0x03, {{"NAME", 'C', 5, 0}});
  std::string bytes = ReadFile(path);
  std::size_t headerLength = (GetLE32(bytes, 8) & 0xFFFF);
  bytes.insert(headerLength, std::string(32, '\0'));
  bytes[8] = static_cast<char>(headerLength + 32);
  WriteFile(path, bytes);
  {
    VXO_dBHandler t(path, false, true);
    t.BlankRecord();
    t.RawPut(1, "BC547");
    t.AppendRecord();
    t.SetPassword("pw");
  }
  for (const std::string password : {"pw", ""}) {
    VXO_dBHandler t(path, false, true, password);
    EXPECT_EQ(t.FieldCount(), 1);
    t.ReadRecord(1);
    EXPECT_EQ(t.RawGet(1), "BC547");
    t.SetPassword("");
  }
}

}  // namespace
}  // namespace talvern::testing

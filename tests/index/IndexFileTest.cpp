// The index file as a whole: opening by kind, the structural index flag,
// lock offsets and locking, renaming, and the pages of enciphered tables.

#include "IndexTestKit.h"
#include "engine/Cipher.h"
#include "index/IndexCheck.h"

namespace talvern::testing {
namespace {

TEST(IndexFile, OpensByExtensionAndMarksOnlyTheTablesOwnFile) {
  TempDir dir;
  MakeTable(dir.File("items.dbf"), {{"NAME", 'C', 5, 0}}, {{"X"}});
  {
    VXO_dBaseFld table(dir.File("items.dbf"), false, true);
    EXPECT_EQ(MakeIndexFile(&table, dir.File("items.idx"), true, false, true), nullptr);
    ASSERT_NE(MakeIndexFile(&table, dir.File("items.ntx"), true, false, true), nullptr);
    auto other = MakeIndexFile(&table, dir.File("other.CDX"), true, false, true);
    ASSERT_NE(other, nullptr);
    EXPECT_TRUE(other->IsOpened());
    EXPECT_EQ(other->FileName(), "other.CDX");
    EXPECT_FALSE(table.ProductionIndex());
    // A name without path lies beside the table.
    auto own = MakeIndexFile(&table, "items.cdx", true, false, true);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->FullName(), dir.File("items.cdx"));
    EXPECT_TRUE(table.ProductionIndex());
    // A missing file is not opened (and not created without asking).
    auto missing = MakeIndexFile(&table, dir.File("none.cdx"), false, false, true);
    EXPECT_FALSE(missing->IsOpened());
    EXPECT_FALSE(missing->IsCorrupted());
  }
  EXPECT_EQ(ReadFile(dir.File("items.dbf"))[28] & 1, 1);
}

TEST(IndexFile, LockOffsetsFollowTheProtocol) {
  TempDir dir;
  MakeTable(dir.File("l.dbf"), {{"NAME", 'C', 5, 0}}, {{"X"}});
  IndexedTable table(dir.File("l.dbf"), true, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("l.cdx"), true);
  struct Expect {
    TvxLokProtocol protocol;
    std::uint32_t base, top, span;
  };
  for (const Expect& e : {Expect{TvxLokProtocol::DB4Lock, 0x40000000u, 0xEFFFFFFFu, 0xB0000000u},
                          Expect{TvxLokProtocol::ClipLock, 1000000000u, 1000000000u, 1000000000u},
                          Expect{TvxLokProtocol::FoxLock, 0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu},
                          Expect{TvxLokProtocol::Default, 0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu}}) {
    file.SetLockProtocol(e.protocol);
    EXPECT_EQ(file.LockBase, e.base);
    EXPECT_EQ(file.LockTop, e.top);
    EXPECT_EQ(file.LockSpan, e.span);
    EXPECT_TRUE(file.IndexLock());
    EXPECT_EQ(file.DiskFile()->LockCount(), 1);
    file.IndexUnlock();
    EXPECT_EQ(file.DiskFile()->LockCount(), 0);
  }
  file.SetLockProtocol(static_cast<TvxLokProtocol>(9));
  EXPECT_EQ(file.LockProtocol, TvxLokProtocol::Default);
}

TEST(IndexFile, RenameKeepsTheExtension) {
  TempDir dir;
  MakeTable(dir.File("a.dbf"), {{"NAME", 'C', 5, 0}}, {{"X"}, {"A"}});
  IndexedTable table(dir.File("a.dbf"), false, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("a.cdx"), true);
  ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
  EXPECT_TRUE(file.Rename(dir.File("b.dbf")));
  EXPECT_EQ(file.FileName(), "b.cdx");
  EXPECT_EQ(FileSizeOf(dir.File("a.cdx")), -1);
  EXPECT_EQ(Walk(*file.TagByName("NAME")), (std::vector<std::int32_t>{2, 1}));
}

// Enciphers a plain table in place with a password.
void Encipher(const std::string& path, const std::string& password) {
  std::string bytes = ReadFile(path);
  auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
  int headerLength = b[8] | b[9] << 8, recordLength = b[10] | b[11] << 8;
  std::uint32_t count = GetLE32(bytes, 4);
  Cipher(password, b + 32, b + 32, headerLength - 33, true);
  for (std::uint32_t r = 0; r < count; ++r) {
    std::uint8_t* record = b + headerLength + r * static_cast<std::uint32_t>(recordLength);
    Cipher(password, record, record, recordLength, true);
  }
  b[15] = 1;
  WriteFile(path, bytes);
}

TEST(IndexFile, PagesOfEncipheredTablesAreEnciphered) {
  TempDir dir;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 300; ++i) rows.push_back({Numbered("SECRET", 1000 + i * 7 % 300)});
  MakeTable(dir.File("e.dbf"), {{"NAME", 'C', 12, 0}}, rows);
  Encipher(dir.File("e.dbf"), "pass");
  {
    IndexedTable table(dir.File("e.dbf"), false, true, "pass");
    VXobjCDXFile& file = table.OpenCdx(dir.File("e.cdx"), true);
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    table.BlankRecord();
    table.TextPutByName("NAME", "SECRET0999");
    table.AppendRecord();
    EXPECT_TRUE(CheckTag(*file.TagByName("NAME")).empty());
  }
  std::string bytes = ReadFile(dir.File("e.cdx"));
  EXPECT_EQ(bytes.find("SECRET"), std::string::npos);
  EXPECT_EQ(bytes.find("NAME"), std::string::npos);
  IndexedTable table(dir.File("e.dbf"), false, true, "pass");
  VXobjCDXFile& file = table.OpenCdx(dir.File("e.cdx"));
  VXobjIndexTag& tag = *file.TagByName("NAME");
  EXPECT_EQ(tag.Seek(tag.SearchKey("SECRET0999")), 301);
  EXPECT_EQ(Walk(tag).size(), 301u);
}

// A table whose password changes: its index pages are enciphered again
// with the new one (Recrypt), and read back with it.
class RekeyedTable : public IndexedTable {
public:
  using IndexedTable::IndexedTable;
  void SetWritePassword(const std::string& password) { writePassword_ = password; }
};

TEST(IndexFile, RecryptEnciphersThePagesWithTheNewPassword) {
  TempDir dir;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 100; ++i) rows.push_back({Numbered("S", 1000 + i * 7 % 100)});
  MakeTable(dir.File("r.dbf"), {{"NAME", 'C', 8, 0}}, rows);
  Encipher(dir.File("r.dbf"), "old");
  {
    RekeyedTable table(dir.File("r.dbf"), false, true, "old");
    VXobjCDXFile& file = table.OpenCdx(dir.File("r.cdx"), true);
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    table.SetWritePassword("new");
    file.Recrypt();
  }
  // The table's own bytes are enciphered with the new password too.
  std::string bytes = ReadFile(dir.File("r.dbf"));
  auto* b = reinterpret_cast<std::uint8_t*>(bytes.data());
  int headerLength = b[8] | b[9] << 8, recordLength = b[10] | b[11] << 8;
  Cipher("old", b + 32, b + 32, headerLength - 33, false);
  Cipher("new", b + 32, b + 32, headerLength - 33, true);
  for (int r = 0; r < 100; ++r) {
    std::uint8_t* record = b + headerLength + r * recordLength;
    Cipher("old", record, record, recordLength, false);
    Cipher("new", record, record, recordLength, true);
  }
  WriteFile(dir.File("r.dbf"), bytes);
  IndexedTable table(dir.File("r.dbf"), false, true, "new");
  VXobjCDXFile& file = table.OpenCdx(dir.File("r.cdx"));
  VXobjIndexTag& tag = *file.TagByName("NAME");
  EXPECT_EQ(Walk(tag).size(), 100u);
  EXPECT_TRUE(CheckTag(tag).empty());
}

}  // namespace
}  // namespace talvern::testing

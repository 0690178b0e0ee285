// The bytes of compound index files this engine writes: the layout of a new
// file, tag headers, leaf compression and the key encodings.

#include <algorithm>
#include <cstring>

#include "IndexTestKit.h"
#include "engine/Bytes.h"
#include "index/CdxLayout.h"

namespace talvern::testing {
namespace {

std::uint16_t LE16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) | (static_cast<std::uint8_t>(s[at + 1]) << 8));
}

class CdxFormatTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string dbf = dir.File("parts.dbf");
  std::string cdx = dir.File("parts.cdx");
};

TEST_F(CdxFormatTest, NewFileHasDirectoryRootLeafAndFirstTagHeader) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, {{"KT315"}, {"KT361"}});
  {
    IndexedTable table(dbf, false, true);
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd("name", "NAME", false, true, ""));
    EXPECT_TRUE(table.ProductionIndex());
  }
  std::string bytes = ReadFile(cdx);
  // Directory header at 0: root at 1024, key length 10, options 0xE0.
  EXPECT_EQ(GetLE32(bytes, 0), 1024u);
  EXPECT_EQ(LE16(bytes, 12), 10);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[14]), 0xE0);
  // The directory's root leaf: attributes 3, one entry (the tag), siblings
  // -1, entry bytes chosen for the file size.
  EXPECT_EQ(LE16(bytes, 1024), 3);
  EXPECT_EQ(LE16(bytes, 1026), 1);
  EXPECT_EQ(GetLE32(bytes, 1028), 0xFFFFFFFFu);
  EXPECT_EQ(GetLE32(bytes, 1032), 0xFFFFFFFFu);
  // The first tag's header at 1536: key length 10, options 0x60, its key
  // expression at 512 within the header.
  EXPECT_EQ(LE16(bytes, 1536 + 12), 10);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[1536 + 14]), 0x60);
  EXPECT_EQ(bytes.substr(1536 + 512, 5), std::string("NAME\0", 5));
  EXPECT_EQ(LE16(bytes, 1536 + 504), 5);
  EXPECT_EQ(LE16(bytes, 1536 + 506), 1);
  EXPECT_EQ(LE16(bytes, 1536 + 510), 5);
  EXPECT_EQ(bytes.size() % 512, 0u);
}

TEST_F(CdxFormatTest, EmptyFileDirectoryIsAnEmptyRootLeaf) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, {});
  {
    IndexedTable table(dbf, false, true);
    table.OpenCdx(cdx, true);
  }
  std::string bytes = ReadFile(cdx);
  ASSERT_EQ(bytes.size(), 1536u);
  EXPECT_EQ(LE16(bytes, 1024), 3);
  EXPECT_EQ(LE16(bytes, 1026), 0);
  EXPECT_EQ(LE16(bytes, 1024 + 12), 488);  // free bytes
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[1024 + 23]), 3);  // entry bytes
}

TEST_F(CdxFormatTest, SharedPrefixesAreStoredOnce) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, {{"ABC"}, {"ABD"}});
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx, true);
  ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
  std::int32_t root = file.TagByName("NAME")->Root;
  std::string bytes = ReadFile(cdx);
  std::string page = bytes.substr(static_cast<std::size_t>(root), 512);
  EXPECT_EQ(LE16(page, 0), 3);
  EXPECT_EQ(LE16(page, 2), 2);
  int eb = static_cast<std::uint8_t>(page[23]);
  int recBits = static_cast<std::uint8_t>(page[20]);
  ASSERT_EQ(eb, 3);
  // Second descriptor: duplicate count 2, trailing count 7 (10 - 3).
  std::uint32_t v = static_cast<std::uint8_t>(page[24 + eb]) | (static_cast<std::uint8_t>(page[25 + eb]) << 8) |
                    (static_cast<std::uint8_t>(page[26 + eb]) << 16);
  EXPECT_EQ(v & ((1u << recBits) - 1), 2u);
  EXPECT_EQ((v >> recBits) & 15u, 2u);
  EXPECT_EQ((v >> (recBits + 4)) & 15u, 7u);
  // Key bytes from the end: "ABC" then the one new byte "D".
  EXPECT_EQ(page.substr(509, 3), "ABC");
  EXPECT_EQ(page[508], 'D');
  EXPECT_EQ(LE16(page, 12), 488 - (3 + 3) - (1 + 3));
}

TEST_F(CdxFormatTest, LeafLayoutFollowsTheRecordCount) {
  // Key length 10: 4 bits each for duplicate and trailing counts.
  cdx::LeafLayout small = cdx::BuilderLeafLayout(10, 1000);
  EXPECT_EQ(small.entryBytes, 3);
  EXPECT_EQ(small.recBits, 16);
  EXPECT_EQ(small.recMask, 0xFFFFu);
  EXPECT_EQ(small.dupBits, 4);
  EXPECT_EQ(small.dupMask, 15);
  cdx::LeafLayout writer = cdx::WriterLeafLayout(10, 1000);
  EXPECT_EQ(writer.entryBytes, 3);
  EXPECT_EQ(writer.recMask, 0xFFFFu);
  cdx::LeafLayout large = cdx::BuilderLeafLayout(10, 70000);
  EXPECT_EQ(large.entryBytes, 4);
  EXPECT_EQ(large.recBits, 24);
  EXPECT_EQ(large.recMask, 0xFFFFFFu);
  EXPECT_EQ(cdx::WriterLeafLayout(10, 70000).entryBytes, 4);
  EXPECT_EQ(cdx::SignificantBits(7), 3);
  EXPECT_EQ(cdx::SignificantBits(8), 4);
}

TEST_F(CdxFormatTest, LeavesOfALargeTableTakeFourBytesPerEntry) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 70000; ++i) rows.push_back({std::to_string(i % 997)});
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, rows);
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx, true);
  ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
  VXobjIndexTag& tag = *file.TagByName("NAME");
  tag.MoveTo(RecTop);
  VXobjIndexKey* node = tag.Path.get();
  while (node->Child) node = node->Child.get();
  EXPECT_EQ(node->EntryBytes, 4);
  EXPECT_EQ(node->RecMask, 0xFFFFFFu);
  // A leaf rewritten by key maintenance arrives at the same layout.
  table.BlankRecord();
  table.TextPutByName("NAME", "0");
  table.AppendRecord();
  tag.MoveTo(RecTop);
  node = tag.Path.get();
  while (node->Child) node = node->Child.get();
  EXPECT_EQ(node->EntryBytes, 4);
  tag.ReleaseNodes();
  EXPECT_EQ(Walk(tag).size(), 70001u);
}

TEST_F(CdxFormatTest, NumericKeysSortAsNumbers) {
  MakeTable(dbf, {{"N", 'N', 8, 2}}, {{"1"}, {"2"}, {"-1"}, {"0"}});
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx, true);
  ASSERT_TRUE(file.TagAdd("N", "N", false, true, ""));
  VXobjIndexTag& tag = *file.TagByName("N");
  EXPECT_EQ(tag.KeyType, 'N');
  EXPECT_EQ(tag.KeyLength, 8);
  auto encoded = [&](double x, bool trim) {
    VXobjIndexKeyData k;
    k.SetDouble(x);
    tag.KeyConvert(k, trim);
    return std::string(k.View());
  };
  EXPECT_EQ(encoded(1.0, false), std::string("\xBF\xF0\0\0\0\0\0\0", 8));
  EXPECT_EQ(encoded(1.0, true), "\xBF\xF0");
  EXPECT_EQ(encoded(2.0, false), std::string("\xC0\0\0\0\0\0\0\0", 8));
  EXPECT_EQ(encoded(2.0, true), "\xC0");
  EXPECT_EQ(encoded(-1.0, true), "\x40\x0F\xFF\xFF\xFF\xFF\xFF\xFF");
  EXPECT_EQ(encoded(0.0, true), "\x80");
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{3, 4, 1, 2}));
  // A number given as text finds its entry.
  EXPECT_EQ(tag.Seek(tag.SearchKey("2")), 2);
  EXPECT_EQ(tag.Seek(tag.SearchKey("-1,00")), 3);
  tag.ReleaseNodes();
}

TEST_F(CdxFormatTest, DateKeysSortByDay) {
  MakeTable(dbf, {{"D", 'D', 8, 0}}, {{"20240301"}, {"19991231"}, {"20240229"}});
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx, true);
  ASSERT_TRUE(file.TagAdd("D", "D", false, true, ""));
  VXobjIndexTag& tag = *file.TagByName("D");
  EXPECT_EQ(tag.KeyType, 'D');
  EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{2, 3, 1}));
  EXPECT_EQ(tag.Seek(tag.SearchKey("20240229")), 3);
  EXPECT_EQ(tag.Seek(tag.SearchKey("29.02.2024")), 3);
  tag.ReleaseNodes();
}

TEST_F(CdxFormatTest, DescendingTagIsStoredAscendingAndFlagged) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, {{"B"}, {"A"}, {"C"}});
  {
    IndexedTable table(dbf, false, true);
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd("DOWN", "NAME", false, false, ""));
    VXobjIndexTag& tag = *file.TagByName("DOWN");
    EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{3, 1, 2}));
    EXPECT_EQ(Walk(tag, false), (std::vector<std::int32_t>{2, 1, 3}));
  }
  std::string bytes = ReadFile(cdx);
  EXPECT_EQ(LE16(bytes, 1536 + 502), 1);
  // Stored ascending: the root leaf's first key is "A".
  std::int32_t root = static_cast<std::int32_t>(GetLE32(bytes, 1536));
  EXPECT_EQ(bytes[static_cast<std::size_t>(root) + 511], 'A');
}

TEST_F(CdxFormatTest, TagNamesAreUpperCasedAndReplacedInAnyCase) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}, {"N", 'N', 4, 0}}, {{"X", "2"}, {"Y", "1"}});
  {
    IndexedTable table(dbf, false, true);
    VXobjCDXFile& file = table.OpenCdx(cdx, true);
    ASSERT_TRUE(file.TagAdd("Order", "NAME", false, true, ""));
    ASSERT_TRUE(file.TagAdd("ORDER", "N", false, true, ""));
    ASSERT_EQ(file.TagCount(), 1);
    EXPECT_EQ(file.TagByNumber(0)->Name, "ORDER");
    EXPECT_EQ(file.TagByName("order")->KeyExpr, "N");
    EXPECT_NE(ErrorOf([&] { file.TagAdd("ELEVENCHARS", "NAME", false, true, ""); }), "");
  }
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx);
  ASSERT_EQ(file.TagCount(), 1);
  EXPECT_EQ(Walk(*file.TagByName("ORDER")), (std::vector<std::int32_t>{2, 1}));
}

TEST_F(CdxFormatTest, DeletingTheLastTagLeavesOnlyADirectory) {
  MakeTable(dbf, {{"NAME", 'C', 10, 0}}, {{"X"}, {"Y"}});
  IndexedTable table(dbf, false, true);
  VXobjCDXFile& file = table.OpenCdx(cdx, true);
  ASSERT_TRUE(file.TagAdd("A", "NAME", false, true, ""));
  ASSERT_TRUE(file.TagAdd("B", "NAME", false, true, ""));
  EXPECT_TRUE(file.TagDelete("a"));
  EXPECT_FALSE(file.TagDelete("a"));
  EXPECT_EQ(file.TagCount(), 1);
  EXPECT_TRUE(file.TagDelete("B"));
  EXPECT_EQ(file.TagCount(), 0);
  EXPECT_EQ(FileSizeOf(cdx), 1536);
}

}  // namespace
}  // namespace talvern::testing

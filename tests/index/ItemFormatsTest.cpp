// The bytes of the .mdx, .ndx and .ntx formats as this engine writes them,
// against values worked out by hand from the layouts: headers, a first page,
// numeric keys, the tag table of a multiple-tag file, and a rebuild.

#include <cstring>

#include "IndexTestKit.h"
#include "index/MdxFile.h"
#include "index/NumericKeys.h"

namespace talvern::testing {
namespace {

std::uint32_t Le16(const std::string& s, std::size_t at) { return GetLE32(s.substr(at, 2) + std::string(2, '\0'), 0); }
std::uint32_t Le32(const std::string& s, std::size_t at) { return GetLE32(s, at); }

TEST(ItemFormats, NtxHeaderAndFirstPageOfAnEmptyTable) {
  TempDir dir;
  MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 10, 0}}, {});
  IndexedTable table(dir.File("t.dbf"), false, true);
  ASSERT_TRUE(table.OpenIndex(dir.File("name.ntx"), true).TagAdd("NAME", "NAME", true, false, "NAME > 'A'"));
  const std::string f = ReadFile(dir.File("name.ntx"));
  ASSERT_EQ(f.size(), 2048u);
  // Key length 10: items of 18 bytes, 2 x ((1020 div 20 - 1) div 2) = 50 keys.
  EXPECT_EQ(Le16(f, 0), 7u);     // with a FOR expression
  EXPECT_EQ(Le16(f, 2), 1u);     // counter
  EXPECT_EQ(Le32(f, 4), 1024u);  // root
  EXPECT_EQ(Le16(f, 12), 18u);
  EXPECT_EQ(Le16(f, 14), 10u);
  EXPECT_EQ(Le16(f, 18), 50u);
  EXPECT_EQ(Le16(f, 20), 25u);
  EXPECT_EQ(f.substr(22, 5), std::string("NAME\0", 5));
  EXPECT_EQ(f[278], 1);  // unique
  EXPECT_EQ(f[279], 1);  // descending
  EXPECT_EQ(f.substr(282, 11), std::string("NAME > 'A'\0", 11));
  // The root: no keys, 51 item offsets from 2 x (50 + 2) = 104 on, 18 apart.
  EXPECT_EQ(Le16(f, 1024), 0u);
  for (int i = 0; i <= 50; ++i) EXPECT_EQ(Le16(f, 1024 + 2 + 2 * i), 104u + 18u * i) << i;
}

TEST(ItemFormats, NtxNumbersAreTextsWithNegativeDigitsMirrored) {
  // -1.5 in 6 characters with 2 decimals: "  1.50" -> "001.50" -> each digit
  // d becomes 92 - d: ",,+.',".
  EXPECT_EQ(NtxNumberText(-1.5, 6, 2), ",,+.',");
  EXPECT_EQ(NtxNumberText(1.5, 6, 2), "001.50");
  EXPECT_EQ(NtxNumberText(12345.0, 4, 0), "9999");  // too wide: the widest
  TempDir dir;
  CreateTable(dir.File("t.dbf"), 0x03, {{"N", 'N', 6, 2}});
  IndexedTable table(dir.File("t.dbf"), false, true);
  for (double n : {1.5, -1.5}) {
    table.BlankRecord();
    table.NumberPutByName("N", n);
    table.AppendRecord();
  }
  ASSERT_TRUE(table.OpenIndex(dir.File("n.ntx"), true).TagAdd("N", "N", false, true, ""));
  // Key length 6 from the field: items of 14 bytes, 62 keys, the first item
  // at 2 x 64 = 128 of the root page (1024): child 0, record 2, key.
  const std::string f = ReadFile(dir.File("n.ntx"));
  EXPECT_EQ(Le16(f, 1024), 2u);
  EXPECT_EQ(f.substr(1024 + 128, 14), std::string("\0\0\0\0\2\0\0\0,,+.',", 14));
  EXPECT_EQ(f.substr(1024 + 142, 14), std::string("\0\0\0\0\1\0\0\0" "001.50", 14));
}

TEST(ItemFormats, MdxNumbersAreDecimalWithFifteenDigits) {
  // 1: exponent 1 (52 + 1 = 0x35), one digit (1 x 4 + 1 = 5), digit 1.
  std::uint8_t b[12];
  EncodeMdxNumber(1, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 12), std::string("\x35\x05\x10\0\0\0\0\0\0\0\0\0", 12));
  // -123.45: exponent 3, five digits (21 = 0x15) + 0x80, digits 12 34 5.
  EncodeMdxNumber(-123.45, b);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b), 12), std::string("\x37\x95\x12\x34\x50\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(DecodeMdxNumber(b), -123.45);
  // 0.001: 0.1 x 10^-2, exponent byte 50.
  EncodeMdxNumber(0.001, b);
  EXPECT_EQ(b[0], 50);
  EXPECT_EQ(DecodeMdxNumber(b), 0.001);
  // Fifteen significant digits: the sixteenth rounds.
  EncodeMdxNumber(1234567890.1234567, b);
  EXPECT_EQ(DecodeMdxNumber(b), 1234567890.12346);
}

TEST(ItemFormats, MdxTagTableStaysInNameOrderAndATagOfTheSameNameReplacesIt) {
  TempDir dir;
  MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 8, 0}, {"N", 'N', 4, 0}}, {{"B", "2"}, {"A", "1"}});
  IndexedTable table(dir.File("t.dbf"), false, true);
  VXobjIndexFile& file = table.OpenIndex(dir.File("t.mdx"), true);
  for (const char* name : {"ZED", "alpha", "MID"}) ASSERT_TRUE(file.TagAdd(name, "NAME", false, true, ""));
  ASSERT_TRUE(file.TagAdd("Alpha", "N", true, false, ""));
  EXPECT_EQ(file.TagCount(), 3);
  EXPECT_EQ(file.TagByName("ALPHA")->KeyExpr, "N");
  const std::string f = ReadFile(dir.File("t.mdx"));
  // Version 2, table T, blocks of 2 units = 1024 bytes, 48 entries of 32.
  EXPECT_EQ(f[0], 2);
  EXPECT_EQ(f.substr(4, 2), std::string("T\0", 2));
  EXPECT_EQ(Le16(f, 20), 2u);
  EXPECT_EQ(Le16(f, 22), 1024u);
  EXPECT_EQ(f.substr(24, 3), "\x01\x30\x20");
  EXPECT_EQ(Le16(f, 28), 3u);
  EXPECT_EQ(Le32(f, 32) * 512, f.size());  // the next free unit
  // Entries 1..3 from 544: names in order; entry i - 1 leads to i (+17).
  const char* names[] = {"ALPHA", "MID", "ZED"};
  for (int i = 1; i <= 3; ++i) {
    const std::size_t e = 512 + 32 * static_cast<std::size_t>(i);
    EXPECT_EQ(f.substr(e + 4, std::strlen(names[i - 1])), names[i - 1]);
    EXPECT_EQ(f[e - 32 + 17], i);
    EXPECT_EQ(f[e + 19], 2);
    const std::uint32_t header = Le32(f, e) * 512;
    // ALPHA: numeric (12-byte keys, items of 16, (1024 - 8) div 16 - 1 = 62
    // keys), unique and descending; the others character keys of 8 (items
    // of 12, 83 keys).
    EXPECT_EQ(f[e + 20], i == 1 ? 'N' : 'C');
    EXPECT_EQ(static_cast<std::uint8_t>(f[header + 8]), i == 1 ? 0x10 + 0x40 + 0x08 : 0x10);
    EXPECT_EQ(Le16(f, header + 12), i == 1 ? 12u : 8u);
    EXPECT_EQ(Le16(f, header + 14), i == 1 ? 62u : 83u);
    EXPECT_EQ(Le16(f, header + 18), i == 1 ? 16u : 12u);
  }
  EXPECT_EQ(f[512 + 32 * 3 + 17], 0);
  // 47 tags fill the table: a 48th entry would lie at 512 + 48 x 32 = 2048,
  // on the first block.
  for (int i = 3; i < 47; ++i) ASSERT_TRUE(file.TagAdd(Numbered("T", i), "NAME", false, true, "")) << i;
  EXPECT_EQ(ErrorOf([&] { file.TagAdd("ONEMORE", "NAME", false, true, ""); }),
            "Index file t.mdx has no room for another tag");
  EXPECT_EQ(file.TagCount(), 47);
}

// A rebuilt .ndx file is the header, the rebuilt pages and nothing else:
// the same bytes as the file built afresh over the same records.
TEST(ItemFormats, NdxReindexKeepsTheTagAndRebuildsThePages) {
  TempDir dir;
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 100; ++i) rows.push_back({Numbered("K", (i * 37) % 100)});
  MakeTable(dir.File("t.dbf"), {{"NAME", 'C', 6, 0}}, rows);
  {
    IndexedTable table(dir.File("t.dbf"), false, true);
    VXobjIndexFile& file = table.OpenIndex(dir.File("t.ndx"), true);
    ASSERT_TRUE(file.TagAdd("T", "NAME", true, true, ""));
    // Appends split pages and leave them in the order they were written.
    for (int i = 0; i < 200; ++i) {
      table.BlankRecord();
      table.TextPutByName("NAME", Numbered("J", i));
      table.AppendRecord();
    }
    file.Reindex();
  }
  {
    IndexedTable table(dir.File("t.dbf"), false, true);
    ASSERT_TRUE(table.OpenIndex(dir.File("u.ndx"), true).TagAdd("U", "NAME", true, true, ""));
  }
  const std::string f = ReadFile(dir.File("t.ndx"));
  EXPECT_EQ(f, ReadFile(dir.File("u.ndx")));
  // Key length 6: items of 16 bytes, 504 div 16 = 31 keys; unique; the
  // expression; blocks 1.. of 300 keys in pages of 31 and their parent.
  EXPECT_EQ(Le16(f, 12), 6u);
  EXPECT_EQ(Le16(f, 14), 31u);
  EXPECT_EQ(Le16(f, 16), 0u);
  EXPECT_EQ(Le16(f, 18), 16u);
  EXPECT_EQ(f[23], 1);
  EXPECT_EQ(f.substr(24, 5), std::string("NAME\0", 5));
  EXPECT_EQ(f.size(), 512u * (1 + 10 + 1));
  EXPECT_EQ(Le32(f, 4), 12u);
}

}  // namespace
}  // namespace talvern::testing

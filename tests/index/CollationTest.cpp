// The GENERAL collation: its weights, the key form, and tags that sort by
// it whether their pages were built or rewritten by key maintenance.

#include "IndexTestKit.h"
#include "index/CdxLayout.h"
#include "index/Collation.h"
#include "index/IndexCheck.h"
#include "platform/CodePage.h"

namespace talvern::testing {
namespace {

std::string General(const std::string& text) {
  std::uint8_t out[256];
  int n = GeneralKey(text, out, sizeof out);
  return std::string(reinterpret_cast<const char*>(out), static_cast<std::size_t>(n));
}

TEST(GeneralCollation, WeightsOfLettersDigitsBlanksAndControls) {
  const std::uint8_t* w = GeneralPrimary();
  EXPECT_EQ(w['A'], 0x60);
  EXPECT_EQ(w['a'], 0x60);
  EXPECT_EQ(w['B'], 0x61);
  EXPECT_EQ(w['b'], 0x61);
  EXPECT_EQ(w['0'], 0x56);
  EXPECT_EQ(w['9'], 0x5F);
  EXPECT_EQ(w[' '], 0x11);
  EXPECT_EQ(w[0x01], 0x10);
  // Cyrillic letters of either case share a weight, after every Latin one.
  std::string cyr = platform::Utf8ToOem("АаЯяЁЕ");
  auto at = [&](int i) { return w[static_cast<std::uint8_t>(cyr[static_cast<std::size_t>(i)])]; };
  EXPECT_EQ(at(0), at(1));
  EXPECT_EQ(at(2), at(3));
  EXPECT_GT(at(0), w['Z']);
  EXPECT_GT(at(2), at(0));
  EXPECT_EQ(at(4), at(5));  // Ё weighs as Е ...
  EXPECT_NE(GeneralSecondary()[static_cast<std::uint8_t>(cyr[4])], 0);  // ... told apart by a code
  // Every weight lies where stored keys can hold it.
  for (int c = 0; c < 256; ++c) {
    EXPECT_GE(w[c], 0x10) << c;
    EXPECT_LT(w[c], 0xF0) << c;
    EXPECT_NE(w[c], 0x20) << c;
  }
}

TEST(GeneralCollation, KeysArePrimaryWeightsThenSecondaryCodes) {
  EXPECT_EQ(General("Ab 1"), "\x60\x61\x11\x57");
  EXPECT_EQ(General("aB 1"), General("Ab 1"));
  std::string yo = General(platform::Utf8ToOem("ЁЖ"));
  ASSERT_EQ(yo.size(), 3u);
  EXPECT_EQ(yo.substr(0, 2), General(platform::Utf8ToOem("ЕЖ")));
  EXPECT_GE(static_cast<std::uint8_t>(yo[2]), 0xF0);
  // The numero sign expands to N and O, with a code after them.
  std::string numero = General(platform::Utf8ToOem("№"));
  EXPECT_EQ(numero.substr(0, 2), General("NO"));
  EXPECT_EQ(numero.size(), 3u);
  // Keys are cut at the room given.
  std::uint8_t out[3];
  EXPECT_EQ(GeneralKey("ABCDE", out, 3), 3);
}

TEST(GeneralCollation, TagsSortAcrossCaseAndKeepTheirCollation) {
  TempDir dir;
  auto o = [](const char* s) { return platform::Utf8ToOem(s); };
  std::vector<std::string> names = {"banana", "Apple", o("ёлка"), "apple2", o("Ель"), "APPLE", o("елка")};
  std::vector<std::vector<std::string>> rows;
  for (const auto& n : names) rows.push_back({n});
  MakeTable(dir.File("g.dbf"), {{"NAME", 'C', 8, 0}}, rows);
  {
    IndexedTable table(dir.File("g.dbf"), false, true);
    VXobjCDXFile& file = table.OpenCdx(dir.File("g.cdx"), true);
    VXobjCDXFile::NewTagCollation = kCollationGeneral;
    ASSERT_TRUE(file.TagAdd("NAME", "NAME", false, true, ""));
    VXobjIndexTag& tag = *file.TagByName("NAME");
    EXPECT_EQ(tag.KeyLength, 16);
    // apple = APPLE = Apple (by record), apple2, banana, елка ёлка ель.
    EXPECT_EQ(Walk(tag), (std::vector<std::int32_t>{2, 6, 4, 1, 7, 3, 5}));
    table.SetExactKey(true);
    EXPECT_EQ(tag.Seek(tag.SearchKey("APPLE")), 2);
    EXPECT_EQ(tag.Seek(tag.SearchKey(o("ЁЛКА"))), 3);
    // Maintenance rewrites pages with their secondary codes cut to four
    // bits; they read back the same.
    for (int i = 0; i < 40; ++i) {
      table.BlankRecord();
      table.TextPutByName("NAME", Numbered(o("ёж"), i));
      table.AppendRecord();
    }
    EXPECT_TRUE(CheckTag(tag).empty());
    EXPECT_EQ(tag.Seek(tag.SearchKey(Numbered(o("ЁЖ"), 17))), 25);
    // A rebuild keeps the tag's collation.
    file.Reindex();
    EXPECT_EQ(static_cast<VXobjCDXTag*>(file.TagByName("NAME"))->Collation, kCollationGeneral);
    EXPECT_TRUE(CheckTag(*file.TagByName("NAME")).empty());
  }
  std::string bytes = ReadFile(dir.File("g.cdx"));
  EXPECT_EQ(bytes.substr(1536 + 494, 8), std::string("GENERAL\0", 8));
  EXPECT_EQ(bytes[1536 + 15], 2);
  // Opened again, the tag sorts and seeks as before.
  IndexedTable table(dir.File("g.dbf"), false, true);
  VXobjCDXFile& file = table.OpenCdx(dir.File("g.cdx"));
  VXobjIndexTag& tag = *file.TagByName("NAME");
  table.SetExactKey(true);
  EXPECT_EQ(tag.Seek(tag.SearchKey("apple2")), 4);
  EXPECT_TRUE(CheckTag(tag).empty());
  // The next tag added sorts by machine order again.
  ASSERT_TRUE(file.TagAdd("PLAIN", "NAME", false, true, ""));
  EXPECT_EQ(static_cast<VXobjCDXTag*>(file.TagByName("PLAIN"))->Collation, kCollationMachine);
}

}  // namespace
}  // namespace talvern::testing

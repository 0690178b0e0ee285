// The text table file as the export writes it, byte for byte, and the
// drawing codes it and the import share.
#include <gtest/gtest.h>

#include <random>

#include "ImpexpFixture.h"
#include "engine/Errors.h"
#include "impexp/DrawingCode.h"
#include "impexp/ExportTable.h"

namespace talvern::testing {
namespace {

using impexp::DecodeDrawingCode;
using impexp::EncodeDrawingCode;

// The lines in UTF-8 with "|" for the separator byte, as the file holds them.
std::string TableBytes(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    std::string oem = Oem(line);
    for (char& c : oem)
      if (c == '|') c = '\xB3';
    bytes += oem + "\r\n";
  }
  return bytes;
}

TEST(DrawingCodeTest, ThreeBase62DigitsWhoseByteOrderIsTheirValueOrder) {
  EXPECT_EQ(EncodeDrawingCode(0), "000");
  EXPECT_EQ(EncodeDrawingCode(1), "001");
  EXPECT_EQ(EncodeDrawingCode(61), "00z");
  EXPECT_EQ(EncodeDrawingCode(62), "010");
  EXPECT_EQ(EncodeDrawingCode(36 * 62 * 62 + 10 * 62 + 35), "aAZ");
  EXPECT_EQ(EncodeDrawingCode(238327), "zzz");
  EXPECT_EQ(DecodeDrawingCode("00H"), 17);
  EXPECT_EQ(DecodeDrawingCode("zzz"), 238327);
  std::mt19937 random(7);
  std::uniform_int_distribution<std::int32_t> value(0, 238327);
  for (int i = 0; i < 1000; ++i) {
    const std::int32_t a = value(random), b = value(random);
    ASSERT_EQ(DecodeDrawingCode(EncodeDrawingCode(a)), a);
    ASSERT_EQ(a < b, EncodeDrawingCode(a) < EncodeDrawingCode(b)) << a << " " << b;
  }
  for (const char* bad : {"0-1", "ab!", "\xD0\x90\x31", "1234"}) {
    try {
      DecodeDrawingCode(bad);
      ADD_FAILURE() << bad;
    } catch (const ETalvernError& e) {
      EXPECT_EQ(e.what(), std::string("Ошибка в значении ключа Pics.PIC=") + bad);
    }
  }
}

TEST_F(ImpexpTest, ExportWritesTheKindAsAFixedColumnTable) {
  WriteCatalogue(SmallCatalogue());
  impexp::CatalogueFiles catalogue(dir.Path());
  impexp::ExportTable(catalogue, File("tb_12.tbl"), 12);
  // Columns in GRPD order (FLD 3, 1, 2), as wide as the widest of layout
  // width, heading, unit and values; "=" under the additional column (DOP
  // 1); devices in TYPE order; a code without a drawing record as "#" code.
  EXPECT_EQ(ReadFile(File("tb_12.tbl")),
            TableBytes({"=12",
                        "; Маломощные",
                        "",
                        ";Тип   |Uкэ|Ст   |h21э   |Темпер.   |Импорт|Рис",
                        ";      |В  |     |       |C         |T / F |",
                        ";------+---+-----+=======+----------+------+-------",
                        "TYPE   |3  |1    |2      |TERM      |IMPORT|PIC",
                        ";------+---+-----+=======+----------+------+-------",
                        "2N3055X|   |     |       |          |T     |#00H",
                        "BC547  |45 |npn  |       |          |T     |",
                        "КТ315А |25 |n-p-n|20...90|-60...+100|F     |TO92,КТ-26"}));

  // A kind without devices: the widths of its layout, headings and units.
  impexp::ExportTable(catalogue, File("tb_20.tbl"), 20);
  EXPECT_EQ(ReadFile(File("tb_20.tbl")), TableBytes({"=20",
                                                     "; Пустой",
                                                     "",
                                                     ";Тип|Uобр  |Темпер. |Импорт|Рис",
                                                     ";   |В     |C       |T / F |",
                                                     ";---+------+--------+------+-------",
                                                     "TYPE|1     |TERM    |IMPORT|PIC",
                                                     ";---+------+--------+------+-------"}));
  EXPECT_EQ(impexp::ExportFileName(12), "tb_12.tbl");
}

TEST_F(ImpexpTest, ExportToAFileThatCannotBeWrittenRaises) {
  WriteCatalogue(SmallCatalogue());
  impexp::CatalogueFiles catalogue(dir.Path());
  EXPECT_THROW(impexp::ExportTable(catalogue, File("no/such/dir/tb_12.tbl"), 12), ETalvernError);
}

}  // namespace
}  // namespace talvern::testing

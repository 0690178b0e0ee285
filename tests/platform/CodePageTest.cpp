#include <gtest/gtest.h>

#include "platform/CodePage.h"

using namespace talvern::platform;

TEST(CodePage, RussianLettersMapBothWays) {
  // "Привет, Ёж!" in 1251 and in 866.
  const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6!";
  const std::string oem = "\x8F\xE0\xA8\xA2\xA5\xE2, \xF0\xA6!";
  EXPECT_EQ(CharToOem(ansi), oem);
  EXPECT_EQ(OemToChar(oem), ansi);
  for (int c = 0xC0; c <= 0xFF; ++c) {
    std::string one(1, static_cast<char>(c));
    EXPECT_EQ(OemToChar(CharToOem(one)), one) << c;
  }
}

TEST(CodePage, CharactersSharedByBothPagesKeepTheirIdentity) {
  // No sign, degree, middle dot, currency sign, no-break space, Ukrainian and
  // Belarusian letters that 866 has.
  const unsigned char pairs[][2] = {{0xB9, 0xFC}, {0xB0, 0xF8}, {0xB7, 0xFA}, {0xA4, 0xFD},
                                    {0xA0, 0xFF}, {0xAA, 0xF2}, {0xBA, 0xF3}, {0xAF, 0xF4},
                                    {0xBF, 0xF5}, {0xA1, 0xF6}, {0xA2, 0xF7}, {0xB8, 0xF1}};
  for (const auto& p : pairs) {
    EXPECT_EQ(static_cast<unsigned char>(CharToOem(std::string(1, static_cast<char>(p[0])))[0]), p[1]);
    EXPECT_EQ(static_cast<unsigned char>(OemToChar(std::string(1, static_cast<char>(p[1])))[0]), p[0]);
  }
}

TEST(CodePage, MissingCharactersGetTheirBestFit) {
  // 1251 -> 866: Ukrainian I, typographic quotes and dashes, guillemets.
  EXPECT_EQ(CharToOem("\xB2\xB3"), "Ii");
  EXPECT_EQ(CharToOem("\x93\x94\x91\x92\x96\x97\xAB\xBB"), "\"\"''--<>");
  EXPECT_EQ(CharToOem("\x81\x83"), "\x83\xA3");  // Ѓ ѓ -> Г г
  EXPECT_EQ(CharToOem("\x80"), "?");             // Ђ has none
  // 866 -> 1251: box drawing becomes a plain frame.
  EXPECT_EQ(OemToChar("\xDA\xC4\xBF"), "+-+");
  EXPECT_EQ(OemToChar("\xB3"), "\xA6");
  EXPECT_EQ(OemToChar("\xC9\xCD\xBB"), "+-+");
  EXPECT_EQ(OemToChar("\xFB"), "v");
}

TEST(CodePage, AsciiAndControlCharactersPassUnchanged) {
  std::string all;
  for (int c = 0; c < 128; ++c) all += static_cast<char>(c);
  EXPECT_EQ(CharToOem(all), all);
  EXPECT_EQ(OemToChar(all), all);
}

TEST(CodePage, Utf8Conversions) {
  const std::string utf8 = "\xD0\x9A\xD0\xA2\x33\x31\x35 \xE2\x84\x96 \xC2\xB0";  // КТ315 № °
  EXPECT_EQ(Utf8ToAnsi(utf8), "\xCA\xD2" "315 \xB9 \xB0");
  EXPECT_EQ(AnsiToUtf8(Utf8ToAnsi(utf8)), utf8);
  EXPECT_EQ(OemToUtf8(Utf8ToOem(utf8)), utf8);
  EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD"), "?");  // no Chinese in 1251
  EXPECT_EQ(Utf8ToAnsi("a\xC3"), "a?");        // cut sequence
  EXPECT_EQ(Utf8ToAnsi("\xFF" "b"), "?b");
}

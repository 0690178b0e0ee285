#include <gtest/gtest.h>

#include "platform/Locale.h"

using namespace talvern::platform;

TEST(Locale, RussianDefaults) {
  EXPECT_EQ(Locale().shortDateFormat, "dd.MM.yyyy");
  EXPECT_EQ(Locale().decimalSeparator, ',');
}

TEST(Locale, CaseOfLatinAndCyrillicIn1251And866) {
  EXPECT_EQ(AnsiUpper("abc \xE0\xFF\xB8 \xB3\xBF"), "ABC \xC0\xDF\xA8 \xB2\xAF");
  EXPECT_EQ(AnsiLower("XYZ \xC0\xDF\xA8"), "xyz \xE0\xFF\xB8");
  // 866: а (A0) -> А (80), р (E0) -> Р (90), ё (F1) -> Ё (F0); box drawing stays.
  EXPECT_EQ(OemUpper("a\xA0\xE0\xF1\xB3"), "A\x80\x90\xF0\xB3");
  EXPECT_EQ(OemLower("\x80\x90\xF0"), "\xA0\xE0\xF1");
}

TEST(Locale, CollationOrdersAlphabetically) {
  EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
  EXPECT_EQ(AnsiCompareText("\xC0\xC1\xC2", "\xE0\xE1\xE2"), 0);
  EXPECT_LT(AnsiCompareStr("a", "A"), 0);  // lower case first
  EXPECT_LT(AnsiCompareStr("A", "b"), 0);  // but letters before case
  EXPECT_LT(AnsiCompareText("z", "\xE0"), 0);            // Latin before Cyrillic
  EXPECT_LT(AnsiCompareText("\xE5", "\xB8"), 0);         // е < ё
  EXPECT_LT(AnsiCompareText("\xB8", "\xE6"), 0);         // ё < ж
  EXPECT_LT(AnsiCompareText("9", "a"), 0);
  EXPECT_LT(AnsiCompareText("ab", "a-c"), 0);            // the hyphen counts last
  EXPECT_GT(AnsiCompareText("a-b", "ab"), 0);
  EXPECT_LT(AnsiCompareText("", "a"), 0);
}

TEST(Locale, ShortDatesParseInTheFormatsOrder) {
  int y = 0, m = 0, d = 0;
  ASSERT_TRUE(TryParseShortDate("31.12.1999", y, m, d));
  EXPECT_EQ(y * 10000 + m * 100 + d, 19991231);
  EXPECT_FALSE(TryParseShortDate("31.13.1999", y, m, d));
  EXPECT_FALSE(TryParseShortDate("29.02.2001", y, m, d));
  EXPECT_FALSE(TryParseShortDate("1999-12-31", y, m, d));
  EXPECT_FALSE(TryParseShortDate("", y, m, d));
  SetClock([] { return LocalTime{2026, 5, 1}; });
  ASSERT_TRUE(TryParseShortDate("1.2.30", y, m, d));
  EXPECT_EQ(y, 2030);
  ASSERT_TRUE(TryParseShortDate("1.2.80", y, m, d));
  EXPECT_EQ(y, 1980);
  ASSERT_TRUE(TryParseShortDate("7.3", y, m, d));
  EXPECT_EQ(y * 10000 + m * 100 + d, 20260307);
  SetClock({});
  EXPECT_EQ(FormatDate("DD.MM.YYYY", 2010, 6, 9), "09.06.2010");
  EXPECT_EQ(FormatDate("d.m.yy", 2010, 6, 9), "9.6.10");
}

TEST(Locale, PinnedClock) {
  SetClock([] { return LocalTime{2010, 6, 9, 12, 30, 15, 250}; });
  EXPECT_EQ(Now().year, 2010);
  EXPECT_EQ(Now().millisecond, 250);
  SetClock({});
  EXPECT_GE(Now().year, 2024);
}

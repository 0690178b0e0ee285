// Inputs that must give a clear error instead of a crash, a hang or an
// exhausted memory, and texts in the OEM code page.
#include "ExprTestSupport.h"

#include <string>

namespace talvern::testing {
namespace {

std::string Repeat(std::string_view piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

// Literals have no exponent: 10^300 and 10^15 written out.
const std::string kHuge = "1" + Repeat("0", 300);
const std::string kE15 = "1000000000000000";

std::string With(std::string text) {
  for (std::size_t at; (at = text.find("HUGE")) != std::string::npos;) text.replace(at, 4, kHuge);
  for (std::size_t at; (at = text.find("E15")) != std::string::npos;) text.replace(at, 3, kE15);
  return text;
}

TEST(Faults, DivisionByZeroIsAnError) {
  EXPECT_EQ(ErrorOf("1 / 0"), "Division by zero");
  EXPECT_EQ(ErrorOf("MOD(5, 0)"), "Division by zero");
  EXPECT_EQ(ErrorOf("MOD(5, 0.9)"), "Division by zero");
  EXPECT_EQ(ErrorOf("0 ^ -1"), "Division by zero");
  EXPECT_EQ(ErrorOf("PV(100, -1, 2)"), "Division by zero");
  EXPECT_EQ(ErrorOf(With("HUGE * HUGE")), "Floating point overflow");
}

TEST(Faults, NestingHasALimit) {
  std::string deep = Repeat("(", 150) + "1" + Repeat(")", 150);
  EXPECT_EQ(ErrorOf(deep), "Expression is nested too deeply (more than 100 levels)");
  std::string fine = Repeat("(", 90) + "1" + Repeat(")", 90);
  EXPECT_EQ(EvalNumber(fine), 1);
  EXPECT_EQ(ErrorOf(Repeat("ABS(", 150) + "1" + Repeat(")", 150)),
            "Expression is nested too deeply (more than 100 levels)");
  // A long chain of one operator makes a deep tree too.
  EXPECT_EQ(ErrorOf(Repeat("1+", 3000) + "1"),
            "Expression is nested too deeply (more than 1000 levels)");
  EXPECT_EQ(EvalNumber(Repeat("1+", 900) + "1"), 901);
}

TEST(Faults, HugePowersTakeLogarithmicSteps) {
  EXPECT_EQ(EvalNumber(With("1 ^ E15")), 1);
  EXPECT_EQ(EvalNumber(With("0.5 ^ E15")), 0);
  EXPECT_EQ(EvalNumber("-1 ^ 1000000000000001"), -1);
  EXPECT_EQ(ErrorOf(With("2 ^ E15")), "Floating point overflow");
  EXPECT_EQ(EvalNumber("3 ^ 13"), 1594323);
}

TEST(Faults, HugeCountsAreRefused) {
  EXPECT_EQ(ErrorOf("SPACE(1000000000)"), "Text longer than 1048576 characters asked of SPACE");
  EXPECT_EQ(ErrorOf("PADL('a', 1000000000000)"), "Text longer than 1048576 characters asked of PADL");
  EXPECT_EQ(ErrorOf(With("PADC('a', HUGE, '*')")), "Text longer than 1048576 characters asked of PADC");
  EXPECT_EQ(ErrorOf(With("LEFT('a', HUGE)")), "Text longer than 1048576 characters asked of LEFT");
  EXPECT_EQ(ErrorOf("STR(1, 1000000000)"), "Text longer than 1048576 characters asked of STR");
  EXPECT_EQ(ErrorOf("STRTRAN(SPACE(1000), ' ', SPACE(10000))"),
            "Text longer than 1048576 characters asked of STRTRAN");
  EXPECT_EQ(ErrorOf("SPACE(1000000) + SPACE(1000000)"),
            "Text longer than 1048576 characters asked of +");
  EXPECT_EQ(EvalText("SPACE(1000000)").size(), 1000000u);
  // Huge or odd numbers where a count or position is expected are harmless.
  EXPECT_EQ(EvalText(With("LEFT('a', -HUGE)")), "");
  EXPECT_EQ(EvalText(With("SUBSTR('abc', HUGE)")), "");
  EXPECT_EQ(EvalText(With("SUBSTR('abc', -HUGE, 2)")), "ab");
  EXPECT_EQ(EvalText(With("RIGHT('abc', HUGE)")), "abc");
  EXPECT_EQ(EvalText(With("STUFF('abc', HUGE, -HUGE, 'x')")), "abcx");
  EXPECT_EQ(EvalNumber(With("AT('a', 'aaa', HUGE)")), 3);
  EXPECT_EQ(EvalText("STRZERO(1, 0.000000000000000000001)"), "");
  EXPECT_EQ(EvalNumber("CEILING(100000000000000000000.5)"), 1E20);
  EXPECT_EQ(ErrorOf(With("CHR(HUGE)")), "A Byte value is required but invalid");
  EXPECT_EQ(EvalText(With("DTOS(HUGE)")), "        ");
  EXPECT_EQ(EvalNumber(With("DOW(-HUGE)")), 0);
}

// With the table's translate flag on, texts are in code page 866; letters
// change case and sort as their display form does.
TEST(Faults, OemTextsMapAndSortAsLetters) {
  FakeLink link;  // translates, as the catalogue's tables do
  const char* oemLowerGR = "\xA3\xE0";  // гр in 866
  const char* oemUpperGR = "\x83\x90";  // ГР in 866
  EXPECT_EQ(EvalText(std::string("UPPER('") + oemLowerGR + "')", &link), oemUpperGR);
  EXPECT_EQ(EvalText(std::string("LOWER('") + oemUpperGR + "')", &link), oemLowerGR);
  EXPECT_EQ(EvalText(std::string("PROPER('") + oemUpperGR + "')", &link), "\x83\xE0");
  // 866 puts Ё (0xF0) after я (0xEF); as letters Ё comes first.
  EXPECT_TRUE(EvalBool("'\xF0' < '\xEF'", &link));
  EXPECT_TRUE(EvalBool("'\x80' < '\x81'", &link));  // А before Б
  TvxExpHandler h(&link);
  h.SetCaseInsensitive(true);
  h.SetExpression(std::string("'") + oemLowerGR + "' = '" + oemUpperGR + "'");
  ExprValue v;
  h.Evaluate(v);
  EXPECT_TRUE(v.boolean);
  // Without translation the same bytes are display text.
  link.SetTranslate(false);
  EXPECT_EQ(EvalText("UPPER('\xE0')", &link), "\xC0");
}

}  // namespace
}  // namespace talvern::testing

// The numeric, date and general functions of the library, and its registry.
#include "ExprTestSupport.h"

#include <cmath>

#include "expr/Registry.h"
#include "expr/Variant.h"

namespace talvern::testing {
namespace {

TEST(LibraryValue, EveryFunctionIsRegistered) {
  const char* names[] = {
      "ABS",  "ALLTRIM", "ACOS",   "ASIN",   "ATAN",  "ATN2",  "ASC",     "AT",    "ATC",
      "BETWEEN", "CEILING", "CHR", "COS",    "CTOD",  "DATE",  "DESCEND", "DOW",   "DTOC",
      "DTOR", "DTOS",    "EMPTY",  "FLOOR",  "FV",    "IIF",   "INLIST",  "INT",   "LEFT",
      "LEN",  "LOG",     "LOG10",  "LOWER",  "LTRIM", "MAX",   "MIN",     "MOD",   "PADC",
      "PADL", "PADR",    "PI",     "PV",     "PROPER", "RIGHT", "RTRIM",  "RTOD",  "ROUND",
      "SIN",  "SOUNDEX", "SPACE",  "STR",    "STRTRAN", "STRZERO", "SUBSTR", "TAN", "TRIM",
      "UPPER", "VAL",    "STUFF",  "CHRTRAN"};
  for (const char* name : names) EXPECT_TRUE(GlobalFunctions().Find(name)) << name;
  EXPECT_EQ(GlobalFunctions().Count(), std::size(names));
}

TEST(LibraryValue, Arithmetic) {
  EXPECT_EQ(EvalNumber("ABS(-2.5)"), 2.5);
  EXPECT_EQ(EvalNumber("INT(-3.7)"), -3);
  EXPECT_EQ(EvalNumber("CEILING(2.1)"), 3);
  EXPECT_EQ(EvalNumber("FLOOR(-2.1)"), -3);
  EXPECT_EQ(EvalNumber("MOD(7, 3)"), 1);
  EXPECT_EQ(EvalNumber("MOD(-7, 3)"), -1);
  EXPECT_EQ(EvalNumber("MOD(7, -3)"), 1);
  EXPECT_EQ(EvalNumber("MOD(7.9, 3.9)"), 1);
  EXPECT_EQ(EvalNumber("LOG10(1000)"), 3);
  EXPECT_NEAR(EvalNumber("LOG(2.718281828459045)"), 1, 1e-15);
  EXPECT_NEAR(EvalNumber("ATN2(1, 1)"), std::atan(1.0), 1e-15);
  EXPECT_NEAR(EvalNumber("DTOR(180)"), 3.141592653589793, 1e-15);
  EXPECT_NEAR(EvalNumber("RTOD(PI())"), 180, 1e-12);
  EXPECT_NEAR(EvalNumber("COS(0) + SIN(0) + TAN(0) + ACOS(1) + ASIN(0) + ATAN(0)"), 1, 1e-15);
  EXPECT_EQ(ErrorOf("ACOS(1.5)"), "Argument for ACOS must be -1 to +1");
  EXPECT_EQ(ErrorOf("ASIN(-2)"), "Argument for ASIN must be -1 to +1");
  EXPECT_EQ(ErrorOf("LOG(0)"), "Argument for LOG must be > 0");
  EXPECT_EQ(ErrorOf("LOG10(-1)"), "Argument for LOG10 must be > 0");
}

TEST(LibraryValue, RoundHalfAwayFromZero) {
  EXPECT_EQ(EvalNumber("ROUND(2.5)"), 3);
  EXPECT_EQ(EvalNumber("ROUND(-2.5)"), -3);
  EXPECT_EQ(EvalNumber("ROUND(2.4999)"), 2);
  EXPECT_EQ(EvalNumber("ROUND(2.675, 2)"), 2.68);
  EXPECT_EQ(EvalNumber("ROUND(1.005, 2)"), 1.01);
  EXPECT_EQ(EvalNumber("ROUND(-0.125, 2)"), -0.13);
  EXPECT_EQ(EvalNumber("ROUND(1234.5678, -2)"), 1200);
  EXPECT_EQ(EvalNumber("ROUND(0.4, 0)"), 0);
  EXPECT_EQ(EvalNumber("ROUND(9.995, 2)"), 10);
  EXPECT_EQ(EvalNumber("ROUND(1.5, 20)"), 1.5);
}

TEST(LibraryValue, Annuities) {
  EXPECT_EQ(EvalNumber("FV(100, 0, 10)"), 1000);
  EXPECT_NEAR(EvalNumber("FV(100, 0.1, 2)"), 210, 1e-9);
  EXPECT_NEAR(EvalNumber("FV(100, 0.1, 2, 0, 1)"), 231, 1e-9);
  EXPECT_NEAR(EvalNumber("FV(100, 0.1, 2, 1000)"), 1420, 1e-9);
  EXPECT_NEAR(EvalNumber("PV(100, 0.1, 2)"), 210 / 1.21, 1e-9);
  EXPECT_EQ(EvalNumber("PV(100, 0, 10)"), 1000);
  EXPECT_EQ(ErrorOf("FV(1, 1, 1, 0, 2)"), "Argument for FV PaymentTime must be 0 or 1");
  EXPECT_EQ(ErrorOf("PV(1, 1, 1, 0, -2)"), "Argument for PV PaymentTime must be 0 or 1");
}

TEST(LibraryValue, Val) {
  EXPECT_EQ(EvalNumber("VAL('12.5')"), 12.5);
  EXPECT_EQ(EvalNumber("VAL('12,5')"), 12.5);
  EXPECT_EQ(EvalNumber("VAL(' -3 ')"), -3);
  EXPECT_EQ(EvalNumber("VAL('1e3')"), 1000);
  EXPECT_EQ(EvalNumber("VAL('abc')"), 0);
  EXPECT_EQ(EvalNumber("VAL('12abc')"), 0);
  EXPECT_EQ(EvalNumber("VAL('')"), 0);
  EXPECT_EQ(EvalNumber("VAL('nan')"), 0);
}

TEST(LibraryValue, Dates) {
  EXPECT_EQ(EvalNumber("CTOD('31.12.1999')"), 2451544);
  EXPECT_EQ(EvalNumber("CTOD('19991231')"), 2451544);
  EXPECT_EQ(EvalNumber("CTOD('')"), 1E+100);
  EXPECT_EQ(EvalText("DTOC(CTOD('19991231'))"), "31.12.1999");
  EXPECT_EQ(EvalText("DTOC({19991231}, 1)"), "19991231");
  EXPECT_EQ(EvalText("DTOC(CTOD(''))"), "          ");
  EXPECT_EQ(EvalText("DTOS({19991231} + 1)"), "20000101");
  EXPECT_EQ(EvalText("DTOS(CTOD(''))"), "        ");
  EXPECT_EQ(EvalText("DTOS(0)"), "        ");
  EXPECT_EQ(EvalNumber("DOW({20000101})"), 7);  // a Saturday
  EXPECT_EQ(EvalNumber("DOW({20000102})"), 1);
  EXPECT_EQ(EvalNumber("DOW(CTOD(''))"), 0);
  EXPECT_GT(EvalNumber("DATE()"), 2460000);
  EXPECT_EQ(Eval("DATE()").kind, ValueKind::Date);
  EXPECT_EQ(ErrorOf("DTOS('x')"), "Date needed for Argument 1 of DTOS");
}

TEST(LibraryValue, EmptyByKind) {
  EXPECT_TRUE(EvalBool("EMPTY('   ')"));
  EXPECT_TRUE(EvalBool("EMPTY('')"));
  EXPECT_FALSE(EvalBool("EMPTY(' a')"));
  EXPECT_TRUE(EvalBool("EMPTY(0)"));
  EXPECT_FALSE(EvalBool("EMPTY(0.1)"));
  EXPECT_TRUE(EvalBool("EMPTY(CTOD(''))"));
  EXPECT_TRUE(EvalBool("EMPTY({})"));
  EXPECT_FALSE(EvalBool("EMPTY({20240101})"));
  EXPECT_TRUE(EvalBool("EMPTY(.F.)"));
  EXPECT_FALSE(EvalBool("EMPTY()"));
}

TEST(LibraryValue, DescendInvertsTheOrder) {
  Result r = Eval("DESCEND('A')");
  EXPECT_EQ(r.kind, ValueKind::Text);
  EXPECT_EQ(r.value.text, "\xBF");
  EXPECT_EQ(EvalText("DESCEND('' + CHR(0) + CHR(1))"), std::string("\0\xFF", 2));
  EXPECT_EQ(EvalNumber("DESCEND(5)"), -5);
  EXPECT_FALSE(std::signbit(EvalNumber("DESCEND(0)")));
  EXPECT_FALSE(EvalBool("DESCEND(.T.)"));
  r = Eval("DESCEND({19991231})");
  EXPECT_EQ(r.kind, ValueKind::Date);
  EXPECT_EQ(r.value.number, 5231808 - 2451544);
  EXPECT_EQ(EvalNumber("DESCEND(CTOD(''))"), 1E+100);
  // Index keys compare bytewise: the inverted keys sort in reverse.
  TvxVariant ab, ac;
  TvxExpHandler(nullptr, "DESCEND('AB')").EvaluateTo(ab);
  TvxExpHandler(nullptr, "DESCEND('AC')").EvaluateTo(ac);
  std::int32_t position;
  EXPECT_EQ(ab.Compare(&ac, position), 1);
}

TEST(LibraryValue, Inlist) {
  EXPECT_TRUE(EvalBool("INLIST('ab  ', 'ab', 'cd')"));
  EXPECT_FALSE(EvalBool("INLIST('ab', 'ab  ')"));
  EXPECT_FALSE(EvalBool("INLIST('AB', 'ab')"));
  EXPECT_FALSE(EvalBool("INLIST(3)"));
  EXPECT_TRUE(EvalBool("INLIST(3, 1, 3)"));
  EXPECT_FALSE(EvalBool("INLIST('3', 3)"));
  EXPECT_TRUE(EvalBool("INLIST(2, 1,, 2)"));     // an empty piece is no argument
  EXPECT_FALSE(EvalBool("INLIST(2, 1, , 2)"));   // a blank one ends the list
  EXPECT_FALSE(EvalBool("INLIST()"));
}

TEST(LibraryValue, MaxMinAndBetween) {
  EXPECT_EQ(EvalNumber("MAX(3, 7, 5)"), 7);
  EXPECT_EQ(EvalNumber("MIN(3, 7, 5)"), 3);
  EXPECT_EQ(EvalText("MAX('b', 'a', 'c')"), "c");
  EXPECT_EQ(EvalText("MIN('b', 'a', 'c')"), "a");
  EXPECT_EQ(EvalNumber("MAX(4)"), 4);
  EXPECT_EQ(Eval("MAX({20240101}, {20230101})").kind, ValueKind::Date);
  EXPECT_EQ(ErrorOf("MAX(1, DATE())"), "All arguments for Max() must be of the same type");
  EXPECT_EQ(ErrorOf("MIN('a', 1)"), "All arguments for Min() must be of the same type");
  EXPECT_EQ(ErrorOf("MAX()"), "A value is required for Max()");
  EXPECT_EQ(ErrorOf("MIN()"), "A value is required for Min()");
  EXPECT_TRUE(EvalBool("BETWEEN(5, 1, 10)"));
  EXPECT_TRUE(EvalBool("BETWEEN(10, 1, 10)"));
  EXPECT_FALSE(EvalBool("BETWEEN(11, 1, 10)"));
  EXPECT_TRUE(EvalBool("BETWEEN('b', 'a', 'c')"));
  EXPECT_TRUE(EvalBool("BETWEEN({20240102}, {20240101}, 2460500)"));
  EXPECT_EQ(ErrorOf("BETWEEN(5, 'a', 'c')"), "Number needed for Argument 2 of BETWEEN");
}

}  // namespace
}  // namespace talvern::testing

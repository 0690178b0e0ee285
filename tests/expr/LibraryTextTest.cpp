// The text functions of the library.
#include "ExprTestSupport.h"

namespace talvern::testing {
namespace {

TEST(LibraryText, AtFindsOverlappingOccurrences) {
  EXPECT_EQ(EvalNumber("AT('a', 'banana')"), 2);
  EXPECT_EQ(EvalNumber("AT('a', 'banana', 2)"), 4);
  EXPECT_EQ(EvalNumber("AT('ana', 'banana', 2)"), 4);
  EXPECT_EQ(EvalNumber("AT('x', 'banana')"), 0);
  EXPECT_EQ(EvalNumber("AT('a', 'banana', 5)"), 6);  // fewer occurrences: the last one
  EXPECT_EQ(EvalNumber("AT('a', 'banana', 0)"), 0);
  EXPECT_EQ(EvalNumber("AT('', 'banana')"), 0);
  EXPECT_EQ(EvalNumber("AT('A', 'banana')"), 0);
  EXPECT_EQ(EvalNumber("ATC('A', 'banana', 2)"), 4);
}

TEST(LibraryText, CutsAndPadding) {
  EXPECT_EQ(EvalText("LEFT('ab', 4)"), "ab  ");
  EXPECT_EQ(EvalText("LEFT('abc', 0.01)"), "");
  EXPECT_EQ(EvalText("LEFT('abc', 2.9)"), "ab");
  EXPECT_EQ(EvalText("RIGHT('abc', 5)"), "abc");
  EXPECT_EQ(EvalText("RIGHT('abcdef', 2)"), "ef");
  EXPECT_EQ(EvalText("RIGHT('abc', 0)"), "");
  EXPECT_EQ(EvalText("RIGHT('abc', -2)"), "");
  EXPECT_EQ(EvalText("SUBSTR('abcdef', 3, 2)"), "cd");
  EXPECT_EQ(EvalText("SUBSTR('abcdef', 3)"), "cdef");
  EXPECT_EQ(EvalText("SUBSTR('abc', 0)"), "");
  EXPECT_EQ(EvalText("SUBSTR('abc', 4)"), "");
  EXPECT_EQ(EvalText("SUBSTR('abc', 2, 0)"), "");
  EXPECT_EQ(EvalText("SUBSTR('abc', 2, 99)"), "bc");
  EXPECT_EQ(EvalText("SPACE(3)"), "   ");
  EXPECT_EQ(EvalText("SPACE(-1)"), "");
  EXPECT_EQ(EvalNumber("LEN('abc ')"), 4);
}

TEST(LibraryText, TrimmingDropsBlanksAndControlCharacters) {
  EXPECT_EQ(EvalText("ALLTRIM(CHR(9) + ' a b ' + CHR(10))"), "a b");
  EXPECT_EQ(EvalText("LTRIM('  a ')"), "a ");
  EXPECT_EQ(EvalText("TRIM('  a ' + CHR(0))"), "  a");
  EXPECT_EQ(EvalText("RTRIM('  a  ')"), "  a");
}

TEST(LibraryText, PadFunctions) {
  EXPECT_EQ(EvalText("PADL('7', 3, '0')"), "007");
  EXPECT_EQ(EvalText("PADC('ab', 5, '*')"), "*ab**");
  EXPECT_EQ(EvalText("PADR('abcdef', 3)"), "abcdef");
  EXPECT_EQ(EvalText("PADR('ab', 4)"), "ab  ");
  EXPECT_EQ(EvalText("PADL(7.5, 5)"), "  7.5");
  EXPECT_EQ(EvalText("PADL(.T., 2)"), " T");
  EXPECT_EQ(EvalText("PADR({19991231}, 11, '|')"), "31.12.1999|");
  EXPECT_EQ(ErrorOf("PADR('a', 3, 'xy')"), "A Char value is required but invalid");
  EXPECT_EQ(ErrorOf("PADR('a', 3, 1)"), "A Char value is required but invalid");
  EXPECT_EQ(ErrorOf("PADL()"), "Value needed for Argument 1 of Pad");
  EXPECT_EQ(ErrorOf("PADL('a')"), "Number needed for Argument 2 of PADL");
}

TEST(LibraryText, NestedPadsKeepTheirOwnFillCharacters) {
  EXPECT_EQ(EvalText("PADL(PADR('a', 2, '-'), 4, '+')"), "++a-");
}

TEST(LibraryText, StrUsesTheGivenOrTheDialectLength) {
  EXPECT_EQ(EvalText("STR(3.14159, 6, 2)"), "  3.14");
  EXPECT_EQ(EvalText("STR(2.675, 6, 2)"), "  2.68");
  EXPECT_EQ(EvalText("STR(123456, 3)"), "***");
  EXPECT_EQ(EvalText("STR(-1.5, 5, 1)"), " -1.5");
  EXPECT_EQ(EvalText("STR(42)"), "        42");
  EXPECT_EQ(EvalText("STR(42, 'x')"), "        42");  // a length that is no number is ignored
  EXPECT_EQ(EvalText("STR(1, 3, 5)"), "***");
  EXPECT_EQ(EvalText("STR(1, 0)"), "");
  EXPECT_EQ(EvalText("STRZERO(42, 5)"), "00042");
  EXPECT_EQ(EvalText("STRZERO(-42, 5)"), "-0042");

  FakeLink link;
  link.AddNumber("QTY", 42, 4);
  EXPECT_EQ(EvalText("STR(QTY)", &link), "        42");
  link.SetDialect(1);
  EXPECT_EQ(EvalText("STR(QTY)", &link), "*");
  link.SetDialect(-1);  // as wide as the argument
  EXPECT_EQ(EvalText("STR(QTY)", &link), "  42");
}

TEST(LibraryText, ReplacingText) {
  EXPECT_EQ(EvalText("STRTRAN('a-b-c', '-', '+', 2)"), "a-b+c");
  EXPECT_EQ(EvalText("STRTRAN('a-b-c', '-', '', 1, 1)"), "ab-c");
  EXPECT_EQ(EvalText("STRTRAN('a-b-c', '-')"), "abc");
  EXPECT_EQ(EvalText("STRTRAN('aaa', 'a', 'bb')"), "bbbbbb");
  EXPECT_EQ(EvalText("STRTRAN('abc', '', 'x')"), "abc");
  EXPECT_EQ(EvalText("STRTRAN('', 'a', 'x')"), "");
  EXPECT_EQ(EvalText("CHRTRAN('abc', 'ab', 'x')"), "xc");
  EXPECT_EQ(EvalText("CHRTRAN('abcab', 'ba', 'AB')"), "BAcBA");
  EXPECT_EQ(EvalText("CHRTRAN('', 'a', 'b')"), "");
  EXPECT_EQ(EvalText("STUFF('abcdef', 2, 3, 'XY')"), "aXYef");
  EXPECT_EQ(EvalText("STUFF('abc', 9, 1, 'Z')"), "abcZ");
  EXPECT_EQ(EvalText("STUFF('abc', 0, 1, 'Z')"), "Zabc");
  EXPECT_EQ(EvalText("STUFF('abc', 2, 0, 'Z')"), "aZbc");
  EXPECT_EQ(EvalText("STUFF('abc', 3, 5, '')"), "ab");
  EXPECT_EQ(EvalText("STUFF('', 1, 1, 'Z')"), "");
}

TEST(LibraryText, CaseFunctions) {
  EXPECT_EQ(EvalText("PROPER(\"o'neil-smith jr.\")"), "O'neil-Smith Jr.");
  EXPECT_EQ(EvalText("PROPER('ab`cd 1x (yz')"), "Ab`cd 1x (Yz");
  // Display code page 1251 without a table: иван ПЕТРОВ -> Иван Петров.
  EXPECT_EQ(EvalText("PROPER('\xE8\xE2\xE0\xED \xCF\xC5\xD2\xD0\xCE\xC2')"),
            "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2");
  EXPECT_EQ(EvalText("UPPER('abc \xE0\xE1\xE2\xB8')"), "ABC \xC0\xC1\xC2\xA8");
  EXPECT_EQ(EvalText("LOWER('ABC \xC0\xC1\xC2\xA8')"), "abc \xE0\xE1\xE2\xB8");
}

TEST(LibraryText, Soundex) {
  EXPECT_EQ(EvalText("SOUNDEX('PFISTER')"), "P123");
  EXPECT_EQ(EvalText("SOUNDEX('Robert')"), "R163");
  EXPECT_EQ(EvalText("SOUNDEX('Rupert')"), "R163");
  EXPECT_EQ(EvalText("SOUNDEX('Ashcraft')"), "A261");
  // Equal digits separated only by dropped letters collapse.
  EXPECT_EQ(EvalText("SOUNDEX('Tymczak')"), "T520");
  EXPECT_EQ(EvalText("SOUNDEX('Lee')"), "L000");
  EXPECT_EQ(EvalText("SOUNDEX('a')"), "A000");
  EXPECT_EQ(EvalText("SOUNDEX('')"), "0000");
}

TEST(LibraryText, CharacterCodes) {
  EXPECT_EQ(EvalText("CHR(65)"), "A");
  EXPECT_EQ(EvalText("CHR(0)"), std::string(1, '\0'));
  EXPECT_EQ(ErrorOf("CHR(256)"), "A Byte value is required but invalid");
  EXPECT_EQ(ErrorOf("CHR(-1)"), "A Byte value is required but invalid");
  EXPECT_EQ(EvalNumber("ASC('A')"), 65);
  EXPECT_EQ(EvalNumber("ASC('\xFF')"), 255);
  EXPECT_EQ(EvalNumber("ASC('')"), 0);
}

TEST(LibraryText, MissingOrWrongArguments) {
  EXPECT_EQ(ErrorOf("LEN()"), "Text needed for Argument 1 of LEN");
  EXPECT_EQ(ErrorOf("LEN(1)"), "Text needed for Argument 1 of LEN");
  EXPECT_EQ(ErrorOf("LEFT('a')"), "Number needed for Argument 2 of LEFT");
  EXPECT_EQ(ErrorOf("SUBSTR('a', 'b')"), "Number needed for Argument 2 of SUBSTR");
  EXPECT_EQ(ErrorOf("STUFF('a', 1, 1)"), "Text needed for Argument 4 of STUFF");
}

}  // namespace
}  // namespace talvern::testing

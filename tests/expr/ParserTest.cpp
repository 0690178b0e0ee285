// How expression texts are read: tokens, names, literals, precedence and the
// parse errors.
#include "ExprTestSupport.h"

#include "expr/Registry.h"

namespace talvern::testing {
namespace {

// A table function that answers how many arguments its call has.
class CountArgs : public TvxUserDefFunction {
public:
  std::string_view FunctionName() const override { return "NARGS"; }
  void Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) override {
    value.SetNumber(static_cast<double>(node.ArgCount()));
    kind = ValueKind::Number;
  }
};

class Parser : public ::testing::Test {
protected:
  Parser() {
    link.AddText("NAME", "abc       ");
    a = &link.AddBoolean("A", false);
    b = &link.AddBoolean("B", true);
    c = &link.AddBoolean("C", true);
    link.AddNumber("X", 3);
    link.AddText("TYPE", "KT315");
    link.AddNumber("PI", 99);
    link.Functions().Register(std::make_unique<CountArgs>());
  }
  std::string Printed(std::string_view text) { return TvxExpHandler(&link, text).ExpressionText(); }

  FakeLink link;
  FakeField *a, *b, *c;
};

TEST_F(Parser, NamesAndKeywordsIgnoreCaseButLiteralsKeepIt) {
  EXPECT_EQ(Printed("name = 'abc'"), Printed("NAME='abc'"));
  EXPECT_EQ(Printed("a .and. b"), Printed("A .AND. B"));
  EXPECT_EQ(Printed("NAME = 'aBc'"), "NAME=\"aBc\"");
  EXPECT_TRUE(EvalBool("name = 'abc'", &link));
  EXPECT_FALSE(EvalBool("name = 'ABC'", &link));
}

TEST_F(Parser, TheThreeTextDelimitersGiveTheSameLiteral) {
  EXPECT_EQ(EvalText("[abc]"), "abc");
  EXPECT_EQ(EvalText("'abc'"), "abc");
  EXPECT_EQ(EvalText("\"abc\""), "abc");
  EXPECT_EQ(EvalText("'say \"hi\"'"), "say \"hi\"");
  // No doubling of quotes: 'it''s' is the literal it followed by more text.
  EXPECT_EQ(ErrorOf("'it''s'"), "Syntax Error in expression \"'it''s'\"");
}

TEST_F(Parser, NotAfterAnOperatorTakesTheRestOfTheLevel) {
  // a AND ((NOT b) OR c), not (a AND NOT b) OR c.
  EXPECT_EQ(Printed("a .AND. .NOT. b .OR. c"), "A.AND.(.NOT.B.OR.C)");
  EXPECT_FALSE(EvalBool("a .AND. .NOT. b .OR. c", &link));
  // At the start NOT binds tighter than OR: (NOT b) OR c.
  EXPECT_TRUE(EvalBool(".NOT. b .OR. c", &link));
  EXPECT_TRUE(EvalBool("NOT b OR c", &link));
  EXPECT_FALSE(EvalBool("!b", &link));
  // a = .NOT. b compares a with the negation.
  EXPECT_TRUE(EvalBool("a = .NOT. b", &link));
}

TEST_F(Parser, NotIsOnlyAWholeWord) {
  // The letter run of NOT_USED ends at "_": NOT applied to a name _USED.
  EXPECT_EQ(ErrorOf("NOT_USED = 1", &link), "There is no function for _USED");
  link.AddBoolean("NOTE", true);
  EXPECT_TRUE(EvalBool("NOTE", &link));
  EXPECT_EQ(ErrorOf("!", &link), "Syntax Error in expression \"!\"");
  EXPECT_EQ(ErrorOf("a .AND. .NOT.", &link), "Syntax Error in expression \".NOT.\"");
}

TEST_F(Parser, OperatorsBindByLevelThenLeftToRight) {
  EXPECT_EQ(EvalNumber("2 + 3 * 4"), 14);
  EXPECT_EQ(EvalNumber("x ^ 2 * 3", &link), 27);
  EXPECT_EQ(EvalNumber("10 - 4 - 3"), 3);
  EXPECT_EQ(EvalNumber("100 / 10 / 5"), 2);
  EXPECT_EQ(EvalNumber("2 ^ 3 ^ 2"), 64);
  EXPECT_EQ(EvalNumber("2 ** 3"), 8);
  EXPECT_TRUE(EvalBool("1 = 2 .OR. 3 = 3"));
  EXPECT_TRUE(EvalBool("1 < 2 AND 2 < 3"));
  EXPECT_EQ(Printed("x*2+1 = 7"), "X*2+1=7");
}

TEST_F(Parser, SymbolOperatorsAreGreedy) {
  EXPECT_TRUE(EvalBool("x=-3", &link) == false);
  EXPECT_TRUE(EvalBool("x>=3", &link));
  EXPECT_TRUE(EvalBool("x=>3", &link));
  EXPECT_TRUE(EvalBool("x=<3", &link));
  EXPECT_TRUE(EvalBool("x<>4", &link));
  EXPECT_TRUE(EvalBool("x!=4", &link));
  EXPECT_TRUE(EvalBool("x#4", &link));
  EXPECT_TRUE(EvalBool("x==3", &link));
  EXPECT_EQ(EvalNumber("x**2", &link), 9);
  EXPECT_EQ(ErrorOf("x*=2", &link), "Syntax Error in expression \"x*=2\"");
  EXPECT_EQ(ErrorOf("x>=<2", &link), "Syntax Error in expression \"x>=<2\"");
}

TEST_F(Parser, WordOperatorsWithAndWithoutPeriods) {
  EXPECT_FALSE(EvalBool("a AND b", &link));
  EXPECT_FALSE(EvalBool("a.AND.b", &link));
  EXPECT_TRUE(EvalBool("a .or. b", &link));
  EXPECT_TRUE(EvalBool("x EQ 3 AND x NE 4 AND x GE 3 AND x LE 3 AND x GT 2 AND x LT 4", &link));
  // A word missing its closing period is no operator.
  EXPECT_EQ(ErrorOf("a .AND b", &link), "Syntax Error in expression \"a .AND b\"");
  EXPECT_EQ(ErrorOf("a ANDb", &link), "Syntax Error in expression \"a ANDb\"");
}

TEST_F(Parser, OperatorsMustBeFollowedByText) {
  EXPECT_EQ(ErrorOf("x +", &link), "Syntax Error in expression \"x +\"");
  EXPECT_EQ(ErrorOf("a AND", &link), "Syntax Error in expression \"a AND\"");
  // ".AND." parses (its closing period is the following text) but lacks a
  // right operand.
  EXPECT_EQ(ErrorOf("a .AND.", &link), "Target value missing for .AND. operation");
  EXPECT_EQ(ErrorOf("-x", &link), "Syntax Error in expression \"-x\"");
  EXPECT_EQ(ErrorOf("-(x)", &link), "Syntax Error in expression \"-(x)\"");
  EXPECT_EQ(EvalNumber("x*-1", &link), -3);
}

TEST_F(Parser, QualifiedNames) {
  EXPECT_EQ(EvalText("MAIN->TYPE", &link), "KT315");
  EXPECT_EQ(EvalText("main.type", &link), "KT315");
  EXPECT_EQ(Printed("MAIN->TYPE"), "TYPE");
  EXPECT_EQ(ErrorOf("OTHER->TYPE", &link), "There is no function for OTHER");
  // Names are looked up by their first ten characters, so a long qualified
  // name never matches.
  FakeLink devices;
  devices.table = "DEVICES";
  devices.AddText("TYPE", "x");
  EXPECT_EQ(EvalText("TYPE", &devices), "x");
  EXPECT_EQ(ErrorOf("DEVICES.TYPE", &devices), "There is no function for DEVICES");
  EXPECT_EQ(ErrorOf("NOSUCH", &link), "There is no function for NOSUCH");
}

TEST_F(Parser, GlobalConstantsHideFieldsOfTheSameName) {
  EXPECT_NEAR(EvalNumber("PI", &link), 3.14159265358979, 1e-12);
  EXPECT_TRUE(EvalBool("TRUE", &link));
  EXPECT_FALSE(EvalBool("false", &link));
  // Without a table link no variable is known, not even the constants.
  EXPECT_EQ(ErrorOf("TRUE"), "Field/variable TRUE is unknown");
}

TEST_F(Parser, FunctionCalls) {
  EXPECT_EQ(EvalNumber("NARGS(1,,2)", &link), 2);
  EXPECT_EQ(EvalNumber("NARGS()", &link), 0);
  EXPECT_EQ(EvalNumber("nargs(1, ,2)", &link), 3);  // a blank argument is a missing one
  EXPECT_EQ(EvalNumber("NARGS(',', \"(\", [)], {20240101})", &link), 4);
  EXPECT_EQ(EvalText("UPPER(name)", &link), "ABC       ");
  // With a blank before the parenthesis UPPER is read as a variable name.
  EXPECT_EQ(ErrorOf("UPPER (name)", &link), "There is no function for UPPER");
  EXPECT_EQ(ErrorOf("NOSUCH(1)"), "There is no function for NOSUCH");
  EXPECT_EQ(ErrorOf("NOSUCH(1)", &link), "There is no function for NOSUCH");
  EXPECT_EQ(Printed("left( name , 2 )"), "LEFT(NAME,2)");
}

TEST_F(Parser, GroupsCountEveryParenthesisButCallsRespectQuotes) {
  // The group ends at the quoted parenthesis; what follows it is no operator.
  EXPECT_EQ(ErrorOf("(name = ')')", &link), "Syntax Error in expression \"(name = ')')\"");
  EXPECT_EQ(EvalText("LTRIM(')')", &link), ")");
  EXPECT_EQ(EvalNumber("((1 + 2)) * 3"), 9);
  EXPECT_EQ(ErrorOf("(1 + 2"), "Missing closing parentheses");
  EXPECT_EQ(ErrorOf("LEN('a'"), "Missing closing parentheses");
}

TEST_F(Parser, LiteralErrors) {
  EXPECT_EQ(ErrorOf(".5"), "Missing closing period");
  EXPECT_EQ(ErrorOf(".X."), "Expecting \".T.\" or \".F.\"");
  EXPECT_EQ(ErrorOf("'abc"), "Missing closing \"'\" on literal");
  EXPECT_EQ(ErrorOf("[abc"), "Missing closing \"[\" on literal");
  EXPECT_EQ(ErrorOf("{20240101"), "Missing closing \"{\" on literal");
  EXPECT_TRUE(EvalBool(".t."));
  EXPECT_EQ(Printed(".f. .OR. .T."), ".F..OR..T.");
}

TEST_F(Parser, NumericLiterals) {
  EXPECT_EQ(EvalNumber("-1.5"), -1.5);
  EXPECT_EQ(EvalNumber("+7"), 7);
  EXPECT_EQ(EvalNumber("1.2.3"), 0);  // not a number: 0
  EXPECT_EQ(Printed("1.50 + -3"), "1.50+-3");
  TvxExpHandler h(&link, "NAME + STR(1.250, 8, 3)");
  EXPECT_EQ(h.LargestWidth(), 10);
  EXPECT_EQ(h.LargestDecimals(), 3);
  EXPECT_EQ(h.OperandCount(), 5);
}

TEST_F(Parser, FieldListNamesTheFieldsOutsideCalls) {
  TvxExpHandler h(&link, "X = 1 .AND. NAME = 'a' .OR. MAIN.TYPE = 'b'");
  EXPECT_EQ(h.FieldList(kOwnerTableField), "X;NAME;TYPE;");
  EXPECT_EQ(TvxExpHandler(&link, "UPPER(NAME) = 'A' .AND. X > 1").FieldList(kOwnerTableField), "X;");
  EXPECT_EQ(TvxExpHandler(&link, "PI > 1").FieldList(kOwnerTableField), "");
  EXPECT_EQ(TvxExpHandler(&link, "PI > 1").FieldList(kOwnerVariable), "PI;");
}

TEST_F(Parser, EmptyAndFailedTextsLeaveNoTree) {
  TvxExpHandler h(&link, "X > 1");
  EXPECT_TRUE(h.Root());
  EXPECT_THROW(h.SetExpression("X >"), ETalvernExpression);
  EXPECT_FALSE(h.Root());
  EXPECT_EQ(h.ExpressionText(), "");
  ExprValue v;
  h.Evaluate(v);
  EXPECT_EQ(h.ResultKind(), ValueKind::Unknown);
  h.SetExpression("   ");
  EXPECT_FALSE(h.Root());
}

}  // namespace
}  // namespace talvern::testing

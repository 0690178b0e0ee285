// What operators do with each kind of value, and how texts compare.
#include "ExprTestSupport.h"

#include "expr/Variant.h"

namespace talvern::testing {
namespace {

std::string traceLog;

// TRACE(n) notes n in traceLog and yields it.
class Trace : public TvxUserDefFunction {
public:
  std::string_view FunctionName() const override { return "TRACE"; }
  void Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) override {
    node.GetArg(0, value, ValueKind::Any, kind);
    traceLog += value.text;
  }
};

class Evaluation : public ::testing::Test {
protected:
  Evaluation() {
    name = &link.AddText("NAME", "abc       ");
    link.AddDate("BORN", 2451544);  // 31.12.1999
    link.AddNumber("QTY", 5);
    a = &link.AddBoolean("A", false);
    b = &link.AddBoolean("B", true);
    link.Functions().Register(std::make_unique<Trace>());
  }
  bool NameMatches(std::string_view stored, std::string_view expr) {
    name->current.SetText(stored);
    return EvalBool(expr, &link);
  }

  FakeLink link;
  FakeField *name, *a, *b;
};

TEST_F(Evaluation, TextEqualityIgnoresTrailingBlanksOnly) {
  EXPECT_TRUE(NameMatches("abc       ", "NAME = 'abc'"));
  EXPECT_FALSE(NameMatches("abcd      ", "NAME = 'abc'"));
  EXPECT_FALSE(NameMatches("abc       ", "NAME = 'ab'"));  // not a prefix test
  EXPECT_TRUE(NameMatches("abc       ", "NAME < 'abd'"));
  EXPECT_TRUE(EvalBool("'' = ''"));
  EXPECT_TRUE(EvalBool("'' < 'a'"));
  EXPECT_TRUE(EvalBool("'a' > ''"));
  // A blank field is not the empty text: only the empty text is empty.
  EXPECT_TRUE(NameMatches("          ", "NAME > ''"));
}

TEST_F(Evaluation, ContainedIsAByteExactSearch) {
  EXPECT_TRUE(NameMatches("xabcx     ", "'abc' $ NAME"));
  EXPECT_FALSE(NameMatches("xABcx     ", "'abc' $ NAME"));
  EXPECT_FALSE(NameMatches("xabcx     ", "'' $ NAME"));
  EXPECT_FALSE(NameMatches("xabcx     ", "'abc ' $ 'abc'"));
}

TEST_F(Evaluation, WildcardsOnTheRightWithPartialCompare) {
  EXPECT_TRUE(NameMatches("ABCD", "NAME = 'AB*'"));
  EXPECT_TRUE(NameMatches("XXAB", "NAME = 'AB*'"));  // the pattern may occur anywhere
  EXPECT_FALSE(NameMatches("AB", "NAME = 'AB*'"));   // shorter than the pattern
  EXPECT_TRUE(NameMatches("ABCD", "NAME = 'A?C*'"));
  EXPECT_FALSE(NameMatches("XBCD", "NAME = 'A?C*'"));
  EXPECT_TRUE(NameMatches("Q", "NAME = '*'"));
  EXPECT_TRUE(NameMatches("xxCD", "NAME = '*CD'"));
  EXPECT_FALSE(NameMatches("ABCD", "NAME > 'AB*'"));  // a miss counts as less
  EXPECT_TRUE(NameMatches("ABCD", "NAME < 'X*'"));

  TvxExpHandler exact(&link);
  exact.SetPartialCompare(false);
  exact.SetExpression("NAME = 'AB*'");
  name->current.SetText("ABCD");
  ExprValue v;
  exact.Evaluate(v);
  EXPECT_FALSE(v.boolean);
}

TEST_F(Evaluation, CaseInsensitiveOption) {
  TvxExpHandler h(&link);
  h.SetCaseInsensitive(true);
  h.SetExpression("NAME = 'abc'");
  ExprValue v;
  name->current.SetText("ABC  ");
  h.Evaluate(v);
  EXPECT_TRUE(v.boolean);
  // The option is taken when the text is parsed.
  h.SetCaseInsensitive(false);
  h.Evaluate(v);
  EXPECT_TRUE(v.boolean);
  h.SetExpression("NAME = 'abc'");
  h.Evaluate(v);
  EXPECT_FALSE(v.boolean);
}

TEST_F(Evaluation, MinusMovesTheLeftTrailingBlanksToTheEnd) {
  EXPECT_EQ(EvalText("'ab  ' - 'cd'"), "abcd  ");
  EXPECT_EQ(EvalText("'ab  ' + 'cd'"), "ab  cd");
  EXPECT_EQ(EvalText("'' + 'cd' + ''"), "cd");
  EXPECT_EQ(EvalText("NAME - '!'", &link), "abc!       ");
}

TEST_F(Evaluation, NumbersAndDatesMix) {
  EXPECT_TRUE(EvalBool("BORN - 1 < BORN", &link));
  EXPECT_EQ(Eval("BORN + 5", &link).kind, ValueKind::Number);
  EXPECT_EQ(Eval("5 + BORN", &link).kind, ValueKind::Date);
  EXPECT_EQ(EvalNumber("5 + BORN", &link), 2451549);
  EXPECT_EQ(EvalNumber("{19991231}"), 2451544);
  EXPECT_TRUE(EvalBool("{20240101} < {02.01.2024}"));
  EXPECT_TRUE(EvalBool("QTY = 5.0", &link));
  EXPECT_TRUE(EvalBool("0.1 + 0.2 # 0.3"));  // comparisons are exact
  EXPECT_EQ(EvalNumber("7 / 2"), 3.5);
}

TEST_F(Evaluation, PowerTruncatesTheExponent) {
  EXPECT_EQ(EvalNumber("2 ^ 3"), 8);
  EXPECT_EQ(EvalNumber("2 ^ 3.9"), 8);
  EXPECT_EQ(EvalNumber("-2 ^ 3"), -8);
  EXPECT_EQ(EvalNumber("1.5 ^ 2"), 2.25);
  EXPECT_EQ(EvalNumber("2 ^ 0"), 1);
  EXPECT_EQ(EvalNumber("2 ^ -1"), 0.5);
}

TEST_F(Evaluation, KindErrors) {
  EXPECT_EQ(ErrorOf("'1' = 1"), "The two sides of an operation do not match");
  EXPECT_EQ(ErrorOf("'a' * 2"), "The two sides of an operation do not match");
  EXPECT_EQ(ErrorOf(".T. + .F."), "A number value is required but invalid");
  EXPECT_EQ(ErrorOf(".T. > .F."), "A assigned value is required but invalid");
  EXPECT_EQ(ErrorOf("'a' * 'b'"), "A assigned value is required but invalid");
  EXPECT_EQ(ErrorOf("'a' .AND. 'b'"), "A assigned value is required but invalid");
  EXPECT_EQ(ErrorOf("1 $ 2"), "A assigned value is required but invalid");
  EXPECT_EQ(ErrorOf("NOT 1"), "A assigned value is required but invalid");
  EXPECT_TRUE(EvalBool(".T. = .T. .AND. .T. # .F."));
}

TEST_F(Evaluation, BothSidesAreAlwaysEvaluatedRightFirst) {
  traceLog.clear();
  EXPECT_TRUE(EvalBool("TRACE('1') = TRACE('1') .AND. TRACE('2') < TRACE('3')", &link));
  EXPECT_EQ(traceLog, "3211");
  // AND and OR do not short-circuit.
  a->reads = b->reads = 0;
  EXPECT_FALSE(EvalBool("A .AND. B", &link));
  EXPECT_TRUE(EvalBool("B .OR. A", &link));
  EXPECT_EQ(a->reads, 2);
  EXPECT_EQ(b->reads, 2);
}

TEST_F(Evaluation, IifEvaluatesOnlyTheChosenBranch) {
  Result r = Eval("IIF(.T., 1, 'a')");
  EXPECT_EQ(r.kind, ValueKind::Number);
  EXPECT_EQ(r.value.number, 1);
  EXPECT_EQ(EvalText("IIF(.F., LOG(0), 'b')"), "b");
  traceLog.clear();
  EXPECT_EQ(EvalText("IIF(B, TRACE('y'), TRACE('n'))", &link), "y");
  EXPECT_EQ(traceLog, "y");
  EXPECT_EQ(ErrorOf("IIF(1, 2, 3)"), "Boolean needed for Argument 1 of IIF");
}

TEST_F(Evaluation, ErrorsLeaveTheTreeUsable) {
  TvxExpHandler h(&link, "100 / QTY");
  ExprValue v;
  h.Evaluate(v);
  EXPECT_EQ(v.number, 20);
  link.Variables().Find("QTY");
  static_cast<FakeField*>(link.Variables().Find("QTY"))->current.SetNumber(0);
  EXPECT_THROW(h.Evaluate(v), ETalvernExpression);
  static_cast<FakeField*>(link.Variables().Find("QTY"))->current.SetNumber(4);
  h.Evaluate(v);
  EXPECT_EQ(v.number, 25);
}

TEST_F(Evaluation, EvaluateToStoresByKind) {
  TvxVariant target;
  TvxExpHandler text(&link, "NAME");
  text.EvaluateTo(target);
  EXPECT_EQ(target.Type(), VariantType::Text);
  EXPECT_EQ(target.View(), "abc       ");
  TvxExpHandler number(&link, "QTY * 2");
  number.EvaluateTo(target);
  EXPECT_EQ(target.Type(), VariantType::Double);
  EXPECT_EQ(target.AsDouble(), 10);
  TvxExpHandler date(&link, "BORN + 0.7");
  date.EvaluateTo(target);  // a Number: date + number
  EXPECT_EQ(target.Type(), VariantType::Double);
  TvxExpHandler day(&link, "1 + BORN");
  day.EvaluateTo(target);
  EXPECT_EQ(target.Type(), VariantType::Date);
  EXPECT_EQ(target.AsDate(), 2451545);
  TvxExpHandler truth(&link, "B");
  truth.EvaluateTo(target);
  EXPECT_EQ(target.Type(), VariantType::Boolean);
  EXPECT_TRUE(target.AsBoolean());
  TvxExpHandler none(&link, "");
  none.EvaluateTo(target);
  EXPECT_EQ(target.Type(), VariantType::Text);
  EXPECT_EQ(target.Length(), 0);
  EXPECT_EQ(none.ResultKind(), ValueKind::Unknown);
}

}  // namespace
}  // namespace talvern::testing

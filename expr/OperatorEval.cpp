// Evaluation of the operators: both operands are always evaluated, the right
// one first (AND and OR do not short-circuit); their kinds must match, except
// that numbers, integers, dates and date-times mix. What an operator does
// follows the kind of its right operand.
#include <cmath>

#include "engine/Errors.h"
#include "engine/Strings.h"
#include "expr/Handler.h"
#include "expr/Messages.h"
#include "expr/Node.h"
#include "expr/Operators.h"

namespace talvern {
namespace {

[[noreturn]] void ValueInvalid(std::string_view what) {
  Raise<ETalvernExpression>(msg::kValueInvalid, {what});
}

bool IsComparison(std::uint8_t code) { return code >= kOpEqual && code <= kOpLessEqual; }

bool ComparisonHolds(std::uint8_t code, int order) {
  switch (code) {
    case kOpEqual: return order == 0;
    case kOpNotEqual: return order != 0;
    case kOpGreater: return order > 0;
    case kOpLess: return order < 0;
    case kOpGreaterEqual: return order >= 0;
    default: return order <= 0;
  }
}

double Checked(double x) {
  if (!std::isfinite(x)) Raise<ETalvernExpression>(msg::kOverflow);
  return x;
}

}  // namespace

TvxExpOperator::TvxExpOperator(std::uint8_t code, std::uint8_t level, const CompareOptions& options,
                               const TvxExpHandler& handler)
    : TvxExpBaseObject(kNodeOperator), code_(code), level_(level), options_(options),
      handler_(&handler) {}

std::string TvxExpOperator::OwnText() const {
  const OperatorInfo* op = OperatorByCode(code_);
  return op ? std::string(op->printed) : std::string();
}

void TvxExpOperator::Bind(std::unique_ptr<TvxExpBaseObject> left,
                          std::unique_ptr<TvxExpBaseObject> right) {
  int deepest = 0;
  if (left) deepest = left->Depth();
  if (right && right->Depth() > deepest) deepest = right->Depth();
  left_ = std::move(left);
  right_ = std::move(right);
  nodeClass_ = kNodeBoundOperator;
  depth_ = deepest + 1;
  CheckDepth(depth_);
}

void TvxExpOperator::Evaluate(ExprValue& value, ValueKind& kind) {
  if (!right_ || (!left_ && code_ != kOpNot))
    Raise<ETalvernExpression>(msg::kTargetMissing, {OwnText()});
  ValueKind rightKind, leftKind = ValueKind::Unknown;
  right_->Evaluate(rightValue_, rightKind);
  if (left_) {
    left_->Evaluate(value, leftKind);
    if (leftKind != rightKind && !(IsNumericKind(leftKind) && IsNumericKind(rightKind)))
      Raise<ETalvernExpression>(msg::kSidesDoNotMatch);
  }
  kind = rightKind;
  if (rightKind == ValueKind::Boolean) {
    bool l = value.AsBoolean();
    EvaluateBoolean(value, l);
  } else if (IsNumericKind(rightKind)) {
    EvaluateNumber(value);
  } else if (rightKind == ValueKind::Text) {
    EvaluateText(value);
  } else {
    value.Clear();
  }
  if (IsComparison(code_) || code_ == kOpContained || code_ == kOpAnd || code_ == kOpOr ||
      code_ == kOpNot) {
    if (rightKind == ValueKind::Boolean || IsNumericKind(rightKind) || rightKind == ValueKind::Text)
      kind = ValueKind::Boolean;
  }
  kind_ = kind;
}

void TvxExpOperator::EvaluateBoolean(ExprValue& value, bool left) {
  bool right = rightValue_.AsBoolean();
  switch (code_) {
    case kOpEqual: value.SetBoolean(left == right); break;
    case kOpNotEqual: value.SetBoolean(left != right); break;
    case kOpAnd: value.SetBoolean(left && right); break;
    case kOpOr: value.SetBoolean(left || right); break;
    case kOpNot: value.SetBoolean(!right); break;
    case kOpPlus: case kOpMinus: case kOpTimes: case kOpDivide: case kOpPower:
      ValueInvalid("number");
    default: ValueInvalid("assigned");
  }
}

void TvxExpOperator::EvaluateNumber(ExprValue& value) {
  double l = value.AsNumber(), r = rightValue_.AsNumber();
  if (IsComparison(code_)) {
    double d = l - r;
    value.SetBoolean(ComparisonHolds(code_, (d > 0) - (d < 0)));
    return;
  }
  switch (code_) {
    case kOpPlus: value.SetNumber(Checked(l + r)); break;
    case kOpMinus: value.SetNumber(Checked(l - r)); break;
    case kOpTimes: value.SetNumber(Checked(l * r)); break;
    case kOpDivide:
      if (r == 0) Raise<ETalvernExpression>(msg::kDivisionByZero);
      value.SetNumber(Checked(l / r));
      break;
    case kOpPower: {
      // x^n with n truncated to an integer; pow takes logarithmic steps where
      // a loop of n multiplications would run for minutes on a huge n.
      double n = std::trunc(r);
      if (l == 0 && n < 0) Raise<ETalvernExpression>(msg::kDivisionByZero);
      value.SetNumber(Checked(std::pow(l, n)));
      break;
    }
    default: ValueInvalid("assigned");
  }
}

void TvxExpOperator::EvaluateText(ExprValue& value) {
  if (IsComparison(code_)) {
    int order = CompareExprTexts(value, rightValue_, options_, handler_->TextIsOem(), scratch_);
    value.SetBoolean(ComparisonHolds(code_, order));
    return;
  }
  std::string_view right = rightValue_.AsTextView();
  switch (code_) {
    case kOpContained: {
      std::string_view left = value.AsTextView();
      value.SetBoolean(!left.empty() && right.find(left) != std::string_view::npos);
      break;
    }
    case kOpPlus: {
      if (!value.IsText()) value.NewText();
      CheckTextLength(static_cast<double>(value.text.size()) + static_cast<double>(right.size()), "+");
      value.text += right;
      break;
    }
    case kOpMinus: {
      // The left text's trailing blanks move to the end of the result.
      if (!value.IsText()) value.NewText();
      std::size_t total = value.text.size() + right.size();
      CheckTextLength(static_cast<double>(total), "-");
      value.text.resize(TrimRight(value.text).size());
      value.text += right;
      value.text.resize(total, ' ');
      break;
    }
    default: ValueInvalid("assigned");
  }
}

}  // namespace talvern

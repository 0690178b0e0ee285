#include "expr/FlatFilter.h"

#include <cstring>
#include <typeinfo>

#include "engine/FieldInfo.h"
#include "engine/Fields.h"
#include "expr/Handler.h"
#include "expr/Library.h"
#include "expr/LibraryArgs.h"
#include "expr/Node.h"
#include "expr/Operators.h"
#include "expr/PlainNumber.h"
#include "expr/TableLink.h"

namespace talvern {

namespace {

bool IsComparison(std::uint8_t code) { return code >= kOpEqual && code <= kOpLessEqual; }

// The orders (less, equal, greater: bits 0, 1, 2) for which a comparison
// holds, as the operators decide it from the order of their two sides.
std::uint8_t HoldingOrders(std::uint8_t code) {
  switch (code) {
    case kOpEqual: return 0b010;
    case kOpNotEqual: return 0b101;
    case kOpGreater: return 0b100;
    case kOpLess: return 0b001;
    case kOpGreaterEqual: return 0b110;
    default: return 0b011;
  }
}

bool Holds(std::uint8_t orders, int order) { return (orders >> (order + 1)) & 1; }

// The operators' numeric comparison: the sign of left - right.
int NumberOrder(double left, double right) {
  double d = left - right;
  return (d > 0) - (d < 0);
}

// The table field a node reads, when it is a field variable of a table.
TvxlDBFFieldVars* TableField(const TvxExpBaseObject* node) {
  if (!node || node->NodeClass() != kNodeFieldvar) return nullptr;
  return dynamic_cast<TvxlDBFFieldVars*>(static_cast<const TvxExpFieldvar*>(node)->Variable());
}

bool IsNumberField(const TvxlDBFFieldVars* v) {
  return v && (v->Field().Type() == 'N' || v->Field().Type() == 'F');
}

bool IsTextField(const TvxlDBFFieldVars* v) { return v && v->Field().Type() == 'C'; }

// A number the tree takes as a constant: a numeric or date literal.
bool NumberConstant(const TvxExpBaseObject* node, double& value) {
  if (!node) return false;
  if (node->NodeClass() == kNodeNumLit) {
    value = static_cast<const TvxExpNumLit*>(node)->Value();
    return true;
  }
  return false;
}

// Where needle first stands in hay, or npos. A byte loop over the short
// fields of a record is quicker than the library's search, which sets up a
// vector scan for each field.
std::size_t FindIn(std::string_view hay, std::string_view needle) {
  const std::size_t m = needle.size();
  if (m == 0) return 0;
  if (m > hay.size()) return std::string_view::npos;
  const char first = needle[0];
  const char* h = hay.data();
  const std::size_t last = hay.size() - m;
  for (std::size_t i = 0; i <= last; ++i)
    if (h[i] == first && std::memcmp(h + i + 1, needle.data() + 1, m - 1) == 0) return i;
  return std::string_view::npos;
}

const std::string* TextConstant(const TvxExpBaseObject* node) {
  if (!node || node->NodeClass() != kNodeTextLit) return nullptr;
  return &static_cast<const TvxExpTextLit*>(node)->Text();
}

// AT(text, C field) or AT(text, C field, number).
const TvxExpFunction* AtCall(const TvxExpBaseObject* node) {
  if (!node || node->NodeClass() != kNodeFunction) return nullptr;
  auto* call = static_cast<const TvxExpFunction*>(node);
  if (!call->Function() || typeid(*call->Function()) != typeid(TvxUDFAt)) return nullptr;
  if (call->ArgCount() < 2 || call->ArgCount() > 3) return nullptr;
  double n;
  if (!TextConstant(call->Arg(0)) || !IsTextField(TableField(call->Arg(1)))) return nullptr;
  if (call->ArgCount() == 3 && !NumberConstant(call->Arg(2), n)) return nullptr;
  return call;
}

}  // namespace

std::unique_ptr<TvxFlatFilter> TvxFlatFilter::Compile(const TvxExpBaseObject& root, const TvxExpHandler& handler) {
  std::unique_ptr<TvxFlatFilter> flat(new TvxFlatFilter(handler));
  if (!flat->Add(root)) return nullptr;
  return flat;
}

// Operands in the order the tree evaluates them: the right one, then the
// left one, then the operator.
bool TvxFlatFilter::Add(const TvxExpBaseObject& node) {
  if (steps_.size() >= kMaxSteps) return false;
  switch (node.NodeClass()) {
    case kNodeGroup: {
      const TvxExpBaseObject* inner = static_cast<const TvxExpContainer&>(node).Inner();
      return inner && Add(*inner);
    }
    case kNodeBoundOperator: break;
    default: return false;
  }
  const auto& op = static_cast<const TvxExpOperator&>(node);
  const TvxExpBaseObject* left = op.Left();
  const TvxExpBaseObject* right = op.Right();
  if (!right) return false;
  switch (op.Code()) {
    case kOpNot:
      if (left || !Add(*right)) return false;
      steps_.push_back({StepKind::Not});
      return steps_.size() <= kMaxSteps;
    case kOpAnd:
    case kOpOr:
      if (!left || !Add(*right) || !Add(*left)) return false;
      steps_.push_back({op.Code() == kOpAnd ? StepKind::And : StepKind::Or});
      return steps_.size() <= kMaxSteps;
    default:
      return left && AddComparison(node);
  }
}

bool TvxFlatFilter::AddComparison(const TvxExpBaseObject& node) {
  const auto& op = static_cast<const TvxExpOperator&>(node);
  const TvxExpBaseObject* left = op.Left();
  const TvxExpBaseObject* right = op.Right();
  const std::uint8_t code = op.Code();
  Test test{};
  test.orders = HoldingOrders(code);
  test.options = op.Options();
  TvxlDBFFieldVars *leftField = TableField(left), *rightField = TableField(right);
  const TvxExpBaseObject* other = nullptr;
  if (code == kOpContained) {
    // text $ field, field $ text
    const std::string* text = TextConstant(IsTextField(rightField) ? left : right);
    if (!text || !(IsTextField(rightField) || IsTextField(leftField))) return false;
    test.kind = TestKind::Contains;
    test.fieldLeft = !IsTextField(rightField);
    test.variable = test.fieldLeft ? leftField : rightField;
    test.text = *text;
  } else if (!IsComparison(code)) {
    return false;
  } else if (IsNumberField(leftField) || IsNumberField(rightField)) {
    test.kind = TestKind::Number;
    test.fieldLeft = IsNumberField(leftField);
    test.variable = test.fieldLeft ? leftField : rightField;
    other = test.fieldLeft ? right : left;
    if (!NumberConstant(other, test.number)) return false;
  } else if (IsTextField(leftField) || IsTextField(rightField)) {
    test.kind = TestKind::Text;
    test.fieldLeft = IsTextField(leftField);
    test.variable = test.fieldLeft ? leftField : rightField;
    const std::string* text = TextConstant(test.fieldLeft ? right : left);
    if (!text) return false;
    test.text = *text;
  } else {
    const TvxExpFunction* at = AtCall(left);
    test.fieldLeft = at != nullptr;
    if (!at) at = AtCall(right);
    if (!at || !NumberConstant(test.fieldLeft ? right : left, test.number)) return false;
    test.kind = TestKind::At;
    test.text = *TextConstant(at->Arg(0));
    test.variable = TableField(at->Arg(1));
    double n = 1;
    if (at->ArgCount() == 3) NumberConstant(at->Arg(2), n);
    test.occurrence = lib::OccurrenceCount(n);
  }
  test.offset = test.variable->Field().Offset();
  test.length = test.variable->Field().Length();
  tests_.push_back(std::move(test));
  steps_.push_back({StepKind::Test, static_cast<std::uint16_t>(tests_.size() - 1)});
  return true;
}

bool TvxFlatFilter::Run(Test& test) {
  const char* record = reinterpret_cast<const char*>(test.variable->Table().CurrentRecord());
  std::string_view field(record + test.offset, static_cast<std::size_t>(test.length));
  switch (test.kind) {
    case TestKind::Number: {
      double value;
      if (!ReadPlainNumber(field, value)) value = test.variable->OtherNumberValue();
      return Holds(test.orders, test.fieldLeft ? NumberOrder(value, test.number) : NumberOrder(test.number, value));
    }
    case TestKind::Text: {
      const bool oem = handler_->TextIsOem();
      int order = test.fieldLeft ? CompareExprTexts(field, test.text, test.options, oem, scratch_)
                                 : CompareExprTexts(test.text, field, test.options, oem, scratch_);
      return Holds(test.orders, order);
    }
    case TestKind::At: {
      std::size_t found;
      if (test.occurrence == 1 && !test.text.empty()) {
        found = FindIn(field, test.text);
        found = found == std::string_view::npos ? 0 : found + 1;
      } else {
        found = lib::NthOccurrence(test.text, field, test.occurrence);
      }
      const double at = static_cast<double>(found);
      return Holds(test.orders, test.fieldLeft ? NumberOrder(at, test.number) : NumberOrder(test.number, at));
    }
    default: {
      std::string_view part = test.fieldLeft ? field : std::string_view(test.text);
      std::string_view whole = test.fieldLeft ? std::string_view(test.text) : field;
      return !part.empty() && FindIn(whole, part) != std::string_view::npos;
    }
  }
}

bool TvxFlatFilter::Evaluate() {
  if (steps_.size() == 1) return Run(tests_.front());
  bool stack[kMaxSteps];
  std::size_t top = 0;
  for (const Step& step : steps_) {
    switch (step.kind) {
      case StepKind::Test: stack[top++] = Run(tests_[step.test]); break;
      case StepKind::Not: stack[top - 1] = !stack[top - 1]; break;
      case StepKind::And:
        --top;
        stack[top - 1] = stack[top - 1] && stack[top];
        break;
      case StepKind::Or:
        --top;
        stack[top - 1] = stack[top - 1] || stack[top];
        break;
    }
  }
  return top == 1 && stack[0];
}

}  // namespace talvern

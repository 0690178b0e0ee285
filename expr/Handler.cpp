#include "expr/Handler.h"

#include <cmath>

#include "engine/Errors.h"
#include "expr/FlatFilter.h"
#include "expr/Messages.h"
#include "expr/Operators.h"
#include "expr/Tokenizer.h"
#include "expr/UserLink.h"
#include "expr/Variant.h"

namespace talvern {

void CheckDepth(int depth) {
  if (depth > TvxExpHandler::kMaxDepth)
    Raise<ETalvernExpression>(msg::kTooDeep, {static_cast<std::int64_t>(TvxExpHandler::kMaxDepth)});
}

TvxExpHandler::TvxExpHandler(TvxExpUserLink* link, std::string_view text) : link_(link) {
  if (!text.empty()) SetExpression(text);
}

TvxExpHandler::~TvxExpHandler() = default;

bool TvxExpHandler::TextIsOem() const { return link_ && link_->Translate(); }

void TvxExpHandler::SetExpression(std::string_view text) {
  flat_.reset();
  root_.reset();
  largestWidth_ = largestDecimals_ = operandCount_ = 0;
  resultKind_ = ValueKind::Unknown;
  nesting_ = 0;
  if (text.empty()) return;
  root_ = ParseLevel(text);
  if (root_) flat_ = TvxFlatFilter::Compile(*root_, *this);
}

std::unique_ptr<TvxExpBaseObject> TvxExpHandler::ParseLevel(std::string_view text) {
  if (nesting_ >= kMaxNesting)
    Raise<ETalvernExpression>(msg::kTooDeep, {static_cast<std::int64_t>(kMaxNesting)});
  struct Level {
    int& n;
    explicit Level(int& count) : n(count) { ++n; }
    ~Level() { --n; }
  } level(nesting_);
  std::vector<ExprToken> tokens = Tokenize(text, link_);
  return BuildTree(tokens);
}

void TvxExpHandler::NoteSize(std::int32_t width, std::int32_t decimals) {
  if (width > largestWidth_) largestWidth_ = width;
  if (decimals > largestDecimals_) largestDecimals_ = decimals;
}

std::unique_ptr<TvxExpBaseObject> TvxExpHandler::MakeNode(ExprToken& token) {
  std::unique_ptr<TvxExpBaseObject> node;
  switch (token.code) {
    case kTokenFunction: node = std::make_unique<TvxExpFunction>(*this, token.text); break;
    case kTokenText: node = std::make_unique<TvxExpTextLit>(token.text); break;
    case kTokenDate: node = std::make_unique<TvxExpDateLit>(token.text); break;
    case kTokenLogical: node = std::make_unique<TvxExpBlnLit>(token.text == ".T."); break;
    case kTokenFieldvar:
      if (!link_) Raise<ETalvernExpression>(msg::kUnknownVariable, {token.text});
      node = std::make_unique<TvxExpFieldvar>(*this, token.text);
      NoteSize(node->Width(), node->Decimals());
      break;
    case kTokenNumber:
      node = std::make_unique<TvxExpNumLit>(token.text);
      NoteSize(node->Width(), node->Decimals());
      break;
    case kTokenGroup: return std::make_unique<TvxExpContainer>(*this, token.text);
    default: return std::make_unique<TvxExpOperator>(token.code, token.level, options_, *this);
  }
  ++operandCount_;
  return node;
}

// Binds the operators level by level, lowest (tightest) first; the operators
// of one level bind left to right, so a-b-c is (a-b)-c. NOT takes only the
// element after it.
std::unique_ptr<TvxExpBaseObject> TvxExpHandler::BuildTree(std::vector<ExprToken>& tokens) {
  std::vector<std::unique_ptr<TvxExpBaseObject>> list;
  list.reserve(tokens.size());
  for (ExprToken& token : tokens) list.push_back(MakeNode(token));
  if (list.empty()) return nullptr;

  for (int level = kLowestLevel; level <= kHighestLevel && list.size() > 1; ++level) {
    std::vector<std::unique_ptr<TvxExpBaseObject>> bound;
    bound.reserve(list.size());
    for (std::size_t k = 0; k < list.size(); ++k) {
      auto* node = list[k].get();
      bool binds = node->NodeClass() == kNodeOperator &&
                   static_cast<TvxExpOperator*>(node)->Level() == level &&
                   bound.size() + (list.size() - k) > 1;
      if (binds) {
        std::unique_ptr<TvxExpBaseObject> op = std::move(list[k]), right, left;
        if (k + 1 < list.size()) right = std::move(list[++k]);
        if (level != kNotLevel && !bound.empty()) {
          left = std::move(bound.back());
          bound.pop_back();
        }
        static_cast<TvxExpOperator*>(node)->Bind(std::move(left), std::move(right));
        bound.push_back(std::move(op));
      } else {
        bound.push_back(std::move(list[k]));
      }
    }
    list = std::move(bound);
  }
  if (list.size() != 1) Raise<ETalvernExpression>(msg::kCannotEvaluate);
  return std::move(list.front());
}

std::string TvxExpHandler::ExpressionText() const { return root_ ? root_->AsText() : std::string(); }

void TvxExpHandler::Evaluate(ExprValue& value) {
  if (!root_) {
    value.Clear();
    resultKind_ = ValueKind::Unknown;
    return;
  }
  if (flat_) {
    value.SetBoolean(flat_->Evaluate());
    resultKind_ = ValueKind::Boolean;
    return;
  }
  ValueKind kind = ValueKind::Unknown;
  root_->Evaluate(value, kind);
  resultKind_ = kind;
}

void TvxExpHandler::EvaluateTo(TvxVariant& target) {
  if (!root_) {
    target.SetText({});
    resultKind_ = ValueKind::Unknown;
    return;
  }
  Evaluate(result_);
  if (result_.IsEmpty()) return;
  switch (resultKind_) {
    case ValueKind::Text: target.SetText(result_.AsTextView()); break;
    case ValueKind::Number:
    case ValueKind::DateTime: target.SetDouble(result_.AsNumber()); break;
    case ValueKind::Date: {
      double day = std::trunc(result_.AsNumber());
      target.SetDate(day > 0 && day < 2147483647.0 ? static_cast<std::int32_t>(day) : 0);
      break;
    }
    case ValueKind::Boolean: target.SetBoolean(result_.AsBoolean()); break;
    default: resultKind_ = ValueKind::Unknown; break;
  }
}

std::string TvxExpHandler::FieldList(int ownerKind) const {
  return root_ ? root_->CollectNames(ownerKind) : std::string();
}

}  // namespace talvern

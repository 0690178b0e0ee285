#include "expr/Node.h"

#include <algorithm>

#include "engine/Date.h"
#include "engine/Errors.h"
#include "expr/Handler.h"
#include "expr/Messages.h"
#include "expr/NumberText.h"
#include "expr/Operators.h"
#include "expr/Registry.h"
#include "expr/Tokenizer.h"
#include "expr/UserLink.h"

namespace talvern {

TvxExpBaseObject::TvxExpBaseObject(std::uint8_t nodeClass, ValueKind kind)
    : nodeClass_(nodeClass), kind_(kind) {}

TvxExpBaseObject::~TvxExpBaseObject() = default;

std::string TvxExpBaseObject::OwnText() const { return {}; }

int TvxExpBaseObject::OwnerKind() const { return -1; }

std::string TvxExpBaseObject::AsText() const {
  std::string s;
  if (left_) s += left_->AsText();
  s += OwnText();
  if (right_) s += right_->AsText();
  return s;
}

std::string TvxExpBaseObject::CollectNames(int ownerKind) const {
  std::string s;
  if (left_) s += left_->CollectNames(ownerKind);
  if (OwnerKind() == ownerKind) {
    s += OwnText();
    s += ';';
  }
  if (right_) s += right_->CollectNames(ownerKind);
  return s;
}

void TvxExpBaseObject::Evaluate(ExprValue&, ValueKind& kind) { kind = ValueKind::Unknown; }

// ---------------------------------------------------------------- group

TvxExpContainer::TvxExpContainer(TvxExpHandler& handler, std::string_view text)
    : TvxExpBaseObject(kNodeGroup) {
  inner_ = handler.ParseLevel(text);
  if (inner_) {
    width_ = inner_->Width();
    decimals_ = inner_->Decimals();
    depth_ = inner_->Depth() + 1;
    CheckDepth(depth_);
  }
}

std::string TvxExpContainer::AsText() const {
  std::string s(1, '(');
  if (inner_) s += inner_->AsText();
  s += ')';
  return s;
}

void TvxExpContainer::Evaluate(ExprValue& value, ValueKind& kind) {
  if (inner_) {
    inner_->Evaluate(value, kind);
  } else {
    value.Clear();
    kind = ValueKind::Empty;
  }
  kind_ = kind;
}

// ---------------------------------------------------------------- call

TvxExpFunction::TvxExpFunction(TvxExpHandler& handler, std::string_view tokenText)
    : TvxExpBaseObject(kNodeFunction), handler_(&handler) {
  std::size_t open = tokenText.find('(');
  std::string name(tokenText.substr(0, open));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  TvxExpUserLink* link = handler.Link();
  function_ = GlobalFunctions().Find(name);
  if (!function_ && link) function_ = link->FindFunction(name);
  if (!function_) {
    if (!link) Raise<ETalvernExpression>(msg::kNoFunction, {name});
    link->UnknownFunction(name);
    Raise<ETalvernExpression>(msg::kNoFunction, {name});
  }

  // Arguments: pieces between the commas at the call's own level; an empty
  // piece (F(a,,b)) is skipped, a blank one is kept as a missing argument.
  if (open != std::string_view::npos) {
    std::size_t last = tokenText.size() - 1;
    std::size_t pos = open;
    int deepest = 0;
    while (pos < last) {
      std::size_t stop = ScanArguments(tokenText, pos, true);
      if (stop == std::string_view::npos || stop > last) stop = last;
      std::string_view piece = tokenText.substr(pos + 1, stop - pos - 1);
      if (!piece.empty()) {
        args_.push_back(handler.ParseLevel(piece));
        if (args_.back()) deepest = std::max(deepest, args_.back()->Depth());
      }
      pos = stop;
    }
    depth_ = deepest + 1;
    CheckDepth(depth_);
  }
  scratch_.resize(std::max(args_.size(), kScratchCount));
}

std::string TvxExpFunction::OwnText() const { return std::string(function_->FunctionName()); }

std::string TvxExpFunction::AsText() const {
  std::string s = OwnText() + "(";
  for (std::size_t i = 0; i < args_.size(); ++i) {
    if (i) s += ',';
    if (args_[i]) s += args_[i]->AsText();
  }
  return s + ")";
}

void TvxExpFunction::Evaluate(ExprValue& value, ValueKind& kind) {
  function_->Execute(*this, value, kind);
  kind_ = kind;
}

void TvxExpFunction::GetArg(std::size_t index, ExprValue& value, ValueKind expected,
                            ValueKind& kind) {
  if (index < args_.size() && args_[index]) {
    args_[index]->Evaluate(value, kind);
  } else {
    value.Clear();
    kind = ValueKind::Empty;
  }
  if (kind == ValueKind::Unspecified) kind = expected;
  if (expected != ValueKind::Any && kind != expected &&
      !(IsNumericKind(kind) && IsNumericKind(expected))) {
    Raise<ETalvernExpression>(msg::kArgumentNeeded,
                              {KindName(expected), static_cast<std::int64_t>(index + 1),
                               function_->FunctionName()});
  }
}

std::int32_t TvxExpFunction::ArgWidth(std::size_t index) const {
  if (index < args_.size() && args_[index]) return args_[index]->Width();
  return 10;
}

TvxExpUserLink* TvxExpFunction::CallTable() const { return handler_->Link(); }

// ---------------------------------------------------------------- variable

TvxExpFieldvar::TvxExpFieldvar(TvxExpHandler& handler, std::string_view name)
    : TvxExpBaseObject(kNodeFieldvar), handler_(&handler) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  variable_ = GlobalVariables().Find(upper);
  if (!variable_ && handler.Link()) variable_ = handler.Link()->FindFieldVar(upper);
  if (!variable_) Raise<ETalvernExpression>(msg::kNoFunction, {name});
  width_ = variable_->Width();
  decimals_ = variable_->Decimals();
}

std::string TvxExpFieldvar::OwnText() const { return std::string(variable_->Name()); }

int TvxExpFieldvar::OwnerKind() const { return variable_->OwnerKind(); }

void TvxExpFieldvar::Evaluate(ExprValue& value, ValueKind& kind) {
  variable_->GetValue(value, kind);
  kind_ = kind;
}

// ---------------------------------------------------------------- literals

TvxExpTextLit::TvxExpTextLit(std::string_view text)
    : TvxExpBaseObject(kNodeTextLit, ValueKind::Text), text_(text) {
  width_ = static_cast<std::int32_t>(text_.size());
}

std::string TvxExpTextLit::OwnText() const {
  // Double quotes, unless the text holds one.
  if (text_.find('"') == std::string::npos) return "\"" + text_ + "\"";
  if (text_.find('\'') == std::string::npos) return "'" + text_ + "'";
  return "[" + text_ + "]";
}

void TvxExpTextLit::Evaluate(ExprValue& value, ValueKind& kind) {
  value.SetText(text_);
  kind = ValueKind::Text;
}

TvxExpNumLit::TvxExpNumLit(std::string_view text)
    : TvxExpBaseObject(kNodeNumLit, ValueKind::Number) {
  if (!ParseNumberLiteral(text, value_)) value_ = 0;
  width_ = static_cast<std::int32_t>(text.size());
  std::size_t period = text.find('.');
  if (period != std::string_view::npos)
    decimals_ = static_cast<std::int32_t>(text.size() - period - 1);
}

std::string TvxExpNumLit::OwnText() const {
  std::string s;
  AppendFixed(s, value_, decimals_);
  return s;
}

void TvxExpNumLit::Evaluate(ExprValue& value, ValueKind& kind) {
  value.SetNumber(value_);
  kind = ValueKind::Number;
}

TvxExpDateLit::TvxExpDateLit(std::string_view text)
    : TvxExpBaseObject(kNodeDateLit, ValueKind::Date), day_(DBFDate().StorageToDay(text)) {}

std::string TvxExpDateLit::OwnText() const {
  std::string s(1, '{');
  s += DBFDate().DayToDisplay(static_cast<std::int32_t>(day_));
  s += '}';
  return s;
}

void TvxExpDateLit::Evaluate(ExprValue& value, ValueKind& kind) {
  value.SetNumber(day_);
  kind = ValueKind::Date;
}

TvxExpBlnLit::TvxExpBlnLit(bool value) : TvxExpBaseObject(kNodeBlnLit, ValueKind::Boolean), value_(value) {}

std::string TvxExpBlnLit::OwnText() const { return value_ ? ".T." : ".F."; }

void TvxExpBlnLit::Evaluate(ExprValue& value, ValueKind& kind) {
  value.SetBoolean(value_);
  kind = ValueKind::Boolean;
}

}  // namespace talvern

#include "expr/Registry.h"

#include "expr/Library.h"
#include "expr/TableLink.h"

namespace talvern {
namespace {

std::string Upper(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// Tables get their expression link from this layer: installed while the
// program starts, before any table opens, in the file that every program
// compiling an expression links (the tokenizer looks names up here).
[[maybe_unused]] const bool gTableLinks = (InstallTableLinkMaker(), true);

}  // namespace

TvxUserDefFieldVar::TvxUserDefFieldVar(std::string names, std::int32_t width, std::int32_t decimals)
    : names_(std::move(names)), width_(width), decimals_(decimals) {}

std::string_view TvxUserDefFieldVar::AllNames() const { return names_; }

std::string_view TvxUserDefFieldVar::Name() const {
  std::string_view all = names_;
  return all.substr(0, all.find(';'));
}

int TvxUserDefFieldVar::OwnerKind() const { return kOwnerVariable; }

void TvxUserDefFieldVar::GetValue(ExprValue& value, ValueKind& kind) {
  value.Clear();
  kind = ValueKind::Empty;
}

std::string_view TvxUserDefFunction::FunctionName() const { return {}; }

void TvxUserDefFunction::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  value.Clear();
  kind = ValueKind::Empty;
}

bool TvxFunctionReg::Register(std::unique_ptr<TvxUserDefFunction> function) {
  if (!function) return false;
  std::string name = Upper(function->FunctionName());
  if (entries_.count(name)) return false;
  entries_.emplace(std::move(name), std::move(function));
  return true;
}

TvxUserDefFunction* TvxFunctionReg::Find(std::string_view name) const {
  auto it = entries_.find(Upper(name));
  return it == entries_.end() ? nullptr : it->second.get();
}

TvxFieldVarReg::~TvxFieldVarReg() {
  for (auto& [name, variable] : entries_)
    if (--variable->refCount_ < 1) delete variable;
}

bool TvxFieldVarReg::Register(std::unique_ptr<TvxUserDefFieldVar> variable) {
  if (!variable) return false;
  TvxUserDefFieldVar* v = variable.release();
  std::string all = Upper(v->AllNames());
  bool every = true;
  std::size_t start = 0;
  while (start <= all.size()) {
    std::size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    std::string part = all.substr(start, end - start);
    if (!part.empty()) {
      if (entries_.emplace(std::move(part), v).second)
        ++v->refCount_;
      else
        every = false;
    }
    start = end + 1;
  }
  if (v->refCount_ < 1) {
    delete v;
    return false;
  }
  return every;
}

TvxUserDefFieldVar* TvxFieldVarReg::Find(std::string_view name) const {
  auto it = entries_.find(Upper(name));
  return it == entries_.end() ? nullptr : it->second;
}

void TvxSDVTrue::GetValue(ExprValue& value, ValueKind& kind) {
  value.SetBoolean(true);
  kind = ValueKind::Boolean;
}

void TvxSDVFalse::GetValue(ExprValue& value, ValueKind& kind) {
  value.SetBoolean(false);
  kind = ValueKind::Boolean;
}

void TvxSDVPi::GetValue(ExprValue& value, ValueKind& kind) {
  value.SetNumber(kPi);
  kind = ValueKind::Number;
}

TvxFieldVarReg& GlobalVariables() {
  static TvxFieldVarReg registry;
  static const bool filled = [] {
    registry.Register(std::make_unique<TvxSDVTrue>());
    registry.Register(std::make_unique<TvxSDVFalse>());
    registry.Register(std::make_unique<TvxSDVPi>());
    return true;
  }();
  (void)filled;
  return registry;
}

TvxFunctionReg& GlobalFunctions() {
  static TvxFunctionReg registry;
  static const bool filled = (RegisterLibrary(registry), true);
  (void)filled;
  return registry;
}

}  // namespace talvern

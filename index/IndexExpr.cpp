// The tag's key and FOR expressions: compiled against the table's expression
// link with the tag's dialect, evaluated on the table's current record.

#include "engine/Fields.h"
#include "index/IndexTag.h"

#if __has_include("expr/Handler.h")
#include "expr/Handler.h"
#include "expr/Registry.h"
#include "expr/UserLink.h"
#include "expr/Variant.h"
#define TALVERN_HAVE_EXPRESSIONS 1
#endif

namespace talvern {

void TvxExpHandlerDelete::operator()([[maybe_unused]] TvxExpHandler* handler) const {
#ifdef TALVERN_HAVE_EXPRESSIONS
  delete handler;
#endif
}

#ifdef TALVERN_HAVE_EXPRESSIONS

namespace {
TvxExpHandlerPtr Compile(VXO_dBaseFld* table, std::int16_t dialect, const std::string& text) {
  TvxExpUserLink* link = table->ExpressionLink();
  if (link) link->SetDialect(dialect);
  return TvxExpHandlerPtr(new TvxExpHandler(link, text));
}
}  // namespace

void VXobjIndexTag::KeyExprCompile() {
  VXO_dBaseFld* table = Table();
  if (!table) return;
  KeyHandler.reset();
  KeyHandler = Compile(table, ExprDialect, KeyExpr);
}

void VXobjIndexTag::ForExprCompile() {
  VXO_dBaseFld* table = Table();
  if (!table) return;
  ForHandler.reset();
  ForHandler = Compile(table, ExprDialect, ForExpr);
}

bool VXobjIndexTag::KeyEvaluate(TvxVariant& value, bool& success) {
  success = true;
  if (!KeyHandler || !KeyHandler->Root()) return false;
  KeyHandler->EvaluateTo(value);
  // A value of a kind that keys cannot hold (a memo, say) is no key.
  success = KeyHandler->ResultKind() != ValueKind::Unknown;
  return true;
}

bool VXobjIndexTag::ForEvaluate() {
  if (!ForHandler || !ForHandler->Root()) return false;
  TvxVariant value;
  ForHandler->EvaluateTo(value);
  return ForHandler->ResultKind() == ValueKind::Boolean && value.AsBoolean();
}

std::string VXobjIndexTag::KeyFieldList() const {
  return KeyHandler ? KeyHandler->FieldList(kOwnerTableField) : std::string();
}

#else

void VXobjIndexTag::KeyExprCompile() {}
void VXobjIndexTag::ForExprCompile() {}
bool VXobjIndexTag::KeyEvaluate(TvxVariant&, bool& success) {
  success = true;
  return false;
}
bool VXobjIndexTag::ForEvaluate() { return false; }
std::string VXobjIndexTag::KeyFieldList() const { return std::string(); }

#endif

}  // namespace talvern

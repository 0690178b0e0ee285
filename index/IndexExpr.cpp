// The tag's key and FOR expressions: compiled against the table's expression
// link with the tag's dialect, evaluated on the table's current record.

#include "engine/Fields.h"
#include "index/IndexTag.h"

#include "expr/Handler.h"
#include "expr/Registry.h"
#include "expr/UserLink.h"
#include "expr/Variant.h"

namespace talvern {

void TvxExpHandlerDelete::operator()(TvxExpHandler* handler) const { delete handler; }

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

bool VXobjIndexTag::ForIsLogical() {
  if (!ForHandler || !ForHandler->Root()) return false;
  TvxVariant value;
  ForHandler->EvaluateTo(value);
  return ForHandler->ResultKind() == ValueKind::Boolean;
}

std::string VXobjIndexTag::KeyFieldList() const {
  return KeyHandler ? KeyHandler->FieldList(kOwnerTableField) : std::string();
}

}  // namespace talvern

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
// The table's expression link carries the dialect of the tag's format (the
// length STR() gives without one) while the tag compiles or evaluates an
// expression, and the one it had before afterwards: index files of several
// formats may be open on one table, and its filter is no index key.
class DialectScope {
public:
  DialectScope(TvxExpUserLink* link, std::int16_t dialect) : link_(link) {
    if (!link_) return;
    saved_ = link_->Dialect();
    link_->SetDialect(dialect);
  }
  ~DialectScope() {
    if (link_) link_->SetDialect(saved_);
  }
  DialectScope(const DialectScope&) = delete;
  DialectScope& operator=(const DialectScope&) = delete;

private:
  TvxExpUserLink* link_;
  std::int32_t saved_ = 0;
};

TvxExpHandlerPtr Compile(VXO_dBaseFld* table, std::int16_t dialect, const std::string& text) {
  TvxExpUserLink* link = table->ExpressionLink();
  DialectScope scope(link, dialect);
  return TvxExpHandlerPtr(new TvxExpHandler(link, text));
}

TvxExpUserLink* LinkOf(VXO_dBaseFld* table) { return table ? table->ExpressionLink() : nullptr; }
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
  DialectScope scope(LinkOf(Table()), ExprDialect);
  KeyHandler->EvaluateTo(value);
  // A value of a kind that keys cannot hold (a memo, say) is no key.
  success = KeyHandler->ResultKind() != ValueKind::Unknown;
  return true;
}

bool VXobjIndexTag::ForEvaluate() {
  if (!ForHandler || !ForHandler->Root()) return false;
  TvxVariant value;
  DialectScope scope(LinkOf(Table()), ExprDialect);
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

#include "expr/TableLink.h"

#include <algorithm>
#include <limits>

#include "engine/DbfHeader.h"
#include "engine/DiskFile.h"
#include "engine/Fields.h"
#include "engine/NumberText.h"
#include "engine/Strings.h"
#include "expr/LibraryArgs.h"
#include "expr/PlainNumber.h"
#include "expr/TextRules.h"

namespace talvern {

TvxlDBFFieldVars::TvxlDBFFieldVars(VXO_dBaseFld& table, const TvxDBFFields& field,
                                   std::string names)
    : TvxUserDefFieldVar(std::move(names), field.Length(), field.Decimals()),
      table_(&table), field_(&field) {}

int TvxlDBFFieldVars::OwnerKind() const { return kOwnerTableField; }

// Character and numeric fields are read straight from the record buffer, so
// that a filter evaluated on every record builds no temporary strings.
void TvxlDBFFieldVars::GetValue(ExprValue& value, ValueKind& kind) {
  const std::int32_t n = field_->Number();
  const char* bytes = reinterpret_cast<const char*>(table_->CurrentRecord()) + field_->Offset();
  std::string_view raw(bytes, static_cast<std::size_t>(field_->Length()));
  switch (field_->Type()) {
    case 'C':
      value.SetText(raw);
      kind = ValueKind::Text;
      break;
    case 'D':
      value.SetNumber(table_->DateGet(n));
      kind = ValueKind::Date;
      break;
    case 'F':
    case 'N':
      value.SetNumber(NumberValue());
      kind = ValueKind::Number;
      break;
    case 'L':
      value.SetBoolean(table_->LogicGet(n));
      kind = ValueKind::Boolean;
      break;
    case 'M':
      ReadMemo(value);
      kind = ValueKind::Text;
      break;
    default:
      value.SetText(table_->RawGet(n));
      kind = ValueKind::Memo;
      break;
  }
}

std::string_view TvxlDBFFieldVars::StoredBytes() const {
  const char* bytes = reinterpret_cast<const char*>(table_->CurrentRecord()) + field_->Offset();
  return std::string_view(bytes, static_cast<std::size_t>(field_->Length()));
}

double TvxlDBFFieldVars::NumberValue() {
  double number = 0;
  if (ReadPlainNumber(StoredBytes(), number)) return number;
  return OtherNumberValue();
}

// Exponents, long numbers and damaged fields: the table's own reading,
// which raises its error for a damaged field.
double TvxlDBFFieldVars::OtherNumberValue() {
  std::optional<double> parsed = ParseNumber(TrimRight(StoredBytes()), '.');
  return parsed ? *parsed : static_cast<double>(table_->NumberGet(field_->Number()));
}

void TvxlDBFFieldVars::ReadMemo(ExprValue& value) {
  std::string& text = value.NewText();
  std::int64_t size = table_->MemoSize(field_->Number());
  if (size <= 0) return;
  auto length = static_cast<std::int32_t>(
      std::min<std::int64_t>(size, std::numeric_limits<std::int32_t>::max()));
  text.resize(static_cast<std::size_t>(length));
  table_->MemoRead(field_->Number(), text.data(), length);
  text.resize(static_cast<std::size_t>(std::clamp<std::int32_t>(length, 0, static_cast<std::int32_t>(text.size()))));
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
}

std::string& TvxlDBFTableFunction::NameArg(TvxExpFunction& node) {
  lib::TextArg(node, 0);
  std::string& name = node.Scratch(0).text;
  UpperCaseAscii(name);
  return name;
}

void TvxlDBFRecNo::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  lib::SetNumber(value, kind, table_->RecNo());
}

void TvxlDBFDeleted::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  const std::uint8_t* record = table_->CurrentRecord();
  lib::SetBoolean(value, kind, record && record[0] != ' ');
}

void TvxlDBFBOF::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  lib::SetBoolean(value, kind, table_->Bof());
}

void TvxlDBFEOF::Execute(TvxExpFunction&, ExprValue& value, ValueKind& kind) {
  lib::SetBoolean(value, kind, table_->Eof());
}

void TvxlDBFType::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  const std::uint8_t* descriptor = table_->FieldDescriptor(NameArg(node));
  lib::NewText(value, kind).assign(1, static_cast<char>(descriptor[dbf::kFieldTypeOffset]));
}

void TvxlDBFLen::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string& name = NameArg(node);
  table_->FieldDescriptor(name);  // raises for an unknown name
  lib::SetNumber(value, kind, table_->FieldLength(table_->FieldNumber(name)));
}

void TvxlDBFFieldNo::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  lib::SetNumber(value, kind, table_->FieldNumber(NameArg(node)));
}

std::unique_ptr<TvxExpUserLink> CreateTableLink(VXO_dBaseFld& table) {
  auto link = std::make_unique<TvxExpUserLink>();
  TvxFunctionReg& functions = link->Functions();
  functions.Register(std::make_unique<TvxlDBFRecNo>(table));
  functions.Register(std::make_unique<TvxlDBFDeleted>(table));
  functions.Register(std::make_unique<TvxlDBFBOF>(table));
  functions.Register(std::make_unique<TvxlDBFEOF>(table));
  functions.Register(std::make_unique<TvxlDBFType>(table));
  functions.Register(std::make_unique<TvxlDBFLen>(table));
  functions.Register(std::make_unique<TvxlDBFFieldNo>(table));

  std::string alias = BaseName(table.FileName());
  UpperCaseAscii(alias);
  for (const auto& [name, field] : table.Fields()) {
    auto variable = std::make_unique<TvxlDBFFieldVars>(table, *field, name + ";" + alias + "." + name);
    TvxlDBFFieldVars* registered = variable.get();
    link->Variables().Register(std::move(variable));
    // A damaged table may repeat a name; the variable then lives under its
    // other name, or not at all.
    if (link->Variables().Find(name) == registered) field->SetVariable(registered);
  }
  return link;
}

namespace {

class TableLinkMaker final : public TvxExpressionLinkMaker {
public:
  TvxExpUserLink* Make(VXO_dBaseFld& table) const override { return CreateTableLink(table).release(); }
  void Free(TvxExpUserLink* link) const override { delete link; }
  void SetTranslate(TvxExpUserLink& link, bool on) const override { link.SetTranslate(on); }
};

}  // namespace

void InstallTableLinkMaker() {
  static const TableLinkMaker maker;
  SetExpressionLinkMaker(&maker);
}

}  // namespace talvern

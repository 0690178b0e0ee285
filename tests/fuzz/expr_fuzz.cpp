// Parsing and evaluating any expression text gives a value or an engine
// error; never a crash, a hang or a leak. The first byte picks the options
// (case-insensitive, partial compare, translate flag, dialect); the rest is
// the expression, evaluated on a few records of a small table.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/Errors.h"
#include "expr/Handler.h"
#include "expr/UserLink.h"
#include "expr/Variant.h"

namespace {

using namespace talvern;

class Field : public TvxUserDefFieldVar {
public:
  Field(std::string names, ValueKind kind, std::int32_t width, const ExprValue* record)
      : TvxUserDefFieldVar(std::move(names), width), kind_(kind), values_(record) {}
  int OwnerKind() const override { return kOwnerTableField; }
  void GetValue(ExprValue& value, ValueKind& kind) override {
    value = values_[row];
    kind = kind_;
  }
  static inline int row = 0;

private:
  ValueKind kind_;
  const ExprValue* values_;
};

struct Table {
  static constexpr int kRows = 3;
  ExprValue type[kRows], vid[kRows], born[kRows], import[kRows];
  TvxExpUserLink link;

  Table() {
    const char* types[kRows] = {"\x8A\x92\x33\x31\x35\x80      ", "2N3055              ", ""};
    for (int i = 0; i < kRows; ++i) {
      type[i].SetText(types[i]);
      vid[i].SetNumber(i * 123);
      born[i].SetNumber(i ? 2451544 + i : 0);
      import[i].SetBoolean(i % 2);
    }
    Add("TYPE", ValueKind::Text, 20, type);
    Add("VID", ValueKind::Number, 4, vid);
    Add("BORN", ValueKind::Date, 8, born);
    Add("IMPORT", ValueKind::Boolean, 1, import);
  }
  void Add(const std::string& name, ValueKind kind, std::int32_t width, const ExprValue* values) {
    link.Variables().Register(std::make_unique<Field>(name + ";MAIN." + name, kind, width, values));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Table table;
  if (size == 0) return 0;
  std::uint8_t options = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  table.link.SetTranslate(options & 4);
  table.link.SetDialect((options & 8) ? -1 : 10);
  try {
    TvxExpHandler handler(&table.link);
    handler.SetCaseInsensitive(options & 1);
    handler.SetPartialCompare(!(options & 2));
    handler.SetExpression(text);
    handler.ExpressionText();
    handler.FieldList(kOwnerTableField);
    TvxVariant key;
    for (Field::row = 0; Field::row < Table::kRows; ++Field::row) {
      try {
        handler.EvaluateTo(key);
        TvxVariant other;
        std::int32_t position;
        key.Compare(&key, position);
      } catch (const ETalvernError&) {
      }
    }
  } catch (const ETalvernError&) {
  }
  return 0;
}

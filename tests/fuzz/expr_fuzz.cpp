// Parsing and evaluating any expression text gives a value or an engine
// error; never a crash, a hang or a leak. The first byte picks the options
// (case-insensitive, partial compare, translate flag, dialect); the rest is
// the expression, evaluated on every record of a small table (text in 866,
// numbers, dates, logicals, a memo, a deleted record).
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "engine/CreateTable.h"
#include "engine/Errors.h"
#include "engine/Fields.h"
#include "expr/Handler.h"
#include "expr/UserLink.h"
#include "expr/Variant.h"

namespace {

using namespace talvern;

class SmallTable {
public:
  SmallTable() {
    char pattern[] = "/tmp/talvern-expr-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    dir_ = pattern;
    std::string path = dir_ + "/main.dbf";
    CreateTable(path, 0x83,
                {{"TYPE", 'C', 20, 0}, {"VID", 'N', 4, 0}, {"PRICE", 'N', 9, 3}, {"BORN", 'D', 8, 0},
                 {"IMPORT", 'L', 1, 0}, {"NOTE", 'M', 10, 0}});
    table = std::make_unique<VXO_dBaseFld>(path, false, true);
    Add("\x8A\x92\x33\x31\x35\x80", "123", "12.5", "19991231", "F", "first");
    Add("2N3055", "  7", "", "", "T", "");
    Add("\xA3\xE0\x32\x30\x31", "", "-0.125", "20240229", "?", std::string("a\0b", 3));
    table->DeleteRecord();
  }
  ~SmallTable() {
    table.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::unique_ptr<VXO_dBaseFld> table;

private:
  void Add(const std::string& type, const std::string& vid, const std::string& price,
           const std::string& born, const std::string& import, const std::string& note) {
    table->BlankRecord();
    table->RawPut(1, type);
    table->RawPut(2, vid);
    table->RawPut(3, price);
    table->RawPut(4, born);
    table->RawPut(5, import);
    std::int32_t length = static_cast<std::int32_t>(note.size());
    table->MemoWrite(6, note.data(), length);
    table->AppendRecord();
  }
  std::string dir_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static SmallTable small;
  if (size == 0) return 0;
  VXO_dBaseFld& table = *small.table;
  std::uint8_t options = data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  table.SetTranslate(options & 4);
  table.ExpressionLink()->SetDialect((options & 8) ? -1 : 10);
  try {
    TvxExpHandler handler(table.ExpressionLink());
    handler.SetCaseInsensitive(options & 1);
    handler.SetPartialCompare(!(options & 2));
    handler.SetExpression(text);
    handler.ExpressionText();
    handler.FieldList(kOwnerTableField);
    TvxVariant key, previous;
    for (std::int32_t n = 1; n <= table.RecordCount(); ++n) {
      try {
        table.ReadRecord(n);
        handler.EvaluateTo(key);
        std::int32_t position;
        key.Compare(&previous, position);
        previous = key;
      } catch (const ETalvernError&) {
      }
    }
  } catch (const ETalvernError&) {
  }
  return 0;
}

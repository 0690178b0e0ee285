#include "tools/mkcatalog/TableWriter.h"

#include "engine/Errors.h"
#include "engine/Fields.h"
#include "tools/mkcatalog/OemText.h"

namespace talvern::mkcatalog {

TableWriter::TableWriter(const std::string& directory, const TableSchema& schema)
    : schema_(schema), path_(directory + "/" + schema.fileName) {
  CreateTable(path_, schema.version, schema.fields, schema.memoBlockSize);
  table_ = std::make_unique<VXO_dBaseFld>(path_, /*shared=*/false, /*readWrite=*/true);
  table_->SetTranslate(false);
}

TableWriter::~TableWriter() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the staging directory is discarded anyway.
  }
}

void TableWriter::Begin() { table_->BlankRecord(); }

void TableWriter::Text(const std::string& field, std::string_view utf8) {
  std::string oem;
  try {
    oem = Utf8ToOemExact(utf8);
  } catch (const ETalvernError& e) {
    Raise("%s, field %s: %s", {schema_.fileName, field, e.what()});
  }
  OemText(field, oem);
}

void TableWriter::OemText(const std::string& field, std::string_view oem) {
  const FieldSpec& def = schema_.Field(field);
  if (static_cast<int>(oem.size()) > def.length)
    Raise("%s, field %s: \"%s\" is longer than %d characters", {schema_.fileName, field, oem, def.length});
  table_->RawPutByName(field, std::string(oem));
}

void TableWriter::Number(const std::string& field, std::int64_t value) {
  const FieldSpec& def = schema_.Field(field);
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) > def.length)
    Raise("%s, field %s: %d does not fit", {schema_.fileName, field, value});
  table_->NumberPutByName(field, static_cast<long double>(value));
}

void TableWriter::Logic(const std::string& field, bool value) { table_->LogicPutByName(field, value); }

void TableWriter::Memo(const std::string& field, const std::string& bytes) {
  std::int32_t number = table_->FieldNumber(field);
  if (number == 0) Raise("There is no field name %s", {field});
  std::int32_t length = static_cast<std::int32_t>(bytes.size());
  table_->MemoWrite(number, bytes.data(), length);
  if (length != static_cast<std::int32_t>(bytes.size()))
    Raise("%s, field %s: the memo took %d of %d bytes",
          {schema_.fileName, field, length, static_cast<std::int64_t>(bytes.size())});
}

void TableWriter::Append() { table_->AppendRecord(); }

void TableWriter::Close() {
  if (!table_) return;
  table_->CloseTable();
  table_.reset();
}

std::int32_t TableWriter::RecordCount() const { return table_ ? table_->RecordCount() : 0; }

}  // namespace talvern::mkcatalog

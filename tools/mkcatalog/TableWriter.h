#pragma once
// TableWriter: fills one new catalogue table through the engine's field
// layer. The table is created empty from its schema and opened exclusively;
// each record is blanked, given its values and appended. Texts arrive as
// UTF-8 and are stored in code page 866; a text the field cannot hold raises
// instead of being cut.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tools/mkcatalog/CatalogSchema.h"

namespace talvern {
class VXO_dBaseFld;
}

namespace talvern::mkcatalog {

class TableWriter {
public:
  TableWriter(const std::string& directory, const TableSchema& schema);
  ~TableWriter();
  TableWriter(const TableWriter&) = delete;
  TableWriter& operator=(const TableWriter&) = delete;

  // Starts a new record: every field blank (numbers zero).
  void Begin();
  void Text(const std::string& field, std::string_view utf8);
  // Text already in code page 866.
  void OemText(const std::string& field, std::string_view oem);
  void Number(const std::string& field, std::int64_t value);
  void Logic(const std::string& field, bool value);
  // Stores bytes in a memo field unchanged (no code page conversion).
  void Memo(const std::string& field, const std::string& bytes);
  void Append();
  // Writes the header and closes the table (also done by the destructor).
  void Close();

  std::int32_t RecordCount() const;

private:
  const TableSchema& schema_;
  std::string path_;
  std::unique_ptr<VXO_dBaseFld> table_;
};

}  // namespace talvern::mkcatalog

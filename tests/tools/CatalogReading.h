#pragma once
// Reading a built catalogue back through the engine, for the tools tests:
// every record of a table as its field texts (code page 866 turned into
// UTF-8, trailing blanks dropped), and memo fields as their raw bytes.

#include <map>
#include <string>
#include <vector>

#include "engine/Fields.h"
#include "platform/CodePage.h"

namespace talvern::testing {

using Record = std::map<std::string, std::string>;

inline std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

inline std::vector<Record> ReadTable(const std::string& path) {
  VXO_dBaseFld table(path, /*shared=*/true, /*readWrite=*/false);
  table.SetTranslate(false);
  std::vector<Record> records;
  for (std::int32_t n = 1; n <= table.RecordCount(); ++n) {
    table.ReadRecord(n);
    Record r;
    for (std::int32_t f = 1; f <= table.FieldCount(); ++f) {
      std::string name = table.FieldName(f);
      if (table.FieldType(f) == 'M') {
        std::int64_t size = table.MemoSize(f);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        std::int32_t length = static_cast<std::int32_t>(size);
        if (size > 0) table.MemoRead(f, bytes.data(), length);
        bytes.resize(static_cast<std::size_t>(length));
        r[name] = bytes;
      } else {
        std::string text = TrimRight(table.RawGet(f));
        if (table.FieldType(f) == 'N') text.erase(0, text.find_first_not_of(' '));
        r[name] = platform::OemToUtf8(text);
      }
    }
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace talvern::testing

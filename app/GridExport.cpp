#include "app/GridExport.h"

#include "app/ColumnList.h"
#include "platform/CodePage.h"

namespace talvern {
namespace {

constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

void AppendField(std::string& out, std::string_view text1251, char separator) {
  const std::string text = platform::AnsiToUtf8(text1251);
  if (text.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string Delimited(const CellTable& table, char separator, std::string_view lineEnd) {
  std::string out;
  auto appendLine = [&](const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i > 0) out += separator;
      AppendField(out, fields[i], separator);
    }
    out += lineEnd;
  };
  appendLine(table.headings);
  for (const auto& row : table.rows) appendLine(row);
  return out;
}

}  // namespace

std::string JoinHeading(std::string_view heading) {
  const HeadingLines lines = SplitHeading(heading);
  std::string joined(lines.first);
  if (!lines.second.empty()) {
    joined += ", ";
    joined += lines.second;
  }
  return joined;
}

std::string TabSeparatedText(const CellTable& table) { return Delimited(table, '\t', "\n"); }

std::string CsvText(const CellTable& table) { return kUtf8ByteOrderMark + Delimited(table, ',', "\r\n"); }

}  // namespace talvern

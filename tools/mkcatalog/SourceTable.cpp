#include "tools/mkcatalog/SourceTable.h"

#include <charconv>
#include <fstream>
#include <iterator>

#include "engine/Errors.h"
#include "tools/mkcatalog/OemText.h"

namespace talvern::mkcatalog {

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return cells;
    start = tab + 1;
  }
}

}  // namespace

SourceTable SourceTable::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Raise("Cannot read the source table %s", {path});
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) Raise("Cannot read the source table %s", {path});

  SourceTable table;
  table.path_ = path;
  std::size_t start = 0;
  int lineNumber = 0;
  while (start < content.size()) {
    std::size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsUtf8(line)) Raise("%s:%d: the line is not UTF-8 text", {path, lineNumber});
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells = SplitTabs(line);
    if (table.header_.empty()) {
      table.header_ = std::move(cells);
      continue;
    }
    if (cells.size() != table.header_.size())
      Raise("%s:%d: %d cells where the header has %d",
            {path, lineNumber, static_cast<std::int64_t>(cells.size()),
             static_cast<std::int64_t>(table.header_.size())});
    table.rows_.push_back(std::move(cells));
    table.lines_.push_back(lineNumber);
  }
  if (table.header_.empty()) Raise("%s: no header line", {path});
  return table;
}

std::size_t SourceTable::Column(const std::string& name) const {
  for (std::size_t i = 0; i < header_.size(); ++i)
    if (header_[i] == name) return i;
  Raise("%s: no column %s", {path_, name});
}

int SourceTable::Integer(std::size_t row, const std::string& column, int low, int high) const {
  const std::string& text = Cell(row, column);
  int value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    Fail(row, column + " \"" + text + "\" is not an integer from " + std::to_string(low) + " to " +
                  std::to_string(high));
  return value;
}

void SourceTable::Fail(std::size_t row, const std::string& message) const {
  Raise("%s:%d: %s", {path_, static_cast<std::int64_t>(lines_[row]), message});
}

}  // namespace talvern::mkcatalog

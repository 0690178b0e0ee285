#pragma once
// The device grid's cells as text for other programs: tab-separated text for
// the clipboard, which spreadsheets paste into columns, and a CSV file. Both
// are UTF-8, one line of headings first, then one line per device; a field
// that holds the separator, a quote or a line break is quoted, its quotes
// doubled.

#include <string>
#include <string_view>
#include <vector>

namespace talvern {

// Cells in code page 1251, as the grid reads them.
struct CellTable {
  std::vector<std::string> headings;           // one per column, joined (JoinHeading)
  std::vector<std::vector<std::string>> rows;  // as many cells as headings
};

// A grid heading's two lines as one: "Pк max" and "Вт" give "Pк max, Вт"; a
// heading without a unit stays its first line.
std::string JoinHeading(std::string_view heading1251);

// Tab-separated, lines ending in LF.
std::string TabSeparatedText(const CellTable& table);
// Comma-separated, lines ending in CR LF, after a UTF-8 byte order mark so
// that spreadsheets take the Cyrillic for what it is.
std::string CsvText(const CellTable& table);

}  // namespace talvern

#pragma once
// The SMD code file "codes.dbc": a UTF-8 text of lines in the database
// directory, one marking code per data line, kept in ascending byte order of
// the code by the import that writes it.
//
// A data line holds six fields separated by "|": code, type, description,
// package, manufacturer, note. Fields are taken as they stand (blanks kept).
// Missing trailing fields are empty; from the sixth "|" on the text is
// ignored. A line without "|", or whose first "|" is its first character, is
// not a data line (blank lines, headings). A line may end in CR LF.
//
// Reading is kept apart from the window so that the import, which merges codes
// into the file, reads it by the same rules.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talvern {

inline constexpr char kSmdCodeFileName[] = "codes.dbc";
inline constexpr char kSmdFieldSeparator = '|';
inline constexpr std::size_t kSmdFieldCount = 6;

// One data line, fields in UTF-8: code, type, description, package,
// manufacturer, note.
using SmdCode = std::array<std::string, kSmdFieldCount>;

// Cuts the first field off rest: the text before the first "|" (rest becomes
// the text after it), or the whole of rest when there is none (rest becomes
// empty).
std::string_view TakeSmdField(std::string_view& rest);

// The six fields of a data line; nothing for a line that is not one. A
// trailing CR (the line ended in CR LF) is not part of the line.
std::optional<SmdCode> SplitSmdLine(std::string_view line);

// Appends the data lines of the file to codes, in file order. Raises
// ETalvernError "Ошибка при открытии файла "codes.dbc"." when the file cannot
// be opened, and a read error when reading fails part way (the codes read so
// far stay in codes). A UTF-8 byte order mark at the start is skipped.
void ReadSmdCodeFile(const std::string& path, std::vector<SmdCode>& codes);

// The message for a code file that cannot be opened.
inline constexpr char kSmdOpenError[] = "Ошибка при открытии файла \"codes.dbc\".";

// The code search: the index of the first code not less than text (byte
// order; with caseSensitive false, ASCII letters compare without case). Every
// code less than text: the last index. No codes: -1. The codes stand in
// ascending order, so the first such code is where text would stand.
int FindSmdCode(const std::vector<SmdCode>& codes, std::string_view text, bool caseSensitive);

}  // namespace talvern

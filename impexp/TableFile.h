#pragma once
// The text table file that the export writes and the import reads: lines of
// text in code page 866 ending CR LF (LF alone is read too), cells divided by
// the byte 0xB3 (the vertical line of the code page's box drawing).
//
//   =12                          kind line: "=" and the kind number
//   ; Маломощные высокочастотные comment lines begin with ";"
//   ;Тип│Струк.│...│Рис          headings, units and separator lines are
//   ;   │      │...│              comments too, since the type column's
//   ;---+------+...+-------      heading and unit begin with ";"
//   TYPE│1     │...│PIC          header: the column names
//   КТ315А│n-p-n│...│F     │TO92 one device per line
//
// A file of kind 0 holds SMD codes instead: every line after the kind line
// is a code line "code|type|rest" in UTF-8 (TableFile lines are bytes).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace talvern::impexp {

inline constexpr char kCellSeparator = '\xB3';
inline constexpr char kCommentMark = ';';
inline constexpr char kKindMark = '=';
inline constexpr char kLineEnd[] = "\r\n";
// Texts of a cell, and the kind number after "=", are at most this long.
inline constexpr std::size_t kMaxCellLength = 255;

// A table file read whole, line by line.
class TableFileLines {
public:
  explicit TableFileLines(std::string bytes) : bytes_(std::move(bytes)) {}

  // The next line without its line end; false at the end of the file.
  bool NextLine(std::string_view& line);
  // The next data line: empty lines and lines beginning with ";" (after
  // leading blanks and tabs) are skipped; the line comes without its leading
  // blanks and tabs.
  bool NextDataLine(std::string_view& line);

  // How far the reading is, in bytes of the file.
  std::size_t Position() const { return position_; }
  std::size_t Size() const { return bytes_.size(); }
  const std::string& Bytes() const { return bytes_; }

private:
  std::string bytes_;
  std::size_t position_ = 0;
};

// The cells of a header line or a device row, in code page 1251: the texts
// between separators, blanks and control characters trimmed from both ends,
// converted from code page 866, cut to 255 characters. Cells are taken until
// the line is used up, so a separator at the end starts no further cell.
std::vector<std::string> SplitCells(std::string_view line);

// The file's bytes; raises the disk file's error when it cannot be read.
std::string ReadFileBytes(const std::string& path);
// Creates (or empties) the file and writes the bytes; flushed to the disk
// when asked. Raises the disk file's error.
void WriteFileBytes(const std::string& path, std::string_view bytes, bool flush);

}  // namespace talvern::impexp

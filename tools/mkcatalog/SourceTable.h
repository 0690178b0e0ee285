#pragma once
// SourceTable: one table of the sample catalogue's sources in data/, read from
// a UTF-8 file of tab-separated values: lines beginning with "#" are comments,
// the first other line names the columns, every further line is one record.
// Cells are taken as written (no quoting, no trimming). Errors name the file
// and the line, so that a mistake in the data is found at once.

#include <cstddef>
#include <string>
#include <vector>

namespace talvern::mkcatalog {

class SourceTable {
public:
  // Reads the file; raises ETalvernError when it cannot be read, is not UTF-8,
  // has no header, or a record has another number of cells than the header.
  static SourceTable Load(const std::string& path);

  const std::string& Path() const { return path_; }
  std::size_t RowCount() const { return rows_.size(); }
  // The index of a column; raises when the header lacks it.
  std::size_t Column(const std::string& name) const;
  const std::string& Cell(std::size_t row, std::size_t column) const { return rows_[row][column]; }
  const std::string& Cell(std::size_t row, const std::string& column) const {
    return Cell(row, Column(column));
  }

  // A decimal integer cell within [low, high]; raises naming the place otherwise.
  int Integer(std::size_t row, const std::string& column, int low, int high) const;

  // Raises ETalvernError "<file>:<line>: <message>" for a record.
  [[noreturn]] void Fail(std::size_t row, const std::string& message) const;

private:
  std::string path_;
  std::vector<std::string> header_;
  std::vector<std::vector<std::string>> rows_;
  std::vector<int> lines_;   // source line number of each record
};

}  // namespace talvern::mkcatalog

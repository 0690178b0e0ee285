#pragma once
// The view of one kind in the device grid: which of the kind's devices are
// shown, and in which order. It holds record numbers only: the kind's
// records in type order as they were added, and the ones shown. A sort by a
// column and a filter per column change what is shown, never a table.
//
// Sorting (ParamValue.h says how a text reads):
//   ascending    numbers by their value, a range by its lower end (then its
//                upper end); then words in the locale's alphabetical order,
//                case ignored; then blanks
//   descending   numbers from the highest, a range by its upper end (then its
//                lower end); then words in reverse alphabetical order; then
//                blanks
//   Devices that compare equal keep their type order. The first column, the
//   type, sorts by the type order itself (ascending) or its reverse.
// Filtering: a device is shown when its cell of every filtered column
// satisfies that column's filter (ParamFilter.h).
//
// The cells a sort or a filter needs are read once through the caller's
// reader, a whole column at a time, and kept as read, by column, until Forget
// (the records were written) or Clear (another kind). Reading costs a walk of
// the records, which reading more columns at once hardly lengthens: while the
// kind has at most kReadAllCells cells, the first read takes every column.
// The grid paints from the records themselves, never from these.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/ParamFilter.h"
#include "app/ParamValue.h"

namespace talvern {

class GridView {
public:
  enum Direction { TypeOrder, Ascending, Descending };
  // Reads whole columns: for each column asked for, the texts of its cells
  // (code page 1251) for the records of All(), in that order.
  using ColumnReader = std::function<std::vector<std::vector<std::string>>(const std::vector<int>& cols)>;
  // The column whose order is the type order (the records' order as added).
  static constexpr int kTypeColumn = 0;

  // Up to this many cells (records times columns) every column is read at
  // the first read.
  static constexpr std::size_t kReadAllCells = 200000;

  // No records, no sort, no filters.
  void Clear();
  // How many columns there are to read (0 until told).
  void SetColumnCount(int count) { columnCount_ = count; }
  // Appends a record; it is shown at the end until the next Update.
  void Add(std::int32_t recNo);

  const std::vector<std::int32_t>& All() const { return all_; }
  const std::vector<std::int32_t>& Shown() const { return shown_; }

  int SortColumn() const { return sortColumn_; }  // -1 in type order
  Direction SortDirection() const { return direction_; }
  void SetSort(int col, Direction direction);
  // What a click on a column's heading asks for next: ascending, then
  // descending, then the type order again; another column starts ascending.
  Direction NextDirection(int col) const;

  const ParamFilter* Filter(int col) const;
  void SetFilter(int col, ParamFilter filter);
  void ClearFilter(int col);
  void ClearFilters();
  bool HasFilters() const { return !filters_.empty(); }

  // The sort and the filters, to be put back when an Update fails.
  struct Settings {
    int sortColumn = -1;
    Direction direction = TypeOrder;
    std::map<int, ParamFilter> filters;
  };
  Settings CurrentSettings() const { return {sortColumn_, direction_, filters_}; }
  void Restore(Settings settings);

  // Makes Shown() again from the sort and the filters, reading the cells it
  // has not read yet; Shown() stays as it was when reading fails.
  void Update(const ColumnReader& read);
  // Forgets the cells read so far.
  void Forget() { columns_.clear(); }

private:
  // The cells of one column, by the records' index in all_; their values are
  // worked out when a sort or filter first uses the column.
  struct Column {
    std::vector<std::string> texts;
    std::vector<ParamValue> values;
  };

  void ReadColumns(const std::vector<int>& cols, const ColumnReader& read);
  // The column read before, with its values.
  const Column& Valued(int col);
  void Sort(std::vector<std::size_t>& order) const;

  int columnCount_ = 0;
  std::vector<std::int32_t> all_;
  std::vector<std::int32_t> shown_;
  int sortColumn_ = -1;
  Direction direction_ = TypeOrder;
  std::map<int, ParamFilter> filters_;
  std::map<int, Column> columns_;
};

}  // namespace talvern

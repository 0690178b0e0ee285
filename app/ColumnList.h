#pragma once
// The columns of the device grid. Every column shows one field of the device
// dataset under a two-line heading; neighbouring columns with the same group
// are drawn as one heading band, and the further columns of a group
// (position not 0) are tinted. The grid owns one TColumnList and reads it when
// it paints. Texts are bytes in the display code page 1251.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvern {

// Longest field name a column keeps; longer names are cut.
constexpr std::size_t kMaxColumnFieldName = 15;
// Longest second heading line (the unit) that is shown.
constexpr std::size_t kMaxHeadingSecondLine = 200;
// Separates the two heading lines inside a heading.
constexpr char kHeadingBreak = '\r';

struct TColumnRec {
  std::int32_t group = 0;     // equal groups on neighbouring columns join them
  std::int32_t position = 0;  // index in the group; not 0 marks an additional column
  std::string fullName;       // shown in the status bar
  std::string heading;        // first line, kHeadingBreak, second line
  std::string fieldName;      // field of the device dataset giving the cell text
};

// The ordered list of the grid's columns, in screen order.
class TColumnList {
public:
  // Appends a column; its field name is cut to kMaxColumnFieldName characters.
  void Add(TColumnRec column);
  void Clear() { items_.clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  // The column at index; raises ETalvernError when there is none.
  const TColumnRec& At(int index) const;

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

private:
  std::vector<TColumnRec> items_;
};

// The two lines of a heading: the text up to the first kHeadingBreak (all of
// it when there is none) and the text after it, cut to kMaxHeadingSecondLine.
struct HeadingLines {
  std::string_view first;
  std::string_view second;
};
HeadingLines SplitHeading(std::string_view heading);

// A heading from a short heading and a unit: short, kHeadingBreak, unit.
std::string MakeHeading(std::string_view shortHeading, std::string_view unit);

}  // namespace talvern

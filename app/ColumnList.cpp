#include "app/ColumnList.h"

#include "engine/Errors.h"

namespace talvern {

void TColumnList::Add(TColumnRec column) {
  if (column.fieldName.size() > kMaxColumnFieldName) column.fieldName.resize(kMaxColumnFieldName);
  items_.push_back(std::move(column));
}

const TColumnRec& TColumnList::At(int index) const {
  if (index < 0 || index >= Count()) Raise("Grid column %d does not exist", {std::int64_t{index}});
  return items_[static_cast<std::size_t>(index)];
}

HeadingLines SplitHeading(std::string_view heading) {
  std::size_t cut = heading.find(kHeadingBreak);
  if (cut == std::string_view::npos) return {heading, {}};
  return {heading.substr(0, cut), heading.substr(cut + 1, kMaxHeadingSecondLine)};
}

std::string MakeHeading(std::string_view shortHeading, std::string_view unit) {
  std::string heading;
  heading.reserve(shortHeading.size() + 1 + unit.size());
  heading.append(shortHeading).append(1, kHeadingBreak).append(unit);
  return heading;
}

}  // namespace talvern

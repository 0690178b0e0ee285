#include "app/ColumnSetupGroups.h"

#include <charconv>

namespace talvern {

std::vector<TColInfoArr> ReadColumnGroups(const std::vector<StoredLayoutRow>& rowsInGrpdOrder) {
  std::vector<TColInfoArr> groups;
  for (std::size_t i = 0; i < rowsInGrpdOrder.size(); ++i) {
    const StoredLayoutRow& stored = rowsInGrpdOrder[i];
    if (i == 0 || stored.row.grp != rowsInGrpdOrder[i - 1].row.grp) groups.emplace_back();
    TColInfo info;
    info.recNo = stored.recNo;
    info.width = static_cast<std::uint8_t>(stored.row.len & 0xFF);
    info.unit = stored.row.unit;
    info.shortHeading = stored.row.shortHeading;
    info.fullName = stored.row.fullName;
    groups.back().push_back(std::move(info));
  }
  return groups;
}

std::optional<std::uint8_t> ParseColumnWidth(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  text = text.substr(first, text.find_last_not_of(' ') - first + 1);
  if (text.front() == '+') {
    text.remove_prefix(1);
    if (text.empty() || text.front() == '-') return std::nullopt;
  }
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFF);
}

}  // namespace talvern

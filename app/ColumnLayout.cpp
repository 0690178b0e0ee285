#include "app/ColumnLayout.h"

#include <algorithm>

namespace talvern {
namespace {

// Texts of the fixed columns, in code page 1251.
constexpr char kTypeText[] = "\xD2\xE8\xEF";  // "Тип"
constexpr char kTemperatureShort[] =          // "Температура"
    "\xD2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xE0";
constexpr char kTemperatureUnit[] = "\xB0" "C";  // "°C"
constexpr char kTemperatureFull[] =              // "Диапазон рабочих температур"
    "\xC4\xE8\xE0\xEF\xE0\xE7\xEE\xED \xF0\xE0\xE1\xEE\xF7\xE8\xF5 "
    "\xF2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0";
constexpr std::int32_t kTypeColumnWidth = 4;
constexpr std::int32_t kTemperatureColumnWidth = 8;

}  // namespace

std::vector<ColumnDef> BuildKindColumns(const std::vector<LayoutRow>& rowsInGrpdOrder) {
  std::vector<ColumnDef> columns;
  columns.reserve(rowsInGrpdOrder.size() + 2);
  columns.push_back({{kTypeColumnGroup, 0, kTypeText, kTypeText, "TYPE"}, kTypeColumnWidth});
  for (const LayoutRow& row : rowsInGrpdOrder) {
    columns.push_back({{row.grp, row.dop, row.fullName, MakeHeading(row.shortHeading, row.unit),
                        ParameterFieldName(row.fld)},
                       row.len});
  }
  columns.push_back({{kTemperatureColumnGroup, 0, kTemperatureFull,
                      MakeHeading(kTemperatureShort, kTemperatureUnit), "TERM"},
                     kTemperatureColumnWidth});
  return columns;
}

std::string ParameterFieldName(std::int32_t fld) { return std::to_string(fld); }

std::int32_t HighestParameterNumber(const std::vector<LayoutRow>& rows) {
  std::int32_t highest = 0;
  for (const LayoutRow& row : rows) highest = std::max(highest, row.fld);
  return highest;
}

}  // namespace talvern

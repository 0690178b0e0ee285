#pragma once
// The column setup's view of a kind's layout: its rows gathered into column
// groups (TColInfoArr, LayoutSave.h) as the setup edits them, and the width
// typed for a column read as a number. The window reads the rows from
// fields.dbf and shows the groups; PlanLayoutSave turns them back into rows.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "app/ColumnLayout.h"
#include "app/LayoutSave.h"

namespace talvern {

// A layout row with the record that holds it.
struct StoredLayoutRow {
  std::int32_t recNo = 0;
  LayoutRow row;
};

// The groups of a kind's rows given in GRPD order (GRP, then DOP, then FLD):
// the first row starts a group, and so does every row whose GRP differs from
// the row before it. Widths are kept modulo 256.
std::vector<TColInfoArr> ReadColumnGroups(const std::vector<StoredLayoutRow>& rowsInGrpdOrder);

// A width as typed: a whole decimal number, with blanks around it and a sign
// allowed, kept modulo 256 (300 is 44, -1 is 255); nothing when the text is
// not such a number or lies outside the 32-bit range.
std::optional<std::uint8_t> ParseColumnWidth(std::string_view text);

}  // namespace talvern

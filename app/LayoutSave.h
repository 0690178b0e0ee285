#pragma once
// Saving a kind's column layout after the user rearranged it. The column setup
// keeps the kind's columns grouped in memory (TColInfoArr per group) and the
// groups in a screen order of its own; PlanLayoutSave turns that into the
// records to write to fields.dbf so that the layout stays consistent:
//   - groups are renumbered 1, 2, 3, ... in screen order (GRP);
//   - a column that has a record keeps its parameter number FLD and DOP;
//   - a new column gets FLD = the kind's highest FLD plus 1 (counting the new
//     columns before it), VID = the kind and DOP = its index in its group;
//   - width and the three texts are written for every column.
// New parameter numbers mean that existing devices have no value for the new
// columns until their PARAMS is extended.

#include <cstdint>
#include <string>
#include <vector>

#include "app/ColumnLayout.h"

namespace talvern {

// One column of a group as the column setup edits it.
struct TColInfo {
  std::int32_t recNo = 0;  // physical record in fields.dbf; 0 for a column not yet stored
  std::string unit;          // VAL
  std::string shortHeading;  // SHORT
  std::string fullName;      // FULL
  std::uint8_t width = 0;    // LEN; kept modulo 256
};

// The columns of one group, in DOP order.
using TColInfoArr = std::vector<TColInfo>;

// One record to write. recNo != 0: rewrite that record's GRP, LEN, SHORT, VAL
// and FULL (row.vid, row.fld and row.dop are not written). recNo == 0: append a
// record with every field of row.
struct LayoutWrite {
  std::int32_t recNo = 0;
  LayoutRow row;
};

// Highest value GRP, DOP and FLD can hold (two decimal digits, as the GRPD key
// "STR(GRP,2,0)+STR(DOP,2,0)+STR(FLD,2,0)" spells them).
constexpr std::int32_t kMaxLayoutNumber = 99;

// The records to write, in order. groups are the groups in the order they were
// read (group number g is groups[g - 1]); screenOrder lists group numbers from
// the top of the setup list down; highestFld is the kind's highest FLD (0 for a
// kind without layout rows). Raises ETalvernError before anything is planned
// when a group number is unknown or when a group number, a position or a new
// parameter number would pass kMaxLayoutNumber, so that nothing is half
// written.
std::vector<LayoutWrite> PlanLayoutSave(std::int32_t kind, const std::vector<TColInfoArr>& groups,
                                        const std::vector<int>& screenOrder,
                                        std::int32_t highestFld);

}  // namespace talvern

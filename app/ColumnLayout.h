#pragma once
// Turning a kind's layout rows (fields.dbf) into the grid's columns. A layout
// row says which parameter a column shows (FLD: the FLD-th "|"-separated piece
// of the device's PARAMS, held in the calculated field named by the decimal
// text of FLD), where it stands (group GRP, position DOP in the group), how wide
// it is (LEN, in digit widths) and under which heading (SHORT and VAL) and full
// name (FULL). Parameter numbers are independent of the screen order.

#include <cstdint>
#include <string>
#include <vector>

#include "app/ColumnList.h"

namespace talvern {

// One row of fields.dbf, texts in code page 1251.
struct LayoutRow {
  std::int32_t vid = 0;  // kind
  std::int32_t fld = 0;  // parameter number
  std::int32_t grp = 0;  // group on screen
  std::int32_t dop = 0;  // position in the group
  std::int32_t len = 0;  // width in digit widths
  std::string shortHeading;
  std::string unit;
  std::string fullName;
};

// A grid column to add, with its width in digit widths.
struct ColumnDef {
  TColumnRec column;
  std::int32_t width = 0;
};

// Group numbers of the two columns every kind shows around its parameters.
constexpr std::int32_t kTypeColumnGroup = 0;
constexpr std::int32_t kTemperatureColumnGroup = 999;

// The columns of a kind: the type column, one column per layout row in the
// order given (the GRPD order: GRP, then DOP, then FLD), the temperature column.
std::vector<ColumnDef> BuildKindColumns(const std::vector<LayoutRow>& rowsInGrpdOrder);

// The name of the calculated field that holds parameter fld: its decimal text.
std::string ParameterFieldName(std::int32_t fld);

// The highest FLD of the rows, 0 when there are none. The device dataset gets
// calculated fields "1" up to this number.
std::int32_t HighestParameterNumber(const std::vector<LayoutRow>& rows);

}  // namespace talvern

#pragma once
// Values of a dataset on their way into the table's field layer: as the
// texts the layer stores (for Locate, keys and ranges), and as the key an
// index expression gives a record holding them (FindKey, master/detail).
//
// A key is built from the fields its expression reads wherever they appear,
// inside function calls too: the key UPPER(NAME) takes a value for NAME, and
// STR(GRP,2,0)+STR(DOP,2,0) one for GRP and one for DOP.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/FieldValue.h"
#include "handler/TableHandler.h"

namespace talvern {

// The text a field of that DBF type is given for a value (none for null):
// texts as they are, whole numbers in decimal, other numbers with the
// locale's decimal comma, dates (TDateTime) going into a date field as
// yyyymmdd, logical values as T or F.
std::optional<std::string> FieldValueText(const FieldValue& value, char dbfType);

// The values as texts for the named fields of the table, in order.
TvxValueList ValueTexts(VXO_dBaseFld& table, const std::vector<std::string>& names,
                        const std::vector<FieldValue>& values);

// The fields of the table an expression reads, in the order they first
// appear, each once, with the table's spelling of the name.
std::vector<std::string> ExpressionFields(VXO_dBaseFld& table, std::string_view expression);

// The key that keyExpression gives a blank record holding the values (texts
// in the display code page; the table translates them when it translates)
// in the first fields, one value per field; values beyond the fields are
// left out. The key is in the table's code page, dates as yyyymmdd,
// logical values as T or F, numbers in their shortest form.
std::string KeyOfValues(VXO_dBHandler& table, const std::vector<std::string>& fields, const TvxValueList& values,
                        const std::string& keyExpression);

// The names of a ";"-separated list, blanks around them removed.
std::vector<std::string> SplitFieldNames(std::string_view list);

}  // namespace talvern

#pragma once
// Reads every record of a table in record-number order straight from the
// table file, in large blocks, deciphering enciphered tables, and makes each
// in turn the table's current record (buffer and number) for a callback;
// the table's own current record is back afterwards, also when the callback
// raises. Deleted records are included. Index building and checking use it,
// so that they need not go through the table's navigation.

#include <cstdint>
#include <functional>

namespace talvern {

class VXO_dBaseFld;

// Calls visit(r) for r = 1 .. the record count (fewer when the file is
// shorter than its count says).
void ScanRecords(VXO_dBaseFld& table, const std::function<void(std::int32_t)>& visit);

// Reads record r the same way and calls visit() with it current; false
// (without calling) when the table has no such record.
bool WithRecord(VXO_dBaseFld& table, std::int32_t r, const std::function<void()>& visit);

}  // namespace talvern

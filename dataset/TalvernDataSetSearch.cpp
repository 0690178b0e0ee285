// TTalvernDataSet: Locate, Lookup and FindKey. Each search runs in the
// table's own record buffer; a search that finds nothing (or fails) puts
// the table back on the record it started from, so that the cursor stays.

#include <cstring>

#include "dataset/DatabaseError.h"
#include "dataset/KeyValues.h"
#include "dataset/TableMessages.h"
#include "dataset/TalvernDataSet.h"
#include "index/IndexTag.h"

namespace talvern {

bool TTalvernDataSet::Locate(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                             TLocateOptions options) {
  CheckBrowseMode();
  DBFObject& table = *table_;
  const std::int32_t start = RecNo();
  afterLast_ = false;
  const std::string fields(keyFields);
  bool found = false;
  try {
    found = table.Locate(fields, ValueTexts(table, SplitFieldNames(fields), keyValues), 0,
                         (options & loPartialKey) != 0, (options & loCaseInsensitive) != 0);
    if (found) DoBeforeScroll();
  } catch (...) {
    ReturnTo(start);
    throw;
  }
  if (!found) {
    ReturnTo(start);
    return false;
  }
  beforeFirst_ = afterLast_ = false;
  Resync(rmExact | rmCenter);
  DoAfterScroll();
  return true;
}

FieldValue TTalvernDataSet::Lookup(std::string_view keyFields, const std::vector<FieldValue>& keyValues,
                                   std::string_view resultField) {
  CheckActive();
  DBFObject& table = *table_;
  const std::int32_t start = table.RecNo();
  const std::string fields(keyFields);
  FieldValue result;
  try {
    if (table.Locate(fields, ValueTexts(table, SplitFieldNames(fields), keyValues), 0, false, false)) {
      TRecordBuffer record = TempBuffer();
      std::memcpy(record, table.CurrentRecord(), recordSize_ - 1);
      FillRecordInfo(record, table.RecNo());
      result = CalculatedValue(record, resultField);
    }
  } catch (...) {
    ReturnTo(start);
    throw;
  }
  ReturnTo(start);
  return result;
}

std::string TTalvernDataSet::KeyFromValues(const std::vector<FieldValue>& values) const {
  DBFObject& table = *table_;
  const std::string& expression = table.CurrentTag()->KeyExpr;
  std::vector<std::string> fields = ExpressionFields(table, expression);
  return KeyOfValues(table, fields, ValueTexts(table, fields, values), expression);
}

bool TTalvernDataSet::FindKey(const std::vector<FieldValue>& values) {
  CheckActive();
  CheckBrowseMode();
  DBFObject& table = *table_;
  if (!table.CurrentTag()) DatabaseError(kSNoIndexForFind);
  if (table.RecordCount() == 0 || IsEmpty()) return false;
  const std::int32_t start = RecNo();
  if (start == 0) return false;
  DoBeforeScroll();
  bool found = false;
  try {
    const std::string key = KeyFromValues(values);
    table.SetExactKey(false);
    table.SetSoftSeek(false);
    found = table.FindKey(key);
  } catch (...) {
    ReturnTo(start);
    throw;
  }
  if (!found) {
    ReturnTo(start);
    return false;
  }
  beforeFirst_ = afterLast_ = false;
  Resync(rmExact | rmCenter);
  DoAfterScroll();
  return true;
}

}  // namespace talvern

#pragma once
// RecordPointer: points a table's current-record pointer at a buffer for the
// length of a scope (the table then reads into it, writes from it and reads
// its fields from it) and puts the previous pointer back, also when the
// scope is left by an exception.

#include <cstdint>

#include "engine/DbfFile.h"

namespace talvern {

class RecordPointer {
public:
  RecordPointer(VXO_dBaseDBF& table, std::uint8_t* buffer) : table_(table), saved_(table.CurrentRecord()) {
    table.SetCurrentRecord(buffer);
  }
  ~RecordPointer() { table_.SetCurrentRecord(saved_); }
  RecordPointer(const RecordPointer&) = delete;
  RecordPointer& operator=(const RecordPointer&) = delete;

private:
  VXO_dBaseDBF& table_;
  std::uint8_t* saved_;
};

}  // namespace talvern

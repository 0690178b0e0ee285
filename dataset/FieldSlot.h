#pragma once
// A field slot: how a field value is kept in a record buffer by the dataset
// base (the calculated-fields area) and by concrete datasets that choose the
// same form. A slot is one "has value" byte (0: null) and then the value:
//
//   type                          bytes        value
//   String                        size + 1     text, ended by a zero byte
//   Smallint, Integer, Largeint   8            int64_t
//   Float, Currency, Date, DateTime 8          double (dates as TDateTime)
//   Boolean                       1            0 or 1
//   Memo, Blob                    0            (contents are kept elsewhere)

#include <cstdint>

#include "dataset/DataSetTypes.h"
#include "dataset/FieldValue.h"

namespace talvern {

// Bytes of the value part; size is the characters of a string field.
int FieldSlotDataSize(TFieldType type, int size);
// The whole slot: the flag byte and the value part.
inline int FieldSlotSize(TFieldType type, int size) { return 1 + FieldSlotDataSize(type, size); }

// False (and value null) when the slot holds no value.
bool ReadFieldSlot(const std::uint8_t* slot, TFieldType type, int size, FieldValue& value);
// Stores the value's natural form for the type (text, int64_t, double,
// bool); null, or a value of another form, leaves the slot null. Texts
// longer than size are cut.
void WriteFieldSlot(std::uint8_t* slot, TFieldType type, int size, const FieldValue& value);

}  // namespace talvern

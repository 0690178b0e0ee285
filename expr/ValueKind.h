#pragma once
// Value kinds of the expression engine. Every node of an expression tree and
// every function argument is typed by one of these one-byte codes; the codes
// are shared by the parser, the evaluator and the function library.

#include <cstdint>
#include <string_view>

namespace talvern {

enum class ValueKind : std::uint8_t {
  Unknown = 0,
  Empty = 1,
  Any = 2,          // only as the expected kind of a function argument
  Text = 3,
  Number = 4,
  Integer = 5,
  Date = 6,
  DateTime = 7,
  Boolean = 8,
  Memo = 9,
  Pointer = 10,
  Unspecified = 11  // a value of this kind takes the kind its reader expects
};

// Kinds 4 to 7 mix freely in arithmetic and comparisons.
inline bool IsNumericKind(ValueKind kind) {
  return kind >= ValueKind::Number && kind <= ValueKind::DateTime;
}

// The name used in "%s needed for Argument %d of %s".
inline std::string_view KindName(ValueKind kind) {
  switch (kind) {
    case ValueKind::Unknown: return "Unknown";
    case ValueKind::Empty: return "Empty";
    case ValueKind::Text: return "Text";
    case ValueKind::Number: return "Number";
    case ValueKind::Integer: return "Integer";
    case ValueKind::Date: return "Date";
    case ValueKind::DateTime: return "DateTime";
    case ValueKind::Boolean: return "Boolean";
    case ValueKind::Memo: return "Memo";
    case ValueKind::Pointer: return "Pointer";
    default: return "Invalid Value";
  }
}

}  // namespace talvern

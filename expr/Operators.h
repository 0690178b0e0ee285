#pragma once
// The operators of the expression language: their codes, precedence levels
// (a lower level binds tighter) and printed forms, and how they are written.
//
//   written as               code  level  printed
//   =  ==  EQ                0x81  5      =
//   <> != #  NE              0x82  5      #
//   >  GT                    0x83  5      >
//   <  LT                    0x84  5      <
//   >= => GE                 0x85  5      >=
//   <= =< LE                 0x86  5      <=
//   $                        0x87  5      in string
//   +                        0x89  4      +
//   -                        0x8A  4      -
//   *                        0x8B  3      *
//   /                        0x8C  3      /
//   ** ^                     0x8D  2      ^
//   NOT .NOT. !  (prefix)    0x92  6      .NOT.
//   AND .AND.                0x90  7      .AND.
//   OR .OR.                  0x91  8      .OR.

#include <cstdint>
#include <string_view>

namespace talvern {

enum OperatorCode : std::uint8_t {
  kOpEqual = 0x81,
  kOpNotEqual = 0x82,
  kOpGreater = 0x83,
  kOpLess = 0x84,
  kOpGreaterEqual = 0x85,
  kOpLessEqual = 0x86,
  kOpContained = 0x87,
  kOpPlus = 0x89,
  kOpMinus = 0x8A,
  kOpTimes = 0x8B,
  kOpDivide = 0x8C,
  kOpPower = 0x8D,
  kOpAnd = 0x90,
  kOpOr = 0x91,
  kOpNot = 0x92,
};

inline constexpr std::uint8_t kLowestLevel = 2;
inline constexpr std::uint8_t kNotLevel = 6;
inline constexpr std::uint8_t kHighestLevel = 8;

struct OperatorInfo {
  std::uint8_t code;
  std::uint8_t level;
  std::string_view printed;
};

const OperatorInfo* OperatorByCode(std::uint8_t code);
// A symbol such as "<>" or "**"; null when it is no operator.
const OperatorInfo* SymbolOperator(std::string_view symbol);
// A word in upper case without periods ("AND"); null when it is no operator.
const OperatorInfo* WordOperator(std::string_view word);

}  // namespace talvern

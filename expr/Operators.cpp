#include "expr/Operators.h"

namespace talvern {
namespace {

constexpr OperatorInfo kOperators[] = {
    {kOpEqual, 5, "="},        {kOpNotEqual, 5, "#"},  {kOpGreater, 5, ">"},
    {kOpLess, 5, "<"},         {kOpGreaterEqual, 5, ">="}, {kOpLessEqual, 5, "<="},
    {kOpContained, 5, "in string"}, {kOpPlus, 4, "+"},  {kOpMinus, 4, "-"},
    {kOpTimes, 3, "*"},        {kOpDivide, 3, "/"},    {kOpPower, 2, "^"},
    {kOpAnd, 7, ".AND."},      {kOpOr, 8, ".OR."},     {kOpNot, 6, ".NOT."},
};

struct Spelling {
  std::string_view text;
  std::uint8_t code;
};

// In the order they are looked up.
constexpr Spelling kSymbols[] = {
    {"=", kOpEqual},        {"+", kOpPlus},         {"-", kOpMinus},     {"*", kOpTimes},
    {"/", kOpDivide},       {"**", kOpPower},       {"^", kOpPower},     {"<>", kOpNotEqual},
    {"!=", kOpNotEqual},    {"#", kOpNotEqual},     {">", kOpGreater},   {"<", kOpLess},
    {">=", kOpGreaterEqual}, {"=>", kOpGreaterEqual}, {"<=", kOpLessEqual}, {"=<", kOpLessEqual},
    {"$", kOpContained},    {"==", kOpEqual},
};

constexpr Spelling kWords[] = {
    {"AND", kOpAnd}, {"OR", kOpOr}, {"EQ", kOpEqual},        {"NE", kOpNotEqual},
    {"GE", kOpGreaterEqual}, {"LE", kOpLessEqual}, {"LT", kOpLess}, {"GT", kOpGreater},
};

}  // namespace

const OperatorInfo* OperatorByCode(std::uint8_t code) {
  for (const auto& op : kOperators)
    if (op.code == code) return &op;
  return nullptr;
}

const OperatorInfo* SymbolOperator(std::string_view symbol) {
  for (const auto& s : kSymbols)
    if (s.text == symbol) return OperatorByCode(s.code);
  return nullptr;
}

const OperatorInfo* WordOperator(std::string_view word) {
  for (const auto& w : kWords)
    if (w.text == word) return OperatorByCode(w.code);
  return nullptr;
}

}  // namespace talvern

#pragma once
// TvxFlatFilter: the common shapes of a filter evaluated without walking its
// tree. A filter made of
//   - a numeric (N, F) field compared with a number:      VID=223, 5<PRICE
//   - a character field compared with a text:              TYPE="KT3*"
//   - AT of a text in a character field compared with a number:
//                                                          AT("KT3",TYPE,1)<>0
//   - a text contained in a character field:               "KT3"$TYPE
//   - .AND., .OR., .NOT. and parentheses of these
// is compiled into a list of tests on the bytes of the current record and a
// short postfix program that combines their truths: no value is built, no
// node is called, nothing is allocated per record.
//
// The results and errors are the tree's: the tests run in the order the tree
// evaluates its operands (the right one first, both operands of .AND. and
// .OR.), texts compare by the same rules (TextCompare.h), and a number that
// is not plain digits is read by the field variable, which raises the
// table's error for a damaged field. Every other shape stays with the tree.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "expr/TextCompare.h"

namespace talvern {

class TvxExpBaseObject;
class TvxExpHandler;
class TvxlDBFFieldVars;

class TvxFlatFilter {
public:
  // The flat form of the tree, or null when the tree has another shape.
  static std::unique_ptr<TvxFlatFilter> Compile(const TvxExpBaseObject& root, const TvxExpHandler& handler);

  // The filter's truth on the table's current record.
  bool Evaluate();

  // Longest program a flat filter has; larger trees stay trees.
  static constexpr std::size_t kMaxSteps = 64;

private:
  enum class TestKind : std::uint8_t { Number, Text, At, Contains };
  // One comparison on a field of the current record. The field's value is
  // the left side of the comparison (a constant on the left is turned
  // round at compile time) except for texts, whose comparison is not
  // symmetric with wildcards: fieldLeft says on which side it stands.
  struct Test {
    TestKind kind;
    std::uint8_t orders;  // the orders for which the comparison holds
    bool fieldLeft = true;
    TvxlDBFFieldVars* variable;
    std::int32_t offset;
    std::int32_t length;
    double number = 0;    // the constant compared with
    std::string text;     // the text constant, AT's needle
    std::int64_t occurrence = 1;
    CompareOptions options;
  };
  enum class StepKind : std::uint8_t { Test, And, Or, Not };
  struct Step {
    StepKind kind;
    std::uint16_t test = 0;
  };

  explicit TvxFlatFilter(const TvxExpHandler& handler) : handler_(&handler) {}
  bool Add(const TvxExpBaseObject& node);
  bool AddComparison(const TvxExpBaseObject& node);
  bool Run(Test& test);

  const TvxExpHandler* handler_;
  std::vector<Test> tests_;
  std::vector<Step> steps_;
  CompareScratch scratch_;
};

}  // namespace talvern

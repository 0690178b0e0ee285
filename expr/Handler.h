#pragma once
// TvxExpHandler: one compiled expression. It parses a dBASE-style expression
// text against a table's expression link (or none) into a tree of nodes, and
// evaluates that tree against the table's current record as often as asked:
// filters, index keys and searches are compiled once and evaluated on every
// record.
//
// Parsing runs two passes per nesting level: the tokenizer turns the text of
// one level into tokens (a parenthesised group and each argument of a call
// stay text), and the tree builder binds the operators by precedence into one
// root. Groups and calls run both passes again on their inner text.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/Node.h"
#include "expr/Value.h"
#include "expr/ValueKind.h"

namespace talvern {

class TvxExpUserLink;
class TvxFlatFilter;
class TvxVariant;
struct ExprToken;

class TvxExpHandler {
public:
  // Deepest nesting of groups and calls, and deepest tree, that an expression
  // may have; deeper ones raise "Expression is nested too deeply".
  static constexpr int kMaxNesting = 100;
  static constexpr int kMaxDepth = 1000;

  explicit TvxExpHandler(TvxExpUserLink* link = nullptr, std::string_view text = {});
  TvxExpHandler(const TvxExpHandler&) = delete;
  TvxExpHandler& operator=(const TvxExpHandler&) = delete;
  virtual ~TvxExpHandler();

  // Replaces the tree by the parse of text (no tree for an empty text). On a
  // parse error the old tree is gone and no tree remains.
  void SetExpression(std::string_view text);

  virtual std::string ExpressionText() const;
  // Evaluates the tree; its kind becomes ResultKind (Unknown without a tree).
  // A tree of the common filter shapes is evaluated in flat form
  // (FlatFilter.h), with the same results and errors.
  virtual void Evaluate(ExprValue& value);
  // Evaluates and stores the value by kind: texts as text, numbers and
  // date-times as double, dates as day number, truth values as boolean. A
  // value of another kind leaves the target alone and ResultKind Unknown.
  virtual void EvaluateTo(TvxVariant& target);

  ValueKind ResultKind() const { return resultKind_; }
  // The ";"-terminated names of the variables of that owner kind used by the
  // expression (kOwnerTableField: the table's fields).
  std::string FieldList(int ownerKind) const;

  TvxExpUserLink* Link() const { return link_; }
  const TvxExpBaseObject* Root() const { return root_.get(); }
  std::int32_t OperandCount() const { return operandCount_; }
  // Whether the expression is evaluated in flat form.
  bool Flat() const { return flat_ != nullptr; }
  std::int32_t LargestWidth() const { return largestWidth_; }
  std::int32_t LargestDecimals() const { return largestDecimals_; }
  // Texts of this expression are in the OEM code page (the table translates).
  bool TextIsOem() const;

  // Comparison options; they take effect for the next SetExpression.
  const CompareOptions& Options() const { return options_; }
  bool CaseInsensitive() const { return options_.caseInsensitive; }
  void SetCaseInsensitive(bool on) { options_.caseInsensitive = on; }
  bool PartialCompare() const { return options_.partialCompare; }
  void SetPartialCompare(bool on) { options_.partialCompare = on; }
  char MultiWildcard() const { return options_.multiWildcard; }
  void SetMultiWildcard(char c) { options_.multiWildcard = c; }
  char SingleWildcard() const { return options_.singleWildcard; }
  void SetSingleWildcard(char c) { options_.singleWildcard = c; }

private:
  friend class TvxExpContainer;
  friend class TvxExpFunction;

  // Both passes over the text of one nesting level; null for a blank text.
  std::unique_ptr<TvxExpBaseObject> ParseLevel(std::string_view text);
  std::unique_ptr<TvxExpBaseObject> BuildTree(std::vector<ExprToken>& tokens);
  std::unique_ptr<TvxExpBaseObject> MakeNode(ExprToken& token);
  void NoteSize(std::int32_t width, std::int32_t decimals);

  TvxExpUserLink* link_;
  ValueKind resultKind_ = ValueKind::Unknown;
  std::int32_t largestWidth_ = 0;
  std::int32_t largestDecimals_ = 0;
  std::int32_t operandCount_ = 0;
  int nesting_ = 0;
  CompareOptions options_;
  std::unique_ptr<TvxExpBaseObject> root_;
  // The tree in flat form, when it has one of the common filter shapes.
  std::unique_ptr<TvxFlatFilter> flat_;
  ExprValue result_;  // EvaluateTo's value, kept between evaluations
};

// Raises "Expression is nested too deeply" when depth passes the limit.
void CheckDepth(int depth);

}  // namespace talvern

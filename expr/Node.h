#pragma once
// The nodes of a parsed expression tree. A tree is built once by its
// TvxExpHandler and evaluated many times. Every node yields a value and its
// kind; leaves are literals, variables and function calls, inner nodes are
// operators and parenthesised groups. Each node owns its operands and keeps
// the scratch values it evaluates them into, so evaluation reuses buffers.
//
// CollectNames walks the left and right operands only: names used inside a
// group or a function call's arguments are not listed.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "expr/TextCompare.h"
#include "expr/Value.h"
#include "expr/ValueKind.h"

namespace talvern {

class TvxExpHandler;
class TvxExpUserLink;
class TvxUserDefFieldVar;
class TvxUserDefFunction;

// Node class codes.
inline constexpr std::uint8_t kNodeGroup = 0;
inline constexpr std::uint8_t kNodeBoundOperator = 2;
inline constexpr std::uint8_t kNodeOperator = 3;
inline constexpr std::uint8_t kNodeFunction = 4;
inline constexpr std::uint8_t kNodeFieldvar = 5;
inline constexpr std::uint8_t kNodeTextLit = 6;
inline constexpr std::uint8_t kNodeNumLit = 7;
inline constexpr std::uint8_t kNodeDateLit = 8;
inline constexpr std::uint8_t kNodeBlnLit = 9;

class TvxExpBaseObject {
public:
  explicit TvxExpBaseObject(std::uint8_t nodeClass, ValueKind kind = ValueKind::Unknown);
  TvxExpBaseObject(const TvxExpBaseObject&) = delete;
  TvxExpBaseObject& operator=(const TvxExpBaseObject&) = delete;
  virtual ~TvxExpBaseObject();

  virtual std::string OwnText() const;
  virtual int OwnerKind() const;
  virtual std::string AsText() const;
  virtual std::string CollectNames(int ownerKind) const;
  virtual void Evaluate(ExprValue& value, ValueKind& kind);

  std::uint8_t NodeClass() const { return nodeClass_; }
  ValueKind ResultKind() const { return kind_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Decimals() const { return decimals_; }
  TvxExpBaseObject* Left() const { return left_.get(); }
  TvxExpBaseObject* Right() const { return right_.get(); }
  // Levels of nodes from this one down to its deepest leaf.
  int Depth() const { return depth_; }

protected:
  std::uint8_t nodeClass_;
  ValueKind kind_;
  std::int32_t width_ = 0;
  std::int32_t decimals_ = 0;
  int depth_ = 1;
  std::unique_ptr<TvxExpBaseObject> left_;
  std::unique_ptr<TvxExpBaseObject> right_;
};

// A parenthesised group.
class TvxExpContainer : public TvxExpBaseObject {
public:
  TvxExpContainer(TvxExpHandler& handler, std::string_view text);
  std::string AsText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;
  // Null for an empty group.
  const TvxExpBaseObject* Inner() const { return inner_.get(); }

private:
  std::unique_ptr<TvxExpBaseObject> inner_;
};

// A call of a function of the library or of the table, NAME(arguments).
class TvxExpFunction : public TvxExpBaseObject {
public:
  TvxExpFunction(TvxExpHandler& handler, std::string_view tokenText);
  std::string OwnText() const override;
  std::string AsText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;

  // For the function's Execute. GetArg evaluates argument `index` (from 0)
  // into value; a missing argument has kind Empty. Unless `expected` is Any,
  // a kind other than the expected one (numeric kinds mix) raises
  // "%s needed for Argument %d of %s".
  void GetArg(std::size_t index, ExprValue& value, ValueKind expected, ValueKind& kind);
  std::int32_t ArgWidth(std::size_t index) const;
  TvxExpUserLink* CallTable() const;
  std::size_t ArgCount() const { return args_.size(); }
  // The tree of argument index; null for a blank argument.
  const TvxExpBaseObject* Arg(std::size_t index) const { return args_[index].get(); }
  TvxUserDefFunction* Function() const { return function_; }
  // Values kept by this call between evaluations; at least kScratchCount,
  // and one per argument.
  static constexpr std::size_t kScratchCount = 5;
  ExprValue& Scratch(std::size_t i) { return scratch_[i]; }
  std::size_t ScratchCount() const { return scratch_.size(); }

private:
  TvxUserDefFunction* function_ = nullptr;
  TvxExpHandler* handler_;
  std::vector<std::unique_ptr<TvxExpBaseObject>> args_;  // an entry may be empty
  std::vector<ExprValue> scratch_;
};

// A field of the table or a global variable.
class TvxExpFieldvar : public TvxExpBaseObject {
public:
  TvxExpFieldvar(TvxExpHandler& handler, std::string_view name);
  std::string OwnText() const override;
  int OwnerKind() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;
  TvxUserDefFieldVar* Variable() const { return variable_; }

private:
  TvxUserDefFieldVar* variable_ = nullptr;
  TvxExpHandler* handler_;
};

class TvxExpOperator : public TvxExpBaseObject {
public:
  TvxExpOperator(std::uint8_t code, std::uint8_t level, const CompareOptions& options,
                 const TvxExpHandler& handler);
  std::string OwnText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;

  std::uint8_t Code() const { return code_; }
  std::uint8_t Level() const { return level_; }
  const CompareOptions& Options() const { return options_; }
  bool IsBound() const { return nodeClass_ == kNodeBoundOperator; }
  void Bind(std::unique_ptr<TvxExpBaseObject> left, std::unique_ptr<TvxExpBaseObject> right);

private:
  void EvaluateBoolean(ExprValue& value, bool left);
  void EvaluateNumber(ExprValue& value);
  void EvaluateText(ExprValue& value);

  std::uint8_t code_;
  std::uint8_t level_;
  CompareOptions options_;
  const TvxExpHandler* handler_;
  ExprValue rightValue_;
  CompareScratch scratch_;
};

class TvxExpTextLit : public TvxExpBaseObject {
public:
  explicit TvxExpTextLit(std::string_view text);
  std::string OwnText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;
  const std::string& Text() const { return text_; }

private:
  std::string text_;
};

class TvxExpNumLit : public TvxExpBaseObject {
public:
  explicit TvxExpNumLit(std::string_view text);
  std::string OwnText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;
  double Value() const { return value_; }

private:
  double value_ = 0;
};

class TvxExpDateLit : public TvxExpBaseObject {
public:
  explicit TvxExpDateLit(std::string_view text);
  std::string OwnText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;

private:
  double day_ = 0;
};

class TvxExpBlnLit : public TvxExpBaseObject {
public:
  explicit TvxExpBlnLit(bool value);
  std::string OwnText() const override;
  void Evaluate(ExprValue& value, ValueKind& kind) override;

private:
  bool value_;
};

}  // namespace talvern

#pragma once
// Names an expression can use. A variable (TvxUserDefFieldVar) is a named
// value: a global constant (TRUE, FALSE, PI) or a field of a table. A function
// (TvxUserDefFunction) computes a value from the arguments of its call node.
// Registries map upper-case names to them, sorted and without duplicates. One
// global registry of each kind holds the built-in constants and the function
// library; each table's expression link holds its own (see UserLink.h).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "expr/Value.h"
#include "expr/ValueKind.h"

namespace talvern {

class TvxExpFunction;

// Owner kinds answered by OwnerKind: free-standing variables and table fields.
inline constexpr int kOwnerVariable = 16;
inline constexpr int kOwnerTableField = 17;

class TvxUserDefFieldVar {
public:
  // names: one or more ";"-separated names of the same variable.
  explicit TvxUserDefFieldVar(std::string names, std::int32_t width = 0, std::int32_t decimals = 0);
  virtual ~TvxUserDefFieldVar() = default;

  virtual std::string_view AllNames() const;
  virtual std::string_view Name() const;  // the part before the first ";"
  virtual int OwnerKind() const;
  virtual void GetValue(ExprValue& value, ValueKind& kind);

  std::int32_t Width() const { return width_; }
  std::int32_t Decimals() const { return decimals_; }

protected:
  std::string names_;
  std::int32_t width_;
  std::int32_t decimals_;

private:
  friend class TvxFieldVarReg;
  std::int32_t refCount_ = 0;
};

class TvxUserDefFunction {
public:
  virtual ~TvxUserDefFunction() = default;
  virtual std::string_view FunctionName() const;
  virtual void Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind);
};

class TvxFunctionReg {
public:
  TvxFunctionReg() = default;
  TvxFunctionReg(const TvxFunctionReg&) = delete;
  TvxFunctionReg& operator=(const TvxFunctionReg&) = delete;

  // Adds the function under its name in upper case; false (and the function
  // is freed) when the name is taken.
  bool Register(std::unique_ptr<TvxUserDefFunction> function);
  TvxUserDefFunction* Find(std::string_view name) const;
  std::size_t Count() const { return entries_.size(); }

private:
  std::map<std::string, std::unique_ptr<TvxUserDefFunction>, std::less<>> entries_;
};

class TvxFieldVarReg {
public:
  TvxFieldVarReg() = default;
  TvxFieldVarReg(const TvxFieldVarReg&) = delete;
  TvxFieldVarReg& operator=(const TvxFieldVarReg&) = delete;
  ~TvxFieldVarReg();

  // Adds every ";"-separated name of the variable, in upper case, for the
  // same object. A name already taken is skipped and the result is false; a
  // variable that got no name at all is freed.
  bool Register(std::unique_ptr<TvxUserDefFieldVar> variable);
  TvxUserDefFieldVar* Find(std::string_view name) const;
  std::size_t Count() const { return entries_.size(); }

private:
  std::map<std::string, TvxUserDefFieldVar*, std::less<>> entries_;
};

// The global constants.
class TvxSDVTrue : public TvxUserDefFieldVar {
public:
  TvxSDVTrue() : TvxUserDefFieldVar("TRUE") {}
  void GetValue(ExprValue& value, ValueKind& kind) override;
};

class TvxSDVFalse : public TvxUserDefFieldVar {
public:
  TvxSDVFalse() : TvxUserDefFieldVar("FALSE") {}
  void GetValue(ExprValue& value, ValueKind& kind) override;
};

class TvxSDVPi : public TvxUserDefFieldVar {
public:
  TvxSDVPi() : TvxUserDefFieldVar("PI") {}
  void GetValue(ExprValue& value, ValueKind& kind) override;
};

inline constexpr double kPi = 3.1415926535897932385;

// The process-wide registries, filled on first use: the constants, and the
// function library in its registration order.
TvxFieldVarReg& GlobalVariables();
TvxFunctionReg& GlobalFunctions();

}  // namespace talvern

#pragma once
// A table link with fake field variables, and short helpers to compile and
// evaluate an expression in one call.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "engine/Errors.h"
#include "expr/Handler.h"
#include "expr/UserLink.h"

namespace talvern::testing {

// A "field" whose value the test sets; it counts how often it was read.
class FakeField : public TvxUserDefFieldVar {
public:
  FakeField(std::string names, ValueKind kind, std::int32_t width)
      : TvxUserDefFieldVar(std::move(names), width), kind_(kind) {}
  int OwnerKind() const override { return kOwnerTableField; }
  void GetValue(ExprValue& value, ValueKind& kind) override {
    ++reads;
    value = current;
    kind = kind_;
  }
  ExprValue current;
  int reads = 0;

private:
  ValueKind kind_;
};

class FakeLink : public TvxExpUserLink {
public:
  // Fields are registered as NAME;TABLE.NAME, as a table registers them.
  FakeField& AddText(const std::string& name, std::string_view value, std::int32_t width = 10) {
    FakeField& f = Add(name, ValueKind::Text, width);
    f.current.SetText(value);
    return f;
  }
  FakeField& AddNumber(const std::string& name, double value, std::int32_t width = 10) {
    FakeField& f = Add(name, ValueKind::Number, width);
    f.current.SetNumber(value);
    return f;
  }
  FakeField& AddDate(const std::string& name, double day) {
    FakeField& f = Add(name, ValueKind::Date, 8);
    f.current.SetNumber(day);
    return f;
  }
  FakeField& AddBoolean(const std::string& name, bool value) {
    FakeField& f = Add(name, ValueKind::Boolean, 1);
    f.current.SetBoolean(value);
    return f;
  }
  std::string table = "MAIN";

private:
  FakeField& Add(const std::string& name, ValueKind kind, std::int32_t width) {
    auto field = std::make_unique<FakeField>(name + ";" + table + "." + name, kind, width);
    FakeField& ref = *field;
    Variables().Register(std::move(field));
    return ref;
  }
};

struct Result {
  ExprValue value;
  ValueKind kind = ValueKind::Unknown;
};

inline Result Eval(std::string_view text, TvxExpUserLink* link = nullptr) {
  TvxExpHandler handler(link, text);
  Result r;
  handler.Evaluate(r.value);
  r.kind = handler.ResultKind();
  return r;
}

inline std::string EvalText(std::string_view text, TvxExpUserLink* link = nullptr) {
  Result r = Eval(text, link);
  EXPECT_EQ(r.kind, ValueKind::Text) << text;
  return r.value.text;
}

inline double EvalNumber(std::string_view text, TvxExpUserLink* link = nullptr) {
  Result r = Eval(text, link);
  EXPECT_TRUE(IsNumericKind(r.kind)) << text;
  return r.value.AsNumber();
}

inline bool EvalBool(std::string_view text, TvxExpUserLink* link = nullptr) {
  Result r = Eval(text, link);
  EXPECT_EQ(r.kind, ValueKind::Boolean) << text;
  return r.value.AsBoolean();
}

// The message of the expression error that parsing or evaluating raises;
// empty when there is none.
inline std::string ErrorOf(std::string_view text, TvxExpUserLink* link = nullptr) {
  try {
    Eval(text, link);
  } catch (const ETalvernExpression& e) {
    return e.what();
  }
  return {};
}

}  // namespace talvern::testing

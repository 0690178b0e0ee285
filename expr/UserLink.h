#pragma once
// TvxExpUserLink: a table's expression link. Each open table owns one; it
// holds the table's own functions (RECNO, DELETED, ...) and one variable per
// field, and two settings that the function library reads from a call's
// table: the dialect number (STR's default length; an index sets it before
// compiling its key) and the translate flag (texts are in the OEM code page).

#include <cstdint>
#include <string_view>

#include "expr/Registry.h"

namespace talvern {

class TvxExpUserLink {
public:
  static constexpr std::int32_t kDefaultDialect = 10;
  // Longest name a field variable is looked up by.
  static constexpr std::size_t kNameLength = 10;

  TvxExpUserLink() = default;
  TvxExpUserLink(const TvxExpUserLink&) = delete;
  TvxExpUserLink& operator=(const TvxExpUserLink&) = delete;
  virtual ~TvxExpUserLink() = default;

  virtual TvxUserDefFunction* FindFunction(std::string_view name);
  // The name is cut to its first kNameLength characters before the look-up.
  virtual TvxUserDefFieldVar* FindFieldVar(std::string_view name);
  // Raises "There is no function for %s".
  [[noreturn]] virtual void UnknownFunction(std::string_view name);

  TvxFunctionReg& Functions() { return functions_; }
  TvxFieldVarReg& Variables() { return variables_; }

  std::int32_t Dialect() const { return dialect_; }
  void SetDialect(std::int32_t dialect) { dialect_ = dialect; }
  bool Translate() const { return translate_; }
  void SetTranslate(bool translate) { translate_ = translate; }

private:
  TvxFunctionReg functions_;
  TvxFieldVarReg variables_;
  std::int32_t dialect_ = kDefaultDialect;
  bool translate_ = true;
};

}  // namespace talvern

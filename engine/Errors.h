#pragma once
// The engine's errors. Every failure of the table engine is raised as one of
// these exceptions; the message is one of the engine's fixed English texts
// with its "%s" and "%d" placeholders filled in order (see Format).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>

namespace talvern {

class ETalvernError : public std::runtime_error {
public:
  explicit ETalvernError(const std::string& message) : std::runtime_error(message) {}
};

// Errors of parsing or evaluating an expression.
class ETalvernExpression : public ETalvernError {
public:
  using ETalvernError::ETalvernError;
};

// Missing, superfluous or wrong passwords of enciphered tables.
class ETalvernEncryption : public ETalvernError {
public:
  using ETalvernError::ETalvernError;
};

// One argument of a message: a text for "%s" or a number for "%d".
using MessageArg = std::variant<std::string_view, std::int64_t>;

// Fills the placeholders of a message text in order: "%s" takes a text, "%d" a
// number (a text given for "%d", or a number for "%s", is written as it is).
// Missing arguments leave the placeholder empty; "%%" is a percent sign.
std::string FormatMessage(std::string_view text, std::initializer_list<MessageArg> args);

// Raises an error of type E with the formatted message.
template <class E = ETalvernError>
[[noreturn]] void Raise(std::string_view text, std::initializer_list<MessageArg> args = {}) {
  throw E(FormatMessage(text, args));
}

}  // namespace talvern

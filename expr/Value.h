#pragma once
// ExprValue: the value a node of an expression yields while it is evaluated,
// beside its ValueKind. It is unassigned (empty), a text, a number (dates are
// day numbers) or a truth value. Nodes keep their own ExprValue scratch
// objects, so that a compiled expression evaluated on a million records reuses
// the same text buffers instead of allocating new ones.

#include <string>
#include <string_view>

namespace talvern {

// The longest text an expression builds (from a count, by replacement or by
// concatenation); asking for more raises a clear error instead of exhausting
// memory.
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 20;

// Raises "Text longer than %d characters asked of %s" when n > kMaxTextLength.
void CheckTextLength(double n, std::string_view what);

struct ExprValue {
  enum class Type : unsigned char { Empty, Text, Number, Boolean };

  Type type = Type::Empty;
  bool boolean = false;
  double number = 0;
  std::string text;

  bool IsEmpty() const { return type == Type::Empty; }
  bool IsText() const { return type == Type::Text; }

  void Clear() {
    type = Type::Empty;
    text.clear();
  }
  void SetText(std::string_view s) {
    type = Type::Text;
    text.assign(s.data(), s.size());
  }
  // Makes the value an empty text and hands out its buffer to be filled.
  std::string& NewText() {
    type = Type::Text;
    text.clear();
    return text;
  }
  void SetNumber(double x) {
    type = Type::Number;
    number = x;
  }
  void SetBoolean(bool b) {
    type = Type::Boolean;
    boolean = b;
  }
  // The value as a number (texts and empty values read as 0, truth as 1/0).
  double AsNumber() const {
    if (type == Type::Number) return number;
    if (type == Type::Boolean) return boolean ? 1 : 0;
    return 0;
  }
  bool AsBoolean() const {
    if (type == Type::Boolean) return boolean;
    if (type == Type::Number) return number != 0;
    return false;
  }
  std::string_view AsTextView() const {
    return type == Type::Text ? std::string_view(text) : std::string_view();
  }
};

}  // namespace talvern

#include "expr/Tokenizer.h"

#include "engine/Errors.h"
#include "expr/Messages.h"
#include "expr/Operators.h"
#include "expr/Registry.h"
#include "expr/UserLink.h"

namespace talvern {
namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return u;
}

[[noreturn]] void Fail(std::string_view message, std::initializer_list<MessageArg> args = {}) {
  Raise<ETalvernExpression>(message, args);
}

class Tokenizer {
public:
  Tokenizer(std::string_view text, TvxExpUserLink* link)
      : given_(text), s_(TrimBlanks(text)), link_(link) {}

  std::vector<ExprToken> Run() {
    bool operand = true;
    while (i_ < s_.size()) {
      if (operand) {
        if (Not()) SkipBlanks();
        if (!(Group() || Logical() || Name() || Quoted() || Number())) SyntaxError();
      } else {
        if (!(Symbol() || Word())) SyntaxError();
      }
      operand = !operand;
      SkipBlanks();
    }
    return std::move(tokens_);
  }

private:
  [[noreturn]] void SyntaxError() { Fail(msg::kSyntaxError, {given_}); }

  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
  }

  void Add(std::uint8_t code, std::string text, std::uint8_t level = 0) {
    tokens_.push_back(ExprToken{code, level, std::move(text)});
  }

  std::size_t LetterRunEnd(std::size_t from) const {
    while (from < s_.size() && IsLetter(s_[from])) ++from;
    return from;
  }

  // "!", NOT or .NOT. At the start of a level it becomes the prefix
  // operator; after an operator the rest of the level is wrapped in
  // parentheses instead, to be read as one group (a AND NOT b OR c is
  // a AND ((NOT b) OR c)).
  bool Not() {
    std::size_t length = 0;
    if (s_[i_] == '!') {
      length = 1;
    } else {
      bool period = s_[i_] == '.';
      std::size_t from = i_ + period;
      std::size_t end = LetterRunEnd(from);
      if (end - from != 3 || end >= s_.size() || Upper(s_.substr(from, 3)) != "NOT") return false;
      if (period && s_[end] != '.') return false;
      length = end - i_ + period;
    }
    if (tokens_.empty()) {
      Add(kOpNot, {}, kNotLevel);
      i_ += length;
      return true;
    }
    s_.insert(i_, 1, '(');
    s_.push_back(')');
    return false;
  }

  bool Group() {
    if (s_[i_] != '(') return false;
    int depth = 0;
    for (std::size_t j = i_; j < s_.size(); ++j) {
      if (s_[j] == '(') ++depth;
      if (s_[j] == ')' && --depth == 0) {
        Add(kTokenGroup, s_.substr(i_ + 1, j - i_ - 1));
        i_ = j + 1;
        return true;
      }
    }
    Fail(msg::kMissingParenthesis);
  }

  bool Logical() {
    if (s_[i_] != '.') return false;
    std::size_t close = s_.find('.', i_ + 1);
    if (close == std::string::npos) Fail(msg::kMissingPeriod);
    std::string word = Upper(std::string_view(s_).substr(i_, close - i_ + 1));
    if (word != ".T." && word != ".F.") Fail(msg::kExpectingLogical);
    Add(kTokenLogical, word);
    i_ = close + 1;
    return true;
  }

  bool Found(const std::string& name) const {
    std::string upper = Upper(name);
    return GlobalVariables().Find(upper) || (link_ && link_->FindFieldVar(upper));
  }

  // A variable, a qualified name ALIAS.FIELD or ALIAS->FIELD, or a call.
  bool Name() {
    if (!IsLetter(s_[i_]) && s_[i_] != '_') return false;
    std::size_t end = i_;
    while (end < s_.size() && IsNameChar(s_[end])) ++end;
    std::string first = s_.substr(i_, end - i_);
    for (;;) {
      if (end < s_.size() && s_[end] == '(') {
        std::size_t close = ScanArguments(s_, end, false);
        if (close == std::string_view::npos) Fail(msg::kMissingParenthesis);
        Add(kTokenFunction, s_.substr(i_, close + 1 - i_));
        i_ = close + 1;
        return true;
      }
      std::string name = s_.substr(i_, end - i_);
      bool found = Found(name);
      if (!found && s_.compare(end, 2, "->") == 0) {
        s_[end] = '.';
        s_.erase(end + 1, 1);
      }
      if (found) {
        Add(kTokenFieldvar, name);
        i_ = end;
        return true;
      }
      if (end >= s_.size() || s_[end] != '.') Fail(msg::kNoFunction, {first});
      ++end;
      while (end < s_.size() && IsNameChar(s_[end])) ++end;
    }
  }

  bool Quoted() {
    char open = s_[i_], close;
    switch (open) {
      case '"': case '\'': close = open; break;
      case '[': close = ']'; break;
      case '{': close = '}'; break;
      default: return false;
    }
    std::size_t end = s_.find(close, i_ + 1);
    if (end == std::string::npos) Fail(msg::kMissingDelimiter, {std::string_view(&open, 1)});
    Add(open == '{' ? kTokenDate : kTokenText, s_.substr(i_ + 1, end - i_ - 1));
    i_ = end + 1;
    return true;
  }

  // There is no unary minus: a sign belongs to a numeric literal.
  bool Number() {
    char c = s_[i_];
    if (c != '+' && c != '-' && !IsDigit(c)) return false;
    std::size_t end = i_ + 1;
    while (end < s_.size() && (IsDigit(s_[end]) || s_[end] == '.')) ++end;
    Add(kTokenNumber, s_.substr(i_, end - i_));
    i_ = end;
    return true;
  }

  // Greedy: the symbol runs on over * < = >, and text must follow it.
  bool Symbol() {
    static constexpr std::string_view kFirst = "!#$*+-/<=>^";
    static constexpr std::string_view kNext = "*<=>";
    if (kFirst.find(s_[i_]) == std::string_view::npos) return false;
    std::size_t end = i_ + 1;
    while (end < s_.size() && kNext.find(s_[end]) != std::string_view::npos) ++end;
    if (end >= s_.size()) return false;
    const OperatorInfo* op = SymbolOperator(std::string_view(s_).substr(i_, end - i_));
    if (!op) return false;
    Add(op->code, {}, op->level);
    i_ = end;
    return true;
  }

  // AND or .AND.; text must follow the word (for .AND. its closing period).
  bool Word() {
    bool period = s_[i_] == '.';
    std::size_t from = i_ + period;
    std::size_t end = LetterRunEnd(from);
    if (end == from || end >= s_.size()) return false;
    if (period && s_[end] != '.') return false;
    const OperatorInfo* op = WordOperator(Upper(std::string_view(s_).substr(from, end - from)));
    if (!op) return false;
    Add(op->code, {}, op->level);
    i_ = end + period;
    return true;
  }

  std::string_view given_;
  std::string s_;
  std::size_t i_ = 0;
  TvxExpUserLink* link_;
  std::vector<ExprToken> tokens_;
};

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<ExprToken> Tokenize(std::string_view text, TvxExpUserLink* link) {
  return Tokenizer(text, link).Run();
}

std::size_t ScanArguments(std::string_view text, std::size_t start, bool splitAtComma) {
  char quote = 0;  // the character that closes the open quote
  int depth = 0;
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) {
        quote = 0;
        --depth;
      }
      continue;
    }
    switch (c) {
      case '"': case '\'': quote = c; ++depth; break;
      case '[': quote = ']'; ++depth; break;
      case '{': quote = '}'; ++depth; break;
      case '(': ++depth; break;
      case ')':
        if (depth == 0) return i;
        --depth;
        break;
      case ',':
        if (splitAtComma && depth == 0) return i;
        break;
      default: break;
    }
  }
  return std::string_view::npos;
}

}  // namespace talvern

// The text functions of the library. Positions and counts are 1-based and
// truncated; counts that would build a text longer than kMaxTextLength raise
// an error instead of exhausting memory.
#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/Strings.h"
#include "expr/Library.h"
#include "expr/LibraryArgs.h"
#include "expr/TextRules.h"

namespace talvern {
using namespace lib;

namespace {

constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max() / 4;

}  // namespace

std::size_t lib::NthOccurrence(std::string_view needle, std::string_view text, std::int64_t n) {
  std::size_t result = 0;
  if (needle.empty()) return 0;
  for (std::int64_t k = 0; k < n; ++k) {
    std::size_t pos = text.find(needle, result);
    if (pos == std::string_view::npos) break;
    result = pos + 1;
  }
  return result;
}

std::int64_t lib::OccurrenceCount(double n) { return Truncate(n, -1, kHuge); }

namespace {

std::int64_t OccurrenceCount(TvxExpFunction& node) {
  double n = 1;
  OptionalNumber(node, 2, n);
  return lib::OccurrenceCount(n);
}

char SoundexDigit(char c) {
  switch (c) {
    case 'B': case 'F': case 'P': case 'V': return '1';
    case 'C': case 'G': case 'J': case 'K': case 'Q': case 'S': case 'X': case 'Z': return '2';
    case 'D': case 'T': return '3';
    case 'L': return '4';
    case 'M': case 'N': return '5';
    case 'R': return '6';
    default: return 0;
  }
}

// PROPER starts a word after a blank or ASCII punctuation other than the
// apostrophe and the backquote.
bool StartsWord(unsigned char previous) {
  return (previous >= 0x20 && previous <= 0x26) || (previous >= 0x28 && previous <= 0x2F) ||
         (previous >= 0x3A && previous <= 0x40) || (previous >= 0x5B && previous <= 0x5F) ||
         (previous >= 0x7B && previous <= 0x7F);
}

}  // namespace

void TvxUDFAllTrim::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  NewText(value, kind).assign(Trim(TextArg(node, 0)));
}

void TvxUDFLTrim::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  NewText(value, kind).assign(TrimLeft(TextArg(node, 0)));
}

void TvxUDFTrim::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  NewText(value, kind).assign(TrimRight(TextArg(node, 0)));
}

void TvxUDFAsc::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  SetNumber(value, kind, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

void TvxUDFAt::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view needle = TextArg(node, 0);
  std::string_view text = TextArg(node, 1);
  SetNumber(value, kind, static_cast<double>(NthOccurrence(needle, text, OccurrenceCount(node))));
}

void TvxUDFAtC::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string& needle = node.Scratch(3).text;
  std::string& text = node.Scratch(4).text;
  needle.assign(TextArg(node, 0));
  text.assign(TextArg(node, 1));
  UpperCaseAscii(needle);
  UpperCaseAscii(text);
  SetNumber(value, kind, static_cast<double>(NthOccurrence(needle, text, OccurrenceCount(node))));
}

void TvxUDFChr::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double code = std::trunc(NumberArg(node, 0));
  if (!(code >= 0 && code <= 255)) Raise<ETalvernExpression>(msg::kValueInvalid, {"Byte"});
  NewText(value, kind).assign(1, static_cast<char>(static_cast<unsigned char>(code)));
}

void TvxUDFLeft::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  double n = NumberArg(node, 1);
  std::string& out = NewText(value, kind);
  if (n <= 0.01) return;
  CheckTextLength(n, "LEFT");
  auto count = static_cast<std::size_t>(n);
  out.assign(s.substr(0, count));
  out.resize(count, ' ');
}

void TvxUDFLen::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  SetNumber(value, kind, static_cast<double>(TextArg(node, 0).size()));
}

void TvxUDFLower::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string& out = NewText(value, kind);
  out.assign(TextArg(node, 0));
  LowerCaseText(out, OemTexts(node));
}

// Letters of a text that reaches the expression in the OEM code page are
// upper-cased as their display form is (OEM -> display, upper, -> OEM).
void TvxUDFUpper::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string& out = NewText(value, kind);
  out.assign(TextArg(node, 0));
  UpperCaseText(out, OemTexts(node));
}

void TvxUDFProper::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  bool oem = OemTexts(node);
  std::string& out = NewText(value, kind);
  out.reserve(s.size());
  unsigned char previous = ' ';
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    previous = StartsWord(previous) ? UpperCaseChar(b, oem) : LowerCaseChar(b, oem);
    out += static_cast<char>(previous);
  }
}

// RIGHT with a count of 0 or less gives the empty text.
void TvxUDFRight::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  std::int64_t n = Truncate(NumberArg(node, 1), 0, kHuge);
  std::string& out = NewText(value, kind);
  if (static_cast<std::uint64_t>(n) >= s.size())
    out.assign(s);
  else
    out.assign(s.substr(s.size() - static_cast<std::size_t>(n)));
}

void TvxUDFSoundex::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string& text = node.Scratch(1).text;
  text.assign(TextArg(node, 0));
  std::string& out = NewText(value, kind);
  if (text.empty()) {
    out = "0000";
    return;
  }
  UpperCaseAscii(text);
  out += text[0];
  char previous = text[0];  // the last character of the code string
  for (std::size_t i = 1; i < text.size() && out.size() < 4; ++i) {
    char digit = SoundexDigit(text[i]);
    if (!digit) continue;
    if (digit != previous) out += digit;
    previous = digit;
  }
  out.resize(4, '0');
}

void TvxUDFSpace::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  double n = std::trunc(NumberArg(node, 0));
  std::string& out = NewText(value, kind);
  if (!(n > 0)) return;
  CheckTextLength(n, "SPACE");
  out.assign(static_cast<std::size_t>(n), ' ');
}

void TvxUDFStrTran::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view text = TextArg(node, 0);
  std::string_view search = TextArg(node, 1);
  std::string_view replacement;
  OptionalText(node, 2, replacement);
  double start = 1, count = static_cast<double>(kHuge);
  OptionalNumber(node, 3, start);
  OptionalNumber(node, 4, count);
  std::int64_t skip = Truncate(start, 1, kHuge) - 1;
  std::int64_t left = Truncate(count, 0, kHuge);
  std::string& out = NewText(value, kind);
  if (search.empty()) {
    out.assign(text);
    return;
  }
  std::size_t at = 0;
  for (;;) {
    std::size_t pos = text.find(search, at);
    if (pos == std::string_view::npos || left == 0) break;
    out.append(text.substr(at, pos - at));
    if (skip > 0) {
      --skip;
      out.append(search);
    } else {
      --left;
      CheckTextLength(static_cast<double>(out.size() + replacement.size()), "STRTRAN");
      out.append(replacement);
    }
    at = pos + search.size();
  }
  CheckTextLength(static_cast<double>(out.size() + text.size() - at), "STRTRAN");
  out.append(text.substr(at));
}

void TvxUDFSubStr::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  std::int64_t start = Truncate(NumberArg(node, 1), -1, kHuge);
  double countArg = 0;
  bool hasCount = OptionalNumber(node, 2, countArg);
  std::string& out = NewText(value, kind);
  if (start == 0 || start > static_cast<std::int64_t>(s.size())) return;
  if (start < 0) start = 1;
  std::size_t from = static_cast<std::size_t>(start - 1);
  std::size_t count = s.size() - from;
  if (hasCount) count = static_cast<std::size_t>(std::min<std::int64_t>(
      Truncate(countArg, 0, kHuge), static_cast<std::int64_t>(count)));
  out.assign(s.substr(from, count));
}

void TvxUDFStuff::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  std::int64_t start = Truncate(NumberArg(node, 1), -1, kHuge);
  std::int64_t count = Truncate(NumberArg(node, 2), -1, kHuge);
  std::string_view insert = TextArg(node, 3);
  std::string& out = NewText(value, kind);
  if (s.empty()) return;
  CheckTextLength(static_cast<double>(s.size() + insert.size()), "STUFF");
  out.assign(s);
  auto length = static_cast<std::int64_t>(out.size());
  if (count > 0 && start >= 1 && start <= length)
    out.erase(static_cast<std::size_t>(start - 1),
              static_cast<std::size_t>(std::min(count, length - start + 1)));
  std::int64_t at = std::clamp<std::int64_t>(start, 1, static_cast<std::int64_t>(out.size()) + 1);
  out.insert(static_cast<std::size_t>(at - 1), insert);
}

// Each character found in `from` becomes the character at the same place in
// `to`, or is dropped when `to` is shorter; the others stay.
void TvxUDFChrtran::Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) {
  std::string_view s = TextArg(node, 0);
  std::string_view from = TextArg(node, 1);
  std::string_view to = TextArg(node, 2);
  std::string& out = NewText(value, kind);
  out.reserve(s.size());
  for (char c : s) {
    std::size_t k = from.find(c);
    if (k == std::string_view::npos)
      out += c;
    else if (k < to.size())
      out += to[k];
  }
}

}  // namespace talvern

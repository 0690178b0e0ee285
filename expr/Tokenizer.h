#pragma once
// The first pass of parsing: the text of one nesting level becomes a flat
// list of tokens. Operators carry their code and precedence level; a
// parenthesised group keeps its inner text and a function call its whole
// text NAME(arguments), to be parsed as the next level down.
//
//   code        token                text
//   0x81-0x92   operator             (code and level)
//   0x98        function call        NAME(arguments)
//   0x99        field or variable    the name as written (ALIAS->F reads ALIAS.F)
//   0x9A        parenthesised group  the text between the outer parentheses
//   0x9B        text literal         the characters between the delimiters
//   0x9C        date literal         the characters between "{" and "}"
//   0x9D        numeric literal      as written, sign included
//   0x9E        logical literal      ".T." or ".F."

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace talvern {

class TvxExpUserLink;

inline constexpr std::uint8_t kTokenFunction = 0x98;
inline constexpr std::uint8_t kTokenFieldvar = 0x99;
inline constexpr std::uint8_t kTokenGroup = 0x9A;
inline constexpr std::uint8_t kTokenText = 0x9B;
inline constexpr std::uint8_t kTokenDate = 0x9C;
inline constexpr std::uint8_t kTokenNumber = 0x9D;
inline constexpr std::uint8_t kTokenLogical = 0x9E;

struct ExprToken {
  std::uint8_t code;
  std::uint8_t level;  // operators only
  std::string text;
};

// Raises the parse errors of one level ("Syntax Error in expression ...",
// "Missing closing parentheses", ...). Names are looked up among the global
// variables and through the link, to tell variables from qualified names.
std::vector<ExprToken> Tokenize(std::string_view text, TvxExpUserLink* link);

// Scans from one character after `start` for the ")" that closes a call, or,
// when splitAtComma, for the "," that ends an argument, skipping quoted text
// and nested parentheses. std::string_view::npos when the text ends first.
std::size_t ScanArguments(std::string_view text, std::size_t start, bool splitAtComma);

// Blanks are all characters up to and including the space.
inline bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
std::string_view TrimBlanks(std::string_view text);

}  // namespace talvern

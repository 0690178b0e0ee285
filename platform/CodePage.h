#pragma once
// Code pages of the catalogue: stored text is OEM code page 866, the program
// works in the display ("ANSI") code page 1251, and codes.dbc is UTF-8.
//
// The conversions between 1251 and 866 give what a Russian Windows system
// gives for CharToOemBuff and OemToCharBuff: each character that exists in
// both code pages keeps its identity; a character that the target page lacks
// becomes its best-fit stand-in (a Latin look-alike, a plain quote or dash,
// "+", "-" or the broken bar for box drawing), and "?" when there is none.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace talvern::platform {

// The Unicode character of one byte of code page 1251 (0x98, unassigned,
// maps to U+0098) and of code page 866.
char32_t AnsiToUnicode(std::uint8_t c);
char32_t OemToUnicode(std::uint8_t c);

// The byte of code page 1251 or 866 for a Unicode character: exact, else the
// best-fit stand-in, else '?'.
std::uint8_t UnicodeToAnsi(char32_t c);
std::uint8_t UnicodeToOem(char32_t c);

// 1251 -> 866 and 866 -> 1251, count bytes; source and destination may be the
// same buffer.
void CharToOemBuff(const char* source, char* destination, std::size_t count);
void OemToCharBuff(const char* source, char* destination, std::size_t count);
std::string CharToOem(std::string_view text);
std::string OemToChar(std::string_view text);

// UTF-8 to and from the two code pages. Malformed UTF-8 sequences become '?'.
std::string Utf8ToAnsi(std::string_view text);
std::string Utf8ToOem(std::string_view text);
std::string AnsiToUtf8(std::string_view text);
std::string OemToUtf8(std::string_view text);

// Appends the UTF-8 form of one character.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace talvern::platform

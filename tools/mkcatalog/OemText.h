#pragma once
// Text of the sources (UTF-8) as the tables store it (code page 866). The
// builder refuses what code page 866 cannot hold instead of writing a
// stand-in character, so that the catalogue says exactly what data/ says.

#include <string>
#include <string_view>

namespace talvern::mkcatalog {

// Decodes UTF-8 into code points; false for malformed text (bad or overlong
// sequences, surrogates, values beyond U+10FFFF).
bool DecodeUtf8(std::string_view text, std::u32string& out);
bool IsUtf8(std::string_view text);

// The code page 866 bytes of a UTF-8 text. Raises ETalvernError naming the
// first character that code page 866 lacks, or malformed UTF-8.
std::string Utf8ToOemExact(std::string_view text);

}  // namespace talvern::mkcatalog

#pragma once
// Case mapping and collation of expression texts. A text in an expression is
// in the display code page, or, when the table link's translate flag is on,
// in the stored OEM code page (field values and the filter's literals alike).
// Letters are mapped and ordered by the display code page's rules in both
// cases: an OEM text is seen through the OEM -> display translation, so that
// Cyrillic letters stored in 866 change case and sort as letters.

#include <string>
#include <string_view>

namespace talvern {

unsigned char UpperCaseChar(unsigned char c, bool oem);
unsigned char LowerCaseChar(unsigned char c, bool oem);
void UpperCaseText(std::string& s, bool oem);
void LowerCaseText(std::string& s, bool oem);

// ASCII letters only (ATC, SOUNDEX, names).
void UpperCaseAscii(std::string& s);

// The locale's case-sensitive collation: -1, 0 or 1.
int CollateTexts(std::string_view a, std::string_view b, bool oem);

}  // namespace talvern

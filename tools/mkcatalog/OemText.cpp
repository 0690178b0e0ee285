#include "tools/mkcatalog/OemText.h"

#include <cstdio>

#include "engine/Errors.h"
#include "platform/CodePage.h"

namespace talvern::mkcatalog {

bool DecodeUtf8(std::string_view text, std::u32string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t more = 0;
    char32_t cp = 0;
    char32_t least = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1, cp = c & 0x1F, least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2, cp = c & 0x0F, least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3, cp = c & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (text.size() - i <= more) return false;
    for (std::size_t k = 1; k <= more; ++k) {
      auto d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out.push_back(cp);
    i += more + 1;
  }
  return true;
}

bool IsUtf8(std::string_view text) {
  std::u32string ignored;
  return DecodeUtf8(text, ignored);
}

std::string Utf8ToOemExact(std::string_view text) {
  std::u32string points;
  if (!DecodeUtf8(text, points)) Raise("the text is not UTF-8");
  std::string out;
  out.reserve(points.size());
  for (char32_t cp : points) {
    std::uint8_t b = platform::UnicodeToOem(cp);
    if (platform::OemToUnicode(b) != cp) {
      char name[16];
      std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(cp));
      Raise("the character %s is not in code page 866", {name});
    }
    out.push_back(static_cast<char>(b));
  }
  return out;
}

}  // namespace talvern::mkcatalog

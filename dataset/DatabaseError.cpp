#include "dataset/DatabaseError.h"

namespace talvern {

std::string FormatDatabaseMessage(std::string_view text, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(text.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '%' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char kind = text[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
    } else if (kind == 's' || kind == 'd') {
      if (next != args.end()) out += *next++;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

void DatabaseError(std::string_view text, std::initializer_list<std::string_view> args) {
  throw EDatabaseError(FormatDatabaseMessage(text, args));
}

}  // namespace talvern

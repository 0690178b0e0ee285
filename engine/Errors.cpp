#include "engine/Errors.h"

namespace talvern {

std::string FormatMessage(std::string_view text, std::initializer_list<MessageArg> args) {
  std::string out;
  out.reserve(text.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '%' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char conversion = text[i + 1];
    if (conversion == '%') {
      out += '%';
      ++i;
    } else if (conversion == 's' || conversion == 'd') {
      if (next != args.end()) {
        if (auto s = std::get_if<std::string_view>(&*next))
          out += *s;
        else
          out += std::to_string(std::get<std::int64_t>(*next));
        ++next;
      }
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace talvern

#include "app/FormSearchFilter.h"

#include "platform/Locale.h"

namespace talvern {

std::string SearchFilter(std::string_view text) {
  const std::string upper = platform::AnsiUpper(text);
  std::string literal;
  std::size_t start = 0;
  while (start <= upper.size()) {
    const std::size_t quote = upper.find('"', start);
    const std::size_t end = quote == std::string::npos ? upper.size() : quote;
    if (end > start || (quote == std::string::npos && literal.empty())) {
      if (!literal.empty()) literal += '+';
      literal += '"' + upper.substr(start, end - start) + '"';
    }
    if (quote == std::string::npos) break;
    if (!literal.empty()) literal += '+';
    literal += "'\"'";
    start = quote + 1;
  }
  return "AT(" + literal + ",TYPE,1)<>0";
}

}  // namespace talvern

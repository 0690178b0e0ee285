#include "app/ParamPieces.h"

namespace talvern {

std::vector<std::string_view> SplitParams(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(kParamSeparator, start);
    if (end == std::string_view::npos) end = text.size();
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

}  // namespace talvern

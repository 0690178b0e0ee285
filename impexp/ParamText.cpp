#include "impexp/ParamText.h"

namespace talvern::impexp {

std::vector<std::string_view> ParamPieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find(kParamSeparator, start), text.size());
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::string JoinParams(const std::vector<std::string_view>& values) {
  std::string text;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += kParamSeparator;
    text += values[i];
  }
  while (!text.empty() && text.back() == kParamSeparator) text.pop_back();
  return text;
}

}  // namespace talvern::impexp

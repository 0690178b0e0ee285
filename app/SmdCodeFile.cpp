#include "app/SmdCodeFile.h"

#include <algorithm>
#include <fstream>

#include "engine/Errors.h"
#include "platform/File.h"

namespace talvern {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// a < b in byte order, or ignoring the case of ASCII letters.
bool CodeLess(std::string_view a, std::string_view b, bool caseSensitive) {
  const auto byte = [](char c) { return static_cast<unsigned char>(c); };
  if (caseSensitive) return a < b;
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return byte(AsciiLower(x)) < byte(AsciiLower(y));
  });
}

}  // namespace

std::string_view TakeSmdField(std::string_view& rest) {
  const std::size_t bar = rest.find(kSmdFieldSeparator);
  std::string_view field = rest.substr(0, bar);
  rest = bar == std::string_view::npos ? std::string_view() : rest.substr(bar + 1);
  return field;
}

std::optional<SmdCode> SplitSmdLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const std::size_t bar = line.find(kSmdFieldSeparator);
  if (bar == std::string_view::npos || bar == 0) return std::nullopt;
  SmdCode code;
  for (std::string& field : code) field = TakeSmdField(line);
  return code;
}

void ReadSmdCodeFile(const std::string& path, std::vector<SmdCode>& codes) {
  std::ifstream in(platform::ResolveFileName(path), std::ios::binary);
  if (!in.is_open()) Raise(kSmdOpenError);
  std::string line;
  for (bool first = true; std::getline(in, line); first = false) {
    std::string_view text = line;
    if (first && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
    if (std::optional<SmdCode> code = SplitSmdLine(text)) codes.push_back(std::move(*code));
  }
  if (in.bad()) Raise("Ошибка чтения файла \"%s\"", {path});
}

int FindSmdCode(const std::vector<SmdCode>& codes, std::string_view text, bool caseSensitive) {
  if (codes.empty()) return -1;
  for (std::size_t i = 0; i < codes.size(); ++i)
    if (!CodeLess(codes[i][0], text, caseSensitive)) return static_cast<int>(i);
  return static_cast<int>(codes.size()) - 1;
}

}  // namespace talvern

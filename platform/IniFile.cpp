#include "platform/IniFile.h"

#include <fstream>

namespace talvern::platform {
namespace {

std::string Trim(const std::string& s) {
  auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  auto last = s.find_last_not_of(" \t\r\n");
  return s.substr(first, last - first + 1);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> ReadIniSection(const std::string& path, const std::string& section) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  if (!in) return lines;
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';') continue;
    if (t.front() == '[') {
      auto close = t.find(']');
      inside = close != std::string::npos && SameIgnoringCase(Trim(t.substr(1, close - 1)), section);
      continue;
    }
    if (!inside) continue;
    auto eq = t.find('=');
    if (eq == std::string::npos) {
      lines.push_back(t);
    } else {
      lines.push_back(Trim(t.substr(0, eq)) + "=" + Trim(t.substr(eq + 1)));
    }
  }
  return lines;
}

}  // namespace talvern::platform

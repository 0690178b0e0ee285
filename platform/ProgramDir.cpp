#include "platform/ProgramDir.h"

#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace talvern::platform {

std::string ProgramDirectory() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return ".";
  std::string path(buf.data(), static_cast<std::size_t>(n));
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string WindowsDirectory() {
  const char* dir = std::getenv("TALVERN_CFG_DIR");
  if (dir && *dir) {
    std::string s(dir);
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  }
  return "/etc";
}

}  // namespace talvern::platform

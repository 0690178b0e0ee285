#include "engine/Cipher.h"

#include <cstring>

namespace talvern {

int Cipher(const std::string& password, const void* source, void* destination,
           std::int32_t count, bool encipher) {
  if (count <= 0) return password.empty() ? 0 : (encipher ? 1 : -1);
  const auto* in = static_cast<const std::uint8_t*>(source);
  auto* out = static_cast<std::uint8_t*>(destination);
  if (password.empty()) {
    if (in != out) std::memmove(out, in, static_cast<std::size_t>(count));
    return 0;
  }
  const std::size_t n = password.size();
  for (std::int32_t i = 0; i < count; ++i) {
    auto key = static_cast<std::uint8_t>((i & 0xFF) | static_cast<std::uint8_t>(password[i % n]));
    out[i] = static_cast<std::uint8_t>(in[i] ^ key);
  }
  return encipher ? 1 : -1;
}

}  // namespace talvern

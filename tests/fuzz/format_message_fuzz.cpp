// Message formatting never reads past its text, whatever the placeholders.
#include <cstdint>
#include <string_view>

#include "engine/Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  talvern::FormatMessage(text, {std::string_view("x"), std::int64_t{7}});
  return 0;
}

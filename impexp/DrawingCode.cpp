#include "impexp/DrawingCode.h"

#include "engine/Errors.h"
#include "impexp/Messages.h"

namespace talvern::impexp {
namespace {

constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 36;
  return -1;
}

}  // namespace

std::int32_t DecodeDrawingCode(std::string_view code) {
  std::int32_t value = 0;
  bool valid = code.size() <= kDrawingCodeLength;
  for (std::size_t i = 0; valid && i < code.size(); ++i) {
    const int digit = DigitValue(code[i]);
    valid = digit >= 0;
    value = value * kDrawingCodeBase + digit;
  }
  if (!valid) throw ETalvernError(kBadDrawingCode + std::string(code));
  return value;
}

std::string EncodeDrawingCode(std::int32_t value) {
  std::string code(kDrawingCodeLength, '0');
  for (int i = kDrawingCodeLength - 1; i >= 0; --i) {
    code[static_cast<std::size_t>(i)] = kDigits[value % kDrawingCodeBase];
    value /= kDrawingCodeBase;
  }
  return code;
}

bool IsDrawingCode(std::string_view code) {
  if (code.size() != kDrawingCodeLength) return false;
  for (char c : code)
    if (DigitValue(c) < 0) return false;
  return true;
}

std::string_view DeviceDrawingCode(std::string_view pic, int i) {
  const std::size_t start = static_cast<std::size_t>(i) * kDrawingCodeLength;
  if (start >= pic.size()) return {};
  return pic.substr(start, kDrawingCodeLength);
}

}  // namespace talvern::impexp

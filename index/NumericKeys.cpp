#include "index/NumericKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/Strings.h"

namespace talvern {

namespace {
constexpr int kMdxExponentBias = 52;
constexpr int kMdxDigits = 15;
constexpr int kMdxNegative = 0x80;
}  // namespace

void EncodeSortableDouble(double value, std::uint8_t out[kSortableDoubleBytes]) {
  if (value == 0) value = 0;  // -0 sorts as 0
  std::uint8_t b[8];
  std::memcpy(b, &value, 8);
  if (b[7] >= 0x80) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(~b[7 - i]);
  } else {
    out[0] = static_cast<std::uint8_t>(b[7] | 0x80);
    for (int i = 1; i < 8; ++i) out[i] = b[7 - i];
  }
}

double DecodeSortableDouble(const std::uint8_t in[kSortableDoubleBytes]) {
  std::uint8_t b[8];
  if (in[0] >= 0x80) {
    b[7] = static_cast<std::uint8_t>(in[0] & 0x7F);
    for (int i = 1; i < 8; ++i) b[7 - i] = in[i];
  } else {
    for (int i = 0; i < 8; ++i) b[7 - i] = static_cast<std::uint8_t>(~in[i]);
  }
  double value = 0;
  std::memcpy(&value, b, 8);
  return value;
}

void EncodeMdxNumber(double value, std::uint8_t out[kMdxNumberBytes]) {
  std::memset(out, 0, kMdxNumberBytes);
  const bool negative = value < 0;
  const double magnitude = std::fabs(value);
  out[0] = kMdxExponentBias;
  out[1] = 1;
  if (std::isnan(magnitude) || magnitude == 0) return;
  std::string digits;
  int exponent = 0;
  if (std::isfinite(magnitude)) {
    // d.dddddddddddddde+XX: fifteen significant digits.
    char text[64];
    std::snprintf(text, sizeof text, "%.*e", kMdxDigits - 1, magnitude);
    digits.assign(1, text[0]);
    digits.append(text + 2, kMdxDigits - 1);
    exponent = std::atoi(std::strchr(text, 'e') + 1) + 1;
  } else {
    exponent = kMdxDigits + 1;
  }
  if (exponent > kMdxDigits) {
    digits.assign(kMdxDigits, '9');
    exponent = kMdxDigits;
  }
  if (exponent < -kMdxExponentBias) return;  // too small for the form: 0
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  out[0] = static_cast<std::uint8_t>(kMdxExponentBias + exponent);
  out[1] = static_cast<std::uint8_t>(static_cast<int>(digits.size()) * 4 + 1 + (negative ? kMdxNegative : 0));
  for (std::size_t i = 0; i < digits.size(); ++i) {
    int d = digits[i] - '0';
    out[2 + i / 2] |= static_cast<std::uint8_t>(i % 2 == 0 ? d << 4 : d);
  }
}

double DecodeMdxNumber(const std::uint8_t in[kMdxNumberBytes]) {
  const int exponent = in[0] - kMdxExponentBias;
  const int count = std::min((in[1] & 0x7F) >> 2, 2 * (kMdxNumberBytes - 2));
  std::string text = "0.";
  for (int i = 0; i < count; ++i) {
    int d = i % 2 == 0 ? in[2 + i / 2] >> 4 : in[2 + i / 2] & 0x0F;
    if (d > 9) return 0;
    text += static_cast<char>('0' + d);
  }
  if (count == 0) return 0;
  text += 'e';
  text += std::to_string(exponent);
  double value = std::strtod(text.c_str(), nullptr);
  return (in[1] & kMdxNegative) ? -value : value;
}

std::string NtxNumberText(double value, int length, int decimals) {
  if (length <= 0) return std::string();
  decimals = std::clamp(decimals, 0, 15);
  const bool negative = value < 0;
  double magnitude = std::fabs(value);
  if (!std::isfinite(magnitude)) magnitude = 1e300;
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%*.*f", length, decimals, magnitude);
  std::string text(buffer);
  if (static_cast<int>(text.size()) > length) {
    text.assign(static_cast<std::size_t>(length), '9');
    if (decimals > 0 && decimals < length - 1) text[static_cast<std::size_t>(length - decimals - 1)] = '.';
  }
  for (char& c : text) {
    if (c == ' ') c = '0';
    if (negative && c >= '0' && c <= '9') c = static_cast<char>(92 - c);
  }
  return text;
}

double SearchTextNumber(std::string_view text) {
  std::string s(Trim(text));
  for (char& c : s)
    if (c == ',') c = '.';
  char* end = nullptr;
  double value = std::strtod(s.c_str(), &end);
  return end == s.c_str() ? 0.0 : value;
}

}  // namespace talvern

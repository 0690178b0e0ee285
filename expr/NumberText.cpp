#include "expr/NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace talvern {
namespace {

// x as 0.d1d2...dn * 10^exponent, with its shortest significant digits.
struct Decimal {
  char digits[40];
  int count = 0;
  int exponent = 0;
  bool negative = false;
};

Decimal ToDecimal(double x) {
  Decimal d;
  d.negative = std::signbit(x);
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(x), std::chars_format::scientific);
  const char* p = buf;
  const char* end = res.ptr;
  for (; p < end && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9' && d.count < 39) d.digits[d.count++] = *p;
  int exp = 0;
  if (p < end) std::from_chars(p + 1 + (p[1] == '+'), end, exp);
  d.exponent = exp + 1;
  while (d.count > 1 && d.digits[d.count - 1] == '0') --d.count;
  if (d.count == 1 && d.digits[0] == '0') d.count = 0;  // zero
  return d;
}

// Rounds d half away from zero so that no digit below 10^-places remains.
void RoundAt(Decimal& d, int places) {
  long keep = static_cast<long>(d.exponent) + places;
  if (d.count == 0 || keep >= d.count) return;
  if (keep < 0) {
    d.count = 0;
    return;
  }
  bool up = d.digits[keep] >= '5';
  d.count = static_cast<int>(keep);
  if (up) {
    int i = d.count - 1;
    while (i >= 0 && d.digits[i] == '9') --i;
    if (i < 0) {
      d.digits[0] = '1';
      d.count = 1;
      ++d.exponent;
    } else {
      ++d.digits[i];
      d.count = i + 1;
    }
  }
  while (d.count > 0 && d.digits[d.count - 1] == '0') --d.count;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool ParseNumberLiteral(std::string_view text, double& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t start = i;
  int digits = 0, periods = 0;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (IsDigit(text[j]))
      ++digits;
    else if (text[j] == '.')
      ++periods;
    else
      return false;
  }
  if (digits == 0 || periods > 1) return false;
  double v = 0;
  auto res = std::from_chars(text.data() + start, text.data() + text.size(), v,
                             std::chars_format::fixed);
  if (res.ec == std::errc::invalid_argument) return false;
  if (res.ec == std::errc::result_out_of_range) v = HUGE_VAL;
  value = negative ? -v : v;
  return true;
}

bool ParseNumberText(std::string_view text, double& value) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  if (text.empty() || text.size() > 400) return false;
  char buf[401];
  std::size_t n = 0, i = 0;
  bool negative = false;
  if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
  int digits = 0;
  bool separator = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (IsDigit(c)) {
      ++digits;
      buf[n++] = c;
    } else if ((c == '.' || c == ',') && !separator) {
      separator = true;
      buf[n++] = '.';
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    buf[n++] = 'e';
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) buf[n++] = text[i++];
    std::size_t expDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++expDigits) buf[n++] = text[i];
    if (expDigits == 0) return false;
  }
  if (i != text.size()) return false;
  double v = 0;
  auto res = std::from_chars(buf, buf + n, v);
  if (res.ec == std::errc::invalid_argument) return false;
  if (res.ec == std::errc::result_out_of_range) v = std::fabs(v) < 1 ? 0.0 : HUGE_VAL;
  value = negative ? -v : v;
  return true;
}

void AppendFixed(std::string& out, double x, int decimals) {
  if (!std::isfinite(x)) {
    out += std::isnan(x) ? "NAN" : (x < 0 ? "-INF" : "INF");
    return;
  }
  if (decimals < 0) decimals = 0;
  Decimal d = ToDecimal(x);
  RoundAt(d, decimals);
  if (d.negative && d.count > 0) out += '-';
  if (d.exponent <= 0) {
    out += '0';
  } else {
    for (int i = 0; i < d.exponent; ++i) out += i < d.count ? d.digits[i] : '0';
  }
  if (decimals > 0) {
    out += '.';
    for (int j = 0; j < decimals; ++j) {
      long at = static_cast<long>(d.exponent) + j;
      out += at >= 0 && at < d.count ? d.digits[at] : '0';
    }
  }
}

double RoundDecimal(double x, int places) {
  if (!std::isfinite(x)) return x;
  if (places > 400) places = 400;
  if (places < -400) places = -400;
  Decimal d = ToDecimal(x);
  RoundAt(d, places);
  if (d.count == 0) return 0.0;
  char buf[64];
  std::size_t n = 0;
  for (int i = 0; i < d.count; ++i) buf[n++] = d.digits[i];
  buf[n++] = 'e';
  auto res = std::to_chars(buf + n, buf + sizeof buf, d.exponent - d.count);
  double v = 0;
  std::from_chars(buf, res.ptr, v);
  return d.negative ? -v : v;
}

void AppendShortest(std::string& out, double x) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, x);
  out.append(buf, res.ptr);
}

}  // namespace talvern

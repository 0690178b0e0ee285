#include "app/TextWidthGauge.h"

#include <cmath>
#include <limits>
#include <string>

#include "app/DisplayText.h"

namespace talvern {

namespace {

// What shaping may add to the pairs' estimate (contextual forms, rounding):
// about a pixel and a half measured on the catalogue's fonts.
constexpr double kSlack = 3.0;

}  // namespace

TextWidthGauge::TextWidthGauge(const QFont& font)
    : font_(font), metrics_(font), exact_(font), kerning_(65536, std::numeric_limits<float>::quiet_NaN()) {
  advance_.fill(std::numeric_limits<double>::quiet_NaN());
}

double TextWidthGauge::Advance(unsigned char c) {
  double& a = advance_[c];
  if (std::isnan(a)) a = exact_.horizontalAdvance(DisplayToQString(std::string_view(reinterpret_cast<char*>(&c), 1)));
  return a;
}

double TextWidthGauge::Kerning(unsigned char a, unsigned char b) {
  float& k = kerning_[(static_cast<unsigned>(a) << 8) | b];
  if (std::isnan(k)) {
    const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
    k = static_cast<float>(exact_.horizontalAdvance(DisplayToQString(std::string_view(pair, 2))) - Advance(a) -
                           Advance(b));
  }
  return k;
}

int TextWidthGauge::WidthIfOver(std::string_view text1251, int than) {
  double estimate = 0;
  for (std::size_t i = 0; i < text1251.size(); ++i) {
    const auto c = static_cast<unsigned char>(text1251[i]);
    estimate += Advance(c);
    if (i > 0) estimate += Kerning(static_cast<unsigned char>(text1251[i - 1]), c);
  }
  if (estimate + kSlack <= than) return than;
  return std::max(than, metrics_.horizontalAdvance(DisplayToQString(text1251)));
}

}  // namespace talvern

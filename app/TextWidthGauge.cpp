#include "app/TextWidthGauge.h"

#include <algorithm>
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
    : font_(font), metrics_(font), exact_(font), kerning_(65536, std::numeric_limits<float>::quiet_NaN()),
      widestOffered_(-std::numeric_limits<double>::infinity()) {
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

double TextWidthGauge::Estimate(std::string_view text1251) {
  double estimate = 0;
  for (std::size_t i = 0; i < text1251.size(); ++i) {
    const auto c = static_cast<unsigned char>(text1251[i]);
    estimate += Advance(c);
    if (i > 0) estimate += Kerning(static_cast<unsigned char>(text1251[i - 1]), c);
  }
  return estimate;
}

int TextWidthGauge::WidthIfOver(std::string_view text1251, int than) {
  if (Estimate(text1251) + kSlack <= than) return than;
  return std::max(than, metrics_.horizontalAdvance(DisplayToQString(text1251)));
}

// The widest exact width is at least the widest estimate less the slack, so
// a text estimated two slacks below it cannot be the widest.
void TextWidthGauge::Offer(std::string_view text1251) {
  const double estimate = Estimate(text1251);
  if (estimate < widestOffered_ - 2 * kSlack) return;
  widestOffered_ = std::max(widestOffered_, estimate);
  if (offered_.size() >= pruneAt_) {
    std::erase_if(offered_, [&](const Offered& o) { return o.estimate < widestOffered_ - 2 * kSlack; });
    pruneAt_ = std::max<std::size_t>(256, 2 * offered_.size());
  }
  offered_.push_back({estimate, std::string(text1251)});
}

int TextWidthGauge::Settle(int than) {
  std::sort(offered_.begin(), offered_.end(),
            [](const Offered& a, const Offered& b) { return a.estimate > b.estimate; });
  for (const Offered& o : offered_) {
    if (o.estimate + kSlack <= than) break;
    than = std::max(than, metrics_.horizontalAdvance(DisplayToQString(o.text)));
  }
  DropOffered();
  return than;
}

void TextWidthGauge::DropOffered() {
  offered_.clear();
  pruneAt_ = 256;
  widestOffered_ = -std::numeric_limits<double>::infinity();
}

}  // namespace talvern

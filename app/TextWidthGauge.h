#pragma once
// The widest of many texts in one font, without shaping each of them: a
// column widened to fit thousands of type texts would spend most of a kind's
// listing measuring them. A text is first estimated from the advances of its
// characters and the kerning of its neighbouring pairs, each measured once
// and kept; only a text whose estimate comes within a few pixels of the width
// to beat is measured whole, so the result is the exact measure's.

#include <QFont>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace talvern {

class TextWidthGauge {
public:
  explicit TextWidthGauge(const QFont& font);

  const QFont& Font() const { return font_; }
  // The text's width (code page 1251) as QFontMetrics::horizontalAdvance
  // gives it when that can exceed `than`; otherwise `than`.
  int WidthIfOver(std::string_view text1251, int than);

  // Texts offered one by one are measured together when settled: only those
  // whose estimates come near the widest estimate are shaped, widest first.
  void Offer(std::string_view text1251);
  // What WidthIfOver of every text offered since the last settling gives.
  int Settle(int than);
  void DropOffered();

private:
  double Estimate(std::string_view text1251);
  double Advance(unsigned char c);
  double Kerning(unsigned char a, unsigned char b);

  QFont font_;
  QFontMetrics metrics_;
  QFontMetricsF exact_;
  std::array<double, 256> advance_;
  std::vector<float> kerning_;  // by (a << 8) | b; NaN while not measured
  struct Offered {
    double estimate;
    std::string text;
  };
  std::vector<Offered> offered_;
  double widestOffered_;
  std::size_t pruneAt_ = 256;  // the next thinning of offered_
};

}  // namespace talvern

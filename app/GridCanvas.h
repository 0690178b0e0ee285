#pragma once
// A pen-and-brush drawing surface over a QPainter, as the grid paints its
// cells: FillRect fills with the brush colour, TextOut writes text in the font
// colour on a box of the brush colour, and MoveTo/LineTo draw from the pen
// position up to the end point, leaving the end point itself undrawn, so that
// a cell's borders meet without drawing a pixel twice.
//
// Rectangles are given as QRect(left, top, width, height); the pixel column
// left + width and the row top + height are outside the rectangle, where the
// cell's right and bottom borders lie.

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPoint>
#include <QRect>

namespace talvern {

class GridCanvas {
public:
  explicit GridCanvas(QPainter& painter);

  QColor brushColor;
  QColor fontColor;
  QColor penColor;

  QPainter& Painter() { return painter_; }
  void SetFont(const QFont& font);
  const QFontMetrics& Metrics() const { return metrics_; }

  void FillRect(const QRect& rect);
  void MoveTo(int x, int y) { pen_ = QPoint(x, y); }
  // Draws a horizontal or vertical line (any other only approximately).
  void LineTo(int x, int y);
  void TextOut(int x, int y, const QString& text);
  // Writes text on line y of a cell as TextOut does, kCellTextMargin pixels in
  // from the cell's left and right borders and never outside the cell: text
  // that does not fit ends in an ellipsis.
  void CellTextOut(const QRect& cell, int y, const QString& text);
  // True when text needs more room than the cell gives it.
  bool TextFits(const QRect& cell, const QString& text) const;

private:
  QPainter& painter_;
  QFontMetrics metrics_;
  QPoint pen_;
};

// Pixels between a cell's text and its left and right borders.
inline constexpr int kCellTextMargin = 2;

// The first pixel column right of a rectangle and the first row below it.
inline int RightEdge(const QRect& r) { return r.x() + r.width(); }
inline int BottomEdge(const QRect& r) { return r.y() + r.height(); }

}  // namespace talvern

#include "app/GridCanvas.h"

namespace talvern {

GridCanvas::GridCanvas(QPainter& painter) : painter_(painter), metrics_(painter.font()) {
  painter_.setRenderHint(QPainter::Antialiasing, false);
}

void GridCanvas::SetFont(const QFont& font) {
  painter_.setFont(font);
  metrics_ = QFontMetrics(font, painter_.device());
}

void GridCanvas::FillRect(const QRect& rect) {
  if (rect.width() > 0 && rect.height() > 0) painter_.fillRect(rect, brushColor);
}

void GridCanvas::LineTo(int x, int y) {
  QPoint end(x, y);
  // Step back one pixel from the end point so that it stays undrawn.
  QPoint last = end;
  if (y == pen_.y() && x != pen_.x()) last.rx() += x > pen_.x() ? -1 : 1;
  else if (x == pen_.x() && y != pen_.y()) last.ry() += y > pen_.y() ? -1 : 1;
  if (end != pen_) {
    painter_.setPen(QPen(penColor, 0));
    painter_.drawLine(pen_, last);
  }
  pen_ = end;
}

void GridCanvas::TextOut(int x, int y, const QString& text) {
  if (text.isEmpty()) return;
  painter_.fillRect(QRect(x, y, metrics_.horizontalAdvance(text), metrics_.height()), brushColor);
  painter_.setPen(fontColor);
  painter_.drawText(x, y + metrics_.ascent(), text);
}

bool GridCanvas::TextFits(const QRect& cell, const QString& text) const {
  return metrics_.horizontalAdvance(text) <= cell.width() - 2 * kCellTextMargin;
}

void GridCanvas::CellTextOut(const QRect& cell, int y, const QString& text) {
  if (text.isEmpty() || cell.width() <= 0) return;
  const QString shown =
      TextFits(cell, text) ? text : metrics_.elidedText(text, Qt::ElideRight, cell.width() - 2 * kCellTextMargin);
  painter_.setClipRect(cell);
  TextOut(cell.x() + kCellTextMargin, y, shown);
  painter_.setClipping(false);
}

}  // namespace talvern

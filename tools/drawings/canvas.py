"""A palette pixel buffer with the strokes of an outline drawing.

Lines of any width and dash pattern, rectangles, polygons, circles and arcs,
filled or hatched areas, 5 x 7 lettering (also turned to read upwards), arrow
heads, and dimension lines in the manner of a technical drawing: extension
lines, a dimension line with arrows, the figure above it.

Coordinates are pixels, x to the right, y downwards. Colours are palette
indices; index 0 is the background.
"""

import math

import font

CENTRE = [1] * 14 + [0] * 3 + [1] * 2 + [0] * 3     # dash-dot: axes and centre lines
HIDDEN = [1] * 6 + [0] * 4                           # dashed: hidden edges
ARROW_LENGTH = 9
ARROW_HALF = 3
EXT_GAP = 2          # gap between an outline and its extension line
EXT_OVER = 5         # extension line beyond the dimension line


class Canvas:
    def __init__(self, width, height, palette):
        self.width = width
        self.height = height
        self.palette = palette
        self.pixels = bytearray(width * height)

    # ---------------------------------------------------------------- pixels
    def px(self, x, y, c):
        x = int(round(x))
        y = int(round(y))
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = c

    def get(self, x, y):
        if 0 <= x < self.width and 0 <= y < self.height:
            return self.pixels[y * self.width + x]
        return 0

    def dot(self, x, y, c, width=1):
        """A square brush of the given width centred on (x, y)."""
        lo = -(width // 2)
        for dy in range(lo, lo + width):
            for dx in range(lo, lo + width):
                self.px(x + dx, y + dy, c)

    # ---------------------------------------------------------------- strokes
    def line(self, x0, y0, x1, y1, c, width=1, pattern=None):
        x0, y0, x1, y1 = (int(round(v)) for v in (x0, y0, x1, y1))
        dx = abs(x1 - x0)
        dy = -abs(y1 - y0)
        sx = 1 if x0 < x1 else -1
        sy = 1 if y0 < y1 else -1
        err = dx + dy
        step = 0
        while True:
            if pattern is None or pattern[step % len(pattern)]:
                self.dot(x0, y0, c, width)
            step += 1
            if x0 == x1 and y0 == y1:
                break
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, points, c, width=1, closed=False, pattern=None):
        pts = list(points)
        if closed:
            pts.append(pts[0])
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            self.line(x0, y0, x1, y1, c, width, pattern)

    def rect(self, x0, y0, x1, y1, c, width=1, pattern=None):
        self.polyline([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], c, width, True, pattern)

    def fill_rect(self, x0, y0, x1, y1, c):
        x0, x1 = sorted((int(round(x0)), int(round(x1))))
        y0, y1 = sorted((int(round(y0)), int(round(y1))))
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            for x in range(max(0, x0), min(self.width, x1 + 1)):
                self.pixels[y * self.width + x] = c

    def arc(self, cx, cy, r, a0, a1, c, width=1, pattern=None):
        """Arc from angle a0 to a1 (degrees, counter-clockwise, 0 = right)."""
        steps = max(8, int(abs(a1 - a0) / 360.0 * 2 * math.pi * r / 2))
        pts = []
        for i in range(steps + 1):
            a = math.radians(a0 + (a1 - a0) * i / steps)
            pts.append((cx + r * math.cos(a), cy - r * math.sin(a)))
        self.polyline(pts, c, width, pattern=pattern)

    def circle(self, cx, cy, r, c, width=1, pattern=None):
        self.arc(cx, cy, r, 0, 360, c, width, pattern)

    def ellipse(self, cx, cy, rx, ry, c, width=1):
        steps = max(16, int(2 * math.pi * max(rx, ry) / 2))
        pts = [(cx + rx * math.cos(2 * math.pi * i / steps),
                cy + ry * math.sin(2 * math.pi * i / steps)) for i in range(steps)]
        self.polyline(pts, c, width, closed=True)

    # ---------------------------------------------------------------- areas
    def _spans(self, points):
        """Even-odd scanline spans (y, x_from, x_to) of a polygon."""
        ys = [p[1] for p in points]
        n = len(points)
        for y in range(max(0, int(math.floor(min(ys)))), min(self.height, int(math.ceil(max(ys))) + 1)):
            yc = y + 0.5
            xs = []
            for i in range(n):
                (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            for a, b in zip(xs[0::2], xs[1::2]):
                yield y, int(math.ceil(a - 0.5)), int(math.floor(b - 0.5))

    def fill_polygon(self, points, c, hatch=0):
        """Fills a polygon; with hatch > 0 only every hatch-th 45-degree diagonal."""
        for y, xa, xb in self._spans(points):
            for x in range(max(0, xa), min(self.width - 1, xb) + 1):
                if hatch == 0 or (x + y) % hatch == 0:
                    self.pixels[y * self.width + x] = c

    def circle_points(self, cx, cy, r, steps=None):
        steps = steps or max(24, int(2 * math.pi * r / 3))
        return [(cx + r * math.cos(2 * math.pi * i / steps),
                 cy + r * math.sin(2 * math.pi * i / steps)) for i in range(steps)]

    def fill_circle(self, cx, cy, r, c, hatch=0):
        self.fill_polygon(self.circle_points(cx, cy, r), c, hatch)

    # ---------------------------------------------------------------- lettering
    def text(self, x, y, s, c, scale=1, align="left", upward=False):
        """Draws text with its top-left corner at (x, y) (align: left, center, right).

        upward: turned a quarter counter-clockwise to read from bottom to top;
        then (x, y) is the bottom-left corner and align works along the text.
        """
        w = font.text_width(s, scale)
        shift = {"left": 0, "center": w // 2, "right": w}[align]
        for i, ch in enumerate(s):
            rows = font.glyph(ch)
            for gy, row in enumerate(rows):
                for gx, cell in enumerate(row):
                    if cell != "#":
                        continue
                    u = i * font.ADVANCE * scale + gx * scale - shift
                    for sy in range(scale):
                        for sx in range(scale):
                            if upward:
                                self.px(x + gy * scale + sy, y - u - sx, c)
                            else:
                                self.px(x + u + sx, y + gy * scale + sy, c)

    # ---------------------------------------------------------------- dimensioning
    def arrow(self, x, y, dx, dy, c):
        """A filled arrow head with its tip at (x, y), pointing along (dx, dy)."""
        n = math.hypot(dx, dy) or 1.0
        ux, uy = dx / n, dy / n
        bx, by = x - ux * ARROW_LENGTH, y - uy * ARROW_LENGTH
        pts = [(x, y), (bx - uy * ARROW_HALF, by + ux * ARROW_HALF),
               (bx + uy * ARROW_HALF, by - ux * ARROW_HALF)]
        self.fill_polygon(pts, c)
        self.polyline(pts, c, closed=True)

    def _dim_line(self, a, b, fixed, c, horizontal):
        """Dimension line between a and b (a < b) on the line fixed; arrows inside or outside."""
        def seg(p, q):
            if horizontal:
                self.line(p, fixed, q, fixed, c)
            else:
                self.line(fixed, p, fixed, q, c)

        def tip(p, d):
            if horizontal:
                self.arrow(p, fixed, d, 0, c)
            else:
                self.arrow(fixed, p, 0, d, c)

        if b - a >= 2 * ARROW_LENGTH + 4:
            seg(a, b)
            tip(a, -1)
            tip(b, 1)
            return True
        seg(a - ARROW_LENGTH - 8, b + ARROW_LENGTH + 8)
        tip(a, 1)
        tip(b, -1)
        return False

    def dim_h(self, x1, x2, y1, y2, y, label, c, text_side="above"):
        """Horizontal dimension between points (x1, y1) and (x2, y2) drawn at height y."""
        x1, x2 = sorted((x1, x2))
        for x, yf in ((x1, y1), (x2, y2)):
            d = 1 if y > yf else -1
            if abs(y - yf) > EXT_GAP:
                self.line(x, yf + d * EXT_GAP, x, y + d * EXT_OVER, c)
        inside = self._dim_line(x1, x2, y, c, True)
        w = font.text_width(label)
        ty = y - 3 - font.HEIGHT if text_side == "above" else y + 4
        if inside and w + 4 <= x2 - x1:
            self.text((x1 + x2) / 2, ty, label, c, align="center")
        else:
            self.text(x2 + ARROW_LENGTH + 10, y - font.HEIGHT // 2, label, c)

    def dim_v(self, y1, y2, x1, x2, x, label, c, text_side="left"):
        """Vertical dimension between points (x1, y1) and (x2, y2) drawn at abscissa x."""
        y1, y2 = sorted((y1, y2))
        for yy, xf in ((y1, x1), (y2, x2)):
            d = 1 if x > xf else -1
            if abs(x - xf) > EXT_GAP:
                self.line(xf + d * EXT_GAP, yy, x + d * EXT_OVER, yy, c)
        inside = self._dim_line(y1, y2, x, c, False)
        w = font.text_width(label)
        tx = x - 3 - font.HEIGHT if text_side == "left" else x + 4
        if inside and w + 4 <= y2 - y1:
            self.text(tx, (y1 + y2) / 2 + w // 2, label, c, upward=True)
        else:
            self.text(tx, y1 - ARROW_LENGTH - 10, label, c, upward=True)

    def leader(self, x, y, x2, y2, label, c, right=True):
        """A leader: arrow at (x, y), line to (x2, y2), a shelf under the label."""
        self.line(x, y, x2, y2, c)
        self.arrow(x, y, x - x2, y - y2, c)
        w = font.text_width(label) + 4
        x3 = x2 + w if right else x2 - w
        self.line(x2, y2, x3, y2, c)
        self.text(min(x2, x3) + 2, y2 - 3 - font.HEIGHT, label, c)

    def break_marks(self, x0, x1, y, c):
        """Two slanted strokes across a long lead that is drawn shortened."""
        for off in (0, 5):
            self.line(x0 - 3 + off, y + 4, x1 + 3 + off, y - 4, c)

"""A drawing sheet: a canvas with a frame, a title, a note, and views in millimetres.

A `View` places one projection of a package on the sheet: its origin in
pixels and its scale in pixels per millimetre. Everything a package drawing
draws goes through a view in millimetres, so that the figures written on the
dimension lines are the sizes the strokes were drawn from.

Two palettes: black on white, and a coloured one in which the body is shaded,
dimensioning is blue and pin 1 is marked red.
"""

import canvas
import font
from gif import encode_gif

MONO = {"palette": [(255, 255, 255), (0, 0, 0)],
        "ink": 1, "dim": 1, "fill": 0, "shade": 1, "mark": 1, "metal": 0}
COLOUR = {"palette": [(255, 255, 255), (0, 0, 0), (0, 0, 168), (208, 208, 208),
                      (136, 136, 136), (200, 24, 24), (240, 232, 200), (255, 255, 255)],
          "ink": 1, "dim": 2, "fill": 3, "shade": 4, "mark": 5, "metal": 6}

CONTOUR = 2      # width of visible outlines
THIN = 1


def mm(value):
    """A size as written on a drawing: decimal comma, no trailing zeros."""
    s = ("%.2f" % value).rstrip("0").rstrip(".")
    return s.replace(".", ",")


class Sheet:
    def __init__(self, width, height, title, style=MONO, note="РАЗМЕРЫ В мм"):
        self.style = style
        self.cv = canvas.Canvas(width, height, style["palette"])
        self.width = width
        self.height = height
        ink = style["ink"]
        self.cv.rect(3, 3, width - 4, height - 4, ink)
        self.cv.text(width // 2, 10, title, ink, scale=2, align="center")
        self.cv.line(8, 30, width - 9, 30, ink)
        if note:
            self.cv.text(width - 10, height - 16, note, ink, align="right")

    def c(self, role):
        return self.style[role]

    def view(self, ox, oy, scale, caption=None, caption_y=None):
        """A view with its origin at (ox, oy) pixels; the caption is centred under it."""
        v = View(self, ox, oy, scale)
        if caption:
            y = caption_y if caption_y is not None else self.height - 34
            self.cv.text(ox, y, caption, self.c("ink"), align="center")
        return v

    def label(self, x, y, text, align="left"):
        self.cv.text(x, y, text, self.c("ink"), align=align)

    def gif(self, interlace=False, comment=None):
        return encode_gif(self.width, self.height, self.style["palette"], self.cv.pixels,
                          interlace=interlace, comment=comment)


class View:
    """One projection: millimetre coordinates, x right and y down from the origin."""

    def __init__(self, sheet, ox, oy, scale):
        self.sheet = sheet
        self.cv = sheet.cv
        self.ox = ox
        self.oy = oy
        self.s = scale

    def X(self, x):
        return self.ox + x * self.s

    def Y(self, y):
        return self.oy + y * self.s

    def P(self, pts):
        return [(self.X(x), self.Y(y)) for x, y in pts]

    # ---------------------------------------------------------------- outlines
    def line(self, x0, y0, x1, y1, role="ink", width=CONTOUR, pattern=None):
        self.cv.line(self.X(x0), self.Y(y0), self.X(x1), self.Y(y1), self.sheet.c(role), width, pattern)

    def rect(self, x0, y0, x1, y1, role="ink", width=CONTOUR, fill=None, hatch=0):
        if fill:
            self.area([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], fill, hatch)
        self.cv.rect(self.X(x0), self.Y(y0), self.X(x1), self.Y(y1), self.sheet.c(role), width)

    def poly(self, pts, role="ink", width=CONTOUR, fill=None, hatch=0, closed=True):
        if fill:
            self.area(pts, fill, hatch)
        self.cv.polyline(self.P(pts), self.sheet.c(role), width, closed)

    def area(self, pts, role, hatch=0):
        """Fills a region: the role's colour; in black and white only a hatch shows."""
        if role == "paper":
            self.cv.fill_polygon(self.P(pts), 0)
            return
        colour = self.sheet.c(role)
        if colour == 0:
            return
        if self.sheet.style is MONO and hatch == 0:
            return
        self.cv.fill_polygon(self.P(pts), colour, hatch if self.sheet.style is MONO else 0)

    def circle(self, cx, cy, r, role="ink", width=CONTOUR, fill=None, hatch=0, pattern=None):
        if fill:
            self.area([(cx + r * x, cy + r * y) for x, y in _unit_circle()], fill, hatch)
        self.cv.circle(self.X(cx), self.Y(cy), r * self.s, self.sheet.c(role), width, pattern)

    def arc(self, cx, cy, r, a0, a1, role="ink", width=CONTOUR):
        self.cv.arc(self.X(cx), self.Y(cy), r * self.s, a0, a1, self.sheet.c(role), width)

    def axis_h(self, y, x0, x1, over=1.0):
        self.line(x0 - over, y, x1 + over, y, "ink", THIN, canvas.CENTRE)

    def axis_v(self, x, y0, y1, over=1.0):
        self.line(x, y0 - over, x, y1 + over, "ink", THIN, canvas.CENTRE)

    def hidden(self, x0, y0, x1, y1):
        self.line(x0, y0, x1, y1, "ink", THIN, canvas.HIDDEN)

    def text(self, x, y, s, align="center", role="ink"):
        """Lettering centred (by default) on a point given in millimetres."""
        self.cv.text(self.X(x), self.Y(y) - font.HEIGHT // 2, s, self.sheet.c(role), align=align)

    def pin_number(self, x, y, n, dx_px=0):
        """Pin number centred on (x, y), moved dx_px pixels sideways to clear a lead."""
        self.cv.text(self.X(x) + dx_px, self.Y(y) - 3, str(n), self.sheet.c("mark"), align="center")

    # ---------------------------------------------------------------- dimensions
    def dim_h(self, x1, x2, y_feature, offset_px, label=None, y_feature2=None, side="above"):
        """Width between x1 and x2; the dimension line lies offset_px below (+) or above (-)."""
        y2 = y_feature if y_feature2 is None else y_feature2
        base = max(self.Y(y_feature), self.Y(y2)) if offset_px > 0 else min(self.Y(y_feature), self.Y(y2))
        self.cv.dim_h(self.X(x1), self.X(x2), self.Y(y_feature), self.Y(y2), base + offset_px,
                      label if label is not None else mm(abs(x2 - x1)), self.sheet.c("dim"), side)

    def dim_v(self, y1, y2, x_feature, offset_px, label=None, x_feature2=None, side="left"):
        """Height between y1 and y2; the dimension line lies offset_px right (+) or left (-)."""
        x2 = x_feature if x_feature2 is None else x_feature2
        base = max(self.X(x_feature), self.X(x2)) if offset_px > 0 else min(self.X(x_feature), self.X(x2))
        self.cv.dim_v(self.Y(y1), self.Y(y2), self.X(x_feature), self.X(x2), base + offset_px,
                      label if label is not None else mm(abs(y2 - y1)), self.sheet.c("dim"), side)

    def leader(self, x, y, dx_px, dy_px, label, right=True):
        px, py = self.X(x), self.Y(y)
        self.cv.leader(px, py, px + dx_px, py + dy_px, label, self.sheet.c("dim"), right)

    def dia(self, cx, cy, r, angle_deg, length_px, label=None, right=True):
        """Diameter or radius callout: a leader from the circle at the given angle."""
        import math
        a = math.radians(angle_deg)
        x, y = cx + r * math.cos(a), cy - r * math.sin(a)
        self.leader(x, y, length_px * math.cos(a), -length_px * math.sin(a),
                    label if label is not None else "⌀" + mm(2 * r), right)

    def lead_break(self, x, y, half_width):
        """Break marks across a lead at (x, y) of the given half width in mm."""
        self.cv.break_marks(self.X(x - half_width), self.X(x + half_width), self.Y(y), self.sheet.c("ink"))


def _unit_circle(steps=48):
    import math
    return [(math.cos(2 * math.pi * i / steps), math.sin(2 * math.pi * i / steps)) for i in range(steps)]

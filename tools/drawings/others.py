"""Outline drawings of bridges, DIP optocouplers, LEDs and the stud thyristor."""

import math

from sheet import Sheet, MONO, COLOUR, mm
from diodes import _hexagon, _thread, _stud_top


def dip(pins, style=MONO):
    """Dual in-line package of 4, 6 or 8 pins: top view and end view."""
    per_side = pins // 2
    length = {4: 4.6, 6: 8.9, 8: 9.6}[pins]
    s = Sheet(480, 360, "КОРПУС DIP-%d" % pins, style)
    v = s.view(170, 175, 16, "ВИД СВЕРХУ")
    w = 6.5
    v.rect(-length / 2, -w / 2, length / 2, w / 2, fill="fill")
    v.arc(-length / 2, 0, 0.8, -90, 90, width=1)
    v.circle(-length / 2 + 1.2, w / 2 - 1.2, 0.4, width=1, fill="ink", hatch=1)
    x0 = -(per_side - 1) * 2.54 / 2
    for i in range(per_side):
        x = x0 + i * 2.54
        v.rect(x - 0.75, w / 2, x + 0.75, w / 2 + 0.9, width=1, fill="metal")
        v.rect(x - 0.75, -w / 2 - 0.9, x + 0.75, -w / 2, width=1, fill="metal")
        v.pin_number(x, w / 2 + 1.7, i + 1)
        v.pin_number(x, -w / 2 - 1.7, pins - i)
    v.dim_h(-length / 2, length / 2, -w / 2 - 0.9, -40)
    if per_side > 1:
        v.dim_h(x0, x0 + 2.54, w / 2 + 0.9, 34, "2,54")
    v.dim_v(-w / 2, w / 2, -length / 2, -18, "6,5")
    e = s.view(380, 175, 16, "ВИД СБОКУ")
    e.rect(-w / 2, -3.5, w / 2, 0, fill="fill")
    for side in (-1, 1):
        e.poly([(side * w / 2, -1.8), (side * 3.81, -1.2), (side * 3.81, 3.3),
                (side * 3.6, 3.3), (side * 3.6, -1.0), (side * w / 2, -1.5)], width=1, fill="metal")
    e.dim_h(-3.81, 3.81, 3.3, 24, "7,62")
    e.dim_v(-3.5, 0, w / 2, 30, "3,5", side="right")
    e.dim_v(0, 3.3, -w / 2, -30, "3,3")
    return s


def dip4(style=MONO):
    return dip(4, style)


def dip6(style=MONO):
    return dip(6, style)


def dip8(style=COLOUR):
    return dip(8, style)


def led5(style=COLOUR):
    s = Sheet(480, 400, "СВЕТОДИОД В КОРПУСЕ ⌀5 ММ", style)
    v = s.view(170, 66, 14, "ВИД СБОКУ")
    r, top = 2.5, 8.6
    pts = [(-r, top - 1.0), (-r, r)]
    pts += [(r * math.cos(math.radians(a)), r - r * math.sin(math.radians(a))) for a in range(180, -1, -10)]
    pts += [(r, top - 1.0)]
    v.poly(pts, fill="mark", closed=False)
    v.rect(-2.9, top - 1.0, 2.9, top, fill="mark")
    v.line(2.4, top - 1.0, 2.4, top, width=1)                           # the flat, cathode side
    for x, length in ((-1.27, 11.0), (1.27, 9.5)):
        v.rect(x - 0.25, top, x + 0.25, top + length, width=1, fill="metal")
    v.lead_break(-1.27, top + 5.0, 0.25)
    v.lead_break(1.27, top + 5.0, 0.25)
    v.dim_v(top, top + 11.0, -2.9, -18, "27 мин")
    v.dim_h(-r, r, 0, -14, "⌀5")
    v.dim_v(0, top, -2.9, -18, "8,6")
    v.dim_h(-2.9, 2.9, top, 40, "⌀5,8")
    v.dim_h(-1.27, 1.27, top + 9.5, 16, "2,54", y_feature2=top + 11.0)
    v.text(-1.27 - 0.8, top + 10.5, "А")
    v.text(1.27 + 0.8, top + 9.0, "К")
    b = s.view(380, 170, 16, "ВИД СНИЗУ")
    b.poly([(2.4, -math.sqrt(2.9 ** 2 - 2.4 ** 2))] +
           [(2.9 * math.cos(math.radians(a)), -2.9 * math.sin(math.radians(a)))
            for a in range(int(math.degrees(math.acos(2.4 / 2.9))), 360 - int(math.degrees(math.acos(2.4 / 2.9))) + 1, 5)],
           fill="mark")
    for x in (-1.27, 1.27):
        b.rect(x - 0.25, -0.25, x + 0.25, 0.25, width=1, fill="ink", hatch=1)
    b.leader(2.4, 1.2, 30, 40, "СРЕЗ - КАТОД")
    return s


def ku202(style=MONO):
    s = Sheet(560, 440, "КОРПУС ТИРИСТОРОВ КУ202", style)
    v = s.view(190, 70, 9, "ВИД СБОКУ")
    af = 14.0
    ac = af * 2 / math.sqrt(3)
    v.rect(-1.8, 0, 0.6, 10.0, fill="metal")                           # cathode lug
    v.circle(-0.6, 1.8, 0.8, width=1, fill="paper")
    v.line(2.2, 1.0, 2.2, 10.0, width=2)                               # control lead
    v.poly([(-2.5, 10.0), (3.0, 10.0), (3.6, 12.5), (-3.1, 12.5)], fill="fill")
    v.rect(-5.5, 12.5, 5.5, 18.0, fill="metal")
    _hexagon(v, 0, 18.0, 24.0, ac)
    _thread(v, 0, 24.0, 34.0, 6.0, 1.0)
    v.axis_v(0, 0, 34.0)
    v.dim_v(0, 34.0, -ac / 2, -40, "34 макс")
    v.dim_v(24.0, 34.0, -3.0, -20, "10")
    v.leader(5.5, 15.0, 40, -24, "⌀11")
    v.dim_h(-ac / 2, ac / 2, 24.0, 100, mm(ac))
    v.leader(3.0, 29.0, 50, 10, "М6 (АНОД)")
    v.leader(2.2, 3.0, 60, -14, "УПР. ЭЛЕКТРОД")
    v.leader(-1.8, 6.0, -30, -20, "КАТОД", right=False)
    t = s.view(440, 190, 9, "ВИД СВЕРХУ")
    _stud_top(t, af)
    t.circle(0, 0, 5.5, width=1)
    t.rect(-1.8, -0.3, 0.6, 0.3, width=1, fill="ink")
    t.circle(2.2, 0, 0.3, width=1, fill="ink", hatch=1)
    t.dim_v(-af / 2, af / 2, ac / 2, 20, "S14")
    return s


def _bridge_marks(v, xs, y):
    for x, m in zip(xs, ("~", "+", "-", "~")):
        v.text(x, y, m)


def kc405(style=MONO):
    s = Sheet(480, 380, "КОРПУС ВЫПРЯМИТЕЛЬНЫХ БЛОКОВ КЦ405", style)
    v = s.view(170, 80, 14, "ВИД СПЕРЕДИ")
    w, h = 12.0, 9.0
    v.rect(-w / 2, 0, w / 2, h, fill="fill")
    xs = [-3.75, -1.25, 1.25, 3.75]
    for x in xs:
        v.rect(x - 0.4, h, x + 0.4, h + 8.0, width=1, fill="metal")
    _bridge_marks(v, xs, 2.0)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -18)
    v.dim_v(h, h + 8.0, -w / 2, -18, "8 мин")
    v.dim_h(-3.75, -1.25, h + 8.0, 20, "2,5")
    v = s.view(380, 80, 14, "ВИД СБОКУ")
    v.rect(-2.5, 0, 2.5, h, fill="fill")
    v.rect(-0.1, h, 0.1, h + 8.0, width=1)
    v.dim_h(-2.5, 2.5, 0, -14, "5,0")
    return s


def db(style=MONO):
    s = Sheet(480, 360, "КОРПУС DB (DIP-4 МОСТ)", style)
    v = s.view(170, 170, 18, "ВИД СВЕРХУ")
    l, w = 8.3, 6.5
    v.rect(-l / 2, -w / 2, l / 2, w / 2, fill="fill")
    xs = (-2.55, 2.55)
    for x in xs:
        for side in (-1, 1):
            y0, y1 = side * w / 2, side * (w / 2 + 0.8)
            v.rect(x - 0.5, min(y0, y1), x + 0.5, max(y0, y1), width=1, fill="metal")
    for (x, y), m in zip(((-2.55, 2.2), (2.55, 2.2), (-2.55, -2.2), (2.55, -2.2)), ("+", "~", "-", "~")):
        v.text(x, y, m)
    v.dim_h(-l / 2, l / 2, -w / 2 - 0.8, -20, "8,3")
    v.dim_h(-2.55, 2.55, w / 2 + 0.8, 20, "5,1")
    v.dim_v(-w / 2, w / 2, -l / 2, -18, "6,5")
    e = s.view(380, 170, 18, "ВИД СБОКУ")
    e.rect(-w / 2, -3.3, w / 2, 0, fill="fill")
    for side in (-1, 1):
        e.poly([(side * w / 2, -1.6), (side * 3.8, -1.2), (side * 3.8, 3.0), (side * 3.6, 3.0),
                (side * 3.6, -1.0), (side * w / 2, -1.3)], width=1, fill="metal")
    e.dim_h(-3.8, 3.8, 3.0, 20, "7,6")
    e.dim_v(-3.3, 0, w / 2, 30, "3,3", side="right")
    return s


def wbridge(style=MONO):
    s = Sheet(480, 360, "КОРПУС WOB (W005M...W10M)", style)
    v = s.view(160, 90, 16, "ВИД СБОКУ")
    r, h = 4.75, 5.5
    v.rect(-r, 0, r, h, fill="fill")
    for x in (-2.5, -0.8, 0.8, 2.5):
        v.rect(x - 0.4, h, x + 0.4, h + 7.0, width=1, fill="metal")
    v.lead_break(-0.8, h + 3.5, 0.4)
    v.dim_h(-r, r, 0, -14, "⌀9,5")
    v.dim_v(0, h, -r, -18, "5,5")
    v.dim_v(h, h + 7.0, -r, -18, "25 мин")
    b = s.view(370, 170, 16, "ВИД СНИЗУ")
    b.circle(0, 0, r, fill="fill")
    b.circle(0, 0, 2.5, width=1, pattern=[1] * 14 + [0] * 3 + [1] * 2 + [0] * 3)
    for a, m in zip((45, 135, 225, 315), ("+", "~", "-", "~")):
        x, y = 2.5 * math.cos(math.radians(a)), -2.5 * math.sin(math.radians(a))
        b.circle(x, y, 0.4, width=1, fill="ink", hatch=1)
        b.text(x * 1.5, y * 1.5, m)
    b.dim_h(-2.5 * 0.7071, 2.5 * 0.7071, 2.5 * 0.7071, 60, "3,5")
    return s


def kbpc(style=COLOUR):
    s = Sheet(560, 440, "КОРПУС KBPC (МЕТАЛЛИЧЕСКИЙ)", style)
    v = s.view(200, 210, 7, "ВИД СВЕРХУ")
    a = 28.6
    v.rect(-a / 2, -a / 2, a / 2, a / 2, fill="metal")
    v.circle(0, 0, 2.6, fill="paper")
    v.axis_h(0, -2.6, 2.6)
    v.axis_v(0, -2.6, 2.6)
    for (x, y), m in zip(((-8.0, -8.0), (8.0, -8.0), (8.0, 8.0), (-8.0, 8.0)), ("+", "~", "-", "~")):
        v.rect(x - 3.2, y - 0.4, x + 3.2, y + 0.4, width=1, fill="ink")
        v.text(x, y + (2.0 if y > 0 else -2.0), m)
    v.dim_h(-a / 2, a / 2, -a / 2, -18, "28,6")
    v.dim_v(-a / 2, a / 2, -a / 2, -18, "28,6")
    v.dim_h(-8.0, 8.0, 8.4, 40, "16")
    v.dia(0, 0, 2.6, 30, 60, "⌀5,2")
    e = s.view(450, 240, 7, "ВИД СБОКУ")
    e.rect(-a / 2 / 2, -11.0, a / 2 / 2, 0, fill="metal")
    for x in (-4.0, 4.0):
        e.rect(x - 0.4, -18.0, x + 0.4, -11.0, width=1, fill="ink")
    e.dim_v(-11.0, 0, a / 4, 20, "11", side="right")
    e.dim_v(-18.0, -11.0, -a / 4, -20, "7")
    return s

"""Outline drawings of diode packages: axial glass and plastic, MELF, stud-mounted."""

import math

from sheet import Sheet, MONO, COLOUR, mm


def _axial(title, body_l, body_d, lead_d, lead_min, scale, style, band=True, glass=False,
           drawn_lead=6.0, width=640, height=360):
    """An axial package: side view with shortened leads, and the end view."""
    s = Sheet(width, height, title, style)
    v = s.view(width * 0.42, height * 0.5, scale, "ВИД СБОКУ")
    r, l2 = body_d / 2, body_l / 2
    if glass:
        v.poly([(-l2, -r * 0.8), (-l2 + 0.3, -r), (l2 - 0.3, -r), (l2, -r * 0.8), (l2, r * 0.8),
                (l2 - 0.3, r), (-l2 + 0.3, r), (-l2, r * 0.8)], fill="fill")
        v.rect(-l2 * 0.45, -lead_d, l2 * 0.45, lead_d, width=1)          # the chip inside
    else:
        v.rect(-l2, -r, l2, r, fill="fill")
    if band:
        bx = l2 - body_l * 0.22
        v.rect(bx, -r, bx + body_l * 0.12, r, width=1, fill="shade", hatch=2)
    for side in (-1, 1):
        x0, x1 = side * l2, side * (l2 + drawn_lead)
        v.rect(min(x0, x1), -lead_d / 2, max(x0, x1), lead_d / 2, width=1, fill="metal")
        v.cv.break_marks(v.X((x0 + x1) / 2) - 1, v.X((x0 + x1) / 2) + 1, v.Y(0), s.c("ink"))
    v.axis_h(0, -l2 - drawn_lead, l2 + drawn_lead)
    v.dim_h(-l2, l2, -r, -18)
    v.dim_v(-r, r, -l2, -18, "⌀" + mm(body_d))
    v.dim_h(l2, l2 + drawn_lead, 0, 60, mm(lead_min) + " мин")
    v.leader(-l2 - drawn_lead * 0.3, -lead_d / 2, -20, -34, "⌀" + mm(lead_d), right=False)
    if band:
        v.leader(l2 - body_l * 0.16, -r, 30, -40, "КАТОД")
    e = s.view(width * 0.88, height * 0.5, scale)
    e.circle(0, 0, r, fill="fill")
    e.circle(0, 0, lead_d / 2, width=1, fill="metal")
    e.axis_h(0, -r, r)
    e.axis_v(0, -r, r)
    s.cv.text(width * 0.88, height - 34, "ВИД СЛЕВА", s.c("ink"), align="center")
    return s


def do35(style=MONO):
    return _axial("КОРПУС DO-35 (СТЕКЛЯННЫЙ)", 4.0, 1.9, 0.5, 26, 28, style, glass=True)


def do41(style=COLOUR):
    return _axial("КОРПУС DO-41", 5.2, 2.7, 0.8, 25.4, 22, style)


def do201(style=MONO):
    return _axial("КОРПУС DO-201AD", 9.5, 5.3, 1.3, 25.4, 14, style, drawn_lead=8.0)


def d9(style=MONO):
    return _axial("СТЕКЛЯННЫЙ КОРПУС (Д9, Д220, Д223)", 7.5, 3.0, 0.6, 20, 18, style,
                  glass=True, drawn_lead=7.5)


def sod80(style=MONO):
    s = Sheet(480, 320, "КОРПУС SOD-80 (MINIMELF)", style)
    v = s.view(200, 160, 50, "ВИД СБОКУ")
    l2, r, cap = 1.75, 0.8, 0.3
    v.rect(-l2 + cap, -r, l2 - cap, r, fill="fill")
    for side in (-1, 1):
        x0, x1 = side * (l2 - cap), side * l2
        v.rect(min(x0, x1), -r, max(x0, x1), r, fill="metal", hatch=2)
    v.rect(l2 - cap - 0.5, -r, l2 - cap - 0.3, r, width=1, fill="shade", hatch=1)
    v.dim_h(-l2, l2, -r, -18, "3,5")
    v.dim_h(l2 - cap, l2, r, 24, "0,3")
    v.dim_v(-r, r, -l2, -18, "⌀1,6")
    v.leader(l2 - cap - 0.4, -r, 30, -30, "КАТОД")
    e = s.view(400, 160, 50, "ВИД СЛЕВА")
    e.circle(0, 0, r, fill="metal")
    e.axis_h(0, -r, r)
    e.axis_v(0, -r, r)
    return s


def _hexagon(v, cx, y0, y1, across_corners):
    """Side view of a hex body seen across its corners: three faces."""
    h = across_corners / 2
    v.rect(cx - h, y0, cx + h, y1, fill="metal")
    v.line(cx - h / 2, y0, cx - h / 2, y1, width=1)
    v.line(cx + h / 2, y0, cx + h / 2, y1, width=1)


def _thread(v, cx, y0, y1, d, pitch):
    r = d / 2
    v.rect(cx - r, y0, cx + r, y1, fill="fill")
    y = y0 + pitch / 2
    while y < y1 - 0.2:
        v.line(cx - r, y, cx + r, y + pitch / 2, width=1)
        y += pitch
    v.line(cx - r * 0.8, y0, cx - r * 0.8, y1, width=1, pattern=[1, 1, 0, 0])
    v.line(cx + r * 0.8, y0, cx + r * 0.8, y1, width=1, pattern=[1, 1, 0, 0])


def _stud_top(v, across_flats):
    c = across_flats / math.sqrt(3)
    pts = [(c * math.cos(math.radians(a)), c * math.sin(math.radians(a))) for a in range(0, 360, 60)]
    v.poly(pts, fill="metal")


def kd202(style=MONO):
    s = Sheet(560, 440, "КОРПУС ДИОДОВ КД202, Д242", style)
    v = s.view(190, 80, 10, "ВИД СБОКУ")
    af = 11.0
    ac = af * 2 / math.sqrt(3)
    v.rect(-1.5, 0, 1.5, 9.0, fill="metal")                          # flat lug of the lead
    v.circle(0, 1.6, 0.75, width=1, fill="paper")
    v.poly([(-2.0, 9.0), (2.0, 9.0), (2.6, 11.0), (-2.6, 11.0)], fill="fill")   # glass seal
    v.rect(-4.5, 11.0, 4.5, 15.0, fill="metal")
    _hexagon(v, 0, 15.0, 20.0, ac)
    _thread(v, 0, 20.0, 28.0, 5.0, 0.8)
    v.axis_v(0, 0, 28.0)
    v.dim_v(0, 28.0, -ac / 2, -60, "28 макс")
    v.dim_v(20.0, 28.0, -2.5, -22, "8")
    v.dim_h(-4.5, 4.5, 11.0, -50, "⌀9")
    v.dim_h(-ac / 2, ac / 2, 20.0, 100, mm(ac))
    v.leader(2.5, 24.0, 50, 10, "М5")
    v.dia(0, 1.6, 0.75, 20, 60, "⌀1,5")
    t = s.view(430, 180, 10, "ВИД СВЕРХУ")
    _stud_top(t, af)
    t.circle(0, 0, 4.5, width=1)
    t.rect(-1.5, -0.2, 1.5, 0.2, width=1, fill="ink")
    t.dim_v(-af / 2, af / 2, ac / 2, 20, "S11")
    return s


def d814(style=MONO):
    s = Sheet(640, 360, "МЕТАЛЛОСТЕКЛЯННЫЙ КОРПУС (Д814, Д818, Д226)", style)
    v = s.view(260, 180, 16, "ВИД СБОКУ")
    l, r = 9.0, 3.0
    v.rect(-l / 2, -r, l / 2 - 1.6, r, fill="metal")
    v.poly([(l / 2 - 1.6, -r), (l / 2, -1.2), (l / 2, 1.2), (l / 2 - 1.6, r)], fill="fill")
    v.line(-l / 2 + 0.8, -r, -l / 2 + 0.8, r, width=1)
    for side in (-1, 1):
        x0 = side * l / 2
        x1 = x0 + side * 8.0
        v.rect(min(x0, x1), -0.4, max(x0, x1), 0.4, width=1)
        v.cv.break_marks(v.X((x0 + x1) / 2) - 1, v.X((x0 + x1) / 2) + 1, v.Y(0), s.c("ink"))
    v.axis_h(0, -l / 2 - 8, l / 2 + 8)
    v.dim_h(-l / 2, l / 2, -r, -18)
    v.dim_v(-r, r, -l / 2, -30, "⌀6")
    v.dim_h(l / 2, l / 2 + 8, 0, 60, "25 мин")
    v.leader(l / 2 - 0.8, -2.0, 30, -40, "СТЕКЛО")
    v.leader(-l / 2 - 3.0, 0.4, -20, 40, "⌀0,8", right=False)
    e = s.view(560, 180, 16, "ВИД СЛЕВА")
    e.circle(0, 0, r, fill="metal")
    e.circle(0, 0, 0.4, width=1, fill="ink")
    e.axis_h(0, -r, r)
    e.axis_v(0, -r, r)
    return s

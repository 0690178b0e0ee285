"""Outline drawings of transistor packages: TO-92, KT-13, TO-126, TO-220, TO-3, ..."""

import math

from sheet import Sheet, mm, MONO, COLOUR


def _lead_down(v, x, y0, y1, w, break_at=None):
    """A straight lead of width w from y0 down to y1, optionally drawn broken."""
    h = w / 2
    if break_at is None:
        v.rect(x - h, y0, x + h, y1)
        return
    v.rect(x - h, y0, x + h, break_at - 0.35)
    v.rect(x - h, break_at + 0.35, x + h, y1)
    v.lead_break(x, break_at, h)


def d_section(r, chord, steps=40):
    """Outline of a round body cut flat at chord below the centre (y down)."""
    a0 = math.asin(chord / r)
    return [(r * math.cos(a), r * math.sin(a))
            for a in (math.pi - a0 + i * (math.pi + 2 * a0) / steps for i in range(steps + 1))]


def to92(style=MONO):
    s = Sheet(480, 380, "КОРПУС КТ-26 (TO-92)", style)
    w, h, lead = 4.8, 4.8, 8.0
    # front view: the flat face
    v = s.view(120, 80, 18, "ВИД СПЕРЕДИ")
    v.poly([(-w / 2, h), (-w / 2, 0.9), (-w / 2 + 0.9, 0), (w / 2 - 0.9, 0), (w / 2, 0.9), (w / 2, h)],
           fill="fill")
    for x in (-1.27, 0, 1.27):
        _lead_down(v, x, h, h + lead, 0.45, break_at=h + 4.5)
    v.axis_v(0, 0.5, h + lead)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -16)
    v.dim_v(h, h + lead, -1.27, -28, "12,7 мин")
    v.dim_h(-1.27, 1.27, h + lead, 14, "2,54")
    v.leader(1.27 + 0.225, h + 2.5, 40, -10, "0,45")
    # side view
    v = s.view(270, 80, 18, "ВИД СБОКУ")
    t = 3.8
    v.poly([(-t / 2, h), (-t / 2, 0.6), (-t / 2 + 0.6, 0), (t / 2 - 1.2, 0), (t / 2, 1.2), (t / 2, h)],
           fill="fill")
    _lead_down(v, -t / 2 + 1.4, h, h + lead, 0.45, break_at=h + 4.5)
    v.dim_h(-t / 2, t / 2, 0, -14)
    # bottom view: the D-shaped section with the three leads
    v = s.view(395, 150, 18, "ВИД СНИЗУ")
    r, chord = 2.4, 1.4
    v.poly(d_section(r, chord), fill="fill")
    for i, x in enumerate((-1.27, 0, 1.27)):
        v.rect(x - 0.225, -0.225, x + 0.225, 0.225, width=1, fill="ink")
        v.pin_number(x, 0.85, i + 1)
    v.axis_h(0, -r, r)
    v.dim_h(-r, r, -r, -14, "⌀4,8")
    v.dim_v(-r, chord, r, 18, "3,8")
    return s


def kt13(style=MONO):
    s = Sheet(480, 400, "КОРПУС КТ-13", style)
    w, h, t, lead = 7.2, 6.0, 2.8, 7.0
    v = s.view(140, 85, 18, "ВИД СПЕРЕДИ")
    v.rect(-w / 2, 0, w / 2, h, fill="fill")
    v.line(-w / 2, 1.6, w / 2, 1.6, width=1)          # edge of the bevel
    for i, x in enumerate((-2.5, 0, 2.5)):
        v.rect(x - 0.35, h, x + 0.35, h + lead)
        v.pin_number(x, h + lead - 0.5, i + 1, 12)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -16)
    v.dim_v(h, h + lead, -2.5, -30, "7 мин")
    v.dim_h(-2.5, 0, h + lead, 24, "2,5")
    v.leader(2.5 + 0.35, h + 3.0, 40, -8, "0,7")
    v = s.view(340, 85, 18, "ВИД СБОКУ")
    v.poly([(0, h), (0, 1.6), (1.0, 0), (t, 0), (t, h)], fill="fill")
    v.rect(t / 2 - 0.1, h, t / 2 + 0.1, h + lead, width=1)
    v.dim_h(0, t, 0, -14)
    v.dim_v(0, 1.6, t, 16, "1,6", side="right")
    v.leader(0.5, 0.8, -40, -14, "СРЕЗ", right=False)
    return s


def to126(style=MONO):
    s = Sheet(480, 440, "КОРПУС КТ-27 (TO-126)", style)
    w, h, t, lead = 7.8, 11.0, 2.7, 9.0
    v = s.view(150, 70, 14, "ВИД СПЕРЕДИ")
    v.rect(-w / 2, 0, w / 2, h, fill="fill")
    v.circle(0, 3.75, 1.6, fill="paper")
    v.axis_h(3.75, -1.6, 1.6)
    v.axis_v(0, 0.5, h + lead)
    for i, x in enumerate((-2.28, 0, 2.28)):
        v.poly([(x - 0.6, h), (x - 0.6, h + 1.5), (x - 0.38, h + 2.0), (x - 0.38, h + lead),
                (x + 0.38, h + lead), (x + 0.38, h + 2.0), (x + 0.6, h + 1.5), (x + 0.6, h)])
        v.pin_number(x, h + lead - 0.5, i + 1, 12)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -18)
    v.dim_v(0, 3.75, w / 2, 18, "3,75")
    v.dim_v(h, h + lead, -w / 2, -18, "15,3 мин")
    v.dim_h(-2.28, 0, h + lead, 26, "2,28")
    v.dia(0, 3.75, 1.6, 35, 70, "⌀3,2")
    v = s.view(340, 70, 14, "ВИД СБОКУ")
    v.rect(0, 0, t, h, fill="fill")
    v.hidden(0, 3.75 - 1.6, t, 3.75 - 1.6)
    v.hidden(0, 3.75 + 1.6, t, 3.75 + 1.6)
    v.rect(t - 1.1, h, t - 0.6, h + lead, width=1)
    v.dim_h(0, t, 0, -14)
    v.dim_v(h, h + 3.5, t - 0.6, 24, "3,5", side="right")
    return s


def to220(style=COLOUR):
    s = Sheet(560, 480, "КОРПУС КТ-28 (TO-220AB)", style)
    w, tab, body, lead = 10.0, 6.2, 9.2, 10.5
    h = tab + body
    v = s.view(170, 62, 13, "ВИД СПЕРЕДИ")
    v.poly([(-w / 2, 0), (w / 2, 0), (w / 2, tab), (-w / 2, tab)], fill="metal")
    v.circle(0, 2.8, 1.85, fill="paper")
    v.rect(-w / 2, tab, w / 2, h, fill="fill")
    v.axis_h(2.8, -1.85, 1.85)
    v.axis_v(0, 0.5, h + lead)
    for i, x in enumerate((-2.54, 0, 2.54)):
        v.poly([(x - 0.7, h), (x - 0.7, h + 2.0), (x - 0.4, h + 2.6), (x - 0.4, h + lead),
                (x + 0.4, h + lead), (x + 0.4, h + 2.6), (x + 0.7, h + 2.0), (x + 0.7, h)],
               fill="metal")
        v.pin_number(x, h + lead - 0.5, i + 1, 13)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -42)
    v.dim_v(0, tab, -w / 2, -18)
    v.dim_v(0, 2.8, w / 2, 18, "2,8")
    v.dim_v(h, h + lead, -2.54, -28, "13 мин")
    v.dim_h(-2.54, 0, h + lead, 26, "2,54")
    v.dia(0, 2.8, 1.85, 10, 80, "⌀3,7")
    v.leader(2.54 + 0.4, h + 6.0, 50, -6, "0,8")
    v = s.view(400, 62, 13, "ВИД СБОКУ")
    v.rect(0, 0, 1.3, h, fill="metal")
    v.poly([(1.3, tab), (4.4, tab + 0.4), (4.4, h), (1.3, h)], fill="fill")
    v.poly([(2.0, h), (2.0, h + 3.0), (2.4, h + 3.4), (2.4, h + lead), (2.9, h + lead),
            (2.9, h + 3.2), (2.5, h + 2.8), (2.5, h)], fill="metal")
    v.dim_h(0, 4.4, 0, -14)
    v.dim_h(0, 1.3, h, 18, "1,3")
    return s


def _to3_flange(cx_hole, r_end, r_mid, steps=24):
    """Outline of the TO-3 flange: two rounded ends joined to the round middle by tangents."""
    pts = []
    for i in range(steps + 1):                       # right end
        a = -math.pi / 2 + math.pi * i / steps
        pts.append((cx_hole + r_end * math.cos(a), r_end * math.sin(a)))
    for i in range(steps + 1):                       # lower arc of the middle
        a = math.radians(60) + math.radians(60) * i / steps
        pts.append((r_mid * math.cos(a), r_mid * math.sin(a)))
    for i in range(steps + 1):                       # left end
        a = math.pi / 2 + math.pi * i / steps
        pts.append((-cx_hole + r_end * math.cos(a), r_end * math.sin(a)))
    for i in range(steps + 1):                       # upper arc of the middle
        a = math.radians(240) + math.radians(60) * i / steps
        pts.append((r_mid * math.cos(a), r_mid * math.sin(a)))
    return pts


def to3(style=COLOUR):
    s = Sheet(640, 480, "КОРПУС КТ-9 (TO-3)", style)
    holes, r_end, r_mid, can = 15.05, 4.6, 13.1, 11.1
    v = s.view(210, 230, 7.5, "ВИД СНИЗУ")
    v.poly(_to3_flange(holes, r_end, r_mid), fill="metal")
    v.circle(0, 0, can, width=1, pattern=None)
    for x in (-holes, holes):
        v.circle(x, 0, 2.05, fill="paper")
        v.axis_h(0, x - 2.05, x + 2.05)
        v.axis_v(x, -2.05, 2.05)
    for i, x in enumerate((-5.46, 5.46)):
        v.circle(x, 3.0, 0.5, width=1, fill="ink", hatch=1)
        v.circle(x, 3.0, 1.4, width=1)
        v.pin_number(x, 5.3, i + 1)
    v.axis_h(0, -holes - r_end, holes + r_end)
    v.axis_v(0, -r_mid, r_mid)
    v.dim_h(-holes - r_end, holes + r_end, 0, -108, "39,4")
    v.dim_h(-holes, holes, 0, -82, "30,1")
    v.dim_h(-5.46, 5.46, 3.0, 34, "10,92")
    v.dim_v(-r_mid, r_mid, 0, 200, "26,2", x_feature2=0)
    v.dia(-holes, 0, 2.05, 120, 60, "⌀4,1", right=False)
    v.dia(0, 0, can, 50, 60, "⌀22,2")
    v = s.view(490, 150, 7.5, "ВИД СБОКУ")
    v.rect(-r_mid, 0, r_mid, 1.5, fill="metal")
    v.poly([(-can, 0), (-can, -5.3), (-can + 1.5, -6.9), (can - 1.5, -6.9), (can, -5.3), (can, 0)],
           fill="fill")
    for x in (-5.46, 5.46):
        v.rect(x - 0.5, 1.5, x + 0.5, 12.0, width=1, fill="ink")
    v.dim_v(-6.9, 1.5, -r_mid, -16, "8,4")
    v.dim_v(1.5, 12.0, r_mid, 16, "10,5 мин")
    v.dim_v(0, 1.5, -r_mid, -44, "1,5")
    return s


def _can_side(v, r_body, r_flange, height, flange_t, lead, pins):
    v.rect(-r_flange, height - flange_t, r_flange, height, fill="metal")
    v.poly([(-r_body, height - flange_t), (-r_body, 0.4), (-r_body + 0.4, 0), (r_body - 0.4, 0),
            (r_body, 0.4), (r_body, height - flange_t)], fill="fill")
    for x in pins:
        v.rect(x - 0.225, height, x + 0.225, height + lead, width=1)


def _can_bottom(v, r_flange, pitch_r, pins_deg, key_deg, key=0.9):
    v.circle(0, 0, r_flange, fill="metal")
    a = math.radians(key_deg)
    ux, uy = math.cos(a), -math.sin(a)
    px, py = -uy, ux
    base = r_flange - 0.15
    pts = [(base * ux + 0.4 * px, base * uy + 0.4 * py), ((base + key) * ux + 0.4 * px, (base + key) * uy + 0.4 * py),
           ((base + key) * ux - 0.4 * px, (base + key) * uy - 0.4 * py), (base * ux - 0.4 * px, base * uy - 0.4 * py)]
    v.poly(pts, fill="metal")
    v.circle(0, 0, pitch_r, width=1, pattern=[1] * 14 + [0] * 3 + [1] * 2 + [0] * 3)
    for i, d in enumerate(pins_deg):
        b = math.radians(d)
        x, y = pitch_r * math.cos(b), -pitch_r * math.sin(b)
        v.circle(x, y, 0.25, width=1, fill="ink")
        v.pin_number(x * 1.6, y * 1.6, i + 1)


def to18(style=MONO):
    s = Sheet(480, 400, "КОРПУС КТ-1-7 (TO-18)", style)
    v = s.view(140, 80, 20, "ВИД СБОКУ")
    _can_side(v, 2.4, 2.8, 4.8, 0.5, 7.5, (-1.27, 0, 1.27))
    v.lead_break(0, 8.2, 0.25)
    v.dim_h(-2.4, 2.4, 0, -14, "⌀4,8")
    v.dim_h(-2.8, 2.8, 4.8, 14, "⌀5,6")
    v.dim_v(0, 4.8, -2.8, -16, "4,8")
    v.dim_v(4.8, 12.3, -2.8, -16, "12,7 мин")
    v = s.view(360, 150, 20, "ВИД СНИЗУ")
    _can_bottom(v, 2.8, 1.27, (135, 270 + 45, 45), 135)
    v.dim_h(-1.27, 1.27, 0, 70, "⌀2,54")
    v.leader(-2.8 - 0.5, -2.8 - 0.4, -30, -30, "45°", right=False)
    return s


def to39(style=MONO):
    s = Sheet(480, 360, "КОРПУС КТ-2-7 (TO-39)", style)
    v = s.view(140, 80, 13, "ВИД СБОКУ")
    _can_side(v, 4.2, 4.6, 6.4, 0.6, 10.5, (-2.54, 0, 2.54))
    v.lead_break(-2.54, 11.5, 0.25)
    v.lead_break(0, 11.5, 0.25)
    v.lead_break(2.54, 11.5, 0.25)
    v.dim_h(-4.2, 4.2, 0, -14, "⌀8,5")
    v.dim_h(-4.6, 4.6, 6.4, 14, "⌀9,2")
    v.dim_v(0, 6.4, -4.6, -16, "6,4")
    v.dim_v(6.4, 16.9, -4.6, -16, "12,7 мин")
    v = s.view(360, 150, 13, "ВИД СНИЗУ")
    _can_bottom(v, 4.6, 2.54, (135, 270 + 45, 45), 135)
    v.dim_h(-2.54, 2.54, 0, 76, "⌀5,08")
    return s


def mp(style=MONO):
    s = Sheet(480, 360, "КОРПУС ТРАНЗИСТОРОВ МП", style)
    v = s.view(160, 90, 12, "ВИД СБОКУ")
    v.rect(-5.8, 5.0, 5.8, 6.0, fill="metal")
    v.poly([(-5.0, 5.0), (-5.0, 0.8), (-4.2, 0), (4.2, 0), (5.0, 0.8), (5.0, 5.0)], fill="fill")
    for x in (-2.5, 0, 2.5):
        v.line(x, 6.0, x, 17.0, width=1)
    v.lead_break(0, 12.0, 0.3)
    v.dim_h(-5.0, 5.0, 0, -14, "⌀10")
    v.dim_h(-5.8, 5.8, 6.0, 50, "⌀11,6")
    v.dim_v(0, 6.0, -5.8, -16, "6")
    v.dim_v(6.0, 17.0, -5.8, -16, "30 мин")
    v = s.view(370, 150, 12, "ВИД СНИЗУ")
    v.circle(0, 0, 5.8, fill="metal")
    v.circle(0, 0, 5.0, width=1)
    for i, x in enumerate((-2.5, 0, 2.5)):
        v.circle(x, 1.2, 0.3, width=1, fill="ink")
        v.pin_number(x, 2.6, i + 1)
    v.circle(-2.5, 1.2, 0.9, width=1)
    return s


def sot23(style=MONO):
    s = Sheet(480, 360, "КОРПУС КТ-46 (SOT-23)", style)
    L, W, H = 2.9, 1.3, 1.0
    v = s.view(150, 170, 50, "ВИД СВЕРХУ")
    v.rect(-L / 2, -W / 2, L / 2, W / 2, fill="fill")
    for i, (x, side) in enumerate(((-0.95, 1), (0.95, 1), (0, -1))):
        y0 = side * W / 2
        y1 = side * 1.2
        v.rect(x - 0.2, min(y0, y1), x + 0.2, max(y0, y1), width=1, fill="ink", hatch=3)
        v.pin_number(x, side * 1.45, i + 1, 16)
    v.dim_h(-L / 2, L / 2, -W / 2, -60, "2,9")
    v.dim_h(-0.95, 0.95, 1.2, 30, "1,9")
    v.dim_v(-W / 2, W / 2, -L / 2, -16, "1,3")
    v.dim_v(-1.2, 1.2, L / 2, 24, "2,4")
    v.leader(0.2, -1.0, 40, -20, "0,4")
    v = s.view(370, 170, 50, "ВИД СБОКУ")
    v.rect(-W / 2, -H, W / 2, 0, fill="fill")
    for side in (-1, 1):
        v.poly([(side * W / 2, -0.45), (side * (W / 2 + 0.25), -0.45), (side * (W / 2 + 0.35), 0),
                (side * 1.2, 0), (side * 1.2, -0.1), (side * (W / 2 + 0.4), -0.1),
                (side * (W / 2 + 0.3), -0.55), (side * W / 2, -0.55)], width=1)
    v.dim_v(-H, 0, W / 2, 60, "1,0")
    return s


def sot89(style=MONO):
    s = Sheet(480, 360, "КОРПУС КТ-47 (SOT-89)", style)
    v = s.view(160, 150, 30, "ВИД СВЕРХУ")
    v.rect(-2.25, -1.25, 2.25, 1.25, fill="fill")
    v.poly([(-0.85, -1.25), (-0.85, -1.9), (0.85, -1.9), (0.85, -1.25)], width=1, fill="ink", hatch=3)
    for i, (x, w) in enumerate(((-1.5, 0.44), (0, 0.53), (1.5, 0.44))):
        v.rect(x - w / 2, 1.25, x + w / 2, 2.3, width=1, fill="ink", hatch=3)
        v.pin_number(x, 2.1, i + 1, 14)
    v.dim_h(-2.25, 2.25, -1.9, -22, "4,5")
    v.dim_h(-1.5, 1.5, 2.3, 30, "3,0")
    v.dim_v(-1.25, 1.25, -2.25, -16, "2,5")
    v.dim_v(-1.9, 2.3, 2.25, 24, "4,2")
    v.dim_h(-0.85, 0.85, -1.9, -50, "1,7")
    v = s.view(360, 150, 30, "ВИД СБОКУ")
    v.rect(-1.25, -1.5, 1.25, 0, fill="fill")
    v.rect(1.25, -0.44, 2.3, 0, width=1)
    v.dim_v(-1.5, 0, -1.25, -16, "1,5")
    v.dim_v(-0.44, 0, 2.3, 20, "0,44", side="right")
    return s


def sot223(style=MONO):
    s = Sheet(480, 360, "КОРПУС SOT-223", style)
    v = s.view(160, 160, 22, "ВИД СВЕРХУ")
    v.rect(-3.25, -1.75, 3.25, 1.75, fill="fill")
    v.rect(-1.5, -3.5, 1.5, -1.75, width=1, fill="ink", hatch=3)
    for i, x in enumerate((-2.3, 0, 2.3)):
        v.rect(x - 0.35, 1.75, x + 0.35, 3.5, width=1, fill="ink", hatch=3)
        v.pin_number(x, 3.0, i + 1, 14)
    v.dim_h(-3.25, 3.25, -3.5, -18, "6,5")
    v.dim_h(-1.5, 1.5, -3.5, -44, "3,0")
    v.dim_h(-2.3, 0, 3.5, 24, "2,3")
    v.dim_v(-1.75, 1.75, -3.25, -16, "3,5")
    v.dim_v(-3.5, 3.5, 3.25, 24, "7,0")
    v = s.view(370, 160, 22, "ВИД СБОКУ")
    v.rect(-1.75, -1.6, 1.75, 0, fill="fill")
    v.rect(1.75, -0.3, 3.5, 0, width=1)
    v.rect(-3.5, -0.3, -1.75, 0, width=1)
    v.dim_v(-1.6, 0, 3.5, 20, "1,6", side="right")
    return s


def to247(style=MONO):
    s = Sheet(560, 480, "КОРПУС TO-247", style)
    w, h, lead = 15.9, 20.9, 14.5
    v = s.view(180, 60, 10, "ВИД СПЕРЕДИ")
    v.rect(-w / 2, 0, w / 2, h, fill="fill")
    v.circle(0, 6.15, 1.8, fill="paper")
    v.axis_h(6.15, -1.8, 1.8)
    v.axis_v(0, 0.5, h + lead)
    for i, x in enumerate((-5.45, 0, 5.45)):
        v.poly([(x - 1.1, h), (x - 1.1, h + 4.0), (x - 0.6, h + 4.5), (x - 0.6, h + lead),
                (x + 0.6, h + lead), (x + 0.6, h + 4.5), (x + 1.1, h + 4.0), (x + 1.1, h)])
        v.pin_number(x, h + lead - 0.5, i + 1, 14)
    v.dim_h(-w / 2, w / 2, 0, -14)
    v.dim_v(0, h, -w / 2, -18)
    v.dim_v(0, 6.15, w / 2, 18, "6,15")
    v.dim_v(h, h + lead, -w / 2, -18, "14,5 мин")
    v.dim_h(-5.45, 0, h + lead, 26, "5,45")
    v.dia(0, 6.15, 1.8, 15, 70, "⌀3,6")
    v = s.view(420, 60, 10, "ВИД СБОКУ")
    v.rect(0, 0, 5.0, h, fill="fill")
    v.rect(0, 0, 2.0, h, width=1)
    v.rect(2.0, h, 2.6, h + lead, width=1)
    v.dim_h(0, 5.0, 0, -14, "5,0")
    v.dim_h(0, 2.0, h, 60, "2,0")
    return s

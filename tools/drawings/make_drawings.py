"""Draws the sample catalogue's package outlines and writes them as GIF files.

    python3 tools/drawings/make_drawings.py [OUT_DIR]   (default: data/drawings)

Standard library only; the same run gives the same bytes.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import diodes  # noqa: E402
import others  # noqa: E402
import transistors  # noqa: E402
from sheet import COLOUR  # noqa: E402

MAX_WIDTH, MAX_HEIGHT = 640, 480      # the drawing window, and the import's limit

# file name (without .gif) -> (drawing function, style, interlaced)
DRAWINGS = {
    "TO92": (transistors.to92, None, False),
    "KT13": (transistors.kt13, None, False),
    "TO126": (transistors.to126, None, False),
    "TO220": (transistors.to220, None, False),
    "TO3": (transistors.to3, None, True),
    "TO18": (transistors.to18, None, False),
    "TO39": (transistors.to39, None, False),
    "MP": (transistors.mp, None, False),
    "SOT23": (transistors.sot23, None, False),
    "SOT89": (transistors.sot89, None, False),
    "SOT223": (transistors.sot223, None, False),
    "TO247": (transistors.to247, None, False),
    "DO35": (diodes.do35, None, False),
    "DO41": (diodes.do41, None, False),
    "DO201": (diodes.do201, None, False),
    "D9": (diodes.d9, None, False),
    "SOD80": (diodes.sod80, None, False),
    "KD202": (diodes.kd202, None, False),
    "D814": (diodes.d814, None, False),
    "KU202": (others.ku202, None, False),
    "KC405": (others.kc405, None, False),
    "DB": (others.db, None, False),
    "WOB": (others.wbridge, None, False),
    "KBPC": (others.kbpc, None, False),
    "DIP4": (others.dip4, None, False),
    "DIP6": (others.dip6, None, False),
    "DIP8": (others.dip8, None, False),
    "LED5": (others.led5, None, False),
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "drawings")
    os.makedirs(out, exist_ok=True)
    for name, (draw, style, interlace) in DRAWINGS.items():
        sheet = draw(style) if style else draw()
        if sheet.width > MAX_WIDTH or sheet.height > MAX_HEIGHT:
            sys.exit("%s: %dx%d is larger than the catalogue takes" % (name, sheet.width, sheet.height))
        data = sheet.gif(interlace=interlace, comment="Talvern package drawing " + name)
        with open(os.path.join(out, name + ".gif"), "wb") as f:
            f.write(data)
        print("%-8s %3dx%-3d %6d bytes" % (name, sheet.width, sheet.height, len(data)))


if __name__ == "__main__":
    main()

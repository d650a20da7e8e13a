#!/usr/bin/python3
"""Draws examples/example_sheet.gif: a 176 x 133 character sprite sheet in the layout the
editor expects (7 x 4 frames of 24 x 32 pixels, one-pixel border and gutters), with a simple
figure in every frame. Colours 1-3 are the fixed ones; no figure pixel uses colour 3.

Run with Debian's Python and Pillow:  /usr/bin/python3 examples/draw_example_sheet.py
"""
import os

from PIL import Image

PALETTE = [
    (0, 128, 128),    # 0 background (transparent when exported with transparency)
    (240, 240, 208),  # 1 fixed
    (48, 48, 48),     # 2 fixed
    (0, 0, 0),        # 3 fixed, marks empty slots only
    (248, 200, 160),  # 4 skin
    (120, 64, 32),    # 5 hair
    (40, 96, 200),    # 6 tunic
    (24, 56, 136),    # 7 tunic shade
    (200, 168, 48),   # 8 belt
    (80, 80, 96),     # 9 trousers
    (96, 56, 24),     # 10 boots
    (16, 16, 16),     # 11 eyes
    (200, 48, 48),    # 12 scarf
    (168, 168, 184),  # 13 blade
    (248, 248, 248),  # 14 highlight
    (64, 160, 64),    # 15 cape lining
]

# The empty slots of the sheet, painted with colour 3 as the editor does.
MARKS = [(26, 1, 24, 8), (51, 1, 24, 8), (101, 1, 24, 8), (126, 1, 24, 8), (151, 1, 24, 8),
         (167, 9, 8, 24), (26, 34, 24, 8), (51, 34, 24, 8), (126, 34, 24, 8), (76, 67, 24, 8),
         (92, 75, 8, 16), (76, 91, 24, 8), (1, 100, 24, 16), (26, 100, 24, 16)]


def rect(pixels, x, y, w, h, colour):
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            if 0 <= xx < 176 and 0 <= yy < 133:
                pixels[xx, yy] = colour


def figure(pixels, ox, oy, step, facing):
    """One figure in the 24 x 32 frame at (ox, oy); step moves the legs, facing 0 front,
    1 back, 2 side."""
    rect(pixels, ox + 7, oy + 3, 10, 10, 4)          # head
    rect(pixels, ox + 7, oy + 2, 10, 3, 5)           # hair
    if facing == 1:
        rect(pixels, ox + 7, oy + 2, 10, 9, 5)       # back of the head
    elif facing == 0:
        rect(pixels, ox + 9, oy + 7, 2, 2, 11)       # eyes
        rect(pixels, ox + 13, oy + 7, 2, 2, 11)
    else:
        rect(pixels, ox + 13, oy + 7, 2, 2, 11)
    rect(pixels, ox + 8, oy + 13, 8, 2, 12)          # scarf
    rect(pixels, ox + 6, oy + 15, 12, 8, 6)          # tunic
    rect(pixels, ox + 6, oy + 15, 2, 8, 7)
    rect(pixels, ox + 6, oy + 21, 12, 1, 8)          # belt
    rect(pixels, ox + 4, oy + 15, 2, 7, 4)           # arms
    rect(pixels, ox + 18, oy + 15, 2, 7, 4)
    left = 1 if step == 1 else 0
    right = 1 if step == 3 else 0
    rect(pixels, ox + 8, oy + 23, 3, 6 - left, 9)    # legs
    rect(pixels, ox + 13, oy + 23, 3, 6 - right, 9)
    rect(pixels, ox + 7, oy + 29 - left, 4, 2, 10)   # boots
    rect(pixels, ox + 13, oy + 29 - right, 4, 2, 10)
    rect(pixels, ox + 10, oy + 4, 2, 1, 14)          # highlight


def main():
    image = Image.new("P", (176, 133), 0)
    flat = []
    for colour in PALETTE + [(255, 255, 255)] * 16:
        flat.extend(colour)
    image.putpalette(flat)
    pixels = image.load()
    for row in range(4):
        for column in range(7):
            figure(pixels, 1 + 25 * column, 1 + 33 * row, column % 4, row % 3)
    for x, y, w, h in MARKS:
        rect(pixels, x, y, w, h, 3)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "example_sheet.gif")
    image.save(out, optimize=False)


if __name__ == "__main__":
    main()

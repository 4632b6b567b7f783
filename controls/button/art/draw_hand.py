#!/usr/bin/env python3
"""Draws the button's hand pointer: a 32 x 32 RGBA cursor, a pointing hand
with a black outline and white fill, transparent around it, and writes its
hotspot (the tip of the index finger) as "x y" into hand.hotspot.

Run by hand: python3 controls/button/art/draw_hand.py
"""

import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "app", "art"))

import raster  # noqa: E402
import draw_art  # noqa: E402

SIZE = 32
PALETTE = {"K": (0, 0, 0, 255), "W": (255, 255, 255, 255)}

# The index finger points up; the three folded fingers step down to the
# right, each parted from the next by a short crease; the thumb lies
# along the palm to the left.
HAND = [
    "...........KK...................",
    "..........KWWK..................",
    ".........KWWWWK.................",
    ".........KWWWWK.................",
    ".........KWWWWK.................",
    ".........KWWWWK.................",
    ".........KWWWWK.................",
    ".........KWWWWK.KK..............",
    ".........KWWWWKKWWK.............",
    ".........KWWWWKWWWWKKK..........",
    ".........KWWWWKWWWWKWWK.........",
    ".........KWWWWKWWWWKWWWKKK......",
    ".........KWWWWKWWWWKWWWKWWK.....",
    ".........KWWWWKWWWWKWWWKWWWK....",
    "...KKK...KWWWWWWWWWWKWWWKWWWK...",
    "..KWWWK..KWWWWWWWWWWWWWWKWWWK...",
    "..KWWWWK.KWWWWWWWWWWWWWWWWWWK...",
    "...KWWWWKKWWWWWWWWWWWWWWWWWWK...",
    "....KWWWWKWWWWWWWWWWWWWWWWWWK...",
    ".....KWWWWWWWWWWWWWWWWWWWWWWK...",
    "......KWWWWWWWWWWWWWWWWWWWWWK...",
    ".......KWWWWWWWWWWWWWWWWWWWWK...",
    "........KWWWWWWWWWWWWWWWWWWWK...",
    ".........KWWWWWWWWWWWWWWWWWK....",
    "..........KWWWWWWWWWWWWWWWWK....",
    "...........KWWWWWWWWWWWWWWK.....",
    "...........KWWWWWWWWWWWWWWK.....",
    "...........KWWWWWWWWWWWWWWK.....",
    "...........KKKKKKKKKKKKKKKK.....",
    "................................",
    "................................",
    "................................",
]

# The finger's tip is two pixels wide; the hotspot is the left one, the
# first pixel of the cursor a click should land on.
FINGER_COLUMN = 11


def hotspot():
    for y, row in enumerate(HAND):
        if row[FINGER_COLUMN] == "K":
            return FINGER_COLUMN, y
    raise SystemExit("hand: no fingertip in column %d" % FINGER_COLUMN)


def main():
    assert len(HAND) == SIZE and all(len(row) == SIZE for row in HAND)
    img = raster.Pixels(SIZE, SIZE).sprite(HAND, PALETTE)
    data = bytearray()
    for c in img.px:
        data += bytes(c or (0, 0, 0, 0))
    raster.write_png(os.path.join(HERE, "hand.png"), SIZE, SIZE, data, 4)
    # Twice the size for denser screens, the same hotspot in the cursor's
    # own pixels.
    large = draw_art.scale2x(img)
    data = bytearray()
    for c in large.px:
        data += bytes(c or (0, 0, 0, 0))
    raster.write_png(os.path.join(HERE, "hand@2x.png"), 2 * SIZE, 2 * SIZE, data, 4)
    with open(os.path.join(HERE, "hand.hotspot"), "w", newline="\n") as f:
        f.write("%d %d\n" % hotspot())


if __name__ == "__main__":
    main()

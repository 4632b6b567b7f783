#!/usr/bin/env python3
"""Draws the working animation: nine 90 x 90 frames and the 90 x 18 strip.

A ring of nine dots turns clockwise around the program's mark: in each frame
the bright head has moved on by one dot and the dots behind it fade and shrink,
so frame 9 leads straight back into frame 1. The control shows only the top
73 rows of a frame and lays the strip over it from row 72, so everything of
the ring stays above row 72 and both images are plain white where they meet;
the strip holds only a soft shadow under the ring.

Run by hand: python3 controls/working/art/draw_working.py
"""

import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "app", "art"))

import math  # noqa: E402

import raster  # noqa: E402
import draw_art  # noqa: E402
from raster import Radial, circle, mix, rgb  # noqa: E402

W, H = 90, 90
STRIP_H = 18
SHOWN_ROWS = 72          # rows of a frame above the strip
WHITE = (255, 255, 255)
FRAMES = 9
DOTS = 9

CX, CY = 45.0, 36.0      # centre of the ring
RING = 27.0              # radius through the dots' centres
MARK = 30                # the mark's size in pixels

HEAD = rgb("#2b56b3")
MIDDLE = rgb("#3ab8c8")
TAIL = rgb("#dde5ee")


def dot_style(j):
    """Colour and radius of the dot j steps behind the head."""
    t = j / float(DOTS - 1)
    colour = mix(HEAD, MIDDLE, t / 0.35) if t < 0.35 else mix(MIDDLE, TAIL, (t - 0.35) / 0.65)
    return colour, 4.8 - 1.9 * t


def frame(k, s=1):
    """Frame k; `s` draws the same geometry s times as large."""
    img = raster.Image(W * s, H * s, WHITE)
    head = k - 1
    for j in range(DOTS - 1, -1, -1):
        colour, r = dot_style(j)
        a = math.radians(-90.0 + 360.0 / DOTS * (head - j))
        img.fill(circle(CX + RING * math.cos(a), CY + RING * math.sin(a), r), colour, scale=s,
                 ss=8)
    size = MARK * s
    mark = raster.Image(size, size)
    for path, paint, opacity in draw_art.icon_layers(size):
        mark.fill(path, paint, scale=size / 256.0, opacity=opacity, ss=8)
    img.draw(mark, int(CX * s - size / 2), int(CY * s - size / 2))
    return img


def strip(s=1):
    img = raster.Image(W * s, STRIP_H * s, WHITE)
    rx, ry, cy = 28.0, 3.2, 6.0
    pts = [(CX + rx * math.cos(math.radians(a)), cy + ry * math.sin(math.radians(a)))
           for a in range(0, 360, 6)]
    shadow = raster.polygon(pts)
    img.fill(shadow, Radial(CX, cy, rx, [(0.0, rgb("#1e2a4a", 0.16)), (1.0, rgb("#1e2a4a", 0.0))]),
             scale=s, ss=8)
    return img


def main():
    # At 1 the files the control shows; at 2 the same drawing twice as large
    # ("name@2x.png") for denser screens.
    for s, suffix in ((1, ""), (2, "@2x")):
        for k in range(1, FRAMES + 1):
            img = frame(k, s)
            for y in range(SHOWN_ROWS * s, H * s):
                for x in range(W * s):
                    assert img.rgba(x, y) == WHITE + (255,), "frame %d drawn below the strip" % k
            img.save_rgb(os.path.join(HERE, "frame%d%s.png" % (k, suffix)))
        img = strip(s)
        assert all(img.rgba(x, 0) == WHITE + (255,) for x in range(W * s)), \
            "strip's top row not white"
        img.save_rgb(os.path.join(HERE, "strip%s.png" % suffix))


if __name__ == "__main__":
    main()

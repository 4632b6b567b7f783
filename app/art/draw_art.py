#!/usr/bin/env python3
"""Draws the windows' art into this folder: the eight 16 x 16 button pictures
and the shared hover picture, the maker's logo, and the window icon in every
hicolor size plus its SVG; the pictures and the logo also at twice their size
("name@2x.png") for denser screens.

Run by hand: python3 app/art/draw_art.py
"""

import os
import sys

sys.dont_write_bytecode = True
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import raster  # noqa: E402
from raster import Path, Linear, rgb, round_rect, polygon  # noqa: E402

# --------------------------------------------------------------------------
# The 16 x 16 button pictures: crisp pixel art, 24-bit, on the key colour.

KEY = (255, 0, 255)

# One palette for all nine pictures. The outline and the darker tones add up
# to R+G+B <= 384, so a disabled button, which shows only such pixels, still
# draws the outline and the main shapes; paper, gold and steel drop out.
PAL = {
    "K": (38, 44, 60),      # outline
    "W": (255, 255, 255),   # paper
    "S": (222, 228, 238),   # paper shade
    "F": (178, 190, 210),   # folded corner
    "L": (104, 118, 146),   # lines of text on paper
    "T": (52, 64, 92),      # lines of text on their own
    "Y": (255, 216, 96),    # gold, light
    "G": (236, 178, 44),    # gold
    "D": (170, 116, 20),    # gold, shaded
    "s": (222, 228, 238),   # steel, light
    "t": (146, 156, 176),   # steel, shaded
    "B": (40, 98, 196),     # blue
    "b": (112, 166, 236),   # blue, light
    "N": (26, 50, 112),     # navy
    "O": (240, 128, 24),    # orange
    "o": (255, 184, 92),    # orange, light
    "R": (160, 64, 8),      # orange, shaded
    "c": (168, 206, 248),   # blue, pale
}

DOCUMENT = [
    "KKKKKKKK...",
    "KWWWWWWKK..",
    "KWLLLLWKFK.",
    "KWWWWWWKFFK",
    "KWLLLLLKKKK",
    "KWWWWWWWWSK",
    "KWLLLLLLWSK",
    "KWWWWWWWWSK",
    "KWLLLLLLWSK",
    "KWWWWWWWWSK",
    "KWLLLLLLWSK",
    "KWWWWWWWWSK",
    "KSSSSSSSSSK",
    "KKKKKKKKKKK",
]

LOCK_CLOSED = [
    "..KKKKK..",
    ".KsssssK.",
    ".KsKKKtK.",
    ".KsK.KtK.",
    "KKKKKKKKK",
    "KYYYYYYGK",
    "KYGGKGGDK",
    "KYGGKGGDK",
    "KGDDDDDDK",
    "KKKKKKKKK",
]

LOCK_OPEN = [
    "..KKKKK..",
    ".KsssssK.",
    ".KsKKKtK.",
    ".KsK.KtK.",
    ".KsK.KKK.",
    ".KsK.....",
    ".KsK.....",
    "KKKKKKKKK",
    "KYYYYYYGK",
    "KYGGKGGDK",
    "KYGGKGGDK",
    "KGDDDDDDK",
    "KKKKKKKKK",
]

TEXT_BOX = [
    ".KKKKKKKKKKKKK.",
    "KWWWWWWWWWWWWWK",
    "KWTTTWTTTTWTTWK",
    "KWWWWWWWWWWWWWK",
    "KWTTWTTTTTWTTWK",
    "KWWWWWWWWWWWWWK",
    "KWTTTTWTTTWWWWK",
    "KWWWWWWWWWWWWWK",
    "KWTTTWTTWWWWWWK",
    "KWWWWWWWWWWWWWK",
    "KSSSSSSSSSSSSSK",
    ".KKKKKKKKKKKKK.",
]

def picture():
    return raster.Pixels(16, 16)


def encrypt_file():
    p = picture().sprite(DOCUMENT, PAL, 1, 1)
    return p.sprite(LOCK_CLOSED, PAL, 7, 6)


def decrypt_file():
    p = picture().sprite(DOCUMENT, PAL, 1, 1)
    return p.sprite(LOCK_OPEN, PAL, 7, 3)


def encrypt_encode_text():
    p = picture().sprite(TEXT_BOX, PAL, 0, 0)
    return p.sprite(LOCK_CLOSED, PAL, 7, 6)


def decrypt_decode_text():
    p = picture().sprite(TEXT_BOX, PAL, 0, 0)
    return p.sprite(LOCK_OPEN, PAL, 7, 3)


def card(p, x, y, w, h, fill, edge):
    """A filled box with a one-pixel edge and cut corners."""
    p.rect(x + 1, y, w - 2, h, edge)
    p.rect(x, y + 1, w, h - 2, edge)
    p.rect(x + 1, y + 1, w - 2, h - 2, fill)


ARROW_RIGHT = [
    "A..",
    "AA.",
    "AAA",
    "AA.",
    "A..",
]

ARROW_DOWN = [
    "AAAAA",
    ".AAA.",
    "..A..",
]

ARROWS = {"A": PAL["B"]}


def encode_text():
    """Plain text above becomes Base64 code below."""
    p = picture()
    card(p, 0, 0, 15, 9, PAL["W"], PAL["K"])
    p.text("abc", 2, 2, PAL["L"])
    p.sprite(ARROW_RIGHT, ARROWS, 1, 10)
    card(p, 5, 9, 11, 7, PAL["B"], PAL["N"])
    p.text("64", 7, 10, PAL["W"])
    return p


def decode_text():
    """Base64 code above becomes plain text below."""
    p = picture()
    card(p, 0, 0, 11, 7, PAL["B"], PAL["N"])
    p.text("64", 2, 1, PAL["W"])
    p.sprite(ARROW_DOWN, ARROWS, 11, 2)
    card(p, 1, 7, 15, 9, PAL["W"], PAL["K"])
    p.text("abc", 3, 9, PAL["L"])
    return p


QUESTION = [
    ".KKKK.",
    "KBBBBK",
    "KBKKBK",
    ".K.KBK",
    "..KBK.",
    "..KBK.",
    "..KK..",
    "..KBK.",
    "..KK..",
]


def readme():
    p = picture().sprite(DOCUMENT, PAL, 2, 1)
    return p.sprite(QUESTION, PAL, 4, 4)


GLOBE = [
    ".....KKKKKK.....",
    "...KKbcbbcBKK...",
    "..KbbbcbBcBBBK..",
    ".KbbBcBBBBcBBBK.",
    ".KccccccccccccK.",
    "KBBBcBBBBBBcBBBK",
    "KBBBcBBBBBBcBBBK",
    "KccccccccccccccK",
    "KBBBcBBBBBBcBBBK",
    "KBBBcBBBBBBcBBNK",
    "KBBBcBBBBBBcBNNK",
    ".KccccccccccccK.",
    ".KBBBcBBBBcBNNK.",
    "..KBBBcBBcNNNK..",
    "...KKNcNNcNKK...",
    ".....KKKKKK.....",
]


def website():
    return picture().sprite(GLOBE, PAL, 0, 0)


HOVER = [
    ".....KKKKKK.....",
    "...KKooooooKK...",
    "..KooOOOOOOoRK..",
    ".KoOOOOOOOOOORK.",
    ".KoOOOOOWOOOORK.",
    "KoOOOOOOWWOOOORK",
    "KoOOWWWWWWWOOORK",
    "KoOOWWWWWWWWOORK",
    "KoOOWWWWWWWOOORK",
    "KoOOOOOOWWOOOORK",
    "KoOOOOOOWOOOOORK",
    ".KOOOOOOOOOOORK.",
    ".KROOOOOOOOORRK.",
    "..KRROOOOORRRK..",
    "...KKRRRRRRKK...",
    ".....KKKKKK.....",
]


def hover():
    return picture().sprite(HOVER, PAL, 0, 0)


BUTTON_PICTURES = [
    ("cmdEncryptFile.png", encrypt_file),
    ("cmdDecryptFile.png", decrypt_file),
    ("cmdEET.png", encrypt_encode_text),
    ("cmdDDT.png", decrypt_decode_text),
    ("cmdET.png", encode_text),
    ("cmdDT.png", decode_text),
    ("cmdReadme.png", readme),
    ("cmdWebsite.png", website),
    ("PictureOver.png", hover),
]


def scale2x(p):
    """The pixel art at twice its size by Scale2x (EPX): each pixel becomes
    four, and a corner of the four takes the colour of the two neighbours
    that meet there when they agree (and the picture does not run straight
    through), so a diagonal steps by one small pixel instead of two. No new
    colour appears: the key colour stays exact and the outline stays dark."""
    out = raster.Pixels(p.w * 2, p.h * 2)
    for y in range(p.h):
        for x in range(p.w):
            e = p.get(x, y)
            b = p.get(x, y - 1) if y > 0 else e
            h = p.get(x, y + 1) if y < p.h - 1 else e
            d = p.get(x - 1, y) if x > 0 else e
            f = p.get(x + 1, y) if x < p.w - 1 else e
            corners = [e, e, e, e]
            if b != h and d != f:
                corners = [d if d == b else e, f if b == f else e,
                           d if d == h else e, f if h == f else e]
            for i, c in enumerate(corners):
                out.set(2 * x + i % 2, 2 * y + i // 2, c)
    return out


def check_picture(name, p):
    for c in p.px:
        if c is not None and sum(abs(a - b) for a, b in zip(c, KEY)) < 96:
            raise SystemExit("%s: a colour too near the key colour: %r" % (name, c))


# --------------------------------------------------------------------------
# The program's mark: a gold padlock marked with a Z on a teal-to-indigo tile.
# Drawn in a 256-unit square; the main edges sit on multiples of 16 units so
# that they fall on whole pixels at 16, 32, 48, 64, 128 and 256 pixels.

ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def icon_layers(size=None):
    """(path, paint, opacity) from back to front, in 256 design units.

    For a bitmap of `size` pixels the edges are moved to whole pixels and
    the Z becomes a crisp staircase below 28 pixels; the SVG (size None)
    keeps the drawing as designed.
    """
    unit = 256.0 / size if size else None

    def q(v):
        return round(v / unit) * unit if unit else v

    def shackle(dy=0):
        x0, x1, x2, x3 = q(80), q(112), q(144), q(176)
        cy, foot = q(96) + dy, q(120) + dy
        ro, ri = (x3 - x0) / 2.0, (x2 - x1) / 2.0
        p = Path().move(x0, foot).line(x0, cy).arc(128, cy, ro, 180, 360).line(x3, foot)
        return p.line(x2, foot).line(x2, cy).arc(128, cy, ri, 360, 180).line(x1, foot)

    def body(dy=0):
        return round_rect(q(48), q(112) + dy, q(208) - q(48), q(208) - q(112), 16)

    if unit and size < 28:
        # four pixels square: a bar, two single steps, a bar
        x, y = q(128) - 2 * unit, q(160 - 2 * unit)
        z = (Path().extend(raster.rect(x, y, 4 * unit, unit))
             .extend(raster.rect(x + 2 * unit, y + unit, unit, unit))
             .extend(raster.rect(x + unit, y + 2 * unit, unit, unit))
             .extend(raster.rect(x, y + 3 * unit, 4 * unit, unit)))
    else:
        x0, x1, y0, y1, t = 96, 160, 136, 184, 14
        z = polygon([(x0, y0), (x1, y0), (x1, y0 + t), (x0 + 22, y1 - t), (x1, y1 - t),
                     (x1, y1), (x0, y1), (x0, y1 - t), (x1 - 22, y0 + t), (x0, y0 + t)])

    top, bottom = q(16), q(240)
    tile = round_rect(top, top, bottom - top, bottom - top, 44)
    gloss = round_rect(top, top, bottom - top, q(128) - top, 44)
    shadow = Path().extend(shackle(8)).extend(body(8))
    return [
        (tile, Linear(0, 16, 0, 240, [(0.0, rgb("#3ac0cc")), (1.0, rgb("#26398c"))]), 1.0),
        (gloss, Linear(0, 16, 0, 128, [(0.0, rgb("#ffffff", 0.22)), (1.0, rgb("#ffffff", 0.0))]),
         1.0),
        (shadow, rgb("#0e1a4a"), 0.30),
        (shackle(), Linear(0, 48, 0, 120, [(0.0, rgb("#f6f8fc")), (1.0, rgb("#aebcd0"))]), 1.0),
        (body(), Linear(0, 112, 0, 208, [(0.0, rgb("#ffd970")), (1.0, rgb("#e09a1c"))]), 1.0),
        (round_rect(q(48), q(112), q(208) - q(48), q(128) - q(112), 8), rgb("#fff3c4"), 0.55),
        (z, rgb("#26398c"), 1.0),
    ]


def icon_png(size):
    img = raster.Image(size, size)
    s = size / 256.0
    for path, paint, opacity in icon_layers(size):
        img.fill(path, paint, scale=s, opacity=opacity, ss=8 if size <= 64 else 4)
    return img


def icon_svg():
    defs, shapes = [], []
    for i, (path, paint, opacity) in enumerate(icon_layers()):
        if isinstance(paint, tuple):
            fill = raster.hex_colour(paint)
            if paint[3] < 1.0:
                opacity *= paint[3]
        else:
            gid = "g%d" % i
            stops = "".join('<stop offset="%g" stop-color="%s"%s/>'
                            % (o, raster.hex_colour(c),
                               "" if c[3] >= 1.0 else ' stop-opacity="%g"' % round(c[3], 3))
                            for o, c in paint.stops)
            defs.append('<linearGradient id="%s" gradientUnits="userSpaceOnUse" '
                        'x1="%g" y1="%g" x2="%g" y2="%g">%s</linearGradient>'
                        % (gid, paint.x0, paint.y0, paint.x1, paint.y1, stops))
            fill = "url(#%s)" % gid
        extra = "" if opacity >= 1.0 else ' fill-opacity="%g"' % round(opacity, 3)
        shapes.append('<path fill="%s"%s d="%s"/>' % (fill, extra, path.svg()))
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" '
            'viewBox="0 0 256 256">\n<defs>\n%s\n</defs>\n%s\n</svg>\n'
            % ("\n".join(defs), "\n".join(shapes)))


# --------------------------------------------------------------------------
# The maker's logo: a cut gem and the word "Quorvan" in a rounded geometric
# lettering of our own (strokes with round ends), on transparency.

LOGO_W, LOGO_H = 108, 49
LOGO_LEFT = 2  # the frame's border covers columns 0 and 1


class Lettering:
    """Stroke letters on a baseline: x-height, cap height and stroke width in pixels."""

    def __init__(self, xh, cap, sw):
        self.xh, self.cap, self.sw = xh, cap, sw

    def width(self, ch):
        xh = self.xh
        return {"Q": self.cap + 0.9, "u": 0.86 * xh, "o": xh, "r": 0.58 * xh, "v": 0.92 * xh,
                "a": xh, "n": 0.86 * xh}[ch]

    def glyph(self, ch, x, base, pen=None):
        """The letter's strokes; `pen` widens them around the same centre lines."""
        sw, xh = self.sw, self.xh
        pw = pen or sw
        h = sw / 2.0
        top = base - xh
        w = self.width(ch)
        p = Path()
        if ch in "oa":
            r = (xh - sw) / 2.0
            p.extend(raster.stroke_arc(x + xh / 2.0, base - xh / 2.0, r, 0, 360, pw, caps=False))
            if ch == "a":
                p.extend(raster.stroke_line(x + xh - h, top + h, x + xh - h, base - h, pw))
        elif ch == "Q":
            r = (self.cap - sw) / 2.0
            cx, cy = x + self.cap / 2.0, base - self.cap / 2.0
            p.extend(raster.stroke_arc(cx, cy, r, 0, 360, pw, caps=False))
            p.extend(raster.stroke_line(cx + 0.25 * r, cy + 0.35 * r, cx + 1.15 * r, base + 0.9, pw))
        elif ch in "un":
            r = (w - sw) / 2.0
            x0, x1 = x + h, x + w - h
            if ch == "u":
                cy = base - h - r
                p.extend(raster.stroke_line(x0, top + h, x0, cy, pw))
                p.extend(raster.stroke_arc(x0 + r, cy, r, 180, 0, pw, caps=False))
                p.extend(raster.stroke_line(x1, top + h, x1, base - h, pw))
            else:
                cy = top + h + r
                p.extend(raster.stroke_line(x0, top + h, x0, base - h, pw))
                p.extend(raster.stroke_arc(x0 + r, cy, r, 180, 360, pw, caps=False))
                p.extend(raster.stroke_line(x1, cy, x1, base - h, pw))
        elif ch == "r":
            r = w - sw
            x0 = x + h
            p.extend(raster.stroke_line(x0, top + h, x0, base - h, pw))
            p.extend(raster.stroke_arc(x0 + r, top + h + r, r, 180, 270, pw))
        elif ch == "v":
            p.extend(raster.stroke_polyline([(x + h, top + h), (x + w / 2.0, base - h),
                                              (x + w - h, top + h)], pw))
        return p

    def text(self, s, x, base, tracking, pen=None):
        p = Path()
        for ch in s:
            p.extend(self.glyph(ch, x, base, pen))
            x += self.width(ch) + tracking
        return p, x - tracking

    def measure(self, s, tracking):
        return sum(self.width(ch) for ch in s) + tracking * (len(s) - 1)


def gem(cx, cy, r):
    """Four facets of a square gem standing on its point, and its table."""
    n, e, s, w = (cx, cy - r), (cx + r, cy), (cx, cy + r), (cx - r, cy)
    c = (cx, cy)
    t = r * 0.42
    return [
        (polygon([w, n, c]), rgb("#5fd3d6")),
        (polygon([n, e, c]), rgb("#2fa6c0")),
        (polygon([w, c, s]), rgb("#3467b8")),
        (polygon([c, e, s]), rgb("#243a8a")),
        (polygon([(cx, cy - t), (cx + t, cy), (cx, cy + t), (cx - t, cy)]),
         Linear(cx - t, cy - t, cx + t, cy + t, [(0.0, rgb("#e8fbff")), (1.0, rgb("#8fd0ea"))])),
    ]


def logo(s=1):
    """The gem, then the word, centred in height; the word's blue sits between
    light and dark button faces so that it reads on either. The frame draws
    the picture at its top left and its two-pixel border over it, so the
    drawing keeps to columns 2 to 107. `s` draws the same geometry s times
    as large."""
    img = raster.Image(LOGO_W * s, LOGO_H * s)
    mark, xh = 28, 10.0
    letters = Lettering(xh=xh, cap=xh * 1.42, sw=xh * 0.225)
    tracking = xh * 0.11
    x = LOGO_W - 0.5 - letters.measure("Quorvan", tracking)
    base = LOGO_H / 2.0 + letters.cap / 2.0
    for path, paint in gem(LOGO_LEFT + mark / 2.0 + 0.5, LOGO_H / 2.0, mark / 2.0):
        img.fill(path, paint, scale=s, ss=8)
    word, _ = letters.text("Quorvan", x, base, tracking)
    img.fill(word, Linear(0, base - letters.cap, 0, base,
                          [(0.0, rgb("#3b86c6")), (1.0, rgb("#2c4f9e"))]), scale=s, ss=8)
    return img


def main():
    for name, draw in BUTTON_PICTURES:
        p = draw()
        check_picture(name, p)
        p.save_rgb(os.path.join(HERE, name), KEY)
        scale2x(p).save_rgb(os.path.join(HERE, name.replace(".png", "@2x.png")), KEY)
    logo().save_rgba(os.path.join(HERE, "logo.png"))
    logo(2).save_rgba(os.path.join(HERE, "logo@2x.png"))
    for size in ICON_SIZES:
        folder = os.path.join(HERE, "icons", "hicolor", "%dx%d" % (size, size), "apps")
        os.makedirs(folder, exist_ok=True)
        icon_png(size).save_rgba(os.path.join(folder, "zephral.png"))
    folder = os.path.join(HERE, "icons", "hicolor", "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "zephral.svg"), "w", newline="\n") as f:
        f.write(icon_svg())


if __name__ == "__main__":
    main()

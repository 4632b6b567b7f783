"""A small rasteriser and PNG writer for the program's art.

Standard library only, and deterministic: the same script writes the same
bytes every run.

- Shapes are paths of lines and circular arcs, flattened to polygons and
  filled with the nonzero rule. Coverage is exact across a scan line and
  supersampled down it, which gives clean anti-aliased edges.
- Paints are solid colours or linear and radial gradients; an image keeps
  premultiplied RGBA floats and composites with "source over".
- Pixel art is drawn separately, on a plain grid of colours, from rows of
  characters: no anti-aliasing at all.
- A tiny 3 x 5 pixel font of our own covers the lettering the small pictures
  need.
- Paths also print themselves as SVG path data, so a picture drawn from one
  geometry can be written both as PNG and as SVG.
"""

import math
import struct
import zlib


# --------------------------------------------------------------------------
# Colours


def rgb(value, alpha=1.0):
    """'#rrggbb' or (r, g, b) in 0..255 -> (r, g, b, a) floats in 0..1."""
    if isinstance(value, str):
        v = value.lstrip("#")
        value = (int(v[0:2], 16), int(v[2:4], 16), int(v[4:6], 16))
    return (value[0] / 255.0, value[1] / 255.0, value[2] / 255.0, alpha)


def hex_colour(c):
    """(r, g, b[, a]) floats -> '#rrggbb'."""
    return "#%02x%02x%02x" % tuple(_byte(v) for v in c[:3])


def mix(a, b, t):
    """Linear mix of two float colours."""
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def _byte(v):
    v = int(math.floor(v * 255.0 + 0.5))
    return 0 if v < 0 else 255 if v > 255 else v


# --------------------------------------------------------------------------
# PNG


def _chunk(tag, data):
    crc = zlib.crc32(tag + data) & 0xFFFFFFFF
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", crc)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def png_bytes(width, height, data, channels):
    """PNG of 8-bit RGB (channels 3) or RGBA (channels 4) pixel bytes.

    Each row takes the filter with the smallest sum of absolute values,
    the usual heuristic; no time stamp or other varying chunk is written.
    """
    stride = width * channels
    raw = bytearray()
    prev = bytes(stride)
    for y in range(height):
        row = data[y * stride:(y + 1) * stride]
        best = None
        for ftype in range(5):
            out = bytearray(stride)
            for i in range(stride):
                a = row[i - channels] if i >= channels else 0
                b = prev[i]
                c = prev[i - channels] if i >= channels else 0
                if ftype == 0:
                    p = 0
                elif ftype == 1:
                    p = a
                elif ftype == 2:
                    p = b
                elif ftype == 3:
                    p = (a + b) >> 1
                else:
                    p = _paeth(a, b, c)
                out[i] = (row[i] - p) & 0xFF
            score = sum(v if v < 128 else 256 - v for v in out)
            if best is None or score < best[0]:
                best = (score, ftype, out)
        raw.append(best[1])
        raw += best[2]
        prev = row
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6 if channels == 4 else 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


def write_png(path, width, height, data, channels):
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, data, channels))


# --------------------------------------------------------------------------
# Paths


class Path:
    """Closed outlines of line and arc segments.

    Angles are in degrees, measured the screen way (y grows downwards, so a
    growing angle turns clockwise). Each `move` starts a new outline; outlines
    added with hole=True are cut out of the others.
    """

    def __init__(self):
        self.subpaths = []  # [hole, start, [segments]]

    def move(self, x, y, hole=False):
        self.subpaths.append([hole, (x, y), []])
        return self

    def line(self, x, y):
        self.subpaths[-1][2].append(("L", x, y))
        return self

    def arc(self, cx, cy, r, a0, a1):
        """Arc of centre (cx, cy) from angle a0 to a1 (a line leads to its start)."""
        self.subpaths[-1][2].append(("A", cx, cy, r, a0, a1))
        return self

    def extend(self, other):
        self.subpaths.extend(other.subpaths)
        return self

    # -- flattening

    def polygons(self, scale=1.0, dx=0.0, dy=0.0):
        """[(hole, [(x, y), ...])] in pixels after scaling then offsetting."""
        result = []
        for hole, start, segs in self.subpaths:
            pts = [(start[0] * scale + dx, start[1] * scale + dy)]
            for seg in segs:
                if seg[0] == "L":
                    pts.append((seg[1] * scale + dx, seg[2] * scale + dy))
                else:
                    _, cx, cy, r, a0, a1 = seg
                    rp = r * scale
                    span = math.radians(a1 - a0)
                    step = 2.0 * math.acos(max(-1.0, 1.0 - 0.02 / rp)) if rp > 0.02 else math.pi
                    n = max(2, int(math.ceil(abs(span) / step)))
                    for i in range(n + 1):
                        t = math.radians(a0) + span * i / n
                        pts.append(((cx + r * math.cos(t)) * scale + dx,
                                    (cy + r * math.sin(t)) * scale + dy))
            result.append((hole, pts))
        return result

    # -- SVG

    def svg(self):
        """SVG path data of the same outlines."""
        out = []
        for _hole, start, segs in self.subpaths:
            out.append("M%s %s" % (_num(start[0]), _num(start[1])))
            cur = start
            for seg in segs:
                if seg[0] == "L":
                    out.append("L%s %s" % (_num(seg[1]), _num(seg[2])))
                    cur = (seg[1], seg[2])
                    continue
                _, cx, cy, r, a0, a1 = seg
                p0 = (cx + r * math.cos(math.radians(a0)), cy + r * math.sin(math.radians(a0)))
                if abs(p0[0] - cur[0]) > 1e-9 or abs(p0[1] - cur[1]) > 1e-9:
                    out.append("L%s %s" % (_num(p0[0]), _num(p0[1])))
                # SVG cannot draw a whole circle as one arc: split long arcs.
                pieces = max(1, int(math.ceil(abs(a1 - a0) / 179.0)))
                for i in range(1, pieces + 1):
                    a = a0 + (a1 - a0) * i / pieces
                    p = (cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a)))
                    out.append("A%s %s 0 0 %d %s %s" % (_num(r), _num(r), 1 if a1 > a0 else 0,
                                                       _num(p[0]), _num(p[1])))
                    cur = p
            out.append("Z")
        return " ".join(out)


def _num(v):
    s = "%.3f" % v
    s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def rect(x, y, w, h, hole=False):
    return Path().move(x, y, hole).line(x + w, y).line(x + w, y + h).line(x, y + h)


def round_rect(x, y, w, h, r, hole=False):
    if r <= 0:
        return rect(x, y, w, h, hole)
    p = Path().move(x + r, y, hole)
    p.line(x + w - r, y).arc(x + w - r, y + r, r, -90, 0)
    p.line(x + w, y + h - r).arc(x + w - r, y + h - r, r, 0, 90)
    p.line(x + r, y + h).arc(x + r, y + h - r, r, 90, 180)
    p.line(x, y + r).arc(x + r, y + r, r, 180, 270)
    return p


def circle(cx, cy, r, hole=False):
    return Path().move(cx + r, cy, hole).arc(cx, cy, r, 0, 360)


def polygon(points, hole=False):
    p = Path().move(points[0][0], points[0][1], hole)
    for x, y in points[1:]:
        p.line(x, y)
    return p


def stroke_line(x0, y0, x1, y1, width, caps=True):
    """A straight stroke; caps=True rounds both ends."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    nx, ny = -dy / length * width / 2.0, dx / length * width / 2.0
    p = polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)])
    if caps:
        p.extend(circle(x0, y0, width / 2.0)).extend(circle(x1, y1, width / 2.0))
    return p


def stroke_arc(cx, cy, r, a0, a1, width, caps=True):
    """An arc stroke: the band between radius r - width/2 and r + width/2."""
    ro, ri = r + width / 2.0, r - width / 2.0
    t1 = math.radians(a1)
    p = Path().move(cx + ro * math.cos(math.radians(a0)), cy + ro * math.sin(math.radians(a0)))
    p.arc(cx, cy, ro, a0, a1)
    p.line(cx + ri * math.cos(t1), cy + ri * math.sin(t1))
    p.arc(cx, cy, ri, a1, a0)
    if caps:
        for a in (a0, a1):
            t = math.radians(a)
            p.extend(circle(cx + r * math.cos(t), cy + r * math.sin(t), width / 2.0))
    return p


def stroke_polyline(points, width, caps=True):
    """Straight strokes through the points, joined round."""
    p = Path()
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        p.extend(stroke_line(x0, y0, x1, y1, width, caps=False))
    start = 0 if caps else 1
    stop = len(points) if caps else len(points) - 1
    for x, y in points[start:stop]:
        p.extend(circle(x, y, width / 2.0))
    return p


# --------------------------------------------------------------------------
# Coverage


def _area(pts):
    s = 0.0
    for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
        s += x0 * y1 - x1 * y0
    return s


def coverage(width, height, path, scale=1.0, dx=0.0, dy=0.0, ss=5):
    """Per-pixel coverage of a path: (x0, y0, x1, y1, values) for its box.

    Every outline is turned the same way (holes the other way) and filled with
    the nonzero rule, so overlapping outlines add up to their union.
    """
    edges = []
    for hole, pts in path.polygons(scale, dx, dy):
        if len(pts) < 3:
            continue
        if (_area(pts) < 0) != hole:
            pts = pts[::-1]
        for (xa, ya), (xb, yb) in zip(pts, pts[1:] + pts[:1]):
            if ya == yb:
                continue
            d = 1
            if ya > yb:
                xa, ya, xb, yb, d = xb, yb, xa, ya, -1
            edges.append((ya, yb, xa, (xb - xa) / (yb - ya), d))
    if not edges:
        return (0, 0, 0, 0, [])
    bx0 = max(0, int(math.floor(min(min(e[2], e[2] + e[3] * (e[1] - e[0])) for e in edges))))
    bx1 = min(width, int(math.ceil(max(max(e[2], e[2] + e[3] * (e[1] - e[0])) for e in edges))))
    by0 = max(0, int(math.floor(min(e[0] for e in edges))))
    by1 = min(height, int(math.ceil(max(e[1] for e in edges))))
    if bx1 <= bx0 or by1 <= by0:
        return (0, 0, 0, 0, [])
    bw = bx1 - bx0
    cov = [0.0] * (bw * (by1 - by0))
    edges.sort()
    w_sub = 1.0 / ss
    first = 0
    for py in range(by0, by1):
        row = (py - by0) * bw
        while first < len(edges) and edges[first][1] <= py:
            first += 1
        for k in range(ss):
            sy = py + (k + 0.5) * w_sub
            xs = []
            for e in edges[first:]:
                if e[0] > sy:
                    break
                if sy < e[1]:
                    xs.append((e[2] + (sy - e[0]) * e[3], e[4]))
            if not xs:
                continue
            xs.sort()
            wind = 0
            start = 0.0
            for x, d in xs:
                before = wind
                wind += d
                if before == 0 and wind != 0:
                    start = x
                elif before != 0 and wind == 0:
                    _span(cov, row, bx0, bw, start, x, w_sub)
    return (bx0, by0, bx1, by1, [min(1.0, v) for v in cov])


def _span(cov, row, bx0, bw, x0, x1, weight):
    x0 -= bx0
    x1 -= bx0
    if x0 < 0:
        x0 = 0.0
    if x1 > bw:
        x1 = float(bw)
    if x1 <= x0:
        return
    p0, p1 = int(x0), int(x1)
    if p0 == p1:
        cov[row + p0] += (x1 - x0) * weight
        return
    cov[row + p0] += (p0 + 1 - x0) * weight
    for p in range(p0 + 1, p1):
        cov[row + p] += weight
    if p1 < bw:
        cov[row + p1] += (x1 - p1) * weight


# --------------------------------------------------------------------------
# Paints


class Linear:
    """Linear gradient from (x0, y0) to (x1, y1) through (offset, colour) stops."""

    def __init__(self, x0, y0, x1, y1, stops):
        self.x0, self.y0, self.x1, self.y1, self.stops = x0, y0, x1, y1, stops

    def scaled(self, s, dx=0.0, dy=0.0):
        return Linear(self.x0 * s + dx, self.y0 * s + dy, self.x1 * s + dx, self.y1 * s + dy,
                      self.stops)

    def at(self, x, y):
        vx, vy = self.x1 - self.x0, self.y1 - self.y0
        t = ((x - self.x0) * vx + (y - self.y0) * vy) / (vx * vx + vy * vy)
        return _stop_colour(self.stops, t)


class Radial:
    """Radial gradient around (cx, cy) out to radius r."""

    def __init__(self, cx, cy, r, stops):
        self.cx, self.cy, self.r, self.stops = cx, cy, r, stops

    def scaled(self, s, dx=0.0, dy=0.0):
        return Radial(self.cx * s + dx, self.cy * s + dy, self.r * s, self.stops)

    def at(self, x, y):
        return _stop_colour(self.stops, math.hypot(x - self.cx, y - self.cy) / self.r)


def _stop_colour(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (o0, c0), (o1, c1) in zip(stops, stops[1:]):
        if t <= o1:
            return mix(c0, c1, (t - o0) / (o1 - o0) if o1 > o0 else 1.0)
    return stops[-1][1]


# --------------------------------------------------------------------------
# Images


class Image:
    """RGBA image of premultiplied floats, transparent or on an opaque colour."""

    def __init__(self, width, height, background=None):
        self.w, self.h = width, height
        n = width * height
        if background is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(n)]
        else:
            r, g, b, _ = rgb(background) if not isinstance(background[0], float) else background
            self.px = [[r, g, b, 1.0] for _ in range(n)]

    def fill(self, path, paint, scale=1.0, dx=0.0, dy=0.0, opacity=1.0, ss=5):
        """Fill a path (design units times scale plus offset) with a paint."""
        x0, y0, x1, y1, cov = coverage(self.w, self.h, path, scale, dx, dy, ss)
        if not cov:
            return
        solid = isinstance(paint, tuple)
        if not solid:
            paint = paint.scaled(scale, dx, dy)
        bw = x1 - x0
        for py in range(y0, y1):
            for px in range(x0, x1):
                c = cov[(py - y0) * bw + px - x0]
                if c <= 0.0:
                    continue
                col = paint if solid else paint.at(px + 0.5, py + 0.5)
                self.blend(px, py, col, c * opacity)

    def blend(self, x, y, col, weight=1.0):
        """Composite a straight-alpha float colour over one pixel."""
        a = col[3] * weight
        if a <= 0.0:
            return
        d = self.px[y * self.w + x]
        k = 1.0 - a
        d[0] = col[0] * a + d[0] * k
        d[1] = col[1] * a + d[1] * k
        d[2] = col[2] * a + d[2] * k
        d[3] = a + d[3] * k

    def draw(self, other, x=0, y=0):
        """Composite another image over this one at (x, y)."""
        for oy in range(other.h):
            ty = y + oy
            if not 0 <= ty < self.h:
                continue
            for ox in range(other.w):
                tx = x + ox
                if not 0 <= tx < self.w:
                    continue
                s = other.px[oy * other.w + ox]
                if s[3] <= 0.0:
                    continue
                d = self.px[ty * self.w + tx]
                k = 1.0 - s[3]
                for i in range(4):
                    d[i] = s[i] + d[i] * k

    def rgba(self, x, y):
        """Straight RGBA bytes of one pixel."""
        r, g, b, a = self.px[y * self.w + x]
        if a <= 0.0:
            return (0, 0, 0, 0)
        return (_byte(r / a), _byte(g / a), _byte(b / a), _byte(a))

    def rgba_bytes(self):
        out = bytearray()
        for y in range(self.h):
            for x in range(self.w):
                out += bytes(self.rgba(x, y))
        return out

    def rgb_bytes(self):
        """RGB bytes; the image must be opaque."""
        out = bytearray()
        for r, g, b, a in self.px:
            assert a > 0.999, "rgb_bytes needs an opaque image"
            out += bytes((_byte(r), _byte(g), _byte(b)))
        return out

    def save_rgba(self, path):
        write_png(path, self.w, self.h, self.rgba_bytes(), 4)

    def save_rgb(self, path):
        write_png(path, self.w, self.h, self.rgb_bytes(), 3)


# --------------------------------------------------------------------------
# Pixel art


class Pixels:
    """A grid of 8-bit RGB(A) pixels for hand-placed pixel art; None is empty."""

    def __init__(self, width, height, fill=None):
        self.w, self.h = width, height
        self.px = [fill] * (width * height)

    def get(self, x, y):
        return self.px[y * self.w + x] if 0 <= x < self.w and 0 <= y < self.h else None

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = c

    def sprite(self, rows, palette, x=0, y=0):
        """Stamp rows of characters; a character missing from the palette
        (conventionally '.') leaves the pixel as it is."""
        for j, line in enumerate(rows):
            for i, ch in enumerate(line):
                if ch in palette:
                    self.set(x + i, y + j, palette[ch])
        return self

    def rect(self, x, y, w, h, c):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.set(i, j, c)

    def text(self, s, x, y, c, font=None):
        """Lettering in the 3 x 5 pixel font, one blank column between letters."""
        font = font or FONT_3X5
        for ch in s:
            glyph = font[ch]
            for j, line in enumerate(glyph):
                for i, bit in enumerate(line):
                    if bit == "#":
                        self.set(x + i, y + j, c)
            x += len(glyph[0]) + 1
        return x

    def rgb_bytes(self, key):
        out = bytearray()
        for c in self.px:
            out += bytes((c or key)[:3])
        return out

    def save_rgb(self, path, key):
        """Save opaque, empty pixels in the key colour."""
        write_png(path, self.w, self.h, self.rgb_bytes(key), 3)


# A 3 x 5 pixel font of our own for the lettering of small pictures
# (lower-case letters sit in the same box as the figures).
FONT_3X5 = {
    "0": ["###", "#.#", "#.#", "#.#", "###"],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
    "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."],
    "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "##.", "..#", "##."],
    "6": [".##", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", ".#.", ".#.", ".#."],
    "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "##."],
    "a": ["...", ".##", "#.#", "#.#", ".##"],
    "b": ["#..", "#..", "##.", "#.#", "##."],
    "c": ["...", ".##", "#..", "#..", ".##"],
    "d": ["..#", "..#", ".##", "#.#", ".##"],
    "e": ["...", ".#.", "###", "#..", ".##"],
    "?": ["##.", "..#", ".#.", "...", ".#."],
    "=": ["...", "###", "...", "###", "..."],
    " ": ["...", "...", "...", "...", "..."],
}

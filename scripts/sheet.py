#!/usr/bin/env python3
"""Lays PNG pictures out in rows on one sheet (standard library only).

    python3 scripts/sheet.py OUT.png [--scale N] [--gap N] [--background R,G,B]
                             A.png B.png / C.png ...

A "/" starts a new row. Pictures keep their top-left corners on a grid of
their own sizes plus the gap; their transparent pixels show the background,
so a control's window outline can be seen. --scale enlarges the finished
sheet N times, pixel for pixel, for looking at single pixels.
"""

import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit("sheet: %s is not a PNG" % path)
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if tag == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            channels = {2: 3, 6: 4}.get(colour)
            if depth != 8 or channels is None or interlace:
                raise SystemExit("sheet: %s: only 8-bit RGB or RGBA, not interlaced" % path)
        elif tag == b"IDAT":
            idat += body
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    pixels = []
    for line in rows:
        row = []
        for x in range(width):
            px = line[x * channels:(x + 1) * channels]
            row.append(tuple(px) if channels == 4 else tuple(px) + (255,))
        pixels.append(row)
    return width, height, pixels


def write_png(path, width, height, rows):
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(
            ">I", zlib.crc32(tag + body) & 0xFFFFFFFF)

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main(argv):
    if not argv or argv[0].startswith("-"):
        raise SystemExit(__doc__)
    out, args = argv[0], argv[1:]
    scale, gap, background = 1, 6, (176, 184, 196)
    rows, current = [], []
    i = 0
    while i < len(args):
        a = args[i]
        if a in ("--scale", "--gap", "--background"):
            value = args[i + 1]
            i += 2
            if a == "--scale":
                scale = int(value)
            elif a == "--gap":
                gap = int(value)
            else:
                background = tuple(int(v) for v in value.split(","))
            continue
        if a == "/":
            rows.append(current)
            current = []
        else:
            current.append(read_png(a))
        i += 1
    rows.append(current)
    rows = [r for r in rows if r]

    width = max(sum(p[0] for p in r) + gap * (len(r) + 1) for r in rows)
    height = sum(max(p[1] for p in r) for r in rows) + gap * (len(rows) + 1)
    sheet = [[background] * width for _ in range(height)]
    y = gap
    for r in rows:
        x = gap
        for w, h, pixels in r:
            for py in range(h):
                line = sheet[y + py]
                for px in range(w):
                    pr, pg, pb, pa = pixels[py][px]
                    if pa == 255:
                        line[x + px] = (pr, pg, pb)
                    elif pa:
                        br, bg, bb = line[x + px]
                        line[x + px] = tuple((c * pa + d * (255 - pa)) // 255
                                             for c, d in ((pr, br), (pg, bg), (pb, bb)))
            x += w + gap
        y += max(p[1] for p in r) + gap
    if scale > 1:
        sheet = [[px for px in row for _ in range(scale)] for row in sheet for _ in range(scale)]
        width, height = width * scale, height * scale
    write_png(out, width, height, sheet)


if __name__ == "__main__":
    main(sys.argv[1:])

#!/usr/bin/env python3
"""Draws the kit's pictures and writes them as PNG files next to this script.

Run by hand after changing a picture, then commit the PNG files; the build
embeds the committed files byte for byte. Python 3 standard library only.

- titlebar-active.png, titlebar-inactive.png: 1918 x 31, RGBA, opaque, every
  column alike: a vertical gradient in rows 0..29 and a lighter last row.
- close, minimize, maximize, back (20 x 20, palette), each with a -hover
  form: a light glyph, anti-aliased, on the active title bar's brown; the
  hover forms on a lighter ground (close: red).
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

TITLEBAR_WIDTH = 1918
TITLEBAR_HEIGHT = 31

# (first row, row 29, row 30) of each title bar.
TITLEBARS = {
    "titlebar-active.png": ((134, 78, 58), (110, 57, 38), (147, 105, 89)),
    "titlebar-inactive.png": ((98, 98, 98), (49, 49, 49), (153, 153, 153)),
}

BUTTON_SIZE = 20
# The active title bar's brown where a button sits (rows 5..25).
GROUND = (122, 67, 48)
GROUND_HOVER = (158, 104, 84)
GROUND_CLOSE_HOVER = (199, 54, 44)
GLYPH = (246, 240, 236)
SUBSAMPLES = 4  # per pixel and axis; 17 levels of coverage


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, colour_type, rows, palette=None):
    """A PNG file from rows of bytes (filter 0 on every row)."""
    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    if palette is not None:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    return out + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def titlebar(top, bottom, last):
    rows = []
    for y in range(TITLEBAR_HEIGHT):
        if y == TITLEBAR_HEIGHT - 1:
            colour = last
        else:
            t = y / (TITLEBAR_HEIGHT - 2)
            colour = tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
        rows.append(bytes(colour + (255,)) * TITLEBAR_WIDTH)
    return png(TITLEBAR_WIDTH, TITLEBAR_HEIGHT, 6, rows)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def strokes(segments, half_width):
    """A shape made of round-capped strokes: (x, y) -> inside."""
    def inside(x, y):
        return any(segment_distance(x, y, *s) <= half_width for s in segments)
    return inside


def glyph_picture(shape, ground):
    """A 20 x 20 palette PNG: the shape in the glyph colour over the ground,
    each pixel blended by the share of its subsamples inside the shape."""
    palette = []
    rows = []
    for y in range(BUTTON_SIZE):
        row = []
        for x in range(BUTTON_SIZE):
            covered = sum(
                shape(x + (i + 0.5) / SUBSAMPLES, y + (j + 0.5) / SUBSAMPLES)
                for i in range(SUBSAMPLES)
                for j in range(SUBSAMPLES)
            )
            share = covered / (SUBSAMPLES * SUBSAMPLES)
            colour = tuple(round(g + (c - g) * share) for g, c in zip(ground, GLYPH))
            if colour not in palette:
                palette.append(colour)
            row.append(palette.index(colour))
        rows.append(row)
    return png(BUTTON_SIZE, BUTTON_SIZE, 3, rows, palette)


# Coordinates in pixels; the picture spans 0..20 and its centre is (10, 10).
GLYPHS = {
    "close": strokes([(6, 6, 14, 14), (14, 6, 6, 14)], 0.8),
    "minimize": strokes([(5.5, 10.5, 14.5, 10.5)], 0.6),
    "maximize": strokes(
        [(5.5, 5.5, 14.5, 5.5), (14.5, 5.5, 14.5, 14.5), (14.5, 14.5, 5.5, 14.5),
         (5.5, 14.5, 5.5, 5.5), (5.5, 6.5, 14.5, 6.5)], 0.55),
    "back": strokes([(5, 10, 15, 10), (5, 10, 9.5, 5.5), (5, 10, 9.5, 14.5)], 0.75),
}


def main():
    files = {name: titlebar(*colours) for name, colours in TITLEBARS.items()}
    for name, shape in GLYPHS.items():
        hover_ground = GROUND_CLOSE_HOVER if name == "close" else GROUND_HOVER
        files[name + ".png"] = glyph_picture(shape, GROUND)
        files[name + "-hover.png"] = glyph_picture(shape, hover_ground)
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()

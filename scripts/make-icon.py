#!/usr/bin/env python3
"""Draws the updater's icon with ImageMagick and writes resources/updater.ico:
one icon group of eight PNG-compressed 32-bit images, 16 to 256 pixels.
Run by hand when the icon changes; the build uses the committed file."""
import os
import struct
import subprocess
import sys
import tempfile

SIZES = [16, 24, 32, 48, 64, 96, 128, 256]


def draw(size, path):
    s = size / 256.0
    def n(v):
        return f"{v * s:.2f}"
    subprocess.run([
        "convert", "-size", f"{size}x{size}", "xc:none",
        "-fill", "#2F6BFF", "-draw", f"roundrectangle {n(8)},{n(8)} {n(247)},{n(247)} {n(48)},{n(48)}",
        "-fill", "white", "-draw", f"ellipse {n(128)},{n(150)} {n(78)},{n(44)} 0,180",
        "-fill", "#2F6BFF", "-draw", f"ellipse {n(128)},{n(150)} {n(58)},{n(28)} 0,180",
        "-fill", "white", "-draw", f"polygon {n(128)},{n(48)} {n(176)},{n(112)} {n(144)},{n(112)} "
                                   f"{n(144)},{n(150)} {n(112)},{n(150)} {n(112)},{n(112)} {n(80)},{n(112)}",
        "-define", "png:color-type=6", f"PNG32:{path}"], check=True)


def main(out):
    images = []
    with tempfile.TemporaryDirectory() as tmp:
        for size in SIZES:
            path = os.path.join(tmp, f"{size}.png")
            draw(size, path)
            with open(path, "rb") as f:
                images.append(f.read())
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries, data = b"", b""
    for size, png in zip(SIZES, images):
        dim = 0 if size == 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    with open(out, "wb") as f:
        f.write(header + entries + data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else
         os.path.join(os.path.dirname(__file__), "..", "resources", "updater.ico"))

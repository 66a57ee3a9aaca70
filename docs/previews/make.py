#!/usr/bin/env python3
"""Makes the pictures the README shows beside its examples: each example's
command run with --preview-png on an input of its kind, the ship of the
example game and three drawn here (a 128 x 64 title screen, a 64 x 32
picture of four colours, a 320 x 200 photograph of a shaded ball).
Standard library only.

usage: docs/previews/make.py [IMGTRELL]   (default: build/imgtrell/imgtrell)"""
import math
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "examples"))
from make_examples import FONT, png  # noqa: E402

IMGTRELL = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "imgtrell", "imgtrell"))


def title():
    """128 x 64: a frame two pixels wide and CHIP8 four times its size, white on dark blue."""
    lit = lambda x, y: (x < 2 or y < 2 or x > 125 or y > 61 or
                        (12 <= y < 32 and 14 <= x < 114 and (x - 14) % 20 < 12 and
                         FONT["CHIP8"[(x - 14) // 20]][(y - 12) // 4][(x - 14) % 20 // 4] == "#"))
    return [[(255, 255, 255) if lit(x, y) else (0, 0, 64) for x in range(128)] for y in range(64)]


def colours():
    """64 x 32 of the four colours of the README's command, in bands and checks."""
    four = [(0x10, 0x20, 0x30), (0xff, 0xcc, 0x00), (0xff, 0x66, 0x00), (0x66, 0x22, 0x00)]
    return [[four[(x // 4 + y // 3 + (x ^ y) // 16) % 4] for x in range(64)] for y in range(32)]


def photo():
    """320 x 200: a ball lit from the top left before a night sky that darkens downwards."""
    rows = []
    for y in range(200):
        row = []
        for x in range(320):
            dx, dy = (x - 170) / 70, (y - 105) / 70
            if dx * dx + dy * dy < 1:
                light = max(0.0, -0.5 * dx - 0.6 * dy + 0.62 * math.sqrt(1 - dx * dx - dy * dy))
                row.append(tuple(min(255, int(c * (0.15 + light))) for c in (255, 120, 60)))
            else:
                row.append((int(40 - y * 0.15), int(60 - y * 0.2), int(110 - y * 0.35)))
        rows.append(row)
    return rows


EXAMPLES = [  # the picture, its input, and the README's options
    ("ship", os.path.join(ROOT, "examples", "game", "art", "ship.bmp"), ["--rule", "ink"], "1"),
    ("title", title, ["--syntax", "octo", "--tile", "16x16", "-l", "title"], None),
    ("colours", colours, ["--syntax", "octo", "--planes", "2", "--colors", "102030,ffcc00,ff6600,662200",
                          "--tile", "8x8", "-l", "colours"], None),
    ("photo", photo, ["--fit", "64x32", "--dither", "floyd", "--rule", "luma"], None),
]

with tempfile.TemporaryDirectory() as tmp:
    for name, source, options, mode in EXAMPLES:
        path = source if isinstance(source, str) else os.path.join(tmp, name + ".png")
        if not isinstance(source, str):
            png(path, source())
        subprocess.run([IMGTRELL, "-bq", *options, "-o", os.path.join(tmp, name + ".inc"),
                        "--preview-png", os.path.join(HERE, name + ".png"), path] + ([mode] if mode else []), check=True)
        print(os.path.join(HERE, name + ".png"))

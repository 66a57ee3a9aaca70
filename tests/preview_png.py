#!/usr/bin/python3
# imgtrell --preview-png read back by Pillow: the PNG's size from the zoom and the lines
# between tiles or frames, and each pixel's colour from the picture drawn here (white is 1
# without a rule, a colour its index with --colors). Exit status 77: no Pillow.
#
# usage: preview_png.py IMGTRELL
import os
import subprocess
import sys
import tempfile

try:
    from PIL import Image
except ImportError:
    print("skipped: no Pillow")
    sys.exit(77)

OCTO = [(0x99, 0x66, 0x00), (0xFF, 0xCC, 0x00), (0xFF, 0x66, 0x00), (0x66, 0x22, 0x00)]  # Octo's colours of 0 to 3
AROUND = (0, 0, 0)  # around Octo's screen: the lines between units
failed = False


# The preview of a picture of values (rows) cut into units of uw x uh, each pixel a square
# of zoom, in the colours of each value, a line of AROUND between units.
def expected(values, uw, uh, zoom, colours):
    h, w = len(values), len(values[0])
    across, down = -(-w // uw), -(-h // uh)
    value = lambda x, y: values[y][x] if x < w and y < h else 0
    row = lambda y: [c for u in range(across) for c in [colours[value(u * uw + x, y)] for x in range(uw) for _ in range(zoom)]
                     + ([AROUND] if u + 1 < across else [])]
    rows = []
    for u in range(down):
        rows += [row(u * uh + y) for y in range(uh) for _ in range(zoom)] + ([[AROUND] * len(row(0))] if u + 1 < down else [])
    return rows


def check(what, pic, options, values, uw, uh, zoom, colours):
    global failed
    with tempfile.TemporaryDirectory() as tmp:
        pic.save(os.path.join(tmp, "pic.png"))
        run = subprocess.run([os.path.abspath(sys.argv[1]), "-b", "-q", *options, "--preview-png", "p.png", "pic.png", "1"], cwd=tmp,
                             capture_output=True, text=True)
        want = expected(values, uw, uh, zoom, colours)
        got = Image.open(os.path.join(tmp, "p.png")).convert("RGB") if run.returncode == 0 else None
        if got is None or got.size != (len(want[0]), len(want)):
            print("FAIL: %s: %s, not %d x %d %s" % (what, got.size if got else "no PNG", len(want[0]), len(want), run.stderr))
            failed = True
            return
        wrong = sum(1 for y, row in enumerate(want) for x, c in enumerate(row) if got.getpixel((x, y)) != c)
        print("%s: %s, %d x %d, %d pixels wrong" % ("FAIL" if wrong else "ok", what, got.width, got.height, wrong))
        failed = failed or wrong > 0


def drawn(values, colours):
    pic = Image.new("RGB", (len(values[0]), len(values)))
    pic.putdata([colours[v] for row in values for v in row])
    return pic


bw = [(0, 0, 0), (255, 255, 255)]
sprite = [[int((x - 4) ** 2 + (y - 4) ** 2 < 10 or x == y) for x in range(8)] for y in range(8)]
check("an 8 x 8 sprite, zoom 32 by default", drawn(sprite, bw), [], sprite, 8, 8, 32, OCTO)
strip = [[int((x * 7 + y * 3) % 5 < 2) for x in range(32)] for y in range(8)]
check("tiles of 8x8, zoom 2", drawn(strip, bw), ["--tile", "8x8", "--preview-zoom", "2"], strip, 8, 8, 2, OCTO)
sheet = [[int((x // 3 + y) % 4 == 0) for x in range(36)] for y in range(16)]
check("frames of 16x8, padded, zoom 6 by default", drawn(sheet, bw), ["--frame", "16x8", "--pad"], sheet, 16, 8, 6, OCTO)
listed = [(16, 32, 48), (255, 204, 0), (255, 102, 0), (102, 34, 0)]
four = [[(x // 4 + y // 3) % 4 for x in range(64)] for y in range(32)]
check("two planes in the colours of --colors", drawn(four, listed),
      ["--planes", "2", "--colors", "102030,ffcc00,ff6600,662200", "--preview-zoom", "1"], four, 64, 32, 1, listed)
own = [(10, 10, 10), (200, 50, 50), (50, 200, 50), (0, 0, 0)]  # black takes the highest index
check("two planes in Octo's colours", drawn(four, own), ["--planes", "2", "--tile", "8x8"], four, 8, 8, 4, OCTO)
check("two planes in the colours --octo-options tells Octo", drawn(four, own),
      ["--planes", "2", "--octo-options", "o.json"], four, 64, 32, 4, own)
sys.exit(1 if failed else 0)

#!/usr/bin/python3
# Writes the generated imgtrell cases of photographs and large art under
# tests/golden/imgtrell/photos/: dithers, fitting, and the warning of a
# picture that blue and luma read apart. The expected bits come from
# ImageMagick (-ordered-dither oNxN on grey pictures, -scale by whole
# factors) or, for the error diffusions, from the few lines below that
# follow the man page's description; never from imgtrell's output. Run with
# Debian's python3 (it needs Pillow and ImageMagick):
#     /usr/bin/python3 tests/golden/make_photo_cases.py
import os
import subprocess
import tempfile

from PIL import Image

import casefolders
import make_image_cases as base
import make_sprite_cases as sprites

base.SCRIPT = __file__
FLOYD = [(1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)]
ATKINSON = [(1, 0, 1), (2, 0, 1), (-1, 1, 1), (0, 1, 1), (1, 1, 1), (0, 2, 1)]


# An error diffusion of rows of values (None: transparent) into bits, the error shares
# rounded down.
def diffuse(values, shares, divisor, t=127):
    h, w = len(values), len(values[0])
    err = [[0] * w for _ in range(h)]
    bits = [[0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            if values[y][x] is None:
                continue
            total = values[y][x] + err[y][x]
            bits[y][x] = int(total > t)
            e = total - 255 * bits[y][x]
            for dx, dy, weight in shares:
                if 0 <= x + dx < w and y + dy < h:
                    err[y + dy][x + dx] += e * weight // divisor
    return bits


# The same between colours: each channel's error apart, the nearest colour (the first of two
# as near) to the colour and its error.
def diffuse_colours(rgbs, listed, shares, divisor):
    h, w = len(rgbs), len(rgbs[0])
    err = [[[0, 0, 0] for _ in range(w)] for _ in range(h)]
    out = [[0] * w for _ in range(h)]
    for y in range(h):
        for x in range(w):
            want = [rgbs[y][x][c] + err[y][x][c] for c in range(3)]
            i = min(range(len(listed)), key=lambda k: (sum((want[c] - listed[k][c]) ** 2 for c in range(3)), k))
            out[y][x] = i
            for dx, dy, weight in shares:
                if 0 <= x + dx < w and y + dy < h:
                    for c in range(3):
                        err[y + dy][x + dx][c] += (want[c] - listed[i][c]) * weight // divisor
    return out


def rows_text(name, bits, w, h):
    pack = lambda row, x: sum(128 >> i for i in range(8) if x + i < w and row[x + i])
    return ";image: %s - %d x %d\nIMGDATA:\n" % (name, w, h) + "".join(
        "DB " + "".join("#%02x," % pack(row, x) for x in range(0, w, 8)) + "\n" for row in bits) + "\n"


def grid(flat, w):
    return [flat[y:y + w] for y in range(0, len(flat), w)]


# The warning of a picture that the rule in use and --rule ink read apart, as a run without
# --rule counts it: over the picture as read (before --fit), each colour by its blue against the
# threshold (before a dither), or "" where the run has a rule or colour indices.
def ink_warning(pic, opts):
    if any(o.startswith(("--rule", "--planes", "--colors")) for o in opts):
        return ""
    t = int(opts[opts.index("-t") + 1]) if "-t" in opts else 127
    alpha = "--alpha" in opts
    rgba = list(pic.convert("RGBA").getdata()) if pic.mode in ("RGBA", "LA") or "transparency" in pic.info else \
        [c + (255,) for c in pic.convert("RGB").getdata()]
    key = lambda c: c[0] > 240 and c[1] < 16 and c[2] > 240
    bits = [0 if alpha and (c[3] < 128 or key(c)) else int((c[2] > t) != ("--invert" in opts)) for c in rgba]
    return base.ink_warning(rgba, bits, pic.width, pic.height, alpha)


# A case converting pic with the options, in mode 1, the bits (rows) given; the ink rule's
# warning, where it is given, instead of that of blue against luma.
def photo_case(name, pic, opts, bits, console="", stderr="", mode=1):
    stderr = ink_warning(pic, opts) or stderr
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "p.png")
        pic.save(path)
        d = open(path, "rb").read()
    stem = name[6:]
    h, w = len(bits), len(bits[0]) if bits else 0
    base.case(name, stem, d, mode, base.png_header(d) + console + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", rows_text(stem + ".png", bits, w, h))], ".png", stderr, opts)


# ImageMagick's reading of pic through its arguments: the rows of colours.
def magick(pic, *args):
    with tempfile.TemporaryDirectory() as tmp:
        pic.save(os.path.join(tmp, "in.png"))
        subprocess.run(["convert", os.path.join(tmp, "in.png"), *args, "-depth", "8", os.path.join(tmp, "out.png")], check=True)
        out = Image.open(os.path.join(tmp, "out.png")).convert("RGB")
        return grid(list(out.getdata()), out.width)


def warning(rgbs, invert=False):
    return base.disagreement([c for row in rgbs for c in row], invert=invert)


def main():
    casefolders.clear("imgtrell", __file__)
    ramp = Image.new("L", (32, 16))
    ramp.putdata([(x * 8 + y * 3 + (x * y) % 7) % 256 if (x + y) % 9 else 255 * (x % 2) for y in range(16) for x in range(32)])
    for n in (2, 4, 8):
        bits = [[int(c[0] > 127) for c in row] for row in magick(ramp, "-ordered-dither", "o%dx%d" % (n, n))]
        photo_case("photo_bayer%d" % n, ramp, ["--dither", "bayer%d" % n], bits)
    bits = [[1 - int(c[0] > 127) for c in row] for row in magick(ramp, "-ordered-dither", "o4x4")]
    photo_case("photo_bayer4_invert", ramp, ["--dither", "bayer4", "--invert"], bits)
    values = grid(list(ramp.getdata()), 32)
    photo_case("photo_floyd", ramp, ["--dither", "floyd"], diffuse(values, FLOYD, 16))
    photo_case("photo_floyd_t100", ramp, ["--dither=floyd", "-t", "100"], diffuse(values, FLOYD, 16, 100))
    photo_case("photo_atkinson", ramp, ["--dither", "atkinson"], diffuse(values, ATKINSON, 8))
    # Transparent pixels neither take nor pass on error.
    faded = Image.merge("LA", (ramp, ramp.point(lambda v: 0 if v % 5 == 0 else 255)))
    alpha = [[None if a < 128 else v for v, a in row] for row in grid(list(faded.getdata()), 32)]
    photo_case("photo_floyd_alpha", faded, ["--dither", "floyd", "--alpha"], diffuse(alpha, FLOYD, 16))
    # A colour picture by the blue rule (and its warning), by luma, and with alpha: as 32-bit samples,
    # and a tRNS colour that neither takes nor passes on error.
    colour = Image.new("RGB", (32, 16))
    colour.putdata([((x * 37 + y * 11) % 256, (x * y * 5) % 256, (x * 8 + y * 3) % 256) for y in range(16) for x in range(32)])
    rgbs = grid(list(colour.getdata()), 32)
    bits = [[int(c[2] > 127) for c in row] for row in magick(colour, "-ordered-dither", "o4x4")]
    photo_case("photo_bayer4_colour", colour, ["--dither", "bayer4"], bits, "", warning(rgbs))
    lumas = [[(299 * r + 587 * g + 114 * b + 500) // 1000 for r, g, b in row] for row in rgbs]
    photo_case("photo_floyd_luma", colour, ["--dither", "floyd", "--rule", "luma"], diffuse(lumas, FLOYD, 16))
    photo_case("photo_atkinson_rgba", colour.convert("RGBA"), ["--dither", "atkinson"],
               diffuse([[c[2] for c in row] for row in rgbs], ATKINSON, 8), "", warning(rgbs))
    key = rgbs[3][5]
    keyed = [[None if c == key else c[2] for c in row] for row in rgbs]
    with tempfile.TemporaryDirectory() as tmp:
        colour.save(os.path.join(tmp, "k.png"), transparency=key)
        trns = Image.open(os.path.join(tmp, "k.png"))
        trns.load()
    photo_case("photo_floyd_trns", trns, ["--dither", "floyd", "--alpha"], diffuse(keyed, FLOYD, 16), "",
               base.disagreement([None if c == key else c for row in rgbs for c in row]))
    # A run-length picture under a dither: its runs, alternating nibbles, and the pixels it never
    # sets (index 0), counted once each for the warning.
    pal16 = [0x000080 if i % 2 else 0xFF00FF for i in range(16)]
    d = base.bmp(6, 3, 4, pal=pal16, comp=2, pixels=bytes([4, 0x12, 0, 0, 2, 0x33, 0, 2, 1, 0, 3, 0x01, 0, 1]))
    idx = [[0, 0, 0, 0, 0, 0], [3, 3, 0, 0, 1, 0], [1, 2, 1, 2, 0, 0]]  # top row first: the stream goes bottom-up
    values = [[pal16[i] & 255 for i in row] for row in idx]
    n = 2
    matrix = [[0, 2], [3, 1]]
    bits = [[int(v * (n * n + 1) // 255 > matrix[y % 2][x % 2]) for x, v in enumerate(row)] for y, row in enumerate(values)]
    folder_stem = "rle4_bayer2"
    colours = [base.rgb(pal16[i]) + (255,) for row in idx for i in row]
    base.case("photo_" + folder_stem, folder_stem, d, 1, base.header_line(d) + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", rows_text(folder_stem + ".bmp", bits, 6, 3))], ".bmp",
              base.ink_warning(colours, [int(c[2] > 127) for c in colours], 6, 3) or base.disagreement(colours),
              ["--dither", "bayer2"])
    # Fitting, by whole factors, ImageMagick's -scale the box filter; blue thresholded.
    photo = Image.new("RGB", (256, 128))
    photo.putdata([((x * y) % 256, (x * 3) % 256, (y * 2 + x) % 256) for y in range(128) for x in range(256)])
    scaled = magick(photo, "-scale", "64x32")
    photo_case("photo_fit_shrink", photo, ["--fit", "64x32"], [[int(c[2] > 127) for c in row] for row in scaled],
               "scaled 256 x 128 to 64 x 32 at 0, 0\n", warning(scaled))
    photo_case("photo_fit_floyd", photo, ["--fit", "64x32", "--dither", "floyd"],
               diffuse([[c[2] for c in row] for row in scaled], FLOYD, 16), "scaled 256 x 128 to 64 x 32 at 0, 0\n",
               warning(scaled))
    square = photo.crop((0, 0, 128, 128))
    inner = magick(square, "-scale", "32x32")
    bits = [[0] * 16 + [1 - int(c[2] > 127) for c in row] + [0] * 16 for row in inner]  # the rest stays 0
    photo_case("photo_fit_contain_invert", square, ["--fit", "64x32", "--invert"], bits,
               "scaled 128 x 128 to 32 x 32 at 16, 0\n", warning([[(0, 0, 0)] * 16 + row + [(0, 0, 0)] * 16 for row in inner], True))
    cover = magick(square, "-scale", "64x64")[16:48]
    photo_case("photo_fit_cover", square, ["--fit", "64x32", "--fit-mode", "cover"], [[int(c[2] > 127) for c in row] for row in cover],
               "scaled 128 x 128 to 64 x 64, cut to 64 x 32 from 0, 16\n", warning(cover))
    wide = photo.crop((0, 0, 128, 64))
    stretched = magick(wide, "-scale", "64x16!")
    photo_case("photo_fit_stretch", wide, ["--fit", "64x16", "--fit-mode", "stretch"],
               [[int(c[2] > 127) for c in row] for row in stretched], "scaled 128 x 64 to 64 x 16 at 0, 0\n", warning(stretched))
    # Enlarged by the nearest pixel: each one eight times over.
    small = sprites.picture(8, 4, lambda x, y: (x + y) % 3 == 0)
    photo_case("photo_fit_enlarge", small, ["--fit", "64x32"], [[int((x // 8 + y // 8) % 3 == 0) for x in range(64)] for y in range(32)],
               "scaled 8 x 4 to 64 x 32 at 0, 0\n")
    # And by eight thirds: still the nearest pixel, as ImageMagick's -sample takes it, never a blend.
    tiny = Image.new("RGB", (3, 2))
    tiny.putdata([(100 + 155 * ((x + y) % 2),) * 3 for y in range(2) for x in range(3)])
    photo_case("photo_fit_enlarge_thirds", tiny, ["--fit", "8x4", "--fit-mode", "stretch"],
               [[int(c[2] > 127) for c in row] for row in magick(tiny, "-sample", "8x4!")], "scaled 3 x 2 to 8 x 4 at 0, 0\n")
    # The warning: a white, red and blue ship; a black and white picture, never; 1% of the
    # pixels is not more than 1%, 2% is.
    ship = ["...##...", "..#RR#..", ".#BRRB#.", "#BBRRBB#", "##R##R##", "...##...", "..#..#..", ".#....#."]
    colours = {"#": (255, 255, 255), "R": (255, 0, 0), "B": (0, 0, 255), ".": (0, 0, 0)}
    pic = Image.new("RGB", (8, 8))
    pic.putdata([colours[c] for row in ship for c in row])
    photo_case("photo_warning_ship", pic, [], [[int(colours[c][2] > 127) for c in row] for row in ship], "",
               warning([[colours[c] for c in row] for row in ship]))
    photo_case("photo_warning_none", small, [], [[int((x + y) % 3 == 0) for x in range(8)] for y in range(4)])
    for wrong in (1, 2):
        pic = sprites.picture(10, 10, lambda x, y: y == 0)
        for x in range(wrong):
            pic.putpixel((x, 9), (255, 255, 0))  # yellow: 0 by its blue, bright by its luma
        rgbs = grid(list(pic.getdata()), 10)
        photo_case("photo_warning_%d_percent" % wrong, pic, [], [[int(c[2] > 127) for c in row] for row in rgbs], "",
                   warning(rgbs))
    # Between the colours listed, on two planes.
    listed = [(0, 0, 0), (255, 0, 0), (0, 0, 255), (255, 255, 255)]
    rgbs = grid(list(photo.crop((0, 0, 16, 8)).getdata()), 16)
    index = diffuse_colours(rgbs, listed, FLOYD, 16)
    bits = [[[i >> p & 1 for i in row] for row in index] for p in range(2)]
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "p.png")
        photo.crop((0, 0, 16, 8)).save(path)
        d = open(path, "rb").read()
    lines = "".join("color %d: %02x%02x%02x\n" % ((i,) + c) for i, c in enumerate(listed))
    text = rows_text("planes_floyd.png", bits[0], 16, 8).replace("IMGDATA:\n", "".join(";" + l for l in lines.splitlines(True)) + "IMGDATA:\n")
    text = text[:-1] + "".join("DB " + "".join("#%02x," % sum(128 >> i for i in range(8) if row[x + i]) for x in (0, 8)) + "\n"
                               for row in bits[1]) + "\n"
    base.case("photo_planes_floyd", "planes_floyd", d, None, base.png_header(d) + lines + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", text)], ".png", "", ["--planes", "2", "--colors", "000000,ff0000,0000ff,ffffff", "--dither", "floyd"])
    index = diffuse_colours(rgbs, listed[1:3], ATKINSON, 8)
    lines = "".join("color %d: %02x%02x%02x\n" % ((i,) + c) for i, c in enumerate(listed[1:3]))
    text = rows_text("colors_atkinson.png", index, 16, 8).replace("IMGDATA:\n", "".join(";" + l for l in lines.splitlines(True)) + "IMGDATA:\n")
    base.case("photo_colors_atkinson", "colors_atkinson", d, None, base.png_header(d) + lines + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", text)], ".png", "", ["--colors", "ff0000,0000ff", "--dither", "atkinson"])
    # A Bayer dither between black and white: each channel offset by (2M + 1) x 255 / 32 - 127 first.
    o4 = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]
    near = lambda want: min((sum((w - v) ** 2 for w, v in zip(want, (255 * i,) * 3)), i) for i in (0, 1))[1]
    index = [[near([v + (2 * o4[y % 4][x % 4] + 1) * 255 // 32 - 127 for v in c]) for x, c in enumerate(row)]
             for y, row in enumerate(rgbs)]
    lines = "color 0: 000000\ncolor 1: ffffff\n"
    text = rows_text("colors_bayer4.png", index, 16, 8).replace("IMGDATA:\n", "".join(";" + l for l in lines.splitlines(True)) + "IMGDATA:\n")
    base.case("photo_colors_bayer4", "colors_bayer4", d, None, base.png_header(d) + lines + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", text)], ".png", "", ["--colors", "000000,ffffff", "--dither", "bayer4"])
    # White at alpha either side of 128: below it transparent, index 0, whatever the dither.
    glass = Image.new("RGBA", (8, 1))
    glass.putdata([(255, 255, 255, a) for a in (127, 128, 255, 0, 128, 127, 200, 129)])
    with tempfile.TemporaryDirectory() as tmp:
        glass.save(os.path.join(tmp, "p.png"))
        d = open(os.path.join(tmp, "p.png"), "rb").read()
    index = [[int(a >= 128) for a in glass.getdata(3)]]
    text = rows_text("colors_alpha.png", index, 8, 1).replace("IMGDATA:\n", "".join(";" + l for l in lines.splitlines(True)) + "IMGDATA:\n")
    base.case("photo_colors_alpha", "colors_alpha", d, None, base.png_header(d) + lines + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", text)], ".png", "", ["--colors", "000000,ffffff", "--dither", "bayer2"])
    for name, opts, cause in [
            ("photo_usage_fit_mode", ["--fit-mode", "cover"], "--fit-mode needs --fit"),
            ("photo_usage_filter", ["--filter", "box"], "--filter needs --fit"),
            ("photo_usage_dither_planes", ["--planes", "2", "--dither", "floyd"], "--dither with --planes needs --colors, the colours it picks between"),
            ("photo_usage_dither_mode", ["--dither", "floyd", "pic.png", "2"], '--dither writes bits or colour indices: mode "2" is none of 0 and 1'),
            ("photo_usage_fit_pixels", ["--max-pixels", "100", "--fit", "64x32"], "--fit asks for more pixels than --max-pixels allows"),
            ("photo_usage_dither_name", ["--dither", "ordered"], '--dither "ordered" is none of none, bayer2, bayer4, bayer8, floyd and atkinson'),
            ("photo_usage_bayer_threshold", ["-t", "100", "--dither", "bayer2"], "--threshold does not apply to a Bayer dither, whose matrix is its thresholds")]:
        sprites.usage(name, opts, cause)


if __name__ == "__main__":
    main()

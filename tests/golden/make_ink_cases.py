#!/usr/bin/python3
# Writes the generated imgtrell cases of --rule ink (and of --preview-png's refusals) under
# tests/golden/imgtrell/rules/: pictures drawn here as an artist draws them, a character a
# pixel, saved by Pillow, converted with --rule ink and without a rule. The expected bits of
# --rule ink are the drawing itself, as the artist meant it: "." (the background's colour) and
# " " (transparent) are 0, every other character 1. Without a rule they are each colour's blue
# against 127, and the warnings come from Pillow's reading of the file (ink_warning and
# disagreement of make_image_cases.py); never from imgtrell's output. Run with Debian's python3
# (it needs Pillow):
#     /usr/bin/python3 tests/golden/make_ink_cases.py
import os
import tempfile

from PIL import Image

import casefolders
import make_image_cases as base
import make_photo_cases as photo
import make_sprite_cases as sprites

base.SCRIPT = __file__
CLEAR_WHITE, CLEAR_BLACK = (255, 255, 255, 0), (0, 0, 0, 0)

# Each picture: its name, how it is saved (a PNG of RGBA, or of a palette, or a 24-bit BMP),
# its colours, its rows, and its runs: (suffix, options, mode).
PICTURES = [
    # A white sprite on a transparent background stored as white, as editors export it.
    ("white_sprite", "RGBA", {"#": (255, 255, 255, 255), " ": CLEAR_WHITE},
     ["   ##   ", "  ####  ", " ###### ", "## ## ##", "########", "  #  #  ", " # ## # ", "# #  # #"],
     [("m1", ["--rule", "ink"], 1), ("plain_m1", [], 1)]),
    # A strip of green tiles on black, in a palette.
    ("green_strip", "P", {".": (0, 0, 0), "G": (40, 220, 60), "g": (20, 120, 40)},
     ["................................", "..GG....gggggg...G..G....GGGGG..", ".GGGG...g....g....GG.....G...G..",
      "GGGGGG..g.GG.g...GGGG....G.g.G..", "GG..GG..g.GG.g...GGGG....G.g.G..", ".GGGG...g....g....GG.....G...G..",
      "..GG....gggggg...G..G....GGGGG..", "................................"],
     [("tiles", ["--rule", "ink", "--tile", "8x8"], None), ("plain_tiles", ["--tile", "8x8"], None)]),
    # A red heart and white letters on black: blue and luma both read red as 0.
    ("heart_text", "BMP", {".": (0, 0, 0), "R": (230, 20, 30), "W": (255, 255, 255)},
     ["................", ".RR.RR..W.W.WWW.", "RRRRRRR.W.W..W..", "RRRRRRR.WWW..W..", ".RRRRR..W.W..W..",
      "..RRR...W.W.WWW.", "...R............", "................"],
     [("m1", ["--rule", "ink"], 1), ("plain_m1", [], 1), ("fit_invert_m1", ["--rule", "ink", "--fit", "32x8", "--invert"], 1)]),
    # Black ink on white paper: read inverted without a rule, and without a word (black and white).
    ("paper", "RGB", {".": (255, 255, 255), "#": (0, 0, 0)},
     ["................", ".##..#...#.###..", "#..#.#...#.#..#.", "#....#####.###..", "#..#.#...#.#..#.",
      ".##..#...#.#..#.", "................", "................"],
     [("m0", ["--rule", "ink"], 0), ("invert_m1", ["--rule", "ink", "--invert"], 1), ("plain_m0", [], 0)]),
    # A dark outline and a yellow fill on a transparent border: all of it ink.
    ("outline", "RGBA", {"K": (0, 0, 0, 255), "Y": (250, 220, 0, 255), " ": CLEAR_BLACK},
     ["        ", "  KKKK  ", " KYYYYK ", " KYKKYK ", " KYYYYK ", " KYKKYK ", "  KKKK  ", "        "],
     [("m1", ["--rule", "ink"], 1), ("alpha_m2", ["--rule", "ink", "--alpha"], 2), ("plain_m1", [], 1)]),
    # Two colours half of the border each: the background is the one of more of the picture, the
    # green, though the blue is darker; the blue threshold reads it as drawn (its blue against
    # luma still warns).
    ("tie", "RGB", {".": (0, 80, 0), "B": (0, 0, 200)}, ["BBBB....", ".BB....B", "..BB...B", "....BBBB"],
     [("m1", ["--rule", "ink"], 1), ("plain_m1", [], 1)]),
    # A sheet of four frames on navy; the third fills its own border, but the background is the
    # whole sheet's.
    ("frames", "RGB", {".": (0, 0, 100), "R": (220, 40, 40), "Y": (240, 220, 60)},
     ["".join(frame[y] for frame in [
         ["........", "..RRRR..", ".RYRRYR.", ".RRRRRR.", "..RRRR..", "..R..R..", ".R....R.", "........"],
         ["........", "...RRRR.", "..RYRRYR", "..RRRRRR", "...RRRR.", "..R..R..", "..R..R..", "........"],
         ["RRRRRRRR", "RYRRRRYR", "RRRRRRRR", "RR....RR", "RRRRRRRR", "R.RRRR.R", "R.R..R.R", "RRRRRRRR"],
         ["..RRRR..", "..RYYR..", "...RR...", ".RRRRRR.", "...RR...", "..R..R..", "..R..R..", ".RR..RR."]])
      for y in range(8)],
     [("frames", ["--rule", "ink", "--frame", "8x8"], None), ("plain_frames", ["--frame", "8x8"], None)]),
]


def save(kind, legend, rows):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "p." + ("bmp" if kind == "BMP" else "png"))
        if kind == "P":
            keys = list(legend)
            pic = Image.new("P", (len(rows[0]), len(rows)))
            pic.putpalette([c for k in keys for c in legend[k]])
            pic.putdata([keys.index(c) for row in rows for c in row])
        else:
            pic = Image.new("RGB" if kind == "BMP" else kind, (len(rows[0]), len(rows)))
            pic.putdata([legend[c] for row in rows for c in row])
        pic.save(path)
        d = open(path, "rb").read()
        return d, list(Image.open(path).convert("RGBA").getdata()), pic


def main():
    casefolders.clear("imgtrell", __file__)
    for name, kind, legend, rows, runs in PICTURES:
        d, rgbas, pic = save(kind, legend, rows)
        ext = ".bmp" if kind == "BMP" else ".png"
        header = base.header_line(d) if kind == "BMP" else base.png_header(d)
        w, h = len(rows[0]), len(rows)
        for suffix, opts, mode in runs:
            if "ink" in opts:
                # As drawn: what --invert swaps is the opaque pixels.
                bits = [[int(c not in ". ") if c == " " or "--invert" not in opts else int(c == ".") for c in row] for row in rows]
                stderr = ""
            else:
                bits = [[int(c[2] > 127) for c in rgbas[y * w:(y + 1) * w]] for y in range(h)]
                flat = [b for row in bits for b in row]
                stderr = base.warning(d, header, bits) + (
                    base.ink_warning(rgbas, flat, w, h) or base.disagreement(rgbas))
            console = ""
            if "--fit" in opts:  # 32 x 8 holds the picture as it is, centred: the rest is 0, whatever the rule
                console = "scaled %d x %d to %d x %d at %d, 0\n" % (w, h, w, h, (32 - w) // 2)
                bits = [[0] * ((32 - w) // 2) + row + [0] * ((32 - w) // 2) for row in bits]
            values = [[0 if c == " " and "--alpha" in opts else b + 1 for b, c in zip(brow, row)] for brow, row in zip(bits, rows)]
            if "--tile" in opts or "--frame" in opts:
                text = sprites.cut(name + ext, bits, **({"tile": (8, 8)} if "--tile" in opts else {"frame": (8, 8)}))
            else:
                text = base.picdata(name + ext, len(bits[0]), h, bits, values, mode)
            files = [("picdata.inc", text)] + ([("picpal.inc", "PALDATA:\n")] if mode == 2 else [])
            base.case("ink_%s_%s" % (name, suffix), name, d, mode, header + console + "Writing CHIP8 image: picdata.inc\n", 1,
                      files, ext, stderr, opts)
    # With a dither, the distance from the background: orange inks of every strength on black.
    w, h = 16, 6
    ramp = [[(x * 17, x * 9, 0) if 0 < y < h - 1 and 0 < x < w - 1 else (0, 0, 0) for x in range(w)] for y in range(h)]
    pic = Image.new("RGB", (w, h))
    pic.putdata([c for row in ramp for c in row])
    with tempfile.TemporaryDirectory() as tmp:
        pic.save(os.path.join(tmp, "p.png"))
        d = open(os.path.join(tmp, "p.png"), "rb").read()
    bits = photo.diffuse([[max(c) for c in row] for row in ramp], photo.FLOYD, 16)
    base.case("ink_orange_floyd", "orange", d, 1, base.png_header(d) + "Writing CHIP8 image: picdata.inc\n", 1,
              [("picdata.inc", photo.rows_text("orange.png", bits, w, h))], ".png", "", ["--rule", "ink", "--dither", "floyd"])
    # --preview-png refuses a picture without pixels, and a preview of more than 2^30 pixels.
    for name, d, cause in [("ink_preview_empty", base.bmp(0, 5, 24), "a 0 x 5 picture has no pixels for --preview-png"),
                           ("ink_preview_too_large", base.bmp(4100, 5, 1, [bytes(516)] * 5, [0, 0xFFFFFF]),
                            "a preview of 1049600 x 1280 has more than 1073741824 pixels (see --preview-zoom)")]:
        base.case(name, "pic", d, 1, base.header_line(d), 2, (), ".bmp", "imgtrell: pic.bmp: %s\n" % cause,
                  ["--preview-zoom", "256", "--preview-png", "p.png"])
    for name, opts, cause in [
            ("ink_usage_threshold", ["--rule", "ink", "-t", "100", "pic.png", "1"],
             "--threshold with --rule ink needs --dither floyd or atkinson: without them every colour but the background is 1"),
            ("ink_usage_zoom_alone", ["--preview-zoom", "2", "pic.png", "1"], "--preview-zoom needs --preview-png"),
            ("ink_usage_zoom_0", ["--preview-zoom", "0"], '--preview-zoom "0" is not a number from 1 to 256'),
            ("ink_usage_preview_mode_2", ["--preview-png", "p.png", "pic.png"],
             "--preview-png shows bits or colour indices, and mode 2 (the default) writes bytes: give mode 0 or 1"),
            ("ink_usage_preview_input", ["--preview-png", "pic.png", "pic.png", "1"],
             "--preview-png pic.png would overwrite the input file pic.png"),
            ("ink_usage_preview_include", ["-o", "a.inc", "--preview-png", "a.inc", "pic.png", "1"],
             "the picture and its preview would both be written to a.inc"),
            ("ink_usage_preview_octo", ["--planes", "2", "--octo-options", "o.json", "--preview-png", "o.json", "pic.png"],
             "the Octo options and the preview would both be written to o.json")]:
        sprites.usage(name, opts, cause)
        if name == "ink_usage_preview_input":  # the input is looked for
            base.write(os.path.join(casefolders.HERE, "imgtrell", "rules", name, "in", "pic.png"), d)


if __name__ == "__main__":
    main()

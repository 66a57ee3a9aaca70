#!/usr/bin/python3
# Writes the generated imgtrell cases of sprites under tests/golden/imgtrell/tiles/:
# pictures drawn here and saved as PNGs by Pillow, cut into tiles and frames
# with each option of sprites. The expected bytes are cut here from Pillow's
# reading of each file (a pixel is lit when its blue is above 127), never
# from imgtrell's output. Run with Debian's python3 (it needs Pillow):
#     /usr/bin/python3 tests/golden/make_sprite_cases.py
import os
import tempfile

from PIL import Image

import casefolders
import make_image_cases as base

base.SCRIPT = __file__
ORDERS = ["tblr", "tbrl", "btlr", "btrl", "lrtb", "lrbt", "rltb", "rlbt"]


# The tiles of a frame of cols x rows, as (column, row), in the walk of the order: the
# outer walk over rows (t, b) or columns (l, r), then the inner one, b and r walking back.
def walk(order, cols, rows):
    columns = order[0] in "lr"
    outer, inner = list(range(cols if columns else rows)), list(range(rows if columns else cols))
    outer.reverse() if order[0] in "br" else None
    inner.reverse() if order[2] in "br" else None
    return [(o, i) if columns else (i, o) for o in outer for i in inner]


def auto(w, h):
    return (16, 16) if (w, h) == (16, 16) else (8, max(t for t in range(1, 16) if h % t == 0))


# The text of picdata.inc for the bits (rows, top first) of a picture named name, cut as the
# options ask, or None for a picture that is not a whole number of tiles (or frames).
def cut(name, bits, tile=None, order="tblr", pad=False, frame=None, stride=None, xor=False, labels="one", label="IMGDATA",
        planes=1, comments="", consts=None):
    h, w = len(bits), len(bits[0]) if bits else 0
    tw, th = tile or auto(*(frame or (w, h)))
    uw, uh = frame or (tw, th)
    if not pad and (w % uw or h % uh):
        return None
    W, H = -(-w // uw) * uw, -(-h // uh) * uh
    fw, fh = frame or (W, H)
    origins = [(x, y) for y in range(0, H, fh) for x in range(0, W, fw)] if frame else [(0, 0)]
    cols, rows = fw // tw, fh // th
    lit = lambda x, y, p=0: x < w and y < h and bits[y][x] >> p & 1
    text = ";image: %s - %d x %d\n" % (name, w, h) + comments
    if frame:
        text += ";frames: %d x %d of %dx%d, %d bytes each%s\n" % (W // fw, H // fh, fw, fh, stride or cols * rows * tw * th // 8 * planes,
                                                                ", each but the first XOR the one before" if xor else "")
    size = tw * th // 8 * planes
    text += ";tiles: %d x %d of %dx%d%s, %d bytes each%s, order %s%s\n" % (
        cols, rows, tw, th, " in each frame" if frame else "", size,
        {1: "", 2: " (planes 1 and 2)", 4: " (planes 1 to 4)"}[planes], order,
        ", padded to %d x %d" % (W, H) if (W, H) != (w, h) else "")
    if consts:
        step = stride or cols * rows * size
        text += casefolders.constants(consts, label, [("width", W), ("height", H), ("planes", planes), ("bytes", len(origins) * step),
                                          ("tile-width", tw), ("tile-height", th), ("cols", cols), ("rows", rows),
                                          ("tile-bytes", size), ("order", ORDERS.index(order))] +
                          ([("frame-width", fw), ("frame-height", fh), ("frames", len(origins)), ("stride", step)] if frame else []))
    text += "" if labels == "none" else label + ":\n"
    before = None
    for k, (fx, fy) in enumerate(origins):
        tiles = [[sum(128 >> i for i in range(8) if lit(fx + c * tw + b + i, fy + r * th + y, p))
                  for p in range(planes) for y in range(th) for b in range(0, tw, 8)] for c, r in walk(order, cols, rows)]
        flat = [v for t in tiles for v in t] + [0] * ((stride or 0) - len(tiles) * size)
        shown = [a ^ b for a, b in zip(flat, before)] if xor and before else flat
        before = flat
        text += "%s_F%d:\n" % (label, k) if labels == "frame" else ""
        for t, (c, r) in enumerate(walk(order, cols, rows)):
            text += "%s_%d_%d:\n" % (label, fx // tw + c, fy // th + r) if labels == "tile" else ""
            # Octopus's names: a line of each plane's rows, labelled NAME-X-Y, or NAME-P-X-Y with planes.
            each = size // planes if labels == "octopus" else size
            for p in range(size // each):
                named = ("-%d" % p if planes > 1 else "") + "-%d-%d" % (fx // tw + c, fy // th + r)
                text += "%s%s:\n" % (label, named) if labels == "octopus" else ""
                text += "DB " + "".join("#%02x," % v for v in shown[t * size + p * each:t * size + (p + 1) * each]) + "\n"
        pad_bytes = shown[len(tiles) * size:]
        text += "DB " + "".join("#%02x," % v for v in pad_bytes) + "\n" if pad_bytes else ""
    return text + "\n"


# Plain text in another syntax: octo, strict or single.
def syntax(text, kind):
    out = []
    for line in text.split("\n")[:-1]:
        if line.startswith(("DB ", "DW ")):
            values = [v[1:] for v in line[3:].split(",") if v]
            if kind == "single":
                out += [line[:3] + "#" + v for v in values]
            elif values:
                out.append(" ".join("0x" + v for v in values) if kind == "octo" else line[:3] + ",".join("#" + v for v in values))
        elif kind == "octo" and line.startswith(";"):
            out.append("#" + line[1:])
        elif kind == "octo" and line.endswith(":"):
            out.append(": " + line[:-1])
        else:
            out.append(line)
    return "\n".join(out) + "\n"


# A case converting the picture pic (saved as stem.png) with the options opts (and mode).
def sprite_case(name, pic, opts, mode=None, kind="plain", preview=False, **how):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "p.png")
        pic.save(path)
        d = open(path, "rb").read()
        header = base.png_header(d)
        bits = [[int(p[2] > 127) for p in row] for row in
                [list(Image.open(path).convert("RGB").getdata())[y * pic.width:(y + 1) * pic.width] for y in range(pic.height)]]
    stem = name[5:]
    text = cut(stem + ".png", bits, consts="--consts" in opts and kind, **how)
    args = opts + (["--syntax", kind] if kind != "plain" else [])
    if text is None:
        unit = how.get("frame") or how.get("tile") or auto(pic.width, pic.height)
        stderr = "imgtrell: %s.png: a %d x %d picture is not a whole number of %dx%d %s (see --pad)\n" % (
            stem, pic.width, pic.height, unit[0], unit[1], "frames" if how.get("frame") else "tiles")
        base.case(name, stem, d, mode, header, 2, ext=".png", stderr=stderr, opts=args)
        return
    console = header + "Writing CHIP8 image: picdata.inc\n"
    if preview:
        W, H = -(-pic.width // 8) * 8, -(-pic.height // 8) * 8  # 8x8 tiles, padded
        lines = ["".join(("#" if x < pic.width and y < pic.height and bits[y][x] else ".") + (" " if x % 8 == 7 and x + 1 < W else "")
                         for x in range(W)) for y in range(H)]
        console += "".join(line + "\n" + ("\n" if y % 8 == 7 and y + 1 < H else "") for y, line in enumerate(lines))
    base.case(name, stem, d, mode, console, 1, [("picdata.inc", text if kind == "plain" else syntax(text, kind))], ".png", opts=args)


# The colour indices of the picture at path on planes planes: by the colours listed (the
# exact one, else the nearest, the lower index of two as near), by a palette picture's
# indices, or transparent 0, black the highest index and the others by luma, darkest first.
# Returns the rows of indices, the colour of each index (None: transparent), the pixels of
# no listed colour, and the refusal or None.
def indices(path, planes, listed=None):
    im = Image.open(path)
    w, h = im.size
    if im.mode == "P" and not listed:
        idx = list(im.getdata())
        pal = im.getpalette()
        names = {i: tuple(pal[3 * i:3 * i + 3]) or (0, 0, 0) for i in range(1 << planes)}  # black past PLTE
        past = [i for i in idx if i >= 1 << planes]
        refusal = "palette index %d is past the %d colours --planes %d holds (see --colors)" % (min(past), 1 << planes, planes) if past else None
        return [idx[y * w:(y + 1) * w] for y in range(h)], names, 0, refusal
    keys = [None if a < 128 or (r > 240 and g < 16 and b > 240) else (r, g, b) for r, g, b, a in im.convert("RGBA").getdata()]
    if listed:
        near = lambda k: 0 if k is None else min(range(len(listed)), key=lambda i: (sum((a - b) ** 2 for a, b in zip(k, listed[i])), i))
        idx = [near(k) for k in keys]
        inexact = sum(1 for k, i in zip(keys, idx) if k is not None and k != listed[i])
        return [idx[y * w:(y + 1) * w] for y in range(h)], dict(enumerate(listed)), inexact, None
    distinct = sorted(set(keys), key=lambda k: (-1, ()) if k is None else (299 * k[0] + 587 * k[1] + 114 * k[2], k))
    if len(distinct) > 1 << planes:
        return None, None, 0, "has %d colours; --planes %d holds %d (see --colors)" % (len(distinct), planes, 1 << planes)
    index = {}
    free = [i for i in range(1 << planes) if not (i == 0 and None in distinct) and not (i == (1 << planes) - 1 and (0, 0, 0) in distinct)]
    for k in distinct:
        index[k] = 0 if k is None else (1 << planes) - 1 if k == (0, 0, 0) else free.pop(0)
    idx = [index[k] for k in keys]
    return [idx[y * w:(y + 1) * w] for y in range(h)], {i: k for k, i in index.items()}, 0, None


# The comment lines and console lines of the colours of the indices.
def colour_lines(names):
    return "".join("color %d: %s\n" % (i, "transparent" if k is None else "%02x%02x%02x" % k) for i, k in sorted(names.items()))


# A case of colour indices: the picture pic saved as a PNG, converted with the options.
def plane_case(name, pic, opts, planes, listed=None, mode=None, kind="plain", preview=False, octo=False, labels="one",
               ext=".png", **how):
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "p" + ext)
        pic.save(path)
        d = open(path, "rb").read()
        idx, names, inexact, refusal = indices(path, planes, listed)
    stem = name[5:]
    args = opts + (["--syntax", kind] if kind != "plain" else [])
    header = base.png_header(d) if ext == ".png" else base.header_line(d)
    if refusal:
        stderr = "imgtrell: %s%s%s %s\n" % (stem, ext, ":" if refusal.startswith("palette") else "", refusal)
        return base.case(name, stem, d, mode, header, 2, ext=ext, stderr=stderr, opts=args)
    comments = "".join(";" + line for line in colour_lines(names).splitlines(True))
    if "tile" in how or "frame" in how:
        text = cut(stem + ext, idx, planes=planes, comments=comments, labels=labels, consts="--consts" in opts and kind, **how)
    else:
        w, h = len(idx[0]), len(idx)
        pack = lambda row, x, p: sum(128 >> i for i in range(8) if x + i < w and row[x + i] >> p & 1)
        text = ";image: %s%s - %d x %d\n" % (stem, ext, w, h) + comments
        if "--consts" in opts:
            text += casefolders.constants(kind, "IMGDATA", [("width", w), ("height", h), ("planes", planes), ("bytes", -(-w // 8) * h * planes)])
        text += "IMGDATA:\n"
        for p in range(planes):
            text += "IMGDATA_P%d:\n" % (p + 1) if p and labels == "plane" else ""
            if mode == 0:
                text += "".join("DB " + "".join("#%02x," % pack(row, x, p) for row in idx) + "\n" for x in range(0, w, 8))
            else:
                text += "".join("DB " + "".join("#%02x," % pack(row, x, p) for x in range(0, w, 8)) + "\n" for row in idx)
        text += "\n"
    console = header + colour_lines(names) + "Writing CHIP8 image: picdata.inc\n"
    console += "".join("".join("0123456789abcdef"[v] for v in row) + "\n" for row in idx) if preview else ""
    files = [("picdata.inc", text if kind == "plain" else syntax(text, kind))]
    if octo:
        keys = ["backgroundColor", "fillColor", "fillColor2", "blendColor"]
        entries = ['  "%s": "#%02x%02x%02x"' % ((keys[i],) + k) for i, k in sorted(names.items()) if k is not None and i < 4]
        files.append(("octo.json", "{\n" + ",\n".join(entries) + "\n}\n" if entries else "{}\n"))
    stderr = ("imgtrell: warning: %d pixel%s none of the colours --colors lists, and take%s the nearest\n"
              % (inexact, " has" if inexact == 1 else "s have", "s" if inexact == 1 else "")) if inexact else ""
    base.case(name, stem, d, mode, console, 1, files, ext, stderr, args)


def plane_files():
    # A sprite of three colours and black on a transparent background, as paint programs save it.
    ink = [(0, 0, 0, 255), (255, 204, 0, 255), (255, 102, 0, 255), (255, 255, 255, 0)]
    four = Image.new("RGBA", (16, 8))
    four.putdata([ink[(x + 2 * y + x // 4) % 4] for y in range(8) for x in range(16)])
    for kind in ["plain", "octo", "strict"]:
        plane_case("tile_planes2_auto_" + kind, four, ["--planes", "2"], 2, kind=kind)
    plane_case("tile_planes2_auto_m0", four, ["--planes", "2"], 2, mode=0)
    plane_case("tile_planes2_labels_preview", four, ["--planes", "2", "--labels", "plane", "--preview"], 2, labels="plane",
               preview=True)
    plane_case("tile_planes2_tiles", four, ["--planes", "2", "--tile", "8x8"], 2, tile=(8, 8))
    plane_case("tile_planes2_frames_xor", four, ["--planes", "2", "--frame", "8x8", "--xor", "--order", "btlr"], 2,
               frame=(8, 8), xor=True, order="btlr")
    plane_case("tile_consts_planes2_octo", four, ["--planes", "2", "--tile", "8x8", "--consts"], 2, kind="octo", tile=(8, 8))
    plane_case("tile_consts_planes2_single", four, ["--planes", "2", "--consts"], 2, kind="single")
    plane_case("tile_labels_octopus_planes2", four, ["--planes", "2", "--tile", "8x8", "--labels", "octopus"], 2, kind="octo",
               tile=(8, 8), labels="octopus")
    plane_case("tile_planes2_octo_options", four, ["--planes", "2", "--octo-options", "octo.json"], 2, octo=True)
    # Colours listed: exactly, and nearest (a warning counting the pixels).
    listed = [(255, 255, 255), (255, 102, 0), (255, 204, 0), (0, 0, 0)]
    plane_case("tile_planes2_colors", four, ["--planes", "2", "--colors", "ffffff,ff6600,ffcc00,000000"], 2, listed)
    near = [(250, 250, 250), (250, 100, 0), (250, 200, 10), (10, 0, 0)]
    plane_case("tile_planes2_colors_nearest", four, ["--planes", "2", "--colors", "fafafa,fa6400,fac80a,0a0000"], 2, near)
    plane_case("tile_planes1_colors", four, ["--colors", "000000,ffffff", "--octo-options", "octo.json"], 1,
               [(0, 0, 0), (255, 255, 255)], octo=True)
    # A palette picture by the colours listed: its first pixel the one of no listed colour.
    grey = Image.new("P", (8, 1))
    grey.putpalette([250, 250, 250, 0, 0, 0])
    grey.putdata([0] + [1] * 7)
    plane_case("tile_planes1_colors_one_nearest", grey, ["--colors", "000000,ffffff"], 1, [(0, 0, 0), (255, 255, 255)])
    # A palette picture by its indices; one past the planes' colours refused.
    pal = Image.new("P", (16, 4))
    pal.putpalette([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255])
    pal.putdata([(x + y) % 4 for y in range(4) for x in range(16)])
    plane_case("tile_planes2_palette", pal, ["--planes", "2"], 2)
    short = Image.new("P", (8, 2))
    short.putpalette([0, 0, 0, 255, 255, 255])
    short.putdata([(x + y) % 2 for y in range(2) for x in range(8)])
    plane_case("tile_planes2_palette_short", short, ["--planes", "2"], 2)
    pal.putpixel((0, 0), 4)
    plane_case("tile_planes2_palette_past", pal, ["--planes", "2"], 2)
    # A 1-bit BMP: its two entries are colours, not indices.
    plane_case("tile_planes2_bmp1", short.convert("1"), ["--planes", "2"], 2, ext=".bmp")
    # Planes past what an XO-CHIP program holds: 512 x 512 on two planes, 65536 bytes, a warning (the text thrown away).
    folder = casefolders.generated("imgtrell", "tile_planes2_memory_warning", base.SCRIPT)
    with tempfile.TemporaryDirectory() as tmp:
        Image.new("RGB", (512, 512)).save(os.path.join(tmp, "black.png"))
        base.write(os.path.join(folder, "in", "black.png"), open(os.path.join(tmp, "black.png"), "rb").read())
    base.write(os.path.join(folder, "args"), "--planes\n2\n-bq\n-o\n/dev/null\nblack.png\n")
    base.write(os.path.join(folder, "stdout"), "")
    base.write(os.path.join(folder, "stderr"), "imgtrell: warning: the picture takes 65536 bytes; an XO-CHIP program holds at "
               "most 65024 (0x200 to 0xFFFF)\n")
    base.write(os.path.join(folder, "status"), "0\n")
    base.write(os.path.join(folder, "posix-only"), "/dev/null, which is no Windows path\n")
    # Sixteen colours on four planes, and five refused on two.
    sixteen = Image.new("RGB", (16, 8))
    sixteen.putdata([((x * 16) % 256, 255 - y * 30, (x * y * 7) % 256) if (x + y) % 5 else (0, 0, 0)
                     for y in range(8) for x in range(16)])
    sixteen = sixteen.quantize(16).convert("RGB")
    plane_case("tile_planes4_auto", sixteen, ["--planes", "4", "--preview"], 4, preview=True)
    plane_case("tile_planes4_tiles_16x16", sixteen.resize((16, 16)), ["--planes", "4", "--tile", "16x16"], 4, tile=(16, 16))
    plane_case("tile_planes2_five_colours", sixteen, ["--planes", "2"], 2)
    # Twenty colours: past the sixteen kept, each is counted once, also two whose values as
    # numbers (0x000000 and 0x000040) differ in one bit.
    greys = Image.new("RGB", (20, 1))
    greys.putdata([(0, 0, 64)] + [(x * 12,) * 3 for x in range(19)])
    plane_case("tile_planes4_twenty_colours", greys, ["--planes", "4"], 4)
    for name, opts, cause in [
            ("tile_usage_planes_rule", ["--planes", "2", "--rule", "luma"], "--rule does not apply to colour indices (see --colors)"),
            ("tile_usage_planes_3", ["--planes", "3"], '--planes "3" is none of 1, 2 and 4'),
            ("tile_usage_planes_mode", ["--planes", "2", "pic.png", "2"], '--planes writes colour indices on planes: mode "2" is none of 0 and 1'),
            ("tile_usage_colors_many", ["--colors", "000000,111111,222222"], "--colors lists more colours than --planes holds"),
            ("tile_usage_colors_form", ["--colors", "12345"], '--colors "12345" is not a list of colours rrggbb, one to 16, with commas between'),
            ("tile_usage_octo_planes4", ["--planes", "4", "--octo-options", "o.json"], "--octo-options shows two planes at most, as Octo does: not --planes 4"),
            ("tile_usage_labels_plane", ["--planes", "2", "--tile", "8x8", "--labels", "plane"], "--labels plane needs --planes 2 or 4, and no --tile or --frame")]:
        usage(name, opts, cause)


# A usage error: nothing read, nothing written.
def usage(name, opts, cause):
    folder = casefolders.generated("imgtrell", name, base.SCRIPT)
    args = opts + ([] if "pic.png" in opts else ["pic.png"])
    base.write(os.path.join(folder, "args"), "".join(a + "\n" for a in args))
    base.write(os.path.join(folder, "stdout"), "")
    base.write(os.path.join(folder, "status"), "2\n")
    base.write(os.path.join(folder, "stderr"), "imgtrell: %s\nTry 'imgtrell --help'.\n" % cause)


# A picture of w x h whose pixels lit are those where lit(x, y) holds.
def picture(w, h, lit):
    im = Image.new("RGB", (w, h))
    im.putdata([(255, 255, 255) if lit(x, y) else (0, 0, 0) for y in range(h) for x in range(w)])
    return im


def main():
    casefolders.clear("imgtrell", __file__)
    # A 3 x 2 grid of 8 x 8 tiles, tile n (row by row) lit in the first n + 1 pixels of its top row.
    grid = picture(24, 16, lambda x, y: (y % 8 == 0 and x % 8 <= x // 8 + 3 * (y // 8)) or (x % 8 == 7 and y % 8 == 7))
    for order in ORDERS:
        sprite_case("tile_order_" + order, grid, ["--tile", "8x8", "--order", order], 1, tile=(8, 8), order=order)
    sprite_case("tile_order_tblr_m0", grid, ["--tile", "8x8"], 0, tile=(8, 8))
    # A palette picture without a mode argument is read as in mode 1: by its colours' blue.
    indexed = picture(16, 8, lambda x, y: (x + y) % 3 == 1).quantize(3)
    sprite_case("tile_palette_picture", indexed, ["--tile", "8x8"], tile=(8, 8))
    # Every height of an 8-wide tile: four tiles of a busy pattern.
    busy = lambda x, y: (x * 3 + y * 5 + x * y) % 7 < 3
    for th in range(1, 16):
        sprite_case("tile_8x%d" % th, picture(16, 2 * th, busy), ["--tile", "8x%d" % th], tile=(8, th))
    sprite_case("tile_8x16", picture(16, 32, busy), ["--tile", "8x16"], tile=(8, 16))
    sprite_case("tile_16x16", picture(32, 32, busy), ["--tile", "16x16"], tile=(16, 16))
    for w, h in [(16, 16), (64, 32), (24, 15), (8, 17), (32, 16)]:
        sprite_case("tile_auto_%dx%d" % (w, h), picture(w, h, busy), ["--tile", "auto"])
    # Not a whole number of tiles: refused, or padded.
    odd = picture(20, 10, busy)
    sprite_case("tile_not_whole", odd, ["--tile", "8x8"], tile=(8, 8))
    sprite_case("tile_pad", odd, ["--tile", "8x8", "--pad"], tile=(8, 8), pad=True)
    sprite_case("tile_pad_preview", odd, ["--tile", "8x8", "--pad", "--preview"], 1, preview=True, tile=(8, 8), pad=True)
    # A sheet of four 16 x 16 frames, each a step of a turning bar.
    sheet = picture(64, 16, lambda x, y: abs((x % 16 - 7.5) * [0, 1, 1, 1][x // 16] - (y - 7.5) * [1, 1, 0, -1][x // 16]) < 2)
    sprite_case("tile_frames", sheet, ["--frame", "16x16"], frame=(16, 16))
    sprite_case("tile_frames_stride_xor", sheet, ["--frame", "16x16", "--stride", "40", "--xor"], frame=(16, 16), stride=40, xor=True)
    sprite_case("tile_frames_8x8_lrtb", sheet, ["--frame", "16x16", "--tile", "8x8", "--order", "lrtb"], frame=(16, 16),
                tile=(8, 8), order="lrtb")
    sprite_case("tile_frames_not_whole", picture(40, 16, busy), ["--frame", "16x16"], frame=(16, 16))
    sprite_case("tile_frames_pad", picture(40, 16, busy), ["--frame", "16x16", "--pad"], frame=(16, 16), pad=True)
    # Each form of labels, in each syntax.
    for kind in ["plain", "octo", "strict"]:
        sprite_case("tile_labels_tile_" + kind, grid, ["--tile", "8x8", "--labels", "tile", "-l", "grid"], kind=kind,
                    tile=(8, 8), labels="tile", label="grid")
        sprite_case("tile_labels_frame_" + kind, sheet, ["--frame", "16x16", "--labels", "frame"], kind=kind, frame=(16, 16),
                    labels="frame")
    # The constants of --consts: of tiles in an order, of a padded picture, of a sheet with a stride.
    sprite_case("tile_consts_octo", grid, ["--tile", "8x8", "--order", "lrbt", "-l", "grid", "--consts"], kind="octo", tile=(8, 8),
                order="lrbt", label="grid")
    sprite_case("tile_consts_pad_strict", odd, ["--tile", "8x8", "--pad", "--consts"], kind="strict", tile=(8, 8), pad=True)
    sprite_case("tile_consts_frames_plain", sheet, ["--frame", "16x16", "--tile", "8x8", "--stride", "40", "--order", "rlbt",
                                                   "--consts"], frame=(16, 16), tile=(8, 8), stride=40, order="rlbt")
    sprite_case("tile_labels_octopus", grid, ["--tile", "8x8", "--labels", "octopus", "-l", "grid"], kind="octo", tile=(8, 8),
                labels="octopus", label="grid")
    sprite_case("tile_labels_none", grid, ["--tile", "8x8", "--labels", "none"], tile=(8, 8), labels="none")
    sprite_case("tile_label_64", grid, ["--tile", "8x8", "--labels", "tile", "-l", "L" * 60], tile=(8, 8), labels="tile",
                label="L" * 60)
    long = "L" * 61
    with tempfile.TemporaryDirectory() as tmp:
        grid.save(os.path.join(tmp, "g.png"))
        d = open(os.path.join(tmp, "g.png"), "rb").read()
    base.case("tile_label_too_long", "label_too_long", d, None, base.png_header(d), 2, ext=".png",
              stderr='imgtrell: label "%s_2_1" is too long: 65 characters, at most 64\n' % long,
              opts=["--tile", "8x8", "--labels", "tile", "-l", long])
    # Usage errors: nothing read, nothing written.
    for name, opts, cause in [
            ("tile_usage_size", ["--tile", "9x9"], '--tile "9x9" is none of auto, 8x1 to 8x16, and 16x16'),
            ("tile_usage_mode", ["--tile", "8x8", "pic.png", "2"], '--tile writes sprites: mode "2" is none of 0 and 1'),
            ("tile_usage_stride", ["--stride", "8"], "--stride needs --frame"),
            ("tile_usage_order", ["--order", "lrtb"], "--order needs --tile or --frame"),
            ("tile_usage_frame", ["--frame", "20x16"], "--frame 20x16 is not a whole number of 8x8 tiles"),
            ("tile_usage_short_stride", ["--frame", "16x16", "--stride", "31"], "--stride 31 is less than the 32 bytes of a 16x16 frame"),
            ("tile_usage_consts_label", ["--frame", "16x16", "--consts", "-l", "L" * 53],
             'label "%s" is too long for --consts: %s_FRAME_HEIGHT has 66 characters, at most 64' % ("L" * 53, "L" * 53)),
            ("tile_usage_labels_octopus", ["--tile", "8x8", "--labels", "octopus"],
             "--labels octopus writes names with -, which need --syntax octo"),
            ("tile_usage_stride_1", ["--frame", "8x1", "--tile", "8x1", "--stride", "1", "--planes", "2"],
             "--stride 1 is less than the 2 bytes of a 8x1 frame")]:
        usage(name, opts, cause)
    plane_files()


if __name__ == "__main__":
    main()

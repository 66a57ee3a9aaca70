#!/usr/bin/python3
# Writes the generated imgtrell cases under tests/golden/imgtrell/, and the
# inputs of some hand-written ones.
#
# Every input BMP is written by an outside tool (ImageMagick's convert,
# Pillow, netpbm's ppmtobmp) from a small picture drawn here. The expected
# output comes from Pillow's reading of the same file, never from imgtrell:
# palette indices for palette files (run-length encoded ones included), the
# colours for the others, thresholded on blue (above 127) as the converter
# does. Only the palette entries and header fields are taken from the file's
# bytes. Pillow's reading is first checked against the picture that was drawn.
#
# Run with Debian's python3 (it needs Pillow) from anywhere:
#     /usr/bin/python3 tests/golden/make_image_cases.py
# It replaces every case it wrote before (see casefolders.py).
import collections
import io
import os
import struct
import subprocess
import tempfile
import zlib

from PIL import Image

import casefolders

# The script whose cases case() writes (another script may borrow it).
SCRIPT = __file__
BANNER = "=" * 44 + "\nCHIP8 BMP converter, Quarnwell\n" + "=" * 44 + "\n"

BLACK, WHITE, MAGENTA, NAVY, RED = (0, 0, 0), (255, 255, 255), (255, 0, 255), (0, 0, 200), (255, 0, 0)
# Around the blue threshold and the colour key (red > 240, green < 16, blue > 240).
KEYS = [BLACK, WHITE, MAGENTA, (200, 40, 128), (30, 220, 127), NAVY, RED,
        (241, 15, 241), (240, 0, 255), (255, 16, 255), (255, 0, 240)]
MANY = KEYS + [(i * 23 % 256, 255 - i * 3 % 256, i * 41 % 256) for i in range(190)]


# Diagonal bands of the colours, with runs as well as busy stretches.
def drawn(w, h, colours, shift=0, mode="RGB"):
    im = Image.new(mode, (w, h))
    im.putdata([colours[((x // 3 if (x + y) % 11 < 6 else x) + y * 3 + shift) % len(colours)] for y in range(h) for x in range(w)])
    return im


# True colour: blue sweeps across the threshold, every bit of red and green takes both values.
def sweep(w, h, shift=0):
    return Image.frombytes("RGB", (w, h), bytes(v for y in range(h) for x in range(w) for v in (
        (x * 19 + y * 70 + shift) % 256, (x * 45 + y * 13) % 256, (x * 23 + y * 31 + shift * 7) % 256)))


# A blue shape on a transparent background, as drawn in a paint program.
def sprite(w, h):
    inside = lambda x, y: (x - w // 2) ** 2 + (y - h // 2) ** 2 < (h // 3) ** 2 or x == y
    im = Image.new("RGBA", (w, h))
    im.putdata([(x * 9 % 256, 40, 100 + x * 5 % 156, 255) if inside(x, y) else (0, 0, 0, 0) for y in range(h) for x in range(w)])
    return im


# The BMP that Pillow, netpbm's ppmtobmp or ImageMagick's convert (with the format prefix how) writes.
def tool(tmp, pic, how, opts=()):
    out = os.path.join(tmp, "out.bmp")
    if how == "pillow":
        pic.save(out, "BMP")
    elif how == "netpbm":
        pic.convert("RGB").save(out + ".ppm")
        subprocess.run(["ppmtobmp", *opts, out + ".ppm"], check=True, stdout=open(out, "wb"), stderr=subprocess.DEVNULL)
    else:
        pic.save(out + ".png")
        subprocess.run(["convert", out + ".png", *opts, how + out], check=True)
    return open(out, "rb").read()


# Width, height, depth, compression, colours used, palette offset and entry size as the
# converter reads them: the 12-byte OS/2 1.x header, or the Windows one, where a header of
# 16 to 39 bytes lacks the fields from its end on and one under 16 is read as 40 bytes.
def fields(d):
    hsize = struct.unpack_from("<I", d, 14)[0]
    if hsize == 12:
        return (*struct.unpack_from("<HHxxH", d, 18), 0, 0, 26, 3)
    read = lambda at, fmt: 0 if 16 <= hsize < 40 and at >= 14 + hsize else struct.unpack_from(fmt, d, at)[0]
    return (*struct.unpack_from("<iixxH", d, 18), read(30, "<H"), read(46, "<i"), 14 + hsize if hsize >= 16 else 54, 4)


def header_line(d):
    w, h, bpp, comp = fields(d)[:4]
    return "w: %d, h: %d,bpp: %d, comp: %d \n" % (w, abs(h), bpp, comp)


# Header line, size, palette, and the rows (top first) of 0/1 values and of mode-2 values.
# The pixels are Pillow's reading of the file, or the indices (the bits for direct colour
# depths) given by hand as hex digits, rows top first, joined by '/'.
def expected(path, d, given=None):
    w, h, bpp, comp, used, at, size = fields(d)
    count = min(used or {4: 16, 8: 256}.get(bpp, 0), 256)
    count = min(count, max(struct.unpack_from("<I", d, 10)[0] - 26, 0) // 3) if size == 3 else count  # whole ones before pixels
    pal = [0] * 256
    if bpp in (4, 8):
        for i in range(count):
            b, g, r = d[at + size * i:at + size * i + 3]
            pal[i] = 0xFF000000 | r << 16 | g << 8 | b
    if given is not None:
        idx = [int(v, 16) for row in given.split("/") for v in (row.split() if " " in row else row)]
    elif bpp <= 8:
        im, grey = Image.open(path), {}  # Pillow gives grey levels, not indices, for grey palettes
        for i in reversed(range(max(count, 2))):
            grey[pal[i] & 0xFF if bpp > 1 else 255 * (d[at + size * i] > 127)] = i
        idx = list(im.getdata()) if im.mode == "P" else [grey[v] for v in im.getdata()]
    else:
        idx = [int(p[2] > 127) for p in Image.open(path).convert("RGB").getdata()]
    if bpp == 1:
        idx = [1 - i for i in idx]  # a clear bit stores 1, whatever the palette
    listed = pal[:max(count, 0)] if bpp in (4, 8) else [0] * min(max(used, 0), 256)  # never loaded: 0
    rgbs = None if bpp == 1 else [rgb(pal[i]) for i in idx] if bpp in (4, 8) else \
        list(Image.open(path).convert("RGB").getdata()) if path else direct_colours(d)
    # Each pixel's colour and alpha: a 1-bit picture's by its palette entries (black where the file
    # has none), the alpha of direct colours from the alpha mask.
    if bpp == 1:
        entries = 0 if used < 0 else 2 if used == 0 else min(used, 2)
        entries = min(entries, max(struct.unpack_from("<I", d, 10)[0] - 26, 0) // 3) if size == 3 else entries
        bit = [rgb(int.from_bytes(d[at + size * b:at + size * b + 3], "little")) if b < entries and at + size * b + 3 <= len(d)
               else (0, 0, 0) for b in range(2)]
        rgbas = [bit[1 - i] + (255,) for i in idx]
    else:
        rgbas = [c[:3] + (a,) for c, a in zip(rgbs, [c[3] for c in direct_colours(d)] if bpp > 8 else [255] * len(rgbs))]
    return (header_line(d), w, abs(h), listed) + pixel_rows(idx, pal, bpp in (4, 8), w, abs(h)) + (rgbs, bpp in (4, 8), rgbas)


def rgb(argb):
    return argb >> 16 & 255, argb >> 8 & 255, argb & 255


# The colours of a direct-colour BMP, top row first, as the man page gives them: 15 and 16
# bits 5-5-5 times 8 (16 bits with compression 3 and no masks 4-4-4 times 16), 24 and 32 bits
# their bytes (32 with compression 3 and no masks alpha, blue, green, red); a declared mask's
# field v of n bits as v x 255 / (2^n - 1), or its top 8 bits when n > 8. Then alpha: the field
# of the alpha mask of a header of 56 bytes or more, else 255.
def direct_colours(d):
    w, h, bpp, comp, used, at, size = fields(d)
    hsize, offset = struct.unpack_from("<I", d, 14)[0], struct.unpack_from("<I", d, 10)[0]
    nbytes = 2 if bpp in (15, 16) else bpp // 8
    masks = struct.unpack_from("<III", d, 54) if comp == 3 and len(d) >= 66 and (hsize >= 52 or (hsize == 40 and offset >= 66)) else (0, 0, 0)
    limit = (1 << (8 * nbytes)) - 1
    declared = comp == 3 and bpp in (16, 32) and masks[2] & limit
    fixed = [(0x7C00, 0x3E0, 0x1F), (0xF00, 0xF0, 0xF), (0xFF0000, 0xFF00, 0xFF), (0xFF000000, 0xFF0000, 0xFF00)]
    layout = [m & limit for m in masks] if declared else fixed[0 if bpp == 15 or (bpp == 16 and comp != 3) else 1 if bpp == 16 else 3 if bpp == 32 and comp == 3 else 2]
    def channel(v, mask, scaled=declared):
        shift = (mask & -mask).bit_length() - 1 if mask else 0
        bits = mask.bit_length() - shift if mask else 0
        v = (v & mask) >> shift
        return v >> (bits - 8) if bits > 8 else (v * 255 // ((1 << bits) - 1) if scaled else v << (8 - bits)) if bits else 0
    stride = ((bpp * w + 31) >> 3) & ~3
    rows = range(abs(h)) if h < 0 else reversed(range(abs(h)))
    amask = struct.unpack_from("<I", d, 66)[0] & limit if bpp in (16, 32) and hsize >= 56 and len(d) >= 70 else 0
    out = []
    for r in rows:
        for x in range(w):
            v = int.from_bytes(d[offset + r * stride + x * nbytes:offset + r * stride + (x + 1) * nbytes], "little")
            out.append(tuple(channel(v, m) for m in layout) + (channel(v, amask, True) if amask else 255,))
    return out


# The warning of a picture whose blue and luma read apart on more than 1% of its pixels
# (rgbs: their colours, None for one that is transparent), under the threshold t.
def disagreement(rgbs, t=127, invert=False):
    luma = lambda c: 299 * c[0] + 587 * c[1] + 114 * c[2] >= 1000 * t + 500
    up = sum(1 for c in rgbs if c is not None and c[2] <= t and luma(c))
    down = sum(1 for c in rgbs if c is not None and c[2] > t and not luma(c))
    if up + down == 0 or (up + down) * 100 <= len(rgbs):
        return ""
    more, other = (up, down) if up >= down else (down, up)
    return "imgtrell: warning: %d pixel%s %s by their blue but %s by their luma%s (see --rule and --preview)\n" % (
        more, " is" if more == 1 else "s are", "0" if (up >= down) != invert else "1", "bright" if up >= down else "dark",
        ", %d the other way round" % other if other else "")


# The warning of a picture that the rule in use and --rule ink read apart on more than 1% of
# its opaque pixels: pixels are their colours and alpha (255 where the file has none), bits
# what the rule in use makes of each colour (before a dither); alpha: --alpha, which makes the
# colour key transparent too. Not said of a picture of more than 16 colours (each with its
# transparency and its bit), nor of one of opaque greys alone. The background: transparency
# where a pixel of the border is transparent, else the colour of most of the border, then of
# most of the picture, then the darker (luma), then the lower RGB value.
def ink_warning(pixels, bits, w, h, alpha=False):
    if len({(c[:3], c[3] < 128, b) for c, b in zip(pixels, bits)}) > 16:
        return ""
    keys = [None if c[3] < 128 or (alpha and c[0] > 240 and c[1] < 16 and c[2] > 240) else c[:3] for c in pixels]
    if all(k is not None and k[0] == k[1] == k[2] for k in keys):
        return ""
    edge = [keys[y * w + x] for y in range(h) for x in range(w) if y in (0, h - 1) or x in (0, w - 1)]
    around, count = collections.Counter(edge), collections.Counter(keys)
    luma = lambda k: 299 * k[0] + 587 * k[1] + 114 * k[2]
    background = None if None in around else min(around, key=lambda k: (-around[k], -count[k], luma(k), k))
    ink = [k is not None and k != background for k in keys]
    up = sum(1 for i, b in zip(ink, bits) if i and not b)
    down = sum(1 for i, b in zip(ink, bits) if b and not i)
    if up + down == 0 or (up + down) * 100 <= sum(1 for k in keys if k is not None):
        return ""
    more, other = (up, down) if up >= down else (down, up)
    what = ("is ink by its colour" if more == 1 else "are ink by their colour") if up >= down else \
        ("is background or transparent" if more == 1 else "are background or transparent")
    return "imgtrell: warning: %d pixel%s read %d %s%s (see --rule ink, --preview-png)\n" % (
        more, "" if more == 1 else "s", 0 if up >= down else 1, what, ", %d the other way round" % other if other else "")


# The rows (top first) of 0/1 values and of mode-2 values of the pixels idx: for a palette
# picture indices, read through their colours (the blue threshold, the colour key); else the
# 0/1 values themselves.
def pixel_rows(idx, pal, palette, w, h):
    if palette:
        key = lambda c: c >> 16 & 255 > 240 and c >> 8 & 255 < 16 and c & 255 > 240
        bits = [int(pal[i] & 0xFF > 127) for i in idx]
        values = [0 if key(pal[i]) else (i + 1) & 255 for i in idx]
    else:
        bits, values = idx, [v + 1 for v in idx]
    grid = lambda vals: [vals[y * w:(y + 1) * w] for y in range(h)]
    return grid(bits), grid(values)


def picdata(name, w, h, bits, values, mode):
    pack = lambda row, x: sum(128 >> i for i in range(8) if x + i < w and row[x + i])
    lines = [";image: %s - %d x %d\n" % (name, w, h), "IMGDATA:\n"]
    if mode == 2:
        lines += ["DB " + "\nDB ".join("".join("#%02x," % v for v in row[i:i + 16]) for i in range(0, max(w, 1), 16)) + "\n"
                  for row in values]
    elif mode == 0:
        lines += ["DB " + "".join("#%02x," % pack(row, x) for row in bits) + "\n" for x in range(0, w, 8)]
    else:
        lines += ["DB " + "".join("#%02x," % pack(row, x) for x in range(0, w, 8)) + "\n" for row in bits]
    return "".join(lines) + "\n"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# A case converting the file d, named stem + ext, in the mode (None: no mode argument), with
# the options opts before the file.
def case(name, stem, d, mode, console, status, files=(), ext=".bmp", stderr="", opts=()):
    folder = casefolders.generated("imgtrell", name, SCRIPT)
    write(os.path.join(folder, "in", stem + ext), d)
    write(os.path.join(folder, "args"), "".join(o + "\n" for o in opts) + stem + ext + "\n" + ("" if mode is None else "%d\n" % mode))
    write(os.path.join(folder, "status"), "%d\n" % status)
    write(os.path.join(folder, "stdout"), BANNER + "Loading image: %s%s\n" % (stem, ext) + console)
    if stderr:
        write(os.path.join(folder, "stderr"), stderr)
    for filename, text in files:
        write(os.path.join(folder, "out", filename), text)


# A file a tool wrote from the picture pic; Pillow must read the picture back.
def fixture(stem, pic, how, opts, modes, lossy=False):
    with tempfile.TemporaryDirectory() as tmp:
        d = tool(tmp, pic, how, opts)
        write(os.path.join(tmp, stem + ".bmp"), d)
        read = list(Image.open(os.path.join(tmp, stem + ".bmp")).convert("RGB").getdata())
        assert lossy or read == list(pic.convert("RGB").getdata()), stem + ": Pillow reads another picture"
        cases(stem, d, modes, expected(os.path.join(tmp, stem + ".bmp"), d))


# The warning of a picture whose bits in modes 0 and 1 are all 0 or all 1, naming the rule:
# the fixed one of a 1-bit BMP, else the blue threshold.
def warning(d, header, bits):
    flat = [b for row in bits for b in row]
    if not flat or len(set(flat)) > 1:
        return ""
    rule = "its bit is 0" if d[:2] == b"BM" and ",bpp: 1," in header else "its blue is above 127"
    return "imgtrell: warning: every pixel is %d (a pixel is 1 when %s; see --rule and --preview)\n" % (flat[0], rule)


# The warning of data past the 3584 bytes a CHIP8 program holds: in mode 2 a byte a pixel,
# else a byte per 8 columns of each row.
def memory(w, h, mode):
    size = w * h if mode == 2 else -(-w // 8) * h
    return ("imgtrell: warning: the picture takes %d bytes; a CHIP8 or SUPER-CHIP program holds at most 3584 (0x200 to "
            "0xFFF)%s\n" % (size, ", an XO-CHIP program 65024" if size > 65024 else "")) if size > 3584 else ""


# One case per mode converting the file d as read.
def cases(stem, d, modes, reading, ext=".bmp"):
    header, w, h, pal, bits, values, rgbs, palette, rgbas = reading
    for mode in modes:
        files = [("picdata.inc", picdata(stem + ext, w, h, bits, values, 2 if mode is None else mode))]
        console = header + "Writing CHIP8 image: picdata.inc\n"
        if mode in (None, 2):
            console += "".join("%08x\n" % c for c in pal)
            files.append(("picpal.inc", "PALDATA:\n" + "".join("DW #%04x,#%04x\n" % (c >> 16, c & 0xFFFF) for c in pal)))
        checked = not (palette and mode in (None, 2))
        misread = ink_warning(rgbas, [b for row in bits for b in row], w, h) if checked else ""
        case(stem + ("_default" if mode is None else "_m%d" % mode), stem, d, mode, console, 1, files, ext,
             (warning(d, header, bits) if mode not in (None, 2) else "") +
             (misread or (disagreement(rgbs) if checked and rgbs is not None else "")) +
             memory(w, h, 2 if mode is None else mode))


# A BMP built here: rows in file order, each padded to the stride, or the pixel bytes
# as they are (a run-length stream). Masks go at offset 54, inside a long header or after a
# 40-byte one. A header size of 12 makes an OS/2 1.x header with 3-byte palette entries;
# one of 16 to 39 is cut short, one under 16 written as 40 bytes.
def bmp(w, h, bpp, rows=(), pal=(), used=None, comp=0, hsize=40, offset=None, masks=b"", pixels=None):
    info = struct.pack("<IiiHHIIiiiI", hsize, w, h, 1, bpp, comp, 0, 0, 0, len(pal) if used is None else used, 0)
    info = (info + bytes(max(hsize - 40, 0)))[:hsize if hsize >= 16 else 40]
    info = struct.pack("<IHHHH", 12, w, h, 1, bpp) if hsize == 12 else info[:40] + masks + info[40 + len(masks):]
    entry = "<BBB" if hsize == 12 else "<BBBx"
    head = b"BM" + bytes(12) + info + b"".join(struct.pack(entry, c & 255, c >> 8 & 255, c >> 16) for c in pal)
    offset = len(head) if offset is None else offset
    s = ((bpp * max(w, 0) + 31) >> 3) & ~3
    data = bytearray(head.ljust(offset, b"\0") + (pixels if pixels is not None else b"".join(bytes(r).ljust(s, b"\0") for r in rows)))
    struct.pack_into("<II", data, 2, len(data), 0)
    struct.pack_into("<I", data, 10, offset)
    return bytes(data)


# Cases of a file built here, with the pixels given by hand (see expected).
def made(stem, d, modes, pixels):
    cases(stem, d, modes, expected(None, d, pixels))


# A refused file: the error line (after the header line when header is set), status 2, nothing written.
def refused(stem, d, cause, header=True):
    case(stem, stem, d, 1, (header_line(d) if header else "") + "Error: %s.bmp: %s\n" % (stem, cause), 2)


# Files built here, for what the tools do not write: the pixels are given by hand.
def hand_built():
    # Direct colour: only the blue that the pixel's reading forms decides.
    for stem, bpp, comp, px, bits in [
            ("d24", 24, 0, "800000 7fffff", "10"),           # blue 128 / 127; red and green play no part
            ("d15", 15, 0, "1000 efff", "10"),               # 5-5-5: blue 16 * 8 / 15 * 8
            ("d16", 16, 0, "0f0f 1000", "01"),               # 5-5-5 also for 16 bits
            ("d16_444", 16, 3, "0f0f f7ff", "10"),           # bit fields, no masks: 4-4-4
            ("d32", 32, 0, "80203040 7fffffff", "10"),       # blue, green, red, alpha
            ("d32_abgr", 32, 3, "80203040 10903040", "01"),  # bit fields, no masks: alpha, blue, green, red
            ("d32_comp_high", 32, 0x10003, "10900000", "1")]:  # the high 16 bits of compression play no part
        made(stem, bmp(len(bits), 1, bpp, [bytes.fromhex(px)], comp=comp), [1], bits)
    # A row of whole bytes that ends the file: nothing past it is read.
    made("d1_row_at_end", bmp(32, 1, 1, [b"\x0f\xf0\x00\xff"], [0, 0xFFFFFF]), [1], "0000111111110000" + "0" * 8 + "1" * 8)
    made("d24_top_down", bmp(1, -2, 24, [b"\xff\0\0", b"\0\0\0"]), [1], "1/0")  # the first row stored is the top
    # 17 pixels of 15 bits take 34 bytes, but the stride comes from 15 bits: 32.
    made("d15_stride", bmp(17, -2, 15, pixels=bytes.fromhex("1000") * 17 + bytes(32)), [1], "1" * 17 + "/1" + "0" * 16)
    # A row wider than a run of 1024 pixels read through bit fields: the second run's pixels are its own.
    wide = "".join("1" if i >= 1024 or i % 3 == 0 else "0" for i in range(1030))
    made("d16_wide", bmp(1030, 1, 16, [b"".join(bytes.fromhex("1000" if c == "1" else "0f00") for c in wide)]), [1], wide)
    # The palette: as many colours as used says (16 / 256 when 0, at most 256, none when negative);
    # an index past them finds colour 0. Pixel index 5 or blue 128.
    grey = [0x010101 * i for i in range(256)]
    for bpp, used, row in [(4, 0, b"\x50"), (4, 5, b"\x50"), (4, 20, b"\x50"), (8, 0, b"\x05"), (8, 257, b"\x05"),
                           (8, -3, b"\x05"), (24, 7, b"\x80\0\0"), (1, 300, b"\0")]:
        made("pal%d_used%d" % (bpp, used), bmp(1, 1, bpp, [row], grey, used), [2], {1: "0", 4: "5", 8: "5", 24: "1"}[bpp])
    # The palette follows the information header, whatever its size (under 16 bytes it is at 54).
    # After the 12-byte OS/2 1.x header: 3-byte entries, 2^bits of them or the whole ones before
    # the pixels. Headers of 16 to 39 bytes end before the compression (at 30) and the colours
    # used (at 46) fields when those start past them: entry 0 of grey16 would read as compression 1,
    # a later entry as a count of colours.
    for hsize in (12, 108):
        made("pal_hsize%d" % hsize, bmp(2, 1, 8, [[1, 0]], [0x12ABCD, 0x345678], hsize=hsize), [2, 0], "10")
    grey16 = [0x111111 * i | 1 for i in range(16)]
    for hsize, used in [(13, None), (16, None), (20, None), (24, None), (32, None), (36, 5)]:
        made("pal_hsize%d" % hsize, bmp(2, 1, 4, [[0x5A]], grey16, used, hsize=hsize), [2], "5a")
    # The memory budget: 64 x 56 bytes in mode 2 are what a CHIP8 program holds, 64 x 64 more (a warning).
    for h in (56, 64):
        rows = [[(x + y) % 2 for x in range(64)] for y in range(h)]
        made("budget_%d" % (64 * h), bmp(64, h, 8, rows[::-1], [0, 0xFFFFFF]), [2], "/".join("".join(map(str, r)) for r in rows))
    made("os2_partial_entry", bmp(2, 1, 8, [[2, 1]], [0x12ABCD, 0x345678], hsize=12, offset=34), [2], "21")
    made("os2_gap", bmp(3, 1, 4, [[0xF1, 0x80]], grey16, hsize=12, offset=80), [2, 0], "f18")
    made("os2_empty_0x65535", bmp(0, 65535, 24, hsize=12), [0], "")
    # The last entry's reserved byte need not be in the file; the pixel is the 'B' at offset 0.
    d = bmp(1, 1, 8, pal=[0, 0xFF], offset=0)[:61]
    made("pal_no_last_reserved", d, [2], "42 ")
    refused("pal_short", d[:60], "file too short: 2 palette colours at offset 54 need 61 bytes, the file has 60")
    # The last row needs only the bytes it takes, not its padding.
    d = bmp(3, 2, 24, [b"\xff" * 9, b"\0" * 9])[:-3]
    made("last_row_unpadded", d, [1], "000/111")
    refused("last_row_short", d[:-1], "file too short: pixel row 2 of 2 ends at byte 75, the file has 74")
    for bpp, w, taken in [(1, 65, 9), (4, 3, 2)]:  # a row's last byte holds fewer pixels than the others
        d = bmp(w, 1, bpp, [bytes(taken)], [0, 0xFFFFFF])[:62 + taken - 1]
        refused("last_row_short_%dbit" % bpp, d, "file too short: pixel row 1 of 1 ends at byte %d, the file has %d"
                % (62 + taken, 61 + taken))
    made("offset_32bit", bmp(1, 1, 24, [b"\xff\0\0"], offset=0x10036), [1], "1")  # 16 bits would say 54
    # Pictures without pixels still write their lines, but take no pixel bytes.
    made("empty_0x5", bmp(0, 5, 24, offset=4000)[:54], [0, 1, 2], "////")
    made("empty_17x0", bmp(17, 0, 24), [0, 1, 2], "")
    made("empty_65535x0", bmp(65535, 0, 8, used=1, pal=[0]), [0], "")
    # Refusals, with the value and the limit.
    d = bmp(2, 2, 8, [[0, 1], [2, 3]], [1, 2, 3, 4])
    edit = lambda at, fmt, *v: d[:at] + struct.pack(fmt, *v) + d[at + struct.calcsize(fmt):]
    refused("short_empty", b"", "file too short: 0 bytes, a BMP header takes 54", False)
    refused("short_53", d[:53], "file too short: 53 bytes, a BMP header takes 54", False)
    # Only files that begin with BM are read; up to 4 of their first bytes are named.
    for stem, data, begins in [
            ("jpeg", b"\xff\xd8\xff\xe0\0\x10JFIF", "FF D8 FF E0"), ("gif", b"GIF89a\1\0", "47 49 46 38"), ("text", b"hi\n", "68 69 0A"),
            ("png_like", b"\x89PNG\n\r\x1a\n" + bytes(60), "89 50 4E 47"), ("os2_array", b"BA" + d[2:], "42 41 4E 00")]:
        refused("not_bmp_" + stem, data, "not a BMP file: it begins with " + begins, False)
    os2 = bmp(2, 2, 24, [b"\xff" * 6, b"\0" * 6], hsize=12)
    refused("os2_short", os2[:25], "file too short: 25 bytes, a BMP header takes 26", False)
    refused("os2_cut", bmp(1, 1, 8, [[0]], [0] * 256, hsize=12)[:793],
            "file too short: 256 palette colours at offset 26 need 794 bytes, the file has 793")
    # JPEG and PNG inside a BMP (OS/2: RLE24), whatever the depth; only the low 16 bits count.
    for stem, bpp, comp, cause in [("comp4_rle24", 24, 4, "4 (JPEG or RLE24)"), ("comp5_png", 0, 0x10005, "5 (PNG)")]:
        refused(stem, edit(28, "<HI", bpp, comp), "compression %s is not supported" % cause, False)
    for bpp in (0, 48, 0x108):
        refused("bpp%d" % bpp, edit(28, "<H", bpp), "%d bits per pixel is not supported (1, 4, 8, 15, 16, 24 or 32)" % bpp, False)
    for bpp in (0, 2, 16, 32):
        refused("os2_bpp%d" % bpp, os2[:24] + struct.pack("<H", bpp) + os2[26:],
                "%d bits per pixel is not supported (1, 4, 8 or 24 in an OS/2 1.x header)" % bpp, False)
    refused("hsize_huge", edit(14, "<I", 0xFFFFFFF0),
            "file too short: 4 palette colours at offset 4294967294 need 4294967309 bytes, the file has 78")
    refused("offset_huge", edit(10, "<I", 0xFFFFFFFF), "file too short: pixel row 1 of 2 ends at byte 4294967297, the file has 78")
    refused("empty_too_wide", edit(18, "<ii", 0x7FFFFFFF, 0),
            "a picture of 2147483647 x 0 has no pixels; an empty picture may measure at most 65535", False)
    refused("largest", edit(18, "<iixxH", 0x7FFFFFFF, 0x7FFFFFFF, 32),
            "file too short: pixel row 1 of 2147483647 ends at byte 8589934658, the file has 78")
    d = edit(30, "<H", 1)  # compression 1, the rows of an 8-bit picture for a stream
    e = lambda at, fmt, *v: d[:at] + struct.pack(fmt, *v) + d[at + struct.calcsize(fmt):]
    for stem, data, cause in [
            ("rle_4bits", e(28, "<H", 4), "compression 1 needs 8 bits per pixel, not 4"),
            ("rle_8bits", edit(30, "<H", 2), "compression 2 needs 4 bits per pixel, not 8"),
            ("rle_top_down", e(22, "<i", -2), "height -2 is negative (rows top-down), which compression 1 does not allow"),
            ("rle_at_end", e(10, "<I", 78), "file too short: the run-length pair at byte 78 needs byte 78, the file has 78"),
            ("rle_past_end", e(10, "<I", 0xFFFFFFFF),
             "file too short: the run-length pair at byte 4294967295 needs byte 4294967295, the file has 78")]:
        refused(stem, data, cause)

    # Run-length streams, 16 colours (the even ones blue), pixels as indices.
    pal16 = [0xFFFF00 if i % 2 else 0x0000FF for i in range(16)]
    rle = lambda bpp, w, h, stream: bmp(w, h, bpp, pal=pal16, comp=1 if bpp == 8 else 2, pixels=bytes(stream))
    for stem, bpp, w, h, stream, pixels in [
            ("rle8_runs", 8, 3, 2, [2, 5, 1, 7, 0, 0, 3, 4, 0, 1], "444/557"),
            ("rle8_no_wrap", 8, 3, 2, [5, 6, 0, 0, 1, 2, 0, 1], "200/666"),          # a run never wraps
            ("rle8_delta", 8, 4, 3, [1, 1, 0, 2, 2, 1, 1, 3, 0, 1], "0000/0003/1000"),
            ("rle8_delta_past_top", 8, 2, 2, [1, 4, 0, 2, 0, 5], "00/40"),            # ends it
            ("rle8_top_right", 8, 2, 2, [2, 3, 0, 0, 2, 5], "55/33"),                 # ends it: no end of bitmap
            ("rle8_absolute", 8, 4, 1, [0, 3, 1, 2, 3, 9, 0, 1], "1230"),             # pad byte skipped
            ("rle8_absolute_wide", 8, 2, 2, [0, 3, 1, 2, 3, 0, 0, 0, 1, 4, 0, 1], "40/12"),
            ("rle8_absolute_cut", 8, 2, 1, [0, 5, 7, 8], "78"),                       # its rest not needed
            ("rle8_unset", 8, 3, 2, [1, 3, 0, 1], "000/300"),                         # unset pixels: index 0
            ("rle4_runs", 4, 5, 2, [5, 0x12, 0, 0, 3, 0x34, 0, 1], "34300/12121"),
            ("rle4_absolute", 4, 6, 1, [0, 5, 0x12, 0x34, 0x50, 0x99, 1, 0x60], "123456"),
            ("rle4_delta", 4, 3, 3, [0, 2, 1, 1, 2, 0x56, 0, 0, 1, 0x70, 0, 1], "700/056/000"),
            ("rle4_absolute_cut", 4, 3, 1, [0, 6, 0x12, 0x34], "123"),
            ("rle4_absolute_at_end", 4, 4, 1, [0, 4, 0x12, 0x34], "1234"),          # its two bytes end the file
            ("rle4_alternate", 4, 4, 1, [4, 0x21], "2121"),
            ("rle8_one_column", 8, 1, 2, [1, 5, 0, 0, 1, 6], "6/5")]:
        made(stem, rle(bpp, w, h, stream), [2, 1], pixels)
    made("rle_top_down_empty", rle(8, 0, -3, []), [2], "//")  # top-down without pixels: nothing read
    # At most 4096 pixels a byte of file: 60 bytes (one colour, then an end of bitmap) give 245760.
    d = bmp(245760, 1, 8, pal=[0], comp=1, pixels=b"\0\1")
    made("rle_at_limit", d, [1], "0" * 245760)
    refused("rle_over_limit", d[:18] + struct.pack("<i", 245761) + d[22:],
            "a run-length picture of 245761 x 1 has 245761 pixels; a file of 60 bytes may give at most 245760 (4096 a byte)")
    for stem, bpp, w, h, stream, cause in [
            ("rle8_cut_pair", 8, 2, 2, [2, 1, 0], "the run-length pair at byte 120 needs byte 121, the file has 121"),
            ("rle8_cut_after_pad", 8, 4, 1, [0, 3, 1, 2, 3], "the run-length pair at byte 124 needs byte 124, the file has 123"),
            ("rle4_cut_delta", 4, 4, 2, [0, 2, 1], "the delta at byte 120 needs byte 121, the file has 121"),
            ("rle8_cut_absolute", 8, 4, 2, [0, 4, 1, 2, 3], "the absolute run at byte 120 needs byte 123, the file has 123"),
            ("rle4_cut_absolute", 4, 6, 1, [0, 5, 0x12, 0x34], "the absolute run at byte 120 needs byte 122, the file has 122")]:
        refused(stem, rle(bpp, w, h, stream), "file too short: " + cause)

    # Bit fields: the highest bit of the blue mask decides, where the file declares its masks
    # (a header of 52 bytes or more, or masks after a 40-byte one with the pixels at 66 or later);
    # else 4-4-4 and alpha first.
    masked = lambda bpp, hsize, blue, px: bmp(len(px), 1, bpp, [b"".join(px)], comp=3, hsize=hsize,
                                               masks=struct.pack("<III", 0, 0, blue))
    h = bytes.fromhex
    for stem, d, bits in [
            ("mask_bgra", masked(32, 124, 0xFF, [h("80000000"), h("7fffffff")]), "10"),
            ("mask_10bit_blue", masked(32, 124, 0x3FF, [h("00020000"), h("ff010000")]), "10"),  # 512 / 511 of 1023
            ("mask_565_hsize52", masked(16, 52, 0x1F, [h("1000"), h("efff")]), "10"),          # blue 16 / 15 of 31
            ("mask_565_after_header", masked(16, 40, 0x1F, [h("1000")]), "1"),
            ("mask_zero", masked(32, 124, 0, [h("00800000")]), "1"),                            # alpha first
            ("mask_16bit_above_15", masked(16, 124, 0x1F0000, [h("0800")]), "1")]:             # 4-4-4
        made(stem, d, [1], bits)
    d = bmp(1, 1, 16, [h("0800")], comp=3)  # a 124-byte header said, but the file ends before 66: no masks
    made("mask_file_too_short", d[:14] + struct.pack("<I", 124) + d[18:], [1], "1")
    d = masked(16, 40, 0x1F, [h("1000")])
    made("mask_pixels_at_65", d[:10] + struct.pack("<I", 65) + d[14:65] + h("1000"), [1], "0")  # no masks: 4-4-4


# The inputs of hand-written cases.
def hand_inputs():
    # 10 x 2, 4 bits, palette magenta, black, white; top row 0 1 2 1 2 1 2 1 2 0, bottom row all 2.
    pic = bmp(10, 2, 4, [[0x22] * 5, [0x01, 0x21, 0x21, 0x21, 0x20]], pal=[0xFF00FF, 0x000000, 0xFFFFFF])
    cases = {c: pic for c in ["mode0", "mode1", "mode2", "default_mode", "mode_letters", "mode_7", "mode_minus1",
                              "mode_huge", "mode_hex", "readonly_folder", "picdata_is_folder", "picpal_is_folder",
                              "picpal_is_folder_no_old", "picdata_is_dangling_link", "mode2_replaces_both", "stdin_closed",
                              "extra_argument"]}
    cases.update(short_file=pic[:10], negative_width=pic[:18] + struct.pack("<i", -10) + pic[22:],
                 two_bits=pic[:28] + b"\2" + pic[29:], truncated_pixels=pic[:-4],  # the last 3 bytes are padding
                 truncated_palette=pic[:46] + struct.pack("<i", 200) + pic[50:],
                 lowest_height=pic[:22] + struct.pack("<i", -2 ** 31) + pic[26:],
                 empty_too_tall=pic[:18] + struct.pack("<ii", 0, 70000) + pic[26:],
                 # The widest picture, its pixels at the last byte a 32-bit offset names: past 4 GiB.
                 huge_offset=bmp(0x7FFFFFFF, 1, 32)[:10] + struct.pack("<I", 0xFFFFFFFF) + bmp(0x7FFFFFFF, 1, 32)[14:54],
                 # 7 x 4, 4 bits: runs, a delta (3 right, 1 up), an absolute run past the width, and a run
                 # past the top right that ends the picture without an end of bitmap. Top row first:
                 # 3 0 1 2 2 1 2 / 0 0 0 0 0 1 2 / 2 2 0 0 0 0 0 / 1 3 1 3 1 3 1
                 rle4_mixed_m1=bmp(7, 4, 4, pal=[0, 0xFFFFFF, 0xFF00FF, 0x000080], comp=2, pixels=bytes(
                     [7, 0x13, 0, 0, 2, 0x22, 0, 2, 3, 1, 0, 3, 0x12, 0x30, 0, 0, 0, 4, 0x30, 0x12, 5, 0x21])),
                 rle8_truncated=bmp(4, 2, 8, pal=[0, 0xFFFFFF], comp=1, pixels=bytes([4, 1, 0, 0, 2])))
    cases["rle4_mixed_m2"] = cases["rle4_mixed_m1"]
    for case, data in cases.items():
        name = case[:4] + ".bmp" if case.startswith("rle") else "pic.bmp"
        write(os.path.join(casefolders.hand_written("imgtrell", case), "in", name), data)
    # 8 x 2, 8 bits, four greys (blue and luma alike); top row 3 2 1 0 3 2 1 0, bottom row 0 1 2 3 0 1 2 3.
    four = bmp(8, 2, 8, [[0, 1, 2, 3] * 2, [3, 2, 1, 0] * 2], pal=[0x000000, 0xFFFFFF, 0x404040, 0xC0C0C0])
    # 1 x 1, 24 bits, white; and 16777216 x 1, RLE8, the first 262144 pixels black, the rest white (index 0,
    # never set), a file of 4096 bytes: the most pixels 4096 bytes may give.
    one = bmp(1, 1, 24, [[255, 255, 255]])
    wide = bmp(1 << 24, 1, 8, pal=[0xFFFFFF, 0], comp=1, pixels=bytes([255, 1]) * 1028 + bytes([4, 1, 0, 1]))
    inputs = {"four.bmp": four, "one.bmp": one, "wide.bmp": wide.ljust(4096, b"\0")}
    for case, name in [("stride_leading_zeros", "four.bmp"), ("stride_past_max_pixels", "four.bmp"),
                       ("octo_options_is_output", "four.bmp"), ("octo_options_is_picdata", "four.bmp"),
                       ("octo_options_link_to_output", "four.bmp"), ("octo_label_tile_reserved", "four.bmp"),
                       ("octo_label_frame_reserved", "four.bmp"), ("octo_label_plane_reserved", "four.bmp"),
                       ("frame_pad_past_max_pixels", "one.bmp"), ("frame_pad_preview_past_max_pixels", "one.bmp"),
                       ("fit_wide_in_little_memory", "wide.bmp"), ("fit_wide_out_of_memory", "wide.bmp"),
                       ("dither_wide_in_little_memory", "wide.bmp")]:
        write(os.path.join(casefolders.hand_written("imgtrell", case), "in", name), inputs[name])
    # 64 x 64, 24 bits, blue in the left half: about 16 KB of text in mode 2.
    write(os.path.join(casefolders.hand_written("imgtrell", "disk_full"), "in", "big.bmp"), bmp(64, 64, 24, [[255, 0, 0] * 32 + [0, 0, 255] * 32] * 64))

# PNG: a chunk, and a file built here from its scanlines (each led by its filter byte).
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(w, h, depth, ctype, raw, plte=(), pre=b"", idat=None, ihdr=(0, 0, 0)):
    d = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBB3B", w, h, depth, ctype, *ihdr)) + pre
    d += chunk(b"PLTE", b"".join(c.to_bytes(3, "big") for c in plte)) if plte else b""
    return d + chunk(b"IDAT", zlib.compress(raw) if idat is None else idat) + chunk(b"IEND", b"")


# Header line, size, palette and rows of a PNG: Pillow's reading of the file at path (palette indices,
# or the blue or grey sample's top bit), or those given by hand as hex digits, rows joined by '/'.
def png_header(d):
    w, h, depth, ctype = struct.unpack_from(">IIBB", d, 16)
    return "w: %d, h: %d,bpp: %d, comp: 0 \n" % (w, h, depth * [1, 0, 3, 1, 2, 0, 4][ctype])


def png_reading(path, d, given=None):
    w, h, depth, ctype = struct.unpack_from(">IIBB", d, 16)
    at, pal, im = 8, [], Image.open(path) if path else None
    while at + 8 <= len(d):
        n, kind = struct.unpack_from(">I4s", d, at)
        pal = [0xFF000000 | int.from_bytes(d[at + i:at + i + 3], "big") for i in range(8, 8 + n, 3)] if kind == b"PLTE" else pal
        at += n + 12
    if given is not None:
        idx = [int(v, 16) for v in given.replace("/", "")]
    elif ctype == 3 or im.mode.startswith("I"):
        idx = [v if ctype == 3 else int(v > 32767) for v in im.getdata()]
    else:
        idx = [int(p[2] > 127) for p in im.convert("RGB").getdata()]
    full = pal + [0] * 256  # an index past the entries finds colour 0
    if ctype == 3:
        rgbs = [rgb(full[i]) for i in idx]
    else:
        rgbs = png_colours(d, w, h, depth, ctype) if ctype in (2, 6) else None  # grey: blue and luma alike
    # Each pixel's colour and alpha (tRNS included): Pillow's reading, or the colours of one built here.
    rgbas = list(im.convert("RGBA").getdata()) if im else [c[:3] + (255,) for c in rgbs] if ctype == 3 else rgbs
    return (png_header(d), w, h, pal if ctype == 3 else []) + pixel_rows(idx, full, ctype == 3, w, h) + (rgbs, ctype == 3, rgbas)


# The colours and alpha of a truecolour PNG (a 16-bit sample by its high byte): Pillow's
# reading, or of one built here (rows of filter 0) its samples as they are.
def png_colours(d, w, h, depth, ctype):
    try:
        return list(Image.open(io.BytesIO(d)).convert("RGBA").getdata())
    except Exception:
        at, data = 8, b""
        while at + 8 <= len(d):
            n, kind = struct.unpack_from(">I4s", d, at)
            data += d[at + 8:at + 8 + n] if kind == b"IDAT" else b""
            at += n + 12
        raw, step = zlib.decompress(data), (3 if ctype == 2 else 4) * depth // 8
        rows = [raw[y * (w * step + 1) + 1:(y + 1) * (w * step + 1)] for y in range(h)]
        return [tuple(row[x * step + c * depth // 8] for c in range(3)) + (row[x * step + 3 * depth // 8] if ctype == 6 else 255,)
                for row in rows for x in range(w)]


def png_files():
    grey = lambda w, h, shift=0: drawn(w, h, [0, 127, 128, 255, 126, 129, 64, 200, 90][shift:], mode="L")
    paletted = lambda w, h, cols, shift=0: (lambda im: im.putpalette([c for col in cols for c in col]) or im)(
        drawn(w, h, list(range(len(cols))), shift, "P"))
    interlaced = ["-interlace", "PNG"]
    with tempfile.TemporaryDirectory() as tmp:
        # stem, picture, written by Pillow or by ImageMagick (format prefix, options), depth, colour type, interlace, modes
        for stem, pic, how, opts, kind, modes in [
                ("pil_g8", grey(32, 19), "pillow", [], (8, 0, 0), [1]),
                ("pil_g16", Image.frombytes("I;16", (9, 2), bytes(range(0, 216, 6))), "pillow", [], (16, 0, 0), [1]),
                ("pil_ga8", Image.merge("LA", (grey(11, 3), grey(11, 3, 2))), "pillow", [], (8, 4, 0), [0]),
                ("pil_rgb8", sweep(137, 37), "pillow", [], (8, 2, 0), [0, 1, 2]),
                ("pil_rgba8", sprite(19, 11), "pillow", [], (8, 6, 0), [1]),
                ("pil_p2", paletted(17, 5, [RED, NAVY], 1), "pillow", [], (1, 3, 0), [1, 2]),
                ("pil_p16", paletted(13, 6, KEYS + [BLACK] * 5, 2), "pillow", [], (4, 3, 0), [None, 0, 1]),
                ("im_p200", paletted(128, 64, MANY[:200]), "", [], (8, 3, 0), [2, 0]),
                ("im_p2_interlaced", paletted(11, 7, [RED, NAVY], 2), "", interlaced, (2, 3, 1), [1]),
                ("im_g1_interlaced", grey(3, 2), "", ["-type", "Grayscale", "-depth", "1", *interlaced], (1, 0, 1), [1]),
                ("im_g2", grey(15, 4, 1), "", ["-type", "Grayscale", "-depth", "2"], (2, 0, 0), [1]),
                ("im_g4_interlaced", grey(17, 9), "", ["-type", "Grayscale", "-depth", "4", *interlaced], (4, 0, 1), [0]),
                ("im_ga16", Image.merge("LA", (grey(9, 5), grey(9, 5, 3))), "", ["-define", "png:bit-depth=16", "-depth", "16"], (16, 4, 0), [1]),
                ("im_rgb16_interlaced", sweep(23, 10), "PNG48:", interlaced, (16, 2, 1), [1, 0]),
                ("im_rgba16", sprite(14, 9), "PNG64:", [], (16, 6, 0), [1])]:
            out = os.path.join(tmp, stem + ".png")
            pic.save(out)
            subprocess.run(["convert", out, "-define", "png:exclude-chunks=date,time", *opts, how + out], check=True) if how != "pillow" else None
            d = open(out, "rb").read()
            assert (d[24], d[25], d[28]) == kind, stem + ": written as %d %d %d" % (d[24], d[25], d[28])
            cases(stem, d, modes, png_reading(out, d), ".png")
    # Built here: blue 128 / 127 decides whatever red, green and alpha (128 is transparent), gamma and
    # colour space; an ancillary chunk with a bad checksum is dropped; an index past PLTE is black.
    flip = lambda d, at: d[:at] + bytes([d[at] ^ 1]) + d[at + 1:]  # a bad checksum there
    noise = chunk(b"gAMA", struct.pack(">I", 10000)) + chunk(b"sRGB", b"\0") + flip(chunk(b"tEXt", b"a\0b"), -1)
    for stem, d, modes, pixels, ext in [
            ("png_blue8", png(2, 1, 8, 6, bytes.fromhex("00 000080 00 ffff7fff"), pre=noise), [1], "10", ".png"),
            ("png_blue16_named_bmp", png(2, 1, 16, 2, bytes.fromhex("00 000000008000 ffffffff7fff")), [1], "10", ".bmp"),
            ("png_index_past_plte", png(3, 1, 4, 3, b"\0\x01\x50", [0xFF, 0x00FFFF]), [1, 2], "015", ".png"),
            ("png_text", png(2, 1, 8, 2, bytes.fromhex("00 000080 ffff7f"), pre=chunk(b"tEXt", b"Comment\0drawn by hand")), [1], "10", ".png")]:
        cases(stem, d, modes, png_reading(None, d, pixels), ext)
    # Refused: IHDR and the chunks before the image data without the header line, the rest after it.
    ok, z = png(2, 1, 8, 2, bytes(7)), zlib.compress(bytes(7))
    for stem, d, cause, header in [
            ("ihdr_crc", flip(ok, 29), "invalid chunk checksum", 0), ("iend_crc", flip(ok, -1), "invalid chunk checksum", 1),
            ("last_idat_crc", ok[:33] + chunk(b"IDAT", z[:4]) + flip(chunk(b"IDAT", z[4:]), -1) + ok[-12:], "invalid chunk checksum", 1),
            ("colour_type_5", png(2, 1, 8, 5, b""), "invalid color type", 0), ("rgb_depth_4", png(2, 1, 4, 2, b""), "invalid bit depth", 0),
            *[(m + "_method", png(2, 1, 8, 2, b"", ihdr=f), "invalid %s method" % m, 0)
              for m, f in [("compression", (1, 0, 0)), ("filter", (0, 1, 0)), ("interlace", (0, 0, 2))]],
            ("width_0", png(0, 1, 8, 2, b""), "invalid image width", 0), ("height_2g", png(2, 2 ** 31, 8, 2, b""), "invalid image height", 0),
            ("no_plte", png(2, 1, 8, 3, bytes(3)), "missing PLTE for indexed image", 0), ("no_idat", ok[:33] + ok[-12:], "invalid chunk position", 0),
            ("unknown_critical", png(2, 1, 8, 2, b"", pre=chunk(b"CRIT", b"")), "unknown critical chunk", 0),
            ("adler32", png(2, 1, 8, 2, b"", idat=flip(z, -1)), "IDAT stream error", 1), ("cut_short", ok[:8], "end of stream", 0),
            ("ztxt_4mib", png(2, 1, 8, 2, b"", pre=chunk(b"zTXt", b"k\0\0" + zlib.compress(bytes(4 << 20 | 1)))), "reached chunk/cache limits", 0),
            ("data_short", png(2, 2, 8, 2, bytes(7)), "IDAT stream too short", 1),
            ("too_many_pixels", png(32768, 32769, 1, 0, b""), "a picture of 32768 x 32769 has 1073774592 pixels; at most 16777216 are read (see --max-pixels)", 1),
            ("row_too_long", png(262145, 1, 16, 6, b""), "a row of 262145 pixels of 64 bits takes 2097160 bytes; at most 2097152 are read", 1)]:
        console = (png_header(d) if header else "") + "Error: png_%s.png: " % stem + ("" if "read" in cause else "unreadable PNG: ")
        case("png_" + stem, "png_" + stem, d, 1, console + cause + "\n", 2, ext=".png")


# The bits and mode-2 values (rows, top first) of the picture at path under the pixel rule of
# the options: Pillow's reading of its colours and alpha; a palette picture's indices in mode 2.
# Alpha counts where the file carries it (an alpha channel, tRNS, a BMP's alpha mask, which
# Pillow reads as RGBA) and the magenta colour key in any picture.
def option(opts, names, default):
    found = default
    for i, o in enumerate(opts):
        for name in names:
            found = o[len(name) + 1:] if o.startswith(name + "=") else opts[i + 1] if o == name else found
    return found


def rule_rows(path, d, opts):
    rule, t = option(opts, ["--rule"], "plain"), int(option(opts, ["-t", "--threshold"], 127))
    invert, alpha, bmp = "--invert" in opts, "--alpha" in opts, d[:2] == b"BM"
    im = Image.open(path)
    w, h = im.size
    bpp = struct.unpack_from("<H", d, 28)[0] if bmp else 0
    if im.mode == "P" or (bmp and bpp == 1):
        # Indices and the file's colours: a 1-bit BMP's entries, black past them.
        idx = list(im.getdata()) if im.mode == "P" else [int(v > 0) for v in im.getdata()]
        pal = im.getpalette() or []
        if bmp and bpp == 1:
            pal = [c for i in range(2) for c in reversed(d[54 + 4 * i:57 + 4 * i])]
        tr = im.info.get("transparency", b"")
        tr = bytes(0 if i == tr else 255 for i in range(256)) if isinstance(tr, int) else tr
        rgba = [tuple(pal[3 * i:3 * i + 3] or (0, 0, 0)) + ((tr[i] if i < len(tr) else 255),) for i in range(256)]
        colours = [rgba[i] for i in idx]
    else:
        idx, colours = None, list(im.convert("RGBA").getdata())
        if not (im.mode in ("RGBA", "LA") or "transparency" in im.info):
            colours = [c[:3] + (255,) for c in colours]
    value = {"luma": lambda r, g, b: (299 * r + 587 * g + 114 * b + 500) // 1000,
             "any": lambda r, g, b: max(r, g, b)}.get(rule, lambda r, g, b: b)
    key = lambda r, g, b, a: r > 240 and g < 16 and b > 240
    clear = [alpha and (a < 128 or key(r, g, b, a)) for r, g, b, a in colours]
    if bmp and bpp == 1 and rule == "plain":
        bits = [int((i == 0) != invert) for i in idx]  # by the fixed rule: a clear bit is 1
    else:
        bits = [int((value(*c[:3]) > t) != invert) for c in colours]
    bits = [0 if c else b for b, c in zip(bits, clear)]
    palette = im.mode == "P" and not (bmp and bpp == 1)
    if palette:
        values = [0 if c or key(*colours[k]) else (i + 1) & 255 for k, (i, c) in enumerate(zip(idx, clear))]
    else:
        values = [0 if c else b + 1 for b, c in zip(bits, clear)]
    grid = lambda vals: [vals[y * w:(y + 1) * w] for y in range(h)]
    checked = rule == "plain" and not (bmp and bpp == 1)
    seen = [None if c else col[:3] for col, c in zip(colours, clear)] if checked else None
    return grid(bits), grid(values), seen, palette, colours


# Cases of the file d (written to path) under the options of a pixel rule, in each mode; the
# preview after the files when asked for; the warning of one value, naming the rule.
def rule_cases(stem, path, d, runs):
    ext = ".bmp" if d[:2] == b"BM" else ".png"
    plain = expected(path, d) if ext == ".bmp" else png_reading(path, d)
    header, w, h, pal = plain[:4]
    for suffix, opts, mode in runs:
        bits, values, seen, palette, colours = rule_rows(path, d, opts)
        files = [("picdata.inc", picdata(stem + ext, w, h, bits, values, mode))]
        console = header + "Writing CHIP8 image: picdata.inc\n"
        if mode == 2:
            console += "".join("%08x\n" % c for c in pal)
            files.append(("picpal.inc", "PALDATA:\n" + "".join("DW #%04x,#%04x\n" % (c >> 16, c & 0xFFFF) for c in pal)))
        if "--preview" in opts:
            console += "".join("".join("#" if v else "." for v in row) + "\n" for row in (values if mode == 2 else bits))
        stderr = ""
        flat = [b for row in bits for b in row]
        if mode != 2 and flat and len(set(flat)) == 1:
            given = option(opts, ["--rule"], "plain")
            rule = {"plain": "blue", "any": "red, green or blue"}.get(given, given)
            t = option(opts, ["-t", "--threshold"], "127")
            what = ("its bit is %s" % ("1" if "--invert" in opts else "0") if ext == ".bmp" and ",bpp: 1," in header and given == "plain"
                    else "its %s is %s" % (rule, t + " or below" if "--invert" in opts else "above " + t))
            stderr = "imgtrell: warning: every pixel is %d (a pixel is 1 when %s%s; see --rule and --preview)\n" % (
                flat[0], "it is opaque and " if "--alpha" in opts else "", what)
        misread = ""
        if option(opts, ["--rule"], "plain") == "plain" and not (palette and mode == 2):
            misread = ink_warning(colours, [b for row in bits for b in row], w, h, "--alpha" in opts)
        if seen is not None and not (palette and mode == 2):
            stderr += misread or disagreement(seen, int(option(opts, ["-t", "--threshold"], 127)), "--invert" in opts)
        else:
            stderr += misread
        case("rule_%s_%s" % (stem, suffix), stem, d, mode, console, 1, files, ext, stderr, opts)


# Pictures saved as pixel editors save them, converted under the pixel rules.
def rule_files():
    ink = ["........", "..####..", ".#....#.", ".#.##.#.", ".#.##.#.", ".#....#.", "..####..", "........"]
    heart = ["........", ".##..##.", "########", "########", ".######.", "..####..", "...##...", "........"]
    draw = lambda rows, on, off, mode="RGB": (lambda im: im.putdata([on if c == "#" else off for r in rows for c in r]) or im)(
        Image.new(mode, (len(rows[0]), len(rows))))
    with tempfile.TemporaryDirectory() as tmp:
        def saved(name, pic, how="pillow", fmt="PNG", opts=(), **kw):
            path = os.path.join(tmp, name)
            if how == "pillow":
                pic.save(path, fmt, **kw)
            else:
                pic.save(path + ".src.png")
                subprocess.run(["convert", path + ".src.png", "-define", "png:exclude-chunks=date,time", *opts, how + path],
                               check=True)
            return path, open(path, "rb").read()
        # A black sprite on a transparent background stored as white.
        path, d = saved("sprite.png", draw(ink, (0, 0, 0, 255), (255, 255, 255, 0), "RGBA"))
        rule_cases("rgba_white_bg", path, d, [("plain_m1", [], 1), ("alpha_invert_m1", ["--alpha", "--invert"], 1),
                                               ("alpha_preview_m2", ["--alpha", "--preview"], 2)])
        # A palette picture whose transparent index (tRNS) is magenta.
        pic = draw(ink, 1, 0, "P")
        pic.putpalette([255, 0, 255, 255, 255, 120])
        path, d = saved("keyed.png", pic, transparency=0)
        rule_cases("indexed_trns", path, d, [("plain_m1", [], 1), ("alpha_m1", ["--alpha"], 1),
                                              ("alpha_m2", ["--alpha"], 2)])
        # Grey with a tRNS grey, and 16-bit RGBA.
        path, d = saved("grey.png", draw(ink, 200, 90, "L"), transparency=90)
        rule_cases("grey_trns", path, d, [("alpha_m1", ["--alpha", "-t", "100"], 1)])
        path, d = saved("rgba16.png", draw(ink, (250, 120, 10, 255), (0, 0, 255, 0), "RGBA"), "PNG64:")
        assert d[24:26] == b"\x10\x06", "rgba16.png: not 16-bit RGBA"
        rule_cases("rgba16", path, d, [("luma_alpha_m0", ["--rule", "luma", "--alpha"], 0)])
        # 32-bit BMPs of white ink on a transparent white: ImageMagick writes an alpha mask for a
        # picture with alpha, which is read; Pillow writes none, and its fourth bytes are not read.
        sprite32 = draw(ink, (250, 250, 250, 255), (255, 255, 255, 0), "RGBA")
        path, d = saved("im32.bmp", sprite32, "")
        assert struct.unpack_from("<I", d, 66)[0], "im32.bmp: no alpha mask"
        rule_cases("im32_alpha_mask", path, d, [("alpha_m1", ["--alpha"], 1)])
        path, d = saved("pil32.bmp", sprite32, fmt="BMP")
        assert struct.unpack_from("<H", d, 28)[0] == 32 and struct.unpack_from("<I", d, 14)[0] < 56, "pil32.bmp"
        rule_cases("pil32_no_mask", path, d, [("alpha_m1", ["--alpha"], 1)])
        # A red heart on black under each rule, and luma either side of its value (76).
        path, d = saved("heart.bmp", draw(heart, (255, 0, 0), (0, 0, 0)), fmt="BMP")
        rule_cases("red_heart", path, d, [("blue_m1", ["--rule", "blue"], 1), ("luma_m1", ["--rule", "luma"], 1),
                                          ("any_m0", ["--rule", "any"], 0), ("luma_t75_m1", ["--rule", "luma", "-t", "75"], 1),
                                          ("luma_t76_m1", ["--rule=luma", "--threshold=76"], 1),
                                          ("any_preview_m2", ["--rule", "any", "--preview"], 2)])
        # Black ink on white as a 1-bit PNG (read by its colours) and as a 1-bit BMP (by its bits,
        # or with --rule by its palette: ink red, paper navy).
        path, d = saved("ink.png", draw(ink, 0, 1, "1"))
        rule_cases("ink_1bit_png", path, d, [("plain_m1", [], 1), ("invert_m1", ["--invert"], 1),
                                             ("invert_preview_m0", ["--invert", "--preview"], 0)])
        pic = draw(ink, 0, 1, "P")
        pic.putpalette([255, 0, 0, 0, 0, 128])
        path, d = saved("ink1.bmp", pic, "BMP3:", opts=["-type", "palette", "-colors", "2"])
        assert d[28] == 1, "ink1.bmp: not 1 bit"
        rule_cases("ink_1bit_bmp", path, d, [("plain_m1", [], 1), ("rule_blue_m1", ["--rule", "blue"], 1),
                                             ("rule_any_m1", ["--rule", "any"], 1)])
        # R5G6B5 bit fields, each scaled to 0-255, under the rules that read red and green too.
        path, d = saved("im565.bmp", sweep(17, 6, 5), "", opts=["-define", "bmp:subtype=RGB565"])
        rule_cases("im16_565", path, d, [("any_m1", ["--rule", "any", "-t", "150"], 1), ("luma_m0", ["--rule", "luma"], 0)])
        # A palette of greens and reds under the rules that read them; a transparent background that
        # stays as it is without --alpha.
        pic = draw(ink, 1, 0, "P")
        pic.putpalette([200, 20, 40, 30, 220, 60])
        path, d = saved("greens.png", pic)
        rule_cases("greens", path, d, [("any_m1", ["--rule", "any", "-t", "210"], 1), ("luma_m1", ["--rule", "luma"], 1)])
        path, d = saved("sprite_t100.png", draw(ink, (0, 0, 0, 255), (255, 255, 255, 0), "RGBA"))
        rule_cases("rgba_no_alpha", path, d, [("t100_m1", ["-t", "100"], 1)])
        # The magenta colour key on a 24-bit picture, and alpha either side of 128.
        path, d = saved("keyed24.bmp", draw(ink, (255, 255, 255), (255, 0, 255)), fmt="BMP")
        rule_cases("keyed24", path, d, [("alpha_m1", ["--alpha"], 1)])
        path, d = saved("alpha128.png", draw(ink, (255, 255, 255, 128), (255, 255, 255, 127), "RGBA"))
        rule_cases("alpha_edge", path, d, [("alpha_m1", ["--alpha"], 1)])
        # RGB with a tRNS colour: the pixels that differ from it in green or blue alone stay.
        pic = draw(ink, (10, 200, 30), (10, 200, 31))
        pic.putpixel((0, 0), (10, 199, 30))
        path, d = saved("rgb_trns.png", pic, transparency=(10, 200, 30))
        rule_cases("rgb_trns", path, d, [("alpha_invert_m1", ["--alpha", "--invert"], 1)])
        # Black ink on white as Pillow writes a 1-bit BMP: --alpha finds no colour key and keeps the bits.
        path, d = saved("ink_bw.bmp", draw(ink, 0, 1, "1"), fmt="BMP")
        rule_cases("ink_1bit_bw", path, d, [("alpha_m1", ["--alpha"], 1)])
        # All one value: a 1-bit BMP of paper only, and a threshold no colour reaches.
        path, d = saved("paper.bmp", draw(["." * 8] * 2, 0, 1, "1"), fmt="BMP")
        rule_cases("paper_1bit", path, d, [("plain_m1", [], 1), ("invert_m1", ["--invert"], 1)])
        path, d = saved("ramp.png", Image.frombytes("L", (8, 1), bytes([0, 99, 100, 101, 102, 200, 254, 255])))
        rule_cases("ramp", path, d, [("t100_m1", ["-t", "100"], 1), ("t0_m1", ["-t", "0"], 1),
                                     ("t255_m1", ["-t", "255"], 1), ("t254_invert_m1", ["-t", "254", "--invert"], 1)])


def main():
    casefolders.clear("imgtrell", __file__)
    hand_inputs()
    hand_built()
    # ImageMagick default: 124-byte header, 24 bpp, a mode-1 row of 18 bytes, 37 rows
    fixture("im24_v5", sweep(137, 37), "", ["-type", "truecolor"], [0, 1, 2])
    # BMP3: a 40-byte header, 24 bpp
    fixture("im24_bmp3", sweep(17, 5, 4), "BMP3:", ["-type", "truecolor"], [0, 1])
    # Pillow RGB, colours used 0: an empty palette
    fixture("pil24", sweep(13, 6, 2), "pillow", [], [2])
    # Mode 0 down 130 rows: strips packed 64 rows at a time, the last band short
    fixture("pil24_tall", sweep(9, 130, 1), "pillow", [], [0])
    # 108-byte header, 1 bpp, colours used 2
    fixture("im1_v4", drawn(13, 6, [BLACK, WHITE, WHITE]), "", ["-type", "bilevel"], [0, 1, 2])
    # 1 bpp with a red and navy palette, which plays no part
    fixture("im1_redblue_bmp3", drawn(17, 4, [RED, NAVY, NAVY]), "BMP3:", ["-type", "palette"], [1, 2])
    # Pillow mode 1
    fixture("pil1", drawn(21, 5, [BLACK, WHITE], 1).convert("1", dither=Image.NONE), "pillow", [], [0, 2])
    # 124-byte header, 4 bpp; the colour key and its near misses, blue 128/127
    fixture("im4_v5", drawn(13, 6, KEYS), "", ["-type", "palette"], [None, 0, 1])
    # BMP3: a 40-byte header, 4 bpp
    fixture("im4_bmp3", drawn(17, 5, KEYS[:7], 3), "BMP3:", ["-type", "palette"], [2, 1])
    # ppmtobmp 4 bpp, colours used 0
    fixture("pbm4", drawn(13, 6, KEYS[:8], 5), "netpbm", [], [2, 0])
    # ppmtobmp 8 bpp, colours used 0: 256 entries
    fixture("pbm8", drawn(9, 3, KEYS[:6], 2), "netpbm", ["-bpp=8"], [2])
    # 108-byte header, 8 bpp uncompressed, mode-2 rows of three lines
    fixture("im8_v4", drawn(33, 9, MANY[:24]), "", ["-type", "palette", "-set", "colorspace", "RGB",
            "-compress", "none"], [2, 0])
    # Pillow grey: index 255 writes 00 in mode 2
    fixture("pil8_grey", drawn(32, 19, [0, 127, 128, 255, 126, 129, 64], mode="L"), "pillow", [], [2, 1])
    pic = drawn(11, 5, list(range(6)), mode="P")
    pic.putpalette([c for col in (BLACK, MAGENTA, (10, 20, 128), (10, 20, 127), WHITE, KEYS[7]) for c in col])
    # Pillow 8 bpp, 6 colours used
    fixture("pil8_pal", pic, "pillow", [], [2, 0])
    # ImageMagick's default for a palette picture of 200 colours: run-length encoded (RLE8)
    fixture("im8_rle", drawn(128, 64, MANY), "", ["-type", "palette"], [2, 0, 1])
    # RLE8, odd width, runs and absolute runs
    fixture("im8_rle_odd", drawn(37, 21, MANY[:40], 4), "", ["-type", "palette"], [2])
    # 16 bpp bit fields R5G6B5, masks in the 124-byte header
    fixture("im16_565_v5", sweep(13, 6), "", ["-define", "bmp:subtype=RGB565"], [0, 2], lossy=True)
    # 16 bpp bit fields R5G5B5
    fixture("im16_555_v5", sweep(17, 4, 3), "", ["-define", "bmp:subtype=RGB555"], [1], lossy=True)
    # a blue sprite with alpha: 32 bpp bit fields, bytes blue, green, red, alpha
    fixture("im32_sprite", sprite(19, 11), "", [], [1, 0, 2])
    # Pillow RGBA: 32 bpp, compression 0
    fixture("pil32", sprite(17, 5), "pillow", [], [1, 2])
    # OS/2 1.x bitmaps: the 12-byte header, 3-byte palette entries
    fixture("im1_os2", drawn(13, 6, [BLACK, WHITE, WHITE]), "BMP2:", ["-type", "bilevel"], [1, 2])
    fixture("im4_os2", drawn(13, 6, KEYS), "BMP2:", ["-type", "palette"], [2, 1])
    fixture("im8_os2", drawn(33, 9, MANY[:24]), "BMP2:", ["-type", "palette"], [2, 0])
    fixture("im24_os2", sweep(17, 5, 1), "BMP2:", ["-type", "truecolor"], [1])
    fixture("pbm4_os2", drawn(13, 6, KEYS[:8], 5), "netpbm", ["-os2"], [2, 0])
    png_files()
    rule_files()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the input pictures of the end-to-end cases into their case folders.

The expected outputs beside them are written by hand; run this again only
to remake the inputs.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def bmp(width, height, bpp, rows, palette=(), colorsused=None, compression=0):
    """A BMP with a 40-byte information header; rows in file order."""
    if colorsused is None:
        colorsused = len(palette)
    pal = b"".join(struct.pack("<BBBB", c & 255, (c >> 8) & 255, c >> 16, 0) for c in palette)
    offset = 54 + len(pal)
    stride = ((bpp * max(width, 0) + 31) >> 3) & ~3
    pixels = b"".join(bytes(r).ljust(stride, b"\0") for r in rows)
    size = offset + len(pixels)
    header = struct.pack("<2sIHHI", b"BM", size, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression,
                       len(pixels), 2835, 2835, colorsused, 0)
    return header + info + pal + pixels


def save(case, name, data):
    folder = os.path.join(HERE, case, "in")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# 10 x 2, 4 bits, palette magenta, black, white. Top row (stored last):
# 0 1 2 1 2 1 2 1 2 0; bottom row all 2.
PIC = bmp(10, 2, 4, [[0x22] * 5, [0x01, 0x21, 0x21, 0x21, 0x20]],
          palette=[0xFF00FF, 0x000000, 0xFFFFFF])

for case in ["mode0", "mode1", "mode2", "default_mode", "mode_letters", "mode_7", "mode_minus1", "mode_huge"]:
    save(case, "pic.bmp", PIC)

save("short_file", "pic.bmp", PIC[:10])
save("negative_width", "pic.bmp", PIC[:18] + struct.pack("<i", -10) + PIC[22:])
save("two_bits", "pic.bmp", PIC[:28] + struct.pack("<H", 2) + PIC[30:])
save("truncated_pixels", "pic.bmp", PIC[:-4])  # the last 3 bytes are padding
save("truncated_palette", "pic.bmp", PIC[:46] + struct.pack("<i", 200) + PIC[50:])
save("lowest_height", "pic.bmp", PIC[:22] + struct.pack("<i", -2**31) + PIC[26:])
save("empty_too_tall", "pic.bmp", PIC[:18] + struct.pack("<ii", 0, 70000) + PIC[26:])
save("readonly_folder", "pic.bmp", PIC)

# 64 x 64, 24 bits, blue in the left half: about 16 KB of text in mode 2.
BIG = bmp(64, 64, 24, [[255, 0, 0] * 32 + [0, 0, 255] * 32] * 64)
save("disk_full", "big.bmp", BIG)

# The widest picture, its pixels said to start at the last byte a 32-bit
# offset can name: the refusal names a byte past 4 GiB.
HUGE = bytearray(bmp(1, 1, 32, [])[:54])
HUGE[10:14] = struct.pack("<I", 0xFFFFFFFF)
HUGE[18:22] = struct.pack("<i", 0x7FFFFFFF)
save("huge_offset", "pic.bmp", bytes(HUGE))

# Run-length pictures: the stream follows the palette in place of rows.
def rle(width, height, bpp, stream, palette):
    compression = 1 if bpp == 8 else 2
    pal = b"".join(struct.pack("<BBBB", c & 255, (c >> 8) & 255, c >> 16, 0) for c in palette)
    offset = 54 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(stream), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression,
                       len(stream), 2835, 2835, len(palette), 0)
    return header + info + pal + bytes(stream)


# 7 x 4, 4 bits, palette black, white, magenta, navy 000080. Bottom row a
# run of 1 3 1 3...; the next a run of two 2s, then a delta (3 right, 1 up)
# to column 5 of the third row, an absolute run 1 2 3 whose 3 falls past
# the width; the top row an absolute run 3 0 1 2 and a run of 2 1 2 (1 2
# dropped) that reaches past the top right and ends the picture without
# an end of bitmap. Top row first, the indices are:
#   3 0 1 2 2 1 2 / 0 0 0 0 0 1 2 / 2 2 0 0 0 0 0 / 1 3 1 3 1 3 1
RLE4 = rle(7, 4, 4, [0x07, 0x13, 0x00, 0x00,
                     0x02, 0x22, 0x00, 0x02, 0x03, 0x01,
                     0x00, 0x03, 0x12, 0x30, 0x00, 0x00,
                     0x00, 0x04, 0x30, 0x12, 0x05, 0x21],
           palette=[0x000000, 0xFFFFFF, 0xFF00FF, 0x000080])
save("rle4_delta_m1", "rle4.bmp", RLE4)
save("rle4_delta_m2", "rle4.bmp", RLE4)

# 4 x 2, 8 bits, cut in the middle of its third pair (at byte 66).
save("rle8_truncated", "rle8.bmp",
     rle(4, 2, 8, [0x04, 0x01, 0x00, 0x00, 0x02], palette=[0x000000, 0xFFFFFF]))

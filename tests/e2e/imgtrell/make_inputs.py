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

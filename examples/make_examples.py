#!/usr/bin/env python3
"""Makes the example inputs: chip8.bmp (64 x 32, 1 bit, the CHIP8 screen
size) and beep.wav (a short 8-bit mono square wave). Standard library only."""
import os
import struct
import wave

HERE = os.path.dirname(os.path.abspath(__file__))

# 3 x 5 letters, one string per row, '#' for a lit pixel.
FONT = {
    "C": ["###", "#..", "#..", "#..", "###"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "P": ["###", "#.#", "###", "#..", "#.."],
    "8": ["###", "#.#", "###", "#.#", "###"],
}


def picture():
    width, height = 64, 32
    lit = [[False] * width for _ in range(height)]
    for x in range(width):  # frame
        lit[0][x] = lit[height - 1][x] = True
    for y in range(height):
        lit[y][0] = lit[y][width - 1] = True
    for n, letter in enumerate("CHIP8"):  # letters drawn twice their size
        for row, line in enumerate(FONT[letter]):
            for col, c in enumerate(line):
                if c == "#":
                    for dy in range(2):
                        for dx in range(2):
                            lit[11 + 2 * row + dy][8 + n * 10 + 2 * col + dx] = True
    # 1 bit: index 0 black, index 1 white; lit pixels are black on white.
    rows = []
    for y in reversed(range(height)):  # stored bottom row first
        bits = "".join("0" if lit[y][x] else "1" for x in range(width))
        rows.append(int(bits, 2).to_bytes(width // 8, "big"))
    palette = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    pixels = b"".join(rows)
    offset = 54 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 1, 0, len(pixels), 2835, 2835, 2, 0)
    with open(os.path.join(HERE, "chip8.bmp"), "wb") as f:
        f.write(header + info + palette + pixels)


def sound():
    rate, hz, samples = 4000, 500, 400  # a tenth of a second
    period = rate // hz
    data = bytes(224 if (i % period) < period // 2 else 32 for i in range(samples))
    with wave.open(os.path.join(HERE, "beep.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(data)


picture()
sound()

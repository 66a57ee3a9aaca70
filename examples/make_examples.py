#!/usr/bin/env python3
"""Makes the example inputs: chip8.bmp (64 x 32, 1 bit, the CHIP8 screen
size) and beep.wav (a short 8-bit mono square wave); and for the game in
game/, four pictures in art/ (BMP and PNG) and three sounds in sfx/.
Standard library only."""
import math
import os
import struct
import wave
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# 3 x 5 letters, one string per row, '#' for a lit pixel.
FONT = {
    "C": ["###", "#..", "#..", "#..", "###"],
    "H": ["#.#", "#.#", "###", "#.#", "#.#"],
    "I": ["###", ".#.", ".#.", ".#.", "###"],
    "P": ["###", "#.#", "###", "#..", "#.."],
    "8": ["###", "#.#", "###", "#.#", "###"],
}


def bmp(path, rows, bpp, palette):
    """A bottom-up BMP with a 40-byte header; rows are lists of pixel
    values (palette indices, or (r, g, b) for 24 bits), top row first."""
    width, height = len(rows[0]), len(rows)
    stride = ((bpp * width + 31) >> 3) & ~3
    data = b""
    for row in reversed(rows):
        if bpp == 24:
            line = b"".join(bytes((b, g, r)) for r, g, b in row)
        else:
            bits = "".join(format(v, "0%db" % bpp) for v in row)
            bits += "0" * (-len(bits) % 8)
            line = int(bits, 2).to_bytes(len(bits) // 8, "big")
        data += line + b"\0" * (stride - len(line))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 54 + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(data), 2835, 2835, len(palette), 0)
    with open(path, "wb") as f:
        f.write(header + info + pal + data)


def png(path, rows):
    """An 8-bit RGB PNG; rows are lists of (r, g, b), top row first."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    ihdr = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def square_wave(path, rate, hz, samples, low, high):
    period = rate // hz
    data = bytes(high if (i % period) < period // 2 else low for i in range(samples))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(1)
        w.setframerate(rate)
        w.writeframes(data)


def chime(path, rate, notes, seconds):
    """A 16-bit stereo WAV of notes one after another, each a sine that dies
    away, a little louder on the left."""
    frames = []
    for n, hz in enumerate(notes):
        for i in range(int(rate * seconds)):
            level = 20000 * math.exp(-8 * i / rate) * math.sin(2 * math.pi * hz * i / rate)
            frames.append(struct.pack("<hh", round(level), round(0.7 * level)))
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(frames))


def drawing(lines, lit, unlit):
    return [[lit if c == "#" else unlit for c in line] for line in lines]


def game():
    """The art and sounds of game/: a ship (1-bit BMP, written as rows), a
    rock (PNG, written as strips), a coin (4-bit BMP with a magenta
    background, written as palette indices), a title screen of the whole
    low-resolution screen, 64 x 32 (PNG, cut into 8 x 8 tiles), a sheet of
    four 8 x 8 frames of a turning bar (PNG, cut into frames) and a gem of
    four colours, 16 x 16 (PNG, on two planes); a hop and a crash (8-bit
    square waves at 4000 Hz) and a pickup chime (16-bit stereo at 22050
    Hz)."""
    art, sfx = os.path.join(HERE, "game", "art"), os.path.join(HERE, "game", "sfx")
    os.makedirs(art, exist_ok=True)
    os.makedirs(sfx, exist_ok=True)
    ship = ["...##...", "...##...", "..####..", ".######.", "########", "##.##.##", "#..##..#", "........"]
    bmp(os.path.join(art, "ship.bmp"), drawing(ship, 0, 1), 1, [(0, 0, 0), (255, 255, 255)])
    rock = ["..####..", ".######.", "###.####", "########", "####.###", "########", ".######.", "..####.."]
    png(os.path.join(art, "rock.png"), drawing(rock, (200, 200, 255), (0, 0, 0)))
    coin = ["..1111..", ".122221.", "12233221", "12233221", "12233221", "12233221", ".122221.", "..1111.."]
    bmp(os.path.join(art, "coin.bmp"), [[0 if c == "." else int(c) for c in line] for line in coin], 4,
        [(255, 0, 255), (128, 64, 0), (255, 200, 0), (255, 255, 160)])
    word = [".##..#..#.####", "#..#.##.#.#...", "#..#.#.##.###.", "#..#.#..#.#...", ".##..#..#.####"]
    title = [["."] * 64 for _ in range(32)]
    for y in range(32):  # a frame, and the word drawn four times its size
        for x in range(64):
            edge = x in (0, 63) or y in (0, 31)
            inside = 4 <= x - 4 < 56 and 6 <= y < 26 and word[(y - 6) // 4][(x - 8) // 4] == "#" if 8 <= x < 64 else False
            title[y][x] = "#" if edge or inside else "."
    png(os.path.join(art, "title.png"), drawing(["".join(row) for row in title], (255, 255, 255), (0, 0, 64)))
    bars = ["#.......", ".#......", "..#.....", "...#....", "....#...", ".....#..", "......#.", ".......#"]
    turns = [bars, [line[::-1] for line in bars], ["...#...."] * 8, ["#" * 8 if y == 3 else "." * 8 for y in range(8)]]
    png(os.path.join(art, "spin.png"), drawing(["".join(t[y] for t in turns) for y in range(8)], (255, 255, 255), (0, 0, 0)))
    gem = ["....1111111.....", "...122222221....", "..12233333221...", ".1223333333221..", "1222333333332221",
           "1222233333322221", ".12222333322221.", "..122223322221..", "...1222222221...", "....12222221....",
           ".....122221.....", "......1221......", ".......11.......", "................", "................",
           "................"]
    colours = {".": (0, 0, 64), "1": (255, 255, 255), "2": (192, 32, 32), "3": (255, 192, 0)}
    png(os.path.join(art, "gem.png"), [[colours[c] for c in line] for line in gem])
    square_wave(os.path.join(sfx, "hop.wav"), 4000, 800, 240, 64, 192)
    square_wave(os.path.join(sfx, "crash.wav"), 4000, 100, 600, 16, 240)
    chime(os.path.join(sfx, "pickup.wav"), 22050, (660, 990), 0.12)


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


if __name__ == "__main__":
    picture()
    sound()
    game()

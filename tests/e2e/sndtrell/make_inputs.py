#!/usr/bin/env python3
"""Writes the input WAV files of the sndtrell end-to-end cases into the
in/ folders beside this script. The expected outputs in each case were
written and checked by hand; rerun this only to remake the inputs."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def canonical(samples, rate_bytes=b"\x40\x1f\x00\x00", channels=1, bits=8, fmt_tag=1):
    """RIFF header, 16-byte fmt chunk, data chunk: the 44-byte layout."""
    rate = struct.unpack("<I", rate_bytes)[0]
    align = channels * ((bits + 7) // 8)
    fmt = struct.pack("<HH", fmt_tag, channels) + rate_bytes + struct.pack("<IHH", (rate * align) & 0xFFFFFFFF, align, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(samples)) + samples
    return b"RIFF" + struct.pack("<I", len(body)) + body


def write(case, name, data):
    folder = os.path.join(HERE, case, "in")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


counting20 = bytes(range(20))

# The layout example: rate bytes 22 56 00 00 and the 20 bytes 00 to 13.
write("convert", "tone.wav", canonical(counting20, b"\x22\x56\x00\x00"))
# 16 bytes of 16-bit stereo, rate bytes 70 11 01 00 (70000 Hz).
write("convert_16_bytes", "s.wav", canonical(bytes(range(0xf0, 0x100)), b"\x70\x11\x01\x00", channels=2, bits=16))
write("empty_data", "e.wav", canonical(b""))
write("not_wav", "x.wav", b"RIFF" + struct.pack("<I", 56) + b"AVI " + canonical(counting20)[12:])
write("no_fmt", "x.wav", canonical(counting20)[:12] + b"JUNK" + canonical(counting20)[16:])
write("float_format", "f.wav", canonical(b"\0\0\x80\x3f" * 5, b"\x44\xac\x00\x00", bits=32, fmt_tag=3))
# A LIST chunk between fmt and data: the data chunk is not at offset 36.
wav = canonical(counting20, b"\x11\x2b\x00\x00")
listchunk = b"LIST" + struct.pack("<I", 14) + b"INFOISFT" + struct.pack("<I", 2) + b"x\0"
body = wav[12:36] + listchunk + wav[36:]
write("list_chunk", "l.wav", b"RIFF" + struct.pack("<I", 4 + len(body)) + b"WAVE" + body)
write("too_short", "s.wav", canonical(b"")[:20])
# The data length says 20, the file holds 12 of them.
write("truncated", "t.wav", canonical(counting20)[:56])
# 300 sample bytes make a sound.inc of more than 1 KiB.
write("write_failure", "big.wav", canonical(bytes(i * 7 % 256 for i in range(300))))
write("readonly_folder", "a.wav", canonical(counting20))
write("sound_inc_is_folder", "a.wav", canonical(counting20))
# The data length at its largest: the refusal names a byte past 4 GiB.
write("huge_length", "h.wav", canonical(counting20)[:40] + struct.pack("<I", 0xFFFFFFFF) + counting20)

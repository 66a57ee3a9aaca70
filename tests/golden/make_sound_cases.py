#!/usr/bin/python3
# Writes the generated sndtrell cases under tests/golden/sndtrell/, and the
# input WAV files of some hand-written ones.
#
# A fixture holds a WAV written by sox, ffmpeg or Python's wave module, or
# built here byte by byte, and the expected console output, status and
# sound.inc: the format and samples as the wave module reads them, the
# fields at their fixed offsets for the canonical layout, or given by hand
# with the refusal messages. Never from running sndtrell. Needs sox and
# ffmpeg on the PATH.
import os
import struct
import subprocess
import io
import tempfile
import wave

import casefolders

BANNER = "=" * 44 + "\nCHIP8 WAV converter, Quarnwell\n" + "=" * 44 + "\n"


def sound_inc(name, size, rate, samples):
    head = [rate >> 8 & 255, rate & 255, size >> 16 & 255, size >> 8 & 255, size & 255, 0]
    text = "; Name: %s, size: %d, Hz: %d\nSOUNDDATA:\nDB %s\n\nDB " % (name, size, rate, "".join("#%02x," % b for b in head))
    return text + "".join("#%02x," % b + ("\nDB " if i % 16 == 15 else "") for i, b in enumerate(samples))


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


# A case converting data; refusal is the loader's message when the file is refused, got
# the (rate, bits, channels, samples) read unless they sit at the canonical fixed offsets.
def case(name, filename, data, refusal=None, got=None):
    folder = casefolders.generated("sndtrell", name, __file__)
    write(os.path.join(folder, "in", filename), data)
    write(os.path.join(folder, "args"), filename + "\n")
    rate = struct.unpack_from("<i", data.ljust(28, b"\0"), 24)[0]
    if refusal is None:
        field = lambda form, at: struct.unpack_from(form, data, at)[0]
        rate, bits, channels, samples = got or (rate, field("<H", 34), field("<H", 22), data[44:44 + field("<I", 40)])
        size = len(samples)
        console = "size: %d, rate: %d, bits: %d, numchannels: %d\n" % (size, rate, bits, channels)
    else:
        # The rate is taken once RIFF, WAVE and fmt are found, before the format tag is tested;
        # the files refused before that have no fmt chunk at 12.
        kept = len(data) >= 44 and data[:4] == b"RIFF" and data[8:12] == b"WAVE" and data[12:15] == b"fmt"
        rate, size, samples, console = rate if kept else 0, 0, b"", refusal
    write(os.path.join(folder, "stdout"), BANNER + "Loading WAV: %s\n%sWriting CHIP8 sound: sound.inc\n" % (filename, console))
    write(os.path.join(folder, "status"), "2\n" if refusal else "1\n")
    write(os.path.join(folder, "out", "sound.inc"), sound_inc(filename, size, rate, samples))


def chunk(name, body):
    return name + struct.pack("<I", len(body)) + body + b"\0" * (len(body) & 1)


def riff(*chunks):
    return b"RIFF" + struct.pack("<I", 4 + sum(map(len, chunks))) + b"WAVE" + b"".join(chunks)


def fmt(rate=8000, channels=1, bits=8, tag=1, extra=b""):
    align = channels * ((bits + 7) // 8)
    return chunk(b"fmt ", struct.pack("<HHIIHH", tag, channels, rate, rate * align & 0xFFFFFFFF, align, bits) + extra)


# RIFF header, a 16-byte fmt chunk at 12 and the data chunk at 36 (no pad byte after odd data).
def canonical(samples, rate=8000, channels=1, bits=8, tag=1):
    return riff(fmt(rate, channels, bits, tag), b"data" + struct.pack("<I", len(samples)) + samples)


def heard(data):
    with wave.open(io.BytesIO(data)) as w:
        return w.getframerate(), 8 * w.getsampwidth(), w.getnchannels(), w.readframes(w.getnframes())


def edit(data, at, fmt, *values):
    return data[:at] + struct.pack(fmt, *values) + data[at + struct.calcsize(fmt):]


# A case for a file a tool wrote, read back with the wave module; each starts with its fmt chunk.
def from_tool(name, filename, make):
    with tempfile.TemporaryDirectory() as folder:
        make(os.path.join(folder, filename))
        data = open(os.path.join(folder, filename), "rb").read()
    pcm = struct.unpack_from("<H", data, 20)[0] == 1
    case(name, filename, data, None if pcm else "Not PCM signed", heard(data) if pcm else None)


# -D: no dither, so the samples are the same on every run.
def sox(*args):
    return lambda path: subprocess.run(["sox", "-D", "-n", *args, path, "synth", "0.004", "sine", "440"], check=True)


# ffmpeg's own output, with the LIST chunk naming its encoder before the data.
def ffmpeg(rate, *args):
    source = "sine=440:sample_rate=%d:d=0.004" % rate
    return lambda path: subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", source, *args, path], check=True)


def python_wave(rate, width, frames):
    def make(path):
        with wave.open(path, "wb") as w:
            w.setparams((1, width, rate, 0, "NONE", None))
            w.writeframes(frames)
    return make


def main():
    casefolders.clear("sndtrell", __file__)
    from_tool("sox_u8_mono", "sox8.wav", sox("-r", "8000", "-b", "8", "-c", "1", "-e", "unsigned-integer"))
    from_tool("sox_s16_stereo", "sox16.wav", sox("-r", "22050", "-b", "16", "-c", "2", "-e", "signed-integer"))
    from_tool("ffmpeg_u8_mono", "beep.wav", ffmpeg(8000, "-ac", "1", "-c:a", "pcm_u8"))
    from_tool("ffmpeg_s16_stereo", "beep16.wav", ffmpeg(22050, "-ac", "2"))
    from_tool("wave_u8_mono", "ramp.wav", python_wave(11025, 1, bytes(i * 9 & 255 for i in range(37))))
    # 96000 Hz does not fit in 16 bits; 48 bytes end with a bare DB line.
    from_tool("wave_s16_96k", "hi.wav", python_wave(96000, 2, b"".join(
        struct.pack("<h", (i * 2731) % 65536 - 32768) for i in range(24))))
    # sox's floating point (tag 3, an 18-byte fmt chunk) and 24-bit (the extensible tag) files.
    from_tool("sox_float_refused", "float.wav", sox("-r", "8000", "-b", "32", "-c", "1", "-e", "floating-point"))
    from_tool("sox_24bit_refused", "deep.wav", sox("-r", "48000", "-b", "24", "-c", "1", "-e", "signed-integer"))

    count = lambda n: bytes(i & 255 for i in range(n))
    for n in (0, 1, 15, 16, 17):
        case("length_%d" % n, "n.wav", canonical(count(n), 22050))
    # The layout example: rate bytes 22 56 00 00 and 20 bytes 00 to 13; the rate's and the
    # length's higher bits are not written (70000 Hz is #11,#70).
    case("convert", "tone.wav", canonical(count(20), 0x5622))
    case("rate_70000", "s.wav", canonical(bytes(range(0xf0, 0x100)), 70000, 2, 16))
    case("bits_channels_unsigned", "b.wav", edit(edit(canonical(count(8)), 22, "<H", 0xFFFF), 34, "<H", 0x8000))
    # Fields of the canonical layout that are not read: the fmt name's fourth byte, the RIFF and fmt lengths, byte
    # rate and alignment, bytes after the data.
    wav = canonical(count(5), 11025)
    for name, data in [("fmt_fourth_byte", wav[:15] + b"X" + wav[16:]), ("riff_length_0", edit(wav, 4, "<I", 0)),
                       ("riff_length_max", edit(wav, 4, "<I", 0xFFFFFFFF)), ("fmt_length_40", edit(wav, 16, "<I", 40)),
                       ("rate_fields_0", edit(wav, 28, "<IH", 0, 0)), ("bytes_after_data", wav + b"\xee" * 8)]:
        case(name, "u.wav", data)

    # Other layouts have their chunks walked: the first fmt chunk, the first data chunk after it.
    samples, lst, junk = count(20), chunk(b"LIST", b"INFOISFT\2\0\0\0x\0"), chunk(b"JUNK", bytes(28))
    data = chunk(b"data", samples)
    for name, wav in [
            ("junk_before_fmt", riff(junk, fmt(), data)), ("bext", riff(chunk(b"bext", bytes(602)), fmt(), data)),
            ("fmt_17_bytes_padded", riff(fmt(extra=b"\0"), data)), ("fmt_18_bytes", riff(fmt(extra=b"\0\0"), data)),
            ("fmt_40_bytes", riff(fmt(11025, 2, 16, extra=b"\x16\0" + bytes(22)), data)),
            ("fact", riff(fmt(), chunk(b"fact", b"1234"), data)), ("odd_chunk", riff(fmt(), chunk(b"note", b"abc"), data)),
            ("empty_data", riff(fmt(), lst, chunk(b"data", b""))),
            ("list_around_data", riff(fmt(), lst, data, b"LIST\xff\xff\xff\xff"))]:  # nothing after the data is read
        case(name, "w.wav", wav, got=heard(wav))
    # The wave module refuses a data chunk before the fmt chunk, and takes a second fmt chunk.
    case("first_fmt_data_after_it", "w.wav", riff(chunk(b"data", b"\xee" * 4), fmt(), fmt(44100, 2, 16), data),
         got=(8000, 8, 1, samples))

    wav = canonical(count(20))
    too_short = "Error: x.wav: file too short: %d bytes, a WAV header takes 44\n"
    past_end = "Error: x.wav: file too short: the data chunk of %d bytes at offset 44 ends at byte %d, the file has %d\n"
    no_data = "Error: x.wav: no \"data\" chunk after the \"fmt \" chunk\n"
    for name, data, refusal in [
            ("empty_file", b"", too_short % 0), ("short_43", wav[:43], too_short % 43),
            ("not_riff", b"RIFX" + wav[4:], "No WAV file"), ("not_wave", wav[:8] + b"AVI " + wav[12:], "No WAV file"),
            ("no_fmt", wav[:12] + b"JUNK" + wav[16:], "Error: x.wav: no \"fmt \" chunk\n"),
            ("fmt_14_bytes", riff(junk, chunk(b"fmt ", fmt()[8:22]), data),
             "Error: x.wav: the \"fmt \" chunk has 14 bytes, 16 needed\n"),
            ("fmt_past_end", riff(junk, fmt())[:64],
             "Error: x.wav: file too short: the \"fmt \" chunk of 16 bytes at offset 56 ends at byte 72, the file has 64\n"),
            ("no_data", riff(fmt(), lst), no_data),
            ("chunk_past_end", riff(fmt(), b"LIST\xff\xff\xff\xff", data), no_data),
            ("walked_data_past_end", riff(fmt(), lst, data)[:-1], past_end.replace("44", "%d") % (20, 66, 86, 85)),
            ("float_format", edit(wav, 20, "<H", 3), "Not PCM signed"),
            ("extensible", edit(wav, 20, "<H", 0xFFFE), "Not PCM signed"),
            ("tag_high_byte", edit(wav, 20, "<H", 0x0101), "Not PCM signed"),
            ("data_one_past", edit(wav, 40, "<I", 21), past_end % (21, 65, 64)),
            ("data_header_only", edit(canonical(b""), 40, "<I", 1), past_end % (1, 45, 44)),
            ("length_max", edit(wav, 40, "<I", 0x7FFFFFFF), past_end % (0x7FFFFFFF, 0x7FFFFFFF + 44, 64)),
            ("length_negative", edit(wav, 40, "<I", 0x80000000), past_end % (0x80000000, 0x80000000 + 44, 64)),
            ("length_huge", edit(wav, 40, "<I", 0xFFFFFFFF), past_end % (0xFFFFFFFF, 0xFFFFFFFF + 44, 64))]:
        case(name, "x.wav", data, refusal)

    # Inputs of the hand-written cases.
    for name, filename, data in [("readonly_folder", "a.wav", wav), ("sound_inc_is_folder", "a.wav", wav),
                                 ("stdin_closed", "tone.wav", canonical(count(20), 0x5622)),
                                 ("extra_arguments", "tone.wav", canonical(count(20), 0x5622)),
                                 ("write_failure", "big.wav", canonical(bytes(i * 7 & 255 for i in range(300))))]:
        write(os.path.join(casefolders.hand_written("sndtrell", name), "in", filename), data)


if __name__ == "__main__":
    main()

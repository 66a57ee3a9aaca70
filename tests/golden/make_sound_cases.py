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
import math
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
def case(name, filename, data, refusal=None, got=None, opts=()):
    folder = casefolders.generated("sndtrell", name, __file__)
    write(os.path.join(folder, "in", filename), data)
    write(os.path.join(folder, "args"), "".join(o + "\n" for o in opts) + filename + "\n")
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
    if refusal is None and 6 + size > 3584:
        write(os.path.join(folder, "stderr"), "sndtrell: warning: the sound takes %d bytes; a CHIP8 or SUPER-CHIP program "
              "holds at most 3584 (0x200 to 0xFFF)\n" % (6 + size))
    text = sound_inc(filename, size, rate, samples)
    if "--consts" in opts:
        at = text.index("\n") + 1
        text = text[:at] + casefolders.constants("plain", "SOUNDDATA", [("rate", rate), ("length", size), ("bytes", 6 + size)]) + text[at:]
    write(os.path.join(folder, "out", "sound.inc"), text)


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
    # 3578 bytes of samples and the header's 6 are what a CHIP8 program holds; one more, a warning.
    for n in (0, 1, 15, 16, 17, 3578, 3579):
        case("length_%d" % n, "n.wav", canonical(count(n), 22050))
    # The layout example: rate bytes 22 56 00 00 and 20 bytes 00 to 13; the rate's and the
    # length's higher bits are not written (70000 Hz is #11,#70).
    case("convert", "tone.wav", canonical(count(20), 0x5622))
    case("consts", "tone.wav", canonical(count(20), 0x5622), opts=["--consts"])
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


# --xo: the buffers computed here from the samples as the wave module (or,
# for what it does not read, the data chunk) gives them, with the rules of
# sndtrell's man page: the rate of a pitch, the frame of each sample, the
# gate, the quantizers, the packing; and the preview as Octo's audio code
# renders it.
# Every case plays at a rate that needs no resampling: 4000 Hz (pitch 64)
# or 2000 Hz (pitch 16), but those whose sound is digital silence.
def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def levels(data, bits, channels):
    """Each frame's channels averaged, from -1 to 1, as 32-bit floats."""
    width = bits // 8
    count = len(data) // (width * channels)
    out = []
    for i in range(count):
        total = 0
        for c in range(channels):
            at = (i * channels + c) * width
            raw = int.from_bytes(data[at:at + width], "little", signed=bits > 8)
            total += (raw - 128 if bits == 8 else raw) / 2 ** (bits - 1)
        out.append(f32(total / channels))
    return out


def play_rate(pitch):
    return 4000 * 2 ** ((pitch - 64) / 48)


def buffers(samples, pitch=61, frames=2, quantize="search", gate=-48):
    rate = play_rate(pitch)
    frame = lambda t: math.floor(t * 60 / rate)
    count = (frame(len(samples) - 1) // frames + 1) if samples else 0
    out = [[0] * 16 for _ in range(count)]
    quiet, total, bits = 10 ** (gate / 20), 0.0, [0] * len(samples)
    for f in range(frame(len(samples) - 1) + 1 if samples else 0):
        span = [t for t in range(len(samples)) if frame(t) == f]
        if max(abs(samples[t]) for t in span) < quiet:
            total = 0.0
            continue
        # The search's bits are not worked out here: it is given silenced frames only.
        assert quantize != "search"
        for t in span:
            bits[t] = samples[t] > 0
            if quantize == "ds1":
                total += samples[t]
                bits[t] = total > 0
                total -= 1 if bits[t] else -1
    def put(b, t):
        out[b][t % 128 // 8] |= 0x80 >> (t % 8)

    for t, bit in enumerate(bits):
        if bit:
            put(frame(t) // frames, t)
        # Sample t - 1 plays on into a new buffer, where t begins after the frame's start: its bit
        # there too, unless sample t + 127 of that buffer takes its place.
        b = frame(t) // frames
        if t and bits[t - 1] and b != frame(t - 1) // frames and t * 60 / rate > frame(t):
            if t + 127 >= len(samples) or frame(t + 127) // frames != b:
                put(b, t - 1)
    return out


def xo_text(name, pitch, frames, bufs, syntax="plain", header=False, consts=False):
    about = " Name: %s, XO-CHIP pitch: %d (%.1f Hz), frames per buffer: %d, buffers: %d, seconds: %.3f" % (
        name, pitch, play_rate(pitch), frames, len(bufs), len(bufs) * frames / 60)
    lines = ([[pitch, frames, len(bufs) >> 8, len(bufs) & 255]] if header else []) + bufs
    pairs = [("pitch", pitch), ("frames-per-buffer", frames), ("buffers", len(bufs)), ("bytes", 16 * len(bufs) + 4 * header)]
    named = casefolders.constants(syntax, "SOUNDDATA", pairs) if consts else ""
    if syntax == "octo":
        return "#%s\n%s: SOUNDDATA\n" % (about, named) + "".join(" ".join("0x%02x" % v for v in line) + "\n" for line in lines)
    values = (lambda line: ",".join("#%02x" % v for v in line)) if syntax == "strict" else (
        lambda line: "\nDB ".join("#%02x" % v for v in line)) if syntax == "single" else (
        lambda line: "".join("#%02x," % v for v in line))
    return ";%s\n%sSOUNDDATA:\n" % (about, named) + "".join("DB %s\n" % values(line) for line in lines)


def octo_render(bufs, pitch, frames):
    """The buffers as Octo's audio code plays them at 48000 Hz: per frame
    800 samples, each the last of 8 steps through the buffer with four
    exponential low-pass filters (18 kHz) in a row; a level of 0 to 1 as 0
    to 32767."""
    step = play_rate(pitch) / 48000
    c = math.cos(2 * math.pi * 18000 / (48000 * 8))
    alpha = c - 1 + math.sqrt(c * c - 4 * c + 3)
    pos, lp, out = 0.0, [0.0] * 5, []
    for f in range(len(bufs) * frames):
        buf = bufs[f // frames]
        for _ in range(800):
            for _ in range(8):
                at = int(pos)
                lp[0] = buf[at >> 3] >> ((at & 7) ^ 7) & 1
                for k in range(1, 5):
                    lp[k] += (lp[k - 1] - lp[k]) * alpha
                pos = math.fmod(pos + step / 8, 128)
            out.append(int(lp[4] * 32767 + 0.5))
    data = struct.pack("<%dh" % len(out), *out)
    return riff(fmt(48000, 1, 16), chunk(b"data", data))


def xo_case(name, filename, data, args=(), got=None, pitch=61, frames=2, quantize="search", gate=-48,
            syntax="plain", header=False, preview=None, refusal=None):
    folder = casefolders.generated("sndtrell", name, __file__)
    write(os.path.join(folder, "in", filename), data)
    write(os.path.join(folder, "args"), "".join(a + "\n" for a in ["--xo", *args, filename]))
    bufs = []
    console = refusal
    if refusal is None:
        rate, bits, channels, raw = got or heard(data)
        console = "size: %d, rate: %d, bits: %d, numchannels: %d\n" % (len(raw), rate, bits, channels)
        samples = levels(raw, bits, channels)
        if rate != play_rate(pitch):
            # Resampled: only digital silence, which stays 0 at the play rate.
            assert not any(samples)
            samples = [0.0] * math.floor(len(samples) * play_rate(pitch) / rate + 0.5)
        bufs = buffers(samples, pitch, frames, quantize, gate)
    written = "Writing CHIP8 sound: sound.inc\n" + ("Writing preview: %s\n" % preview if preview else "")
    write(os.path.join(folder, "stdout"), BANNER + "Loading WAV: %s\n%s%s" % (filename, console, written))
    write(os.path.join(folder, "status"), "2\n" if refusal else "1\n")
    write(os.path.join(folder, "out", "sound.inc"), xo_text(filename, pitch, frames, bufs, syntax, header, "--consts" in args))
    if preview:
        write(os.path.join(folder, "out", preview), octo_render(bufs, pitch, frames))
    return bufs


def xo_usage_case(name, args, error):
    folder = casefolders.generated("sndtrell", name, __file__)
    write(os.path.join(folder, "in", "a.wav"), canonical(bytes(8), 4000))
    write(os.path.join(folder, "args"), "".join(a + "\n" for a in [*args, "a.wav"]))
    write(os.path.join(folder, "stdout"), "")
    write(os.path.join(folder, "stderr"), "sndtrell: %s\nTry 'sndtrell --help'.\n" % error)
    write(os.path.join(folder, "status"), "2\n")


def extensible(rate, channels, bits, samples, subformat=b"\x01\x00"):
    """A WAVE_FORMAT_EXTENSIBLE file: a 40-byte fmt chunk, the subformat GUID's
    first two bytes given (1 PCM, 3 floating point)."""
    align = channels * bits // 8
    body = struct.pack("<HHIIHHHHI", 0xFFFE, channels, rate, rate * align, align, bits, 22, bits, 4)
    body += subformat + b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"
    return riff(chunk(b"fmt ", body), chunk(b"data", samples))


def xo_cases():
    sign = ["--quantize", "sign"]
    p64 = ["--pitch", "64", "--frames-per-buffer", "1"]
    # 4000 Hz at pitch 64, a buffer a frame: frame f plays samples 66.67 f and on, so buffer 0 holds
    # samples 0-66, buffer 1 samples 67-133 (at positions 67-127 and 0-5), buffer 2 the rest. A
    # square wave of 4 samples up, 4 down: bytes f0, and byte 8 of buffer 0 holds samples 64-66.
    square = canonical(bytes(192 if i % 8 < 4 else 64 for i in range(200)), 4000)
    bufs = xo_case("xo_u8_pitch64", "sq.wav", square, p64 + sign, pitch=64, frames=1, quantize="sign")
    assert bufs[0] == [0xf0] * 8 + [0xe0] + [0] * 7 and len(bufs) == 3
    # Buffer 1: sample 67 in byte 8, samples 72-127 in bytes 9-15, 128-133 at positions 0-5; and
    # sample 66, up, which plays on into frame 1 (66.67), at its place 66 in byte 8 too.
    assert bufs[1] == [0xf0] + [0] * 7 + [0x30] + [0xf0] * 7
    # Buffer 2 from sample 134 (position 6): sample 133 plays on into it, but is down, as are 134-135.
    assert bufs[2][0] == 0
    xo_case("xo_header_octo", "sq.wav", square, p64 + sign + ["--xo-header", "--syntax", "octo"], pitch=64,
            frames=1, syntax="octo", header=True, quantize="sign")
    xo_case("xo_header_strict", "sq.wav", square, p64 + sign + ["--xo-header", "--syntax", "strict"], pitch=64,
            frames=1, syntax="strict", header=True, quantize="sign")
    xo_case("xo_consts_octo", "sq.wav", square, p64 + sign + ["--xo-header", "--syntax", "octo", "--consts"], pitch=64,
            frames=1, syntax="octo", header=True, quantize="sign")
    xo_case("xo_consts_single", "sq.wav", square, p64 + sign + ["--syntax", "single", "--consts"], pitch=64, frames=1,
            syntax="single", quantize="sign")
    xo_case("xo_preview", "sq.wav", square, p64 + sign + ["--preview-wav", "sq-preview.wav"], pitch=64, frames=1,
            preview="sq-preview.wav", quantize="sign")
    # 2000 Hz at pitch 16, two frames a buffer (66.67 samples): buffer 1 from sample 67, buffer 2
    # from 134. The square wave 3 samples early, so that sample 66, down, leaves buffer 1's place
    # 66 empty (byte 8: samples 67-68 down, 69-71 up), and sample 133, up, plays on into buffer 2
    # at its place 5 (byte 0: places 0-4 unplayed, 134-135 up at 6-7).
    shifted = canonical(bytes(192 if (i + 3) % 8 < 4 else 64 for i in range(200)), 2000)
    bufs = xo_case("xo_straddle_pitch16", "sq.wav", shifted, ["--pitch", "16"] + sign, pitch=16, quantize="sign")
    assert bufs[1][8] == 0x07 and bufs[2][0] == 0x07 and len(bufs) == 3
    # A preview that cannot be written (past 1 KiB) leaves neither file.
    folder = casefolders.generated("sndtrell", "xo_preview_write_failure", __file__)
    write(os.path.join(folder, "in", "sq.wav"), square)
    write(os.path.join(folder, "args"), "".join(a + "\n" for a in ["--xo", *p64, "--preview-wav", "p.wav", "sq.wav"]))
    write(os.path.join(folder, "setup"), "# The output may grow to 1 KiB only: past that a write fails.\nulimit -f 1\n")
    write(os.path.join(folder, "stdout"), BANNER + "Loading WAV: sq.wav\nsize: 200, rate: 4000, bits: 8, numchannels: 1\n"
          "Writing CHIP8 sound: sound.inc\nWriting preview: p.wav\nError: cannot write p.wav: File too large\n")
    write(os.path.join(folder, "status"), "2\n")
    # Buffers past what an XO-CHIP program holds: a warning (68 s of silence at 1 Hz, a buffer a
    # frame: 4080 buffers, 65280 bytes), the text thrown away.
    folder = casefolders.generated("sndtrell", "xo_memory_warning", __file__)
    write(os.path.join(folder, "in", "long.wav"), canonical(bytes([128]) * 68, 1))
    write(os.path.join(folder, "args"), "--xo\n--frames-per-buffer\n1\n-bq\n-o\n/dev/null\nlong.wav\n")
    write(os.path.join(folder, "stdout"), "")
    write(os.path.join(folder, "stderr"),
          "sndtrell: warning: 4080 buffers take 65280 bytes; an XO-CHIP program holds at most 65024\n")
    write(os.path.join(folder, "status"), "0\n")
    write(os.path.join(folder, "posix-only"), "/dev/null, which is no Windows path\n")
    # 2000 Hz at pitch 16, three frames a buffer (100 samples), with the preview of its nine
    # frames. 16-bit stereo: the right channel outweighs the left now and then.
    pairs = [(3000 * (1 if i % 6 < 3 else -1), -5000 if i % 50 == 7 else 1000) for i in range(230)]
    stereo = canonical(b"".join(struct.pack("<hh", *p) for p in pairs), 2000, 2, 16)
    xo_case("xo_s16_stereo_pitch16", "st.wav", stereo, ["--pitch", "16", "--frames-per-buffer", "3", *sign, "--preview-wav",
                                                         "st-preview.wav"],
            pitch=16, frames=3, preview="st-preview.wav", quantize="sign")
    # The gate takes the average of the channels: -40 dBFS in each, gated at -36 but not at -44.
    faint = canonical(b"".join(struct.pack("<hh", 328, 328 if i % 4 else -328) for i in range(140)), 4000, 2, 16)
    for gate in (-36, -44):
        xo_case("xo_stereo_gate_%d" % -gate, "f.wav", faint, p64 + sign + ["--gate", str(gate)], pitch=64, frames=1,
                gate=gate, quantize="sign")
    # The gate on frames of 16-bit sound at 4000 Hz: full, -60 dBFS, -40 dBFS, full.
    frame_levels = [30000, 33, 330, 30000]
    quiet = canonical(b"".join(struct.pack("<h", (1 if i % 10 < 5 else -1) * frame_levels[min(i * 60 // 4000, 3)])
                               for i in range(266)), 4000, 1, 16)
    xo_case("xo_gate_default", "q.wav", quiet, p64 + sign, pitch=64, frames=1, quantize="sign")
    xo_case("xo_gate_30", "q.wav", quiet, p64 + sign + ["--gate", "-30"], pitch=64, frames=1, gate=-30,
            quantize="sign")
    xo_case("xo_gate_120", "q.wav", quiet, p64 + sign + ["--gate=-120"], pitch=64, frames=1, gate=-120,
            quantize="sign")
    # First-order delta-sigma on a slow sine, 8-bit: more 1 bits where it is high.
    sine = canonical(bytes(128 + round(90 * math.sin(i / 20)) for i in range(300)), 4000)
    xo_case("xo_ds1", "sine.wav", sine, p64 + ["--quantize", "ds1"], pitch=64, frames=1, quantize="ds1")
    xo_case("xo_sign", "sine.wav", sine, p64 + ["--quantize", "sign"], pitch=64, frames=1, quantize="sign")
    # 24-bit and 32-bit PCM, under tag 1 and the extensible tag; and sox's 24-bit file.
    wide = lambda bits: b"".join(((1 if i % 7 < 3 else -1) * (i + 1) << (bits - 12)).to_bytes(bits // 8, "little",
                                 signed=True) for i in range(150))
    for bits in (24, 32):
        xo_case("xo_s%d" % bits, "w.wav", canonical(wide(bits), 4000, 1, bits), p64 + sign, pitch=64, frames=1,
                quantize="sign")
        wav = extensible(4000, 2, bits, wide(bits))
        xo_case("xo_s%d_extensible" % bits, "w.wav", wav, p64 + sign, got=(4000, bits, 2, wide(bits)), pitch=64,
                frames=1, quantize="sign")
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "deep.wav")
        subprocess.run(["sox", "-D", "-n", "-r", "4000", "-b", "24", "-c", "1", path, "synth", "0.05", "sine", "300"],
                       check=True)
        data = open(path, "rb").read()
    assert struct.unpack_from("<H", data, 20)[0] == 0xFFFE
    at = data.index(b"data")
    xo_case("xo_sox_24bit", "deep.wav", data, p64 + sign,
            got=(4000, 24, 1, data[at + 8:at + 8 + struct.unpack_from("<I", data, at + 4)[0]]), pitch=64, frames=1, quantize="sign")
    # Digital silence through the resampler stays 0 bits (the search is given silenced frames
    # only), at the pitch each K allows; no samples, no buffers.
    silence = canonical(bytes([128]) * 400, 8000)
    xo_case("xo_silence_resampled", "s.wav", silence)
    xo_case("xo_silence_frames_1", "s.wav", silence, ["--frames-per-buffer", "1"], pitch=109, frames=1)
    xo_case("xo_silence_frames_3", "s.wav", silence, ["--frames-per-buffer", "3", "--quantize", "search"], pitch=33,
            frames=3)
    xo_case("xo_empty", "e.wav", canonical(b"", 8000))
    # Refused as the plain run refuses them, and the sizes --xo does not read; the include file
    # is written all the same, without buffers.
    for name, data, refusal in [
            ("xo_float_refused", canonical(bytes(8), 4000, 1, 32, tag=3), "Not PCM signed"),
            ("xo_extensible_float_refused", extensible(4000, 1, 32, bytes(8), b"\x03\x00"), "Not PCM signed"),
            ("xo_extensible_short_refused", canonical(bytes(8), 4000, tag=0xFFFE), "Not PCM signed"),
            ("xo_12bit_refused", canonical(bytes(8), 4000, 1, 12),
             "size: 8, rate: 4000, bits: 12, numchannels: 1\n"
             "Error: x.wav: 12-bit samples; --xo reads 8-, 16-, 24- and 32-bit PCM\n"),
            ("xo_no_channels_refused", canonical(bytes(8), 4000, 0),
             "size: 8, rate: 4000, bits: 8, numchannels: 0\nError: x.wav: no channels\n"),
            ("xo_rate_0_refused", canonical(bytes(8), 0),
             "size: 8, rate: 0, bits: 8, numchannels: 1\nError: x.wav: a rate of 0 Hz\n"),
            ("xo_too_long_refused", canonical(bytes([128]) * 1081, 1),
             "size: 1081, rate: 1, bits: 8, numchannels: 1\n"
             "Error: x.wav: the sound lasts 1081.0 s; --xo converts at most 1080 s\n")]:
        xo_case(name, "x.wav", data, refusal=refusal)
    for name, args, error in [
            ("xo_pitch_256", ["--xo", "--pitch", "256"], '--pitch "256" is not a number from 0 to 255'),
            ("xo_pitch_letters", ["--xo", "--pitch=6x"], '--pitch "6x" is not a number from 0 to 255'),
            ("xo_frames_0", ["--xo", "--frames-per-buffer", "0"],
             '--frames-per-buffer "0" is not a number from 1 to 255'),
            ("xo_frames_3", ["--xo", "--pitch", "61", "--frames-per-buffer", "3"],
             "--frames-per-buffer 3: at pitch 61 (3830.4 Hz) 3 frames play 191.5 samples, more than a buffer's 128; "
             "at most 2 frames"),
            ("xo_frames_2_pitch_64", ["--xo", "--pitch", "64"],
             "--frames-per-buffer 2: at pitch 64 (4000.0 Hz) 2 frames play 133.3 samples, more than a buffer's 128; "
             "at most 1 frame"),
            ("xo_pitch_110", ["--xo", "--pitch", "110", "--frames-per-buffer", "1"],
             "--pitch 110: a frame plays %.1f samples (%.1f Hz), more than a buffer's 128; at most pitch 109"
             % (play_rate(110) / 60, play_rate(110))),
            ("xo_frames_5", ["--xo", "--frames-per-buffer", "5"],
             "--frames-per-buffer 5: at every pitch 5 frames play more than a buffer's 128 samples; at most 4 frames"),
            ("xo_quantize_bad", ["--xo", "--quantize", "ds2"], '--quantize "ds2" is none of search, sign and ds1'),
            ("xo_gate_bad", ["--xo", "--gate", "-121"], '--gate "-121" is not a number from -120 to 0'),
            ("xo_gate_letters", ["--xo", "--gate", "-4x"], '--gate "-4x" is not a number from -120 to 0'),
            ("xo_pitch_without_xo", ["--pitch", "61"], "option '--pitch' needs --xo"),
            ("xo_preview_without_xo", ["--preview-wav", "p.wav"], "option '--preview-wav' needs --xo"),
            ("xo_preview_is_output", ["--xo", "-o", "s.inc", "--preview-wav", "./s.inc"],
             "the sound and its preview would both be written to ./s.inc")]:
        xo_usage_case(name, args, error)


if __name__ == "__main__":
    main()
    xo_cases()

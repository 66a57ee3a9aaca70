// WAV loader: takes the format and the samples from the canonical 44-byte
// layout at its fixed offsets, or else from the first "fmt " chunk and the
// first "data" chunk after it, passing over any others.
#include <cstring>

#include "console.h"
#include "sndtrell.h"

int32_t soundsize = 0;
int32_t samplerate = 0;
const uint8_t* soundbuffer = nullptr;

// RIFF header (12), fmt chunk of 16 bytes with its name and length (24),
// data chunk name and length (8).
static const size_t WAV_HEADER_SIZE = 44;

static uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

static uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static bool HasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, std::strlen(tag)) == 0; }

// Format tag 1, PCM; with --xo also the extensible tag (FFFE) of a fmt
// chunk of 40 bytes or more whose subformat, at byte 24 of its body, is PCM.
static bool IsPcm(const Options& options, const uint8_t* body, uint32_t length)
{
    static const uint8_t PCM_SUBFORMAT[16] = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71};
    uint16_t tag = Read16(body);
    return tag == 1 ||
           (options.xo && tag == 0xFFFE && length >= 40 && std::memcmp(body + 24, PCM_SUBFORMAT, 16) == 0);
}

// "No WAV file" and "Not PCM signed" end without a line break: the next
// console line continues on the same line. With --batch no line follows,
// so they end their own; with --quiet they are whole lines on standard
// error, naming the program and the file. Returns false.
static bool RefuseUnended(Console& console, const Options& options, const char* text)
{
    if (options.common.quiet)
        return Mismatch(console, "%s: %s", options.sound, text);
    Say(console, options.common.batch ? "%s\n" : "%s", text);
    return false;
}

// Walks the chunks from offset at (an id of 4 bytes, a 32-bit length, the
// body and a pad byte after an odd body) to the first one named id, and
// returns its offset. Returns 0 when the file ends first, or a chunk passed
// over runs past its end.
static uint64_t FindChunk(const uint8_t* data, size_t size, uint64_t at, const char* id)
{
    while (at + 8 <= size) {
        if (HasTag(data + at, id))
            return at;
        uint32_t length = Read32(data + at + 4);
        if (at + 8 + length > size)
            return 0;
        at += 8 + uint64_t(length) + (length & 1);
    }
    return 0;
}

bool CheckWAVHead(Console& console, const Options& options, const uint8_t* head, size_t headsize,
                  uint64_t filesize)
{
    // A shorter file is read whole, and refused as too short for a header.
    if (filesize >= WAV_HEADER_SIZE && headsize >= 12 && (!HasTag(head, "RIFF") || !HasTag(head + 8, "WAVE")))
        return RefuseUnended(console, options, "No WAV file");
    return true;
}

bool DecodeWAV(SoundRun& run, const uint8_t* data, size_t size)
{
    Console& console = run.console;
    const char* path = run.options.sound;
    soundsize = 0;
    samplerate = 0;
    soundbuffer = nullptr;
    run.sound.channels = run.sound.bits = 0;

    if (size < WAV_HEADER_SIZE)
        return Refuse(console, path, "file too short: %zu bytes, a WAV header takes %zu", size, WAV_HEADER_SIZE);

    if (!HasTag(data, "RIFF") || !HasTag(data + 8, "WAVE"))
        return RefuseUnended(console, run.options, "No WAV file");
    // The canonical layout is taken at its fixed offsets, whatever the fmt
    // chunk's length field and the fourth byte of its name say; any other
    // layout has its chunks walked. The RIFF length is not trusted.
    uint64_t fmt = 12, chunk = 36;
    uint32_t fmtlength = 16;
    bool fixed = HasTag(data + 12, "fmt") && HasTag(data + 36, "data");
    if (!fixed) {
        fmt = FindChunk(data, size, 12, "fmt ");
        if (!fmt)
            return Refuse(console, path, "no \"fmt \" chunk");
        fmtlength = Read32(data + fmt + 4);
        if (fmtlength < 16)
            return Refuse(console, path, "the \"fmt \" chunk has %lu bytes, 16 needed", (unsigned long)fmtlength);
        if (fmt + 8 + fmtlength > size)
            return Refuse(console, path, "file too short: the \"fmt \" chunk of %lu bytes at offset %llu ends at byte %llu, the file has %zu",
                          (unsigned long)fmtlength, (unsigned long long)fmt + 8,
                          (unsigned long long)fmt + 8 + fmtlength, size);
    }
    // Taken before the format test, so a refused format keeps the rate.
    samplerate = int32_t(Read32(data + fmt + 12));
    if (!IsPcm(run.options, data + fmt + 8, fmtlength))
        return RefuseUnended(console, run.options, "Not PCM signed");
    if (!fixed) {
        chunk = FindChunk(data, size, fmt + 8 + fmtlength + (fmtlength & 1), "data");
        if (!chunk)
            return Refuse(console, path, "no \"data\" chunk after the \"fmt \" chunk");
    }

    // A length negative as a signed number reaches past any file.
    uint32_t length = Read32(data + chunk + 4);
    uint64_t start = chunk + 8;
    if (length > uint32_t(INT32_MAX) || start + length > size)
        return Refuse(console, path, "file too short: the data chunk of %lu bytes at offset %llu ends at byte %llu, the file has %zu",
                      (unsigned long)length, (unsigned long long)start, (unsigned long long)start + length, size);

    soundsize = int32_t(length);
    soundbuffer = data + start;
    run.sound.channels = Read16(data + fmt + 10);
    run.sound.bits = Read16(data + fmt + 22);
    Say(console, "size: %d, rate: %d, bits: %d, numchannels: %d\n", int(soundsize), int(samplerate),
                int(Read16(data + fmt + 22)), int(Read16(data + fmt + 10)));
    return true;
}

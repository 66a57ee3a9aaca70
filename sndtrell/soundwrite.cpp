// Sound include writer: sound.inc with a comment, the SOUNDDATA label, the
// six-byte sound header and the sample bytes, 16 to a DB line. Text is
// gathered in a buffer and written in large blocks; every write and the
// close are checked.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "sndtrell.h"

// The stream being written, its buffer, and the errno of its first failed
// write (0 while all is well).
static FILE* outfile;
static char outbuf[1 << 20];
static size_t outlen;
static int outerror;

static const char HEX_DIGITS[] = "0123456789abcdef";

// Text of one full data line: 16 values of "#xx," and the "\nDB " that
// starts the next line.
static const size_t LINE_VALUES = 16;
static const size_t LINE_TEXT = LINE_VALUES * 4 + 4;

static void StartOutput(FILE* out)
{
    outfile = out;
    outlen = 0;
    outerror = 0;
}

static void FlushOutput()
{
    if (outerror == 0 && std::fwrite(outbuf, 1, outlen, outfile) != outlen)
        outerror = errno ? errno : EIO;
    outlen = 0;
}

// Ends the output: 0 when every byte reached the stream, else -1 with errno.
static int FinishOutput()
{
    FlushOutput();
    if (outerror == 0 && std::fflush(outfile) != 0)
        outerror = errno ? errno : EIO;
    if (outerror == 0)
        return 0;
    errno = outerror;
    return -1;
}

// The texts before the samples, a few dozen bytes: the buffer has room.
static void PutText(const char* text, size_t length)
{
    std::memcpy(outbuf + outlen, text, length);
    outlen += length;
}

// Writes one value as "#xx," at p; returns the position after it.
static char* PutValue(char* p, uint8_t value)
{
    p[0] = '#';
    p[1] = HEX_DIGITS[value >> 4];
    p[2] = HEX_DIGITS[value & 15];
    p[3] = ',';
    return p + 4;
}

// The sample bytes, 16 values to a line. Every sixteenth value is followed
// by "\nDB ", the last one too, so a length that is a multiple of 16 ends
// with a bare "DB " line.
static void PutSamples(const uint8_t* data, size_t count)
{
    for (size_t i = 0; i < count && outerror == 0; i += LINE_VALUES) {
        if (outlen + LINE_TEXT > sizeof outbuf)
            FlushOutput();
        size_t n = std::min(count - i, LINE_VALUES);
        char* p = outbuf + outlen;
        for (size_t k = 0; k < n; k++)
            p = PutValue(p, data[i + k]);
        if (n == LINE_VALUES) {
            std::memcpy(p, "\nDB ", 4);
            p += 4;
        }
        outlen = size_t(p - outbuf);
    }
}

// The path as the comment line shows it: a control character would break
// the line (a line break could start a label or a data line of its own), so
// each one is written as "?".
static std::string CommentText(const char* path)
{
    std::string text(path);
    for (char& c : text)
        if (uint8_t(c) < 32 || c == 127)
            c = '?';
    return text;
}

int WriteSoundData(FILE* out, const char* path)
{
    StartOutput(out);
    if (std::fprintf(out, "; Name: %s, size: %d, Hz: %d\n", CommentText(path).c_str(), int(soundsize), int(samplerate)) < 0)
        outerror = errno ? errno : EIO;
    PutText("SOUNDDATA:\n", 11);

    // The rate as 16 bits and the length as 24 bits, both big-endian, then
    // a zero byte; higher bits are dropped.
    uint32_t rate = uint32_t(samplerate), length = uint32_t(soundsize);
    const uint8_t header[6] = {uint8_t(rate >> 8), uint8_t(rate), uint8_t(length >> 16),
                               uint8_t(length >> 8), uint8_t(length), 0};
    char line[3 + 6 * 4 + 1] = "DB ";
    char* p = line + 3;
    for (uint8_t value : header)
        p = PutValue(p, value);
    *p = '\n';
    PutText(line, sizeof line);

    // An empty line, then the data lines.
    PutText("\nDB ", 4);
    if (soundbuffer && soundsize > 0)
        PutSamples(soundbuffer, size_t(soundsize));
    return FinishOutput();
}

int WriteSoundFile(const char* path)
{
    static const char name[] = "sound.inc";
    bool locked;
    FILE* out = OpenTempOutput(0, name, &locked);
    if (!out) {
        std::printf("Error: cannot %s %s: %s\n", locked ? "write" : "create", name, std::strerror(errno));
        return 0;
    }
    int failed = WriteSoundData(out, path);
    int cause = errno;
    if (std::fclose(out) != 0 && !failed) {
        failed = -1;
        cause = errno;
    }
    if (failed) {
        std::printf("Error: cannot write %s: %s\n", name, std::strerror(cause));
        RemoveTempOutput(0);
        return 0;
    }
    if (MoveIntoPlace(1) != 1) {
        std::printf("Error: cannot replace %s: %s\n", name, std::strerror(errno));
        return 0;
    }
    return 1;
}

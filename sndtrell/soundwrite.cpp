// Sound include writer: sound.inc with a comment, the SOUNDDATA label, the
// six-byte sound header and the sample bytes, 16 to a DB line.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "sndtrell.h"

Options options;

// Text of one full data line: 16 values of "#xx," and the "\nDB " that
// starts the next line.
static const size_t LINE_VALUES = 16;
static const size_t LINE_TEXT = LINE_VALUES * 4 + 4;

// The sample bytes, 16 values to a line. Every sixteenth value is followed
// by "\nDB ", the last one too, so a length that is a multiple of 16 ends
// with a bare "DB " line.
static void PutSamples(const uint8_t* data, size_t count)
{
    for (size_t i = 0; i < count; i += LINE_VALUES) {
        size_t n = std::min(count - i, LINE_VALUES);
        char* p = Room(LINE_TEXT);
        for (size_t k = 0; k < n; k++)
            p = PutValue(p, data[i + k]);
        if (n == LINE_VALUES) {
            std::memcpy(p, "\nDB ", 4);
            p += 4;
        }
        Advance(p);
    }
}

int WriteSoundData(FILE* out, const char* path)
{
    StartOutput(out);
    char sizes[48];
    std::snprintf(sizes, sizeof sizes, ", size: %d, Hz: %d\n", int(soundsize), int(samplerate));
    PutString("; Name: ");
    PutString(CommentText(path).c_str());
    PutString(sizes);
    PutString(options.label ? options.label : "SOUNDDATA");
    PutString(":\n");

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
    const char* const names[] = {options.output.c_str()};
    FILE* out = StartIncludeFile(0, names[0]);
    return out && EndIncludeFile(0, names[0], out, WriteSoundData(out, path)) && PlaceIncludeFiles(1, names);
}

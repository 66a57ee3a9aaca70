// Sound include writer: sound.inc with a comment, the SOUNDDATA label, the
// six-byte sound header and the sample bytes, 16 to a DB line.
#include <string>

#include "output.h"
#include "sndtrell.h"
#include "text.h"
#include "xo.h"

int WriteSoundData(FILE* out, const char* path)
{
    StartOutput(out, options.common.syntax);
    char sizes[48];
    std::snprintf(sizes, sizeof sizes, ", size: %d, Hz: %d", int(soundsize), int(samplerate));
    WriteComment((" Name: " + CommentText(path) + sizes).c_str());
    WriteLabel(options.common.label ? options.common.label : "SOUNDDATA");

    // The rate as 16 bits and the length as 24 bits, both big-endian, then
    // a zero byte; higher bits are dropped.
    uint32_t rate = uint32_t(samplerate), length = uint32_t(soundsize);
    const uint8_t header[6] = {uint8_t(rate >> 8), uint8_t(rate), uint8_t(length >> 16),
                               uint8_t(length >> 8), uint8_t(length), 0};
    WriteBytes(header, 6);
    WriteBlank();

    // The sample bytes, 16 to a line. Every sixteenth is followed by a line
    // break, the last one too, and the rest of them (none, when the length
    // is a multiple of 16) make a last line without one.
    size_t count = soundbuffer && soundsize > 0 ? size_t(soundsize) : 0, whole = count - count % 16;
    if (whole > 0)
        WriteBytes(soundbuffer, whole, 16);
    WriteBytes(soundbuffer + whole, count - whole, 0, false);
    return FinishOutput();
}

int WriteSoundFile(const char* path)
{
    FILE* out = StartIncludeFile(options.common.output.c_str());
    if (!out || !EndIncludeFile(out, options.xo ? WriteXoData(out, path) : WriteSoundData(out, path)))
        return 0;
    if (options.preview) {
        out = StartIncludeFile(options.preview, true);
        if (!out || !EndIncludeFile(out, WritePreviewData(out)))
            return 0;
    }
    return PlaceIncludeFiles();
}

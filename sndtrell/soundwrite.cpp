// Sound include writer: sound.inc with a comment, the SOUNDDATA label, the
// six-byte sound header and the sample bytes, 16 to a DB line.
#include <cstdio>
#include <string>

#include "sndtrell.h"
#include "text.h"

void WriteSoundData(TextWriter& w, const SoundRun& run)
{
    const Options& options = run.options;
    char sizes[48];
    std::snprintf(sizes, sizeof sizes, ", size: %d, Hz: %d", int(soundsize), int(samplerate));
    WriteComment(w, (" Name: " + CommentText(options.sound) + sizes).c_str());
    const uint64_t constants[] = {uint32_t(samplerate), uint64_t(soundsize), 6 + uint64_t(soundsize)};
    for (size_t i = 0; options.common.consts && i < 3; i++)
        WriteConstant(w, SoundLabel(options), SAMPLE_CONSTANTS[i], constants[i]);
    WriteLabel(w, SoundLabel(options).c_str());

    // The rate as 16 bits and the length as 24 bits, both big-endian, then
    // a zero byte; higher bits are dropped.
    uint32_t rate = uint32_t(samplerate), length = uint32_t(soundsize);
    const uint8_t header[6] = {uint8_t(rate >> 8), uint8_t(rate), uint8_t(length >> 16),
                               uint8_t(length >> 8), uint8_t(length), 0};
    WriteBytes(w, header, 6);
    WriteBlank(w);

    // The sample bytes, 16 to a line. Every sixteenth is followed by a line
    // break, the last one too, and the rest of them (none, when the length
    // is a multiple of 16) make a last line without one.
    size_t count = soundbuffer && soundsize > 0 ? size_t(soundsize) : 0, whole = count - count % 16;
    if (whole > 0)
        WriteBytes(w, soundbuffer, whole, 16);
    WriteBytes(w, soundbuffer + whole, count - whole, 0, false);
}

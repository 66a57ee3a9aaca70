// The include text of --xo: a comment with the pitch, the frames per
// buffer, the buffer count and the playing time, the label, with
// --xo-header the pitch, frames per buffer and buffer count (two bytes,
// high first), then one 16-byte buffer a line.
#include <cstdio>
#include <string>

#include "sndtrell.h"
#include "text.h"
#include "xo.h"

void WriteXoData(TextWriter& w, const SoundRun& run)
{
    const Options& options = run.options;
    const std::vector<uint8_t>& buffers = run.sound.xobuffers;
    const size_t count = buffers.size() / BUFFER_BYTES;
    char about[160];
    std::snprintf(about, sizeof about, ", XO-CHIP pitch: %d (%.1f Hz), frames per buffer: %d, buffers: %zu, seconds: %.3f",
                  options.pitch, PlayRate(options.pitch), options.framesperbuffer, count,
                  double(count) * options.framesperbuffer / 60);
    WriteComment(w, (" Name: " + CommentText(options.sound) + about).c_str());
    const uint64_t constants[] = {uint64_t(options.pitch), uint64_t(options.framesperbuffer), count,
                                  buffers.size() + (options.xoheader ? 4 : 0)};
    for (size_t i = 0; options.common.consts && i < 4; i++)
        WriteConstant(w, SoundLabel(options), XO_CONSTANTS[i], constants[i]);
    WriteLabel(w, SoundLabel(options).c_str());
    if (options.xoheader) {
        const uint8_t header[4] = {uint8_t(options.pitch), uint8_t(options.framesperbuffer), uint8_t(count >> 8),
                                   uint8_t(count)};
        WriteBytes(w, header, 4);
    }
    if (count > 0)
        WriteBytes(w, buffers.data(), buffers.size(), BUFFER_BYTES);
}

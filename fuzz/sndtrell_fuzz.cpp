// libFuzzer harness: arbitrary bytes converted by sndtrell's core, as a
// plain sound; inputs of odd size also with --xo, at pitch 64 and a buffer
// a frame, with the sign and, when the sound is short, the search.
// Everything is kept in the result: nothing is printed or written.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "convert.h"
#include "sndtrell.h"
#include "xo.h"

// The text after the label line, or abort when there is none.
static std::string AfterLabel(const std::string& text)
{
    const size_t at = text.find("SOUNDDATA:\n");
    if (at == std::string::npos)
        std::abort();
    return text.substr(at + 11);
}

// The file the result holds, the first one made or the second.
static const std::string& File(const Result& result, size_t index)
{
    if (result.outputs.files.size() <= index)
        std::abort();
    return result.outputs.files[index].bytes;
}

// The buffers of --xo: whole ones, no more than the frames of the samples
// read need, and the preview of a few as long as their frames.
static void CheckXO(const uint8_t* data, size_t size)
{
    Options options;
    options.sound = "fuzz.wav";
    options.xo = true;
    options.pitch = 64, options.framesperbuffer = 1;
    options.quantize = QUANTIZE_SIGN;  // fast on sounds of any length
    const Result result = ConvertSound(options, data, size, DELIVER_KEPT);
    int bits = 0, channels = 0;
    if (std::sscanf(result.console.out.c_str(), "size: %*d, rate: %*d, bits: %d, numchannels: %d", &bits,
                    &channels) != 2) {
        if (soundsize != 0 || soundbuffer != nullptr)
            std::abort();
        return;
    }
    if (result.status != STATUS_CONVERTED)
        return;
    // Each buffer a line: "DB ", 16 values of "#xx,", a line break.
    const size_t LINE = 3 + 4 * BUFFER_BYTES + 1;
    const std::string text = File(result, 0), buffers = AfterLabel(text);
    const size_t count = buffers.size() / LINE;
    const size_t samples = size_t(soundsize) / (size_t(bits / 8 ? bits / 8 : 1) * size_t(channels ? channels : 1));
    if (buffers.size() % LINE || count > samples * 60 / size_t(samplerate) + 2)
        std::abort();
    if (count > 64)
        return;
    options.preview = "fuzz-preview.wav";
    const Result again = ConvertSound(options, data, size, DELIVER_KEPT);
    if (again.status != STATUS_CONVERTED || File(again, 0) != text ||
        File(again, 1).size() != 44 + count * PREVIEW_FRAME * 2)
        std::abort();
    // The search, on sounds of a second at most: as many buffers.
    options.quantize = QUANTIZE_SEARCH;
    const Result searched = ConvertSound(options, data, size, DELIVER_KEPT);
    if (searched.status != STATUS_CONVERTED || File(searched, 0).size() != text.size() ||
        File(searched, 1).size() != 44 + count * PREVIEW_FRAME * 2)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Options options;
    options.sound = "fuzz.wav";
    const Result result = ConvertSound(options, data, size, DELIVER_KEPT);
    // The samples lie within the input, after at least a 44-byte header.
    const bool loaded = result.status == STATUS_CONVERTED;
    if (loaded ? soundsize < 0 || soundbuffer < data + 44 || size_t(soundbuffer - data) + size_t(soundsize) > size
               : result.status != STATUS_FAILED || soundsize != 0 || soundbuffer != nullptr)
        std::abort();

    // After the header line and an empty one, every sample takes 4
    // characters and every sixteenth a line break and "DB " more.
    const std::string& text = File(result, 0);
    const size_t at = text.find("\n\nDB ");
    const size_t count = size_t(soundsize);
    if (at == std::string::npos || text.size() - (at + 5) != 4 * count + 4 * (count / 16))
        std::abort();
    if (size & 1)
        CheckXO(data, size);
    return 0;
}

// libFuzzer harness: arbitrary bytes converted by sndtrell's core, as a
// plain sound; inputs of odd size also with --xo, the first byte drawing
// its options, taken by the command line's own scanner (TakeArguments):
// the pitch (bits 0-1), the frames per buffer (2-3), the quantizer (4),
// the gate (5-6) and the header (7), with the sign or delta-sigma (fast on
// sounds of any length) and, on a sound of a few buffers, the search too;
// the rest is the sound. Everything is kept in the result: nothing is
// printed or written.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
static void CheckXO(uint8_t choice, const uint8_t* data, size_t size)
{
    static const char* const PITCHES[] = {"64", "61", "40", "100"};
    static const char* const FRAMES[] = {"1", "2", "3", "4"};
    static const char* const GATES[] = {"-48", "-120", "0", "-60.5"};
    std::vector<const char*> args = {"sndtrell", "-b", "--xo", "--pitch", PITCHES[choice & 3], "--frames-per-buffer",
                                     FRAMES[choice >> 2 & 3], "--gate", GATES[choice >> 5 & 3]};
    args.insert(args.end(), {"--quantize", choice & 16 ? "ds1" : "sign"});
    if (choice & 128)
        args.push_back("--xo-header");
    args.push_back("fuzz.wav");
    Options options;
    Console console;
    console.keep = true;
    int status;
    if (!TakeArguments(int(args.size()), const_cast<char**>(args.data()), options, console, &status))
        return;
    const Result result = ConvertSound(options, data, size, DELIVER_KEPT);
    int bits = 0, channels = 0;
    if (std::sscanf(result.console.out.c_str(), "size: %*d, rate: %*d, bits: %d, numchannels: %d", &bits,
                    &channels) != 2) {
        if (soundsize != 0 || soundbuffer != nullptr)
            std::abort();
        return;
    }
    if (result.status != STATUS_BATCH_CONVERTED)
        return;
    // Each buffer a line: "DB ", 16 values of "#xx,", a line break; after
    // the header's line of 4 values, with --xo-header.
    const size_t LINE = 3 + 4 * BUFFER_BYTES + 1, HEADER = options.xoheader ? 3 + 4 * 4 + 1 : 0;
    const std::string text = File(result, 0), buffers = AfterLabel(text);
    const size_t count = (buffers.size() - HEADER) / LINE;
    const size_t samples = size_t(soundsize) / (size_t(bits / 8 ? bits / 8 : 1) * size_t(channels ? channels : 1));
    if (buffers.size() < HEADER || (buffers.size() - HEADER) % LINE ||
        count > samples * 60 / (size_t(samplerate) * size_t(options.framesperbuffer)) + 2)
        std::abort();
    if (count > 64)
        return;
    options.preview = "fuzz-preview.wav";
    const Result again = ConvertSound(options, data, size, DELIVER_KEPT);
    if (again.status != STATUS_BATCH_CONVERTED || File(again, 0) != text ||
        File(again, 1).size() != 44 + count * size_t(options.framesperbuffer) * PREVIEW_FRAME * 2)
        std::abort();
    // The search, on sounds of a few buffers: as many buffers.
    options.quantize = QUANTIZE_SEARCH;
    const Result searched = ConvertSound(options, data, size, DELIVER_KEPT);
    if (searched.status != STATUS_BATCH_CONVERTED || File(searched, 0).size() != text.size() ||
        File(searched, 1).size() != 44 + count * size_t(options.framesperbuffer) * PREVIEW_FRAME * 2)
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
        CheckXO(data[0], data + 1, size - 1);
    return 0;
}

// libFuzzer harness: arbitrary bytes through the WAV loader and the sound
// include writer; inputs of odd size also through --xo, at pitch 64.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sndtrell.h"
#include "xo.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The loader's console lines are not wanted here.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

// The buffers of --xo: whole ones, no more than the frames of the samples
// read need, and their text and preview written (the preview of a few).
static void CheckXO(size_t samples)
{
    options.pitch = 64, options.framesperbuffer = 1;
    if (!ConvertXO("fuzz.wav"))
        return;
    const size_t buffers = xobuffers.size() / BUFFER_BYTES;
    if (xobuffers.size() % BUFFER_BYTES || buffers > samples * 60 / size_t(samplerate) + 2)
        std::abort();
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out || WriteXoData(out, "fuzz.wav") != 0 || (buffers <= 64 && WritePreviewData(out) != 0))
        std::abort();
    std::fclose(out);
    std::free(text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    options.xo = size & 1;
    int loaded = DecodeWAV(data, size, "fuzz.wav");
    // The samples lie within the input, after at least a 44-byte header.
    if (loaded ? soundsize < 0 || soundbuffer < data + 44 || size_t(soundbuffer - data) + size_t(soundsize) > size
               : soundsize != 0 || soundbuffer != nullptr)
        std::abort();

    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out || WriteSoundData(out, "fuzz.wav") != 0)
        std::abort();
    std::fclose(out);

    // After the header line and an empty one, every sample takes 4
    // characters and every sixteenth a line break and "DB " more.
    const char* at = std::strstr(text, "\n\nDB ");
    size_t count = size_t(soundsize);
    if (!at || length - size_t(at + 5 - text) != 4 * count + 4 * (count / 16))
        std::abort();
    std::free(text);
    if (loaded && options.xo)
        CheckXO(size_t(soundsize) / (size_t(soundbits / 8 ? soundbits / 8 : 1) * size_t(soundchannels ? soundchannels : 1)));
    return 0;
}

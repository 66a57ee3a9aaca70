// libFuzzer harness: arbitrary bytes through the WAV loader and the sound
// include writer.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sndtrell.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The loader's console lines are not wanted here.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
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
    return 0;
}

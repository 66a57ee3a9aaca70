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
    if (loaded ? soundsize < 0 || size_t(soundsize) > size - 44 || soundbuffer != data + 44
               : soundsize != 0 || soundbuffer != nullptr)
        std::abort();

    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out || WriteSoundData(out, "fuzz.wav") != 0)
        std::abort();
    std::fclose(out);

    // The header line must carry the rate's low 16 bits and the length's
    // low 24 bits, big-endian; every sample takes 4 characters and every
    // sixteenth a line break and "DB " more.
    char header[64];
    uint32_t rate = uint32_t(samplerate), count = uint32_t(soundsize);
    std::snprintf(header, sizeof header, "SOUNDDATA:\nDB #%02x,#%02x,#%02x,#%02x,#%02x,#00,\n\nDB ",
                  unsigned((rate >> 8) & 255), unsigned(rate & 255), unsigned((count >> 16) & 255),
                  unsigned((count >> 8) & 255), unsigned(count & 255));
    const char* at = std::strstr(text, "\nSOUNDDATA:");
    if (!at || std::strncmp(at + 1, header, std::strlen(header)) != 0)
        std::abort();
    size_t samples = length - size_t(at + 1 - text) - std::strlen(header);
    if (samples != 4 * size_t(count) + 4 * (size_t(count) / 16))
        std::abort();
    std::free(text);
    return 0;
}

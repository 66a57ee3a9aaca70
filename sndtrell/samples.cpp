// The samples of the loaded WAV for --xo: 8-bit ones unsigned, 16-, 24-
// and 32-bit ones signed, little-endian, each frame's channels averaged
// into one sample from -1 to 1.
#include "console.h"
#include "sndtrell.h"
#include "xo.h"

bool CountSamples(const SoundRun& run, size_t* count)
{
    Console& console = run.console;
    const char* path = run.options.sound;
    const int bits = run.sound.bits, channels = run.sound.channels;
    const int bytes = bits / 8;
    if (bits % 8 != 0 || bytes < 1 || bytes > 4)
        return Refuse(console, path, "%d-bit samples; --xo reads 8-, 16-, 24- and 32-bit PCM", bits);
    if (channels < 1)
        return Refuse(console, path, "no channels");
    if (samplerate <= 0)
        return Refuse(console, path, "a rate of %d Hz", int(samplerate));
    // A last frame cut short is left out.
    *count = size_t(soundsize) / (size_t(bytes) * size_t(channels));
    if (double(*count) / samplerate > LONGEST_SOUND)
        return Refuse(console, path, "the sound lasts %.1f s; --xo converts at most %.0f s", double(*count) / samplerate,
                      LONGEST_SOUND);
    return true;
}

void ReadSamples(const SoundRun& run, size_t first, size_t n, float* out)
{
    // Each sample as a 32-bit number, its bytes at the top; 8-bit ones
    // with their midpoint 128 moved to 0.
    const int bytes = run.sound.bits / 8, channels = run.sound.channels;
    const double scale = 1.0 / (2147483648.0 * channels);
    const uint8_t* p = soundbuffer + first * size_t(bytes) * size_t(channels);
    for (size_t i = 0; i < n; i++) {
        double sum = 0;
        for (int c = 0; c < channels; c++, p += bytes) {
            uint32_t word = 0;
            for (int b = 0; b < bytes; b++)
                word |= uint32_t(p[b]) << (32 - 8 * (bytes - b));
            if (bytes == 1)
                word ^= 0x80000000u;
            sum += double(int32_t(word));
        }
        out[i] = float(sum * scale);
    }
}

// The samples of the loaded WAV for --xo: 8-bit ones unsigned, 16-, 24-
// and 32-bit ones signed, little-endian, each frame's channels averaged
// into one sample from -1 to 1.
#include "console.h"
#include "sndtrell.h"
#include "xo.h"

bool ReadSamples(const SoundRun& run, std::vector<float>& samples)
{
    Console& console = run.console;
    const char* path = run.options.sound;
    const int bits = run.sound.bits, channels = run.sound.channels;
    samples.clear();
    const int bytes = bits / 8;
    if (bits % 8 != 0 || bytes < 1 || bytes > 4)
        return Refuse(console, path, "%d-bit samples; --xo reads 8-, 16-, 24- and 32-bit PCM", bits);
    if (channels < 1)
        return Refuse(console, path, "no channels");
    if (samplerate <= 0)
        return Refuse(console, path, "a rate of %d Hz", int(samplerate));
    // A last frame cut short is left out.
    const size_t block = size_t(bytes) * size_t(channels);
    const size_t count = size_t(soundsize) / block;
    if (double(count) / samplerate > LONGEST_SOUND)
        return Refuse(console, path, "the sound lasts %.1f s; --xo converts at most %.0f s", double(count) / samplerate,
                      LONGEST_SOUND);

    // Each sample as a 32-bit number, its bytes at the top; 8-bit ones
    // with their midpoint 128 moved to 0.
    const double scale = 1.0 / (2147483648.0 * channels);
    samples.resize(count);
    const uint8_t* p = soundbuffer;
    for (size_t i = 0; i < count; i++) {
        double sum = 0;
        for (int c = 0; c < channels; c++, p += bytes) {
            uint32_t word = 0;
            for (int b = 0; b < bytes; b++)
                word |= uint32_t(p[b]) << (32 - 8 * (bytes - b));
            if (bytes == 1)
                word ^= 0x80000000u;
            sum += double(int32_t(word));
        }
        samples[i] = float(sum * scale);
    }
    return true;
}

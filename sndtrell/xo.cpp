// XO-CHIP pattern buffers from the loaded sound: its samples resampled to
// the rate of the pitch, quiet frames gated to 0 bits, each other sample
// made one bit, and the bits packed where the play position finds them.
#include "xo.h"

#include <cmath>

#include "console.h"
#include "sndtrell.h"

double PlayRate(int pitch) { return 4000 * std::pow(2.0, (pitch - 64) / 48.0); }

size_t FrameOf(size_t t, double rate) { return size_t(std::floor(double(t) * 60 / rate)); }

std::vector<uint8_t> PackBuffers(const std::vector<float>& samples, double rate, int frames, int quantize,
                                 double gate)
{
    const size_t count = samples.size(), perbuffer = size_t(frames);
    const size_t framecount = count ? FrameOf(count - 1, rate) + 1 : 0;
    std::vector<uint8_t> buffers((framecount + perbuffer - 1) / perbuffer * BUFFER_BYTES);
    const double quiet = std::pow(10.0, gate / 20);
    // The first-order delta-sigma loop: the running sum of the samples less
    // the levels written, -1 for a 0 bit and 1 for a 1 bit.
    double sum = 0;
    for (size_t t = 0, end; t < count; t = end) {
        const size_t frame = FrameOf(t, rate);
        double peak = 0;
        for (end = t; end < count && FrameOf(end, rate) == frame; end++)
            peak = std::fmax(peak, std::fabs(samples[end]));
        if (peak < quiet) {
            sum = 0;
            continue;
        }
        uint8_t* buffer = &buffers[frame / perbuffer * BUFFER_BYTES];
        for (size_t s = t; s < end; s++) {
            bool bit = samples[s] > 0;
            if (quantize == QUANTIZE_DS1) {
                sum += samples[s];
                bit = sum > 0;
                sum -= bit ? 1 : -1;
            }
            const size_t at = s % BUFFER_SAMPLES;
            buffer[at / 8] |= uint8_t(bit ? 0x80 >> (at % 8) : 0);
        }
    }
    return buffers;
}

bool ConvertXO(SoundRun& run)
{
    const Options& options = run.options;
    std::vector<uint8_t>& buffers = run.sound.xobuffers;
    buffers.clear();
    std::vector<float> samples, played;
    const double rate = PlayRate(options.pitch);
    if (!ReadSamples(run, samples) || !Resample(run.console, options.sound, samples, samplerate, rate, played))
        return false;
    samples = std::vector<float>();
    buffers = PackBuffers(played, rate, options.framesperbuffer, options.quantize, options.gate);
    const size_t bytes = buffers.size() + (options.xoheader ? 4 : 0);
    if (bytes > XO_MEMORY)
        Warn(run.console, "%zu buffers take %zu bytes; an XO-CHIP program holds at most %zu",
             buffers.size() / BUFFER_BYTES, bytes, size_t(XO_MEMORY));
    return true;
}

// XO-CHIP pattern buffers from the loaded sound: its samples resampled to
// the rate of the pitch, quiet frames gated to 0 bits, each other sample
// made one bit, and the bits packed where the play position finds them.
#include "xo.h"

#include <algorithm>
#include <cmath>

#include "console.h"
#include "sndtrell.h"

double PlayRate(int pitch) { return 4000 * std::pow(2.0, (pitch - 64) / 48.0); }

size_t FrameOf(size_t t, double rate) { return size_t(std::floor(double(t) * 60 / rate)); }

Packer StartPacking(size_t count, double rate, int frames, int quantize, double gate)
{
    Packer packer{rate, std::pow(10.0, gate / 20), count, size_t(frames), quantize, {}, {}, 0, 0};
    const size_t framecount = count ? FrameOf(count - 1, rate) + 1 : 0;
    packer.buffers.assign((framecount + packer.perbuffer - 1) / packer.perbuffer * BUFFER_BYTES, 0);
    packer.frame.reserve(size_t(rate / 60) + 2);
    return packer;
}

// Packs the frame under way: its bits, or none where it is quiet.
static void PackFrame(Packer& packer)
{
    double peak = 0;
    for (float sample : packer.frame)
        peak = std::fmax(peak, std::fabs(sample));
    if (peak < packer.quiet) {
        packer.sum = 0;
    } else {
        uint8_t* buffer = &packer.buffers[FrameOf(packer.first, packer.rate) / packer.perbuffer * BUFFER_BYTES];
        for (size_t i = 0; i < packer.frame.size(); i++) {
            const float sample = packer.frame[i];
            bool bit = sample > 0;
            if (packer.quantize == QUANTIZE_DS1) {
                packer.sum += sample;
                bit = packer.sum > 0;
                packer.sum -= bit ? 1 : -1;
            }
            const size_t at = (packer.first + i) % BUFFER_SAMPLES;
            buffer[at / 8] |= uint8_t(bit ? 0x80 >> (at % 8) : 0);
        }
    }
    packer.first += packer.frame.size();
    packer.frame.clear();
}

void PackSamples(Packer& packer, const float* samples, size_t n)
{
    n = std::min(n, packer.count - packer.first - packer.frame.size());
    for (size_t i = 0; i < n; i++) {
        const size_t t = packer.first + packer.frame.size();
        if (!packer.frame.empty() && FrameOf(t, packer.rate) != FrameOf(packer.first, packer.rate))
            PackFrame(packer);
        packer.frame.push_back(samples[i]);
    }
}

std::vector<uint8_t> EndPacking(Packer& packer)
{
    if (!packer.frame.empty())
        PackFrame(packer);
    return std::move(packer.buffers);
}

bool ConvertXO(SoundRun& run)
{
    const Options& options = run.options;
    std::vector<uint8_t>& buffers = run.sound.xobuffers;
    buffers.clear();
    const double rate = PlayRate(options.pitch);
    size_t count;
    if (!CountSamples(run, &count))
        return false;
    Packer packer = StartPacking(ResampledCount(count, samplerate, rate), rate, options.framesperbuffer, options.quantize,
                                 options.gate);
    if (!Resample(
            run.console, options.sound, count, samplerate, rate,
            [&](size_t first, size_t n, float* out) { ReadSamples(run, first, n, out); },
            [&](const float* samples, size_t n) { PackSamples(packer, samples, n); }))
        return false;
    buffers = EndPacking(packer);
    const size_t bytes = buffers.size() + (options.xoheader ? 4 : 0);
    if (bytes > XO_MEMORY)
        Warn(run.console, "%zu buffers take %zu bytes; an XO-CHIP program holds at most %zu",
             buffers.size() / BUFFER_BYTES, bytes, size_t(XO_MEMORY));
    return true;
}

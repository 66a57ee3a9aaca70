// XO-CHIP pattern buffers from the loaded sound: its samples resampled to
// the rate of the pitch, quiet frames gated to 0 bits, each other sample
// made one bit (by the search of xosearch.cpp, or by its sign or
// delta-sigma), and the bits packed where the play position finds them.
#include "xo.h"

#include <cmath>

#include "console.h"
#include "sndtrell.h"
#include "xosearch.h"

double PlayRate(int pitch) { return 4000 * std::pow(2.0, (pitch - 64) / 48.0); }

size_t FrameOf(size_t t, double rate) { return size_t(std::floor(double(t) * 60 / rate)); }

// Whether play sample t begins after the start of its frame, so that
// sample t - 1 plays into that frame too.
static bool StartsLate(size_t t, double rate)
{
    const double at = double(t) * 60 / rate;
    return at > std::floor(at);
}

std::vector<uint8_t> HeardFrames(const std::vector<float>& samples, double rate, double gate)
{
    const double quiet = std::pow(10.0, gate / 20);
    std::vector<uint8_t> heard(samples.empty() ? 0 : FrameOf(samples.size() - 1, rate) + 1);
    for (size_t t = 0; t < samples.size(); t++)
        if (std::fabs(samples[t]) >= quiet)
            heard[FrameOf(t, rate)] = 1;
    return heard;
}

// The sign of each sample, or first-order delta-sigma: the running sum of
// the samples less the levels written, -1 for a 0 bit and 1 for a 1 bit,
// begun anew after each silenced frame.
static std::vector<uint8_t> QuantizeBits(const std::vector<float>& samples, double rate, int quantize,
                                         const std::vector<uint8_t>& heard)
{
    std::vector<uint8_t> bits(samples.size());
    double sum = 0;
    for (size_t t = 0; t < samples.size(); t++) {
        if (!heard[FrameOf(t, rate)]) {
            sum = 0;
            continue;
        }
        bool bit = samples[t] > 0;
        if (quantize == QUANTIZE_DS1) {
            sum += samples[t];
            bit = sum > 0;
            sum -= bit ? 1 : -1;
        }
        bits[t] = bit;
    }
    return bits;
}

std::vector<uint8_t> BitRules(size_t count, double rate, int frames, const std::vector<uint8_t>& heard)
{
    std::vector<uint8_t> rules(count);
    for (size_t t = 0; t < count; t++)
        rules[t] = heard[FrameOf(t, rate)] ? BIT_FREE : BIT_ZERO;
    // A frame that begins with the end of a sample of the frame before it
    // and plays on to the sample 128 on has one place for both. With a
    // buffer a frame, each such pair is held to one bit. With more frames a
    // buffer the later sample keeps the place, and the earlier one's end
    // plays its bit: that costs less than holding the search to the pairs
    // (0.2 dB, measured at pitch 61 and two frames), where at pitch 109 and
    // one frame, its noise 10 dB lower, the pairs gain 0.2 to 0.7 dB.
    if (frames == 1)
        for (size_t t = 1; t + BUFFER_SAMPLES - 1 < count; t++) {
            const size_t frame = FrameOf(t, rate), again = t - 1 + BUFFER_SAMPLES;
            if (frame != FrameOf(t - 1, rate) && StartsLate(t, rate) && FrameOf(again, rate) == frame &&
                rules[again] == BIT_FREE)
                rules[again] = BIT_REPEAT;
        }
    return rules;
}

std::vector<uint8_t> PackBits(const std::vector<uint8_t>& bits, double rate, int frames)
{
    const size_t count = bits.size(), perbuffer = size_t(frames);
    const size_t framecount = count ? FrameOf(count - 1, rate) + 1 : 0;
    std::vector<uint8_t> buffers((framecount + perbuffer - 1) / perbuffer * BUFFER_BYTES);
    auto put = [&](size_t buffer, size_t t) {
        const size_t at = t % BUFFER_SAMPLES;
        buffers[buffer * BUFFER_BYTES + at / 8] |= uint8_t(0x80 >> (at % 8));
    };
    for (size_t t = 0; t < count; t++) {
        const size_t buffer = FrameOf(t, rate) / perbuffer;
        if (bits[t])
            put(buffer, t);
        // A sample that plays on into the next buffer: its bit there too,
        // unless a sample of that buffer has its place.
        if (t > 0 && bits[t - 1] && buffer != FrameOf(t - 1, rate) / perbuffer && StartsLate(t, rate)) {
            const size_t again = t - 1 + BUFFER_SAMPLES;
            if (again >= count || FrameOf(again, rate) / perbuffer != buffer)
                put(buffer, t - 1);
        }
    }
    return buffers;
}

std::vector<uint8_t> PackBuffers(const std::vector<float>& samples, double rate, int frames, int quantize,
                                 double gate)
{
    const std::vector<uint8_t> heard = HeardFrames(samples, rate, gate);
    if (quantize != QUANTIZE_SEARCH)
        return PackBits(QuantizeBits(samples, rate, quantize, heard), rate, frames);
    return PackBits(SearchSound(samples, rate, BitRules(samples.size(), rate, frames, heard)), rate, frames);
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
    // The sound is read and resampled a block at a time; only the samples
    // at the play rate are kept whole, for the quantizer.
    std::vector<float> played;
    played.reserve(ResampledCount(count, samplerate, rate));
    if (!Resample(
            run.console, options.sound, count, samplerate, rate,
            [&](size_t first, size_t n, float* out) { ReadSamples(run, first, n, out); },
            [&](const float* samples, size_t n) { played.insert(played.end(), samples, samples + n); },
            options.quantize == QUANTIZE_SEARCH))
        return false;
    buffers = PackBuffers(played, rate, options.framesperbuffer, options.quantize, options.gate);
    const size_t bytes = buffers.size() + (options.xoheader ? 4 : 0);
    if (bytes > XO_MEMORY)
        Warn(run.console, "%zu buffers take %zu bytes; an XO-CHIP program holds at most %zu",
             buffers.size() / BUFFER_BYTES, bytes, size_t(XO_MEMORY));
    return true;
}

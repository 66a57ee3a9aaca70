// sndtrell --xo where no golden case can reach: libsoxr's resampling to a
// rate that is no whole number, and buffers packed at such a rate played
// back as Octo steps through them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "xo.h"

namespace {

const double PI = 3.141592653589793;

std::vector<float> Tone(double hz, double rate, size_t count)
{
    std::vector<float> samples(count);
    for (size_t i = 0; i < count; i++)
        samples[i] = float(0.5 * std::sin(2 * PI * hz * double(i) / rate));
    return samples;
}

// A tone the play rate can carry comes through as it was, as long as it
// lasted; one it cannot is taken away, not folded back into the band.
TEST(Resample, KeepsWhatTheRateCarriesAndNothingElse)
{
    const double rate = PlayRate(61);
    std::vector<float> out;
    Console console;
    console.program = "sndtrell";
    testing::internal::CaptureStdout();
    ASSERT_TRUE(Resample(console, "t.wav", Tone(440, 44100, 44100), 44100, rate, out, false));
    ASSERT_EQ(out.size(), size_t(std::floor(rate + 0.5)));
    const std::vector<float> expected = Tone(440, rate, out.size());
    double error = 0, power = 0;
    for (size_t i = 200; i + 200 < out.size(); i++)  // the edges ring
        error += std::pow(out[i] - expected[i], 2), power += std::pow(expected[i], 2);
    EXPECT_LT(10 * std::log10(error / power), -60);

    ASSERT_TRUE(Resample(console, "t.wav", Tone(3000, 44100, 44100), 44100, rate, out, false));
    double peak = 0;
    for (size_t i = 200; i + 200 < out.size(); i++)
        peak = std::fmax(peak, std::fabs(out[i]));
    EXPECT_LT(20 * std::log10(peak), -60);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// At the default pitch and two frames a buffer, Octo's play position,
// running on from frame to frame at rate / 60 samples a frame, finds the
// bit of each sample in the buffer of that frame: all but where a sample
// straddles the frame that changes buffers.
TEST(PackBuffers, FollowTheOctoPlayPosition)
{
    const double rate = PlayRate(61);
    const int frames = 2;
    std::vector<float> samples(4000);
    for (size_t t = 0; t < samples.size(); t++)
        samples[t] = (t * 2654435761u >> 7) % 3 == 0 ? 0.5f : -0.5f;
    const std::vector<uint8_t> buffers = PackBuffers(samples, rate, frames, QUANTIZE_SIGN, -48);
    ASSERT_EQ(buffers.size(), (FrameOf(samples.size() - 1, rate) / frames + 1) * BUFFER_BYTES);
    size_t steps = 0, wrong = 0;
    for (size_t frame = 0; frame * frames < buffers.size() / BUFFER_BYTES * frames; frame++) {
        const uint8_t* buffer = &buffers[frame / frames * BUFFER_BYTES];
        for (int step = 0; step < 1000; step++) {
            const double position = (double(frame) + step / 1000.0) * rate / 60;
            const size_t t = size_t(position), at = t % BUFFER_SAMPLES;
            if (t >= samples.size())
                break;
            const bool bit = buffer[at / 8] >> (7 - at % 8) & 1;
            steps++;
            wrong += bit != (samples[t] > 0);
        }
    }
    EXPECT_LT(double(wrong) / double(steps), 0.003) << wrong << " of " << steps;
}

// The quantizers on a quiet steady level: the sign gives 1s alone, the
// delta-sigma loop as many 1s as the level asks (a quarter up: 5 in 8);
// and a gate above it silences both.
TEST(PackBuffers, QuantizersAndGate)
{
    const std::vector<float> level(128, 0.25f);
    const std::vector<uint8_t> sign = PackBuffers(level, 4000, 1, QUANTIZE_SIGN, -48);
    const std::vector<uint8_t> ds1 = PackBuffers(level, 4000, 1, QUANTIZE_DS1, -48);
    const std::vector<uint8_t> gated = PackBuffers(level, 4000, 1, QUANTIZE_DS1, -12);
    size_t ones = 0;
    for (size_t i = 0; i < 8; i++)  // samples 0-63: frame 0
        ones += size_t(__builtin_popcount(ds1[i]));
    EXPECT_EQ(ones, 40u);
    EXPECT_EQ(sign[0], 0xff);
    EXPECT_EQ(gated, std::vector<uint8_t>(gated.size(), 0));
}

}  // namespace

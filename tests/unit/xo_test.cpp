// sndtrell --xo where no golden case can reach: libsoxr's resampling to a
// rate that is no whole number, and buffers packed at such a rate played
// back as Octo steps through them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "text.h"
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

// The samples resampled, read from a vector and gathered into one.
bool Resample(Console& console, const std::vector<float>& in, double inrate, double outrate, std::vector<float>& out)
{
    out.clear();
    return Resample(
        console, "t.wav", in.size(), inrate, outrate,
        [&](size_t first, size_t n, float* to) { std::copy(in.begin() + long(first), in.begin() + long(first + n), to); },
        [&](const float* samples, size_t n) { out.insert(out.end(), samples, samples + n); });
}

// The samples packed, handed over in pieces of piece samples (0: all at once).
std::vector<uint8_t> Pack(const std::vector<float>& samples, double rate, int frames, int quantize, double gate, size_t piece = 0)
{
    Packer packer = StartPacking(samples.size(), rate, frames, quantize, gate);
    for (size_t at = 0; at < samples.size(); at += piece ? piece : samples.size())
        PackSamples(packer, samples.data() + at, std::min(piece ? piece : samples.size(), samples.size() - at));
    return EndPacking(packer);
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
    ASSERT_TRUE(Resample(console, Tone(440, 44100, 44100), 44100, rate, out));
    ASSERT_EQ(out.size(), size_t(std::floor(rate + 0.5)));
    const std::vector<float> expected = Tone(440, rate, out.size());
    double error = 0, power = 0;
    for (size_t i = 200; i + 200 < out.size(); i++)  // the edges ring
        error += std::pow(out[i] - expected[i], 2), power += std::pow(expected[i], 2);
    EXPECT_LT(10 * std::log10(error / power), -60);

    ASSERT_TRUE(Resample(console, Tone(3000, 44100, 44100), 44100, rate, out));
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
TEST(Packing, FollowsTheOctoPlayPosition)
{
    const double rate = PlayRate(61);
    const int frames = 2;
    std::vector<float> samples(4000);
    for (size_t t = 0; t < samples.size(); t++)
        samples[t] = (t * 2654435761u >> 7) % 3 == 0 ? 0.5f : -0.5f;
    const std::vector<uint8_t> buffers = Pack(samples, rate, frames, QUANTIZE_SIGN, -48);
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
TEST(Packing, QuantizersAndGate)
{
    const std::vector<float> level(128, 0.25f);
    const std::vector<uint8_t> sign = Pack(level, 4000, 1, QUANTIZE_SIGN, -48);
    const std::vector<uint8_t> ds1 = Pack(level, 4000, 1, QUANTIZE_DS1, -48);
    const std::vector<uint8_t> gated = Pack(level, 4000, 1, QUANTIZE_DS1, -12);
    size_t ones = 0;
    for (size_t i = 0; i < 8; i++)  // samples 0-63: frame 0
        ones += size_t(__builtin_popcount(ds1[i]));
    EXPECT_EQ(ones, 40u);
    EXPECT_EQ(sign[0], 0xff);
    EXPECT_EQ(gated, std::vector<uint8_t>(gated.size(), 0));  // 0.25 is below -12 dBFS (0.2512)
    EXPECT_EQ(Pack(level, 4000, 1, QUANTIZE_SIGN, -12.1)[0], 0xff);  // and above -12.1 (0.2483)
}

// The samples come in blocks that begin and end anywhere in a frame: the
// buffers are those of the samples handed over at once, whatever the
// pieces, with the gate and the delta-sigma loop carried across them.
TEST(Packing, ThePiecesMakeNoDifference)
{
    std::vector<float> samples(3000);
    for (size_t t = 0; t < samples.size(); t++)
        samples[t] = t / 700 % 2 ? 0.0001f : float(0.3 * std::sin(double(t) * 0.05));
    for (int quantize : {QUANTIZE_SIGN, QUANTIZE_DS1}) {
        const std::vector<uint8_t> whole = Pack(samples, PlayRate(61), 2, quantize, -48);
        for (size_t piece : {1, 7, 63, 64, 65, 1000})
            EXPECT_EQ(Pack(samples, PlayRate(61), 2, quantize, -48, piece), whole) << piece;
    }
}

// The header of --xo-header counts the buffers in two bytes, high first:
// 300 buffers are 01 2c.
TEST(XoText, TheHeaderCountsBuffersInTwoBytes)
{
    Options options;
    options.xo = options.xoheader = true;
    options.sound = "s.wav";
    Console console;
    Sound sound;
    sound.xobuffers.assign(300 * BUFFER_BYTES, 0);
    SoundRun run{options, console, sound};
    std::string text;
    TextWriter w;
    w.kept = &text;
    WriteXoData(w, run);
    FlushText(w);
    EXPECT_NE(text.find("SOUNDDATA:\nDB #3d,#02,#01,#2c,\n"), std::string::npos) << text.substr(0, 300);
}

}  // namespace

// sndtrell --xo where no golden case can reach: libsoxr's resampling to a
// rate that is no whole number, buffers packed at such rates played back
// as Octo steps through them, the rules of the search there, and the
// search itself against every bit pattern of a short sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "text.h"
#include "xo.h"
#include "xosearch.h"

namespace {

const double PI = 3.141592653589793;

std::vector<float> Tone(double hz, double rate, size_t count)
{
    std::vector<float> samples(count);
    for (size_t i = 0; i < count; i++)
        samples[i] = float(0.5 * std::sin(2 * PI * hz * double(i) / rate));
    return samples;
}

// The samples resampled, read from a vector a block at a time and
// gathered into one.
bool Resample(Console& console, const char* path, const std::vector<float>& in, double inrate, double outrate,
              std::vector<float>& out, bool precise)
{
    out.clear();
    return Resample(
        console, path, in.size(), inrate, outrate,
        [&](size_t first, size_t n, float* to) { std::copy(in.begin() + long(first), in.begin() + long(first + n), to); },
        [&](const float* samples, size_t n) { out.insert(out.end(), samples, samples + n); }, precise);
}

// A tone the play rate can carry comes through as it was, as long as it
// lasted; one it cannot is taken away, not folded back into the band. In
// single and in double precision.
TEST(Resample, KeepsWhatTheRateCarriesAndNothingElse)
{
    const double rate = PlayRate(61);
    for (bool precise : {false, true}) {
        std::vector<float> out;
        Console console;
        console.program = "sndtrell";
        testing::internal::CaptureStdout();
        ASSERT_TRUE(Resample(console, "t.wav", Tone(440, 44100, 44100), 44100, rate, out, precise));
        ASSERT_EQ(out.size(), size_t(std::floor(rate + 0.5)));
        const std::vector<float> expected = Tone(440, rate, out.size());
        double error = 0, power = 0;
        for (size_t i = 200; i + 200 < out.size(); i++)  // the edges ring
            error += std::pow(out[i] - expected[i], 2), power += std::pow(expected[i], 2);
        EXPECT_LT(10 * std::log10(error / power), -60);

        ASSERT_TRUE(Resample(console, "t.wav", Tone(3000, 44100, 44100), 44100, rate, out, precise));
        double peak = 0;
        for (size_t i = 200; i + 200 < out.size(); i++)
            peak = std::fmax(peak, std::fabs(out[i]));
        EXPECT_LT(20 * std::log10(peak), -60);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    }
}

// Bits of no pattern, a third of them 1.
std::vector<uint8_t> Scattered(size_t count)
{
    std::vector<uint8_t> bits(count);
    for (size_t t = 0; t < count; t++)
        bits[t] = (t * 2654435761u >> 7) % 3 == 0;
    return bits;
}

// The bits packed, then played as Octo's play position runs on from frame
// to frame at rate / 60 samples a frame, a thousand steps a frame: the
// steps that find another bit than their sample's, and among them those
// where the sample 128 on, in the same buffer, has the place.
struct Played {
    size_t wrong = 0, shared = 0;
};
Played Play(const std::vector<uint8_t>& bits, double rate, int frames)
{
    const std::vector<uint8_t> buffers = PackBits(bits, rate, frames);
    EXPECT_EQ(buffers.size(), (FrameOf(bits.size() - 1, rate) / size_t(frames) + 1) * BUFFER_BYTES);
    Played played;
    for (size_t frame = 0; frame < buffers.size() / BUFFER_BYTES * size_t(frames); frame++) {
        const size_t buffer = frame / size_t(frames);
        for (int step = 0; step < 1000; step++) {
            const size_t t = size_t((double(frame) + step / 1000.0) * rate / 60), at = t % BUFFER_SAMPLES;
            if (t >= bits.size())
                break;
            if ((buffers[buffer * BUFFER_BYTES + at / 8] >> (7 - at % 8) & 1) != bits[t]) {
                played.wrong++;
                const size_t again = t + BUFFER_SAMPLES;
                played.shared += again < bits.size() && FrameOf(again, rate) / size_t(frames) == buffer;
            }
        }
    }
    return played;
}

// Every step finds its sample's bit, the samples that play on into the
// next buffer included, but where the sample 128 on has the place in that
// buffer: at pitch 61 and two frames a buffer, and at pitch 109 and one
// unless the search keeps both bits alike there. At pitch 64 no buffer
// plays 128 samples on.
TEST(PackBits, PlacesWhereTheOctoPlayPositionFindsThem)
{
    const size_t count = 8000;
    const double rate109 = PlayRate(109);
    const std::vector<uint8_t> rules = BitRules(count, rate109, 1, std::vector<uint8_t>(count, 1));
    // A tone half a period on after 128 samples, so its bits there differ.
    const std::vector<uint8_t> searched = SearchSound(Tone(330, rate109, count), rate109, rules);
    const struct {
        std::vector<uint8_t> bits;
        int pitch, frames;
        bool shares;
    } cases[] = {
        {Scattered(count), 61, 2, true},
        {Scattered(count), 64, 1, false},
        {Scattered(count), 109, 1, true},
        {searched, 109, 1, false},
    };
    for (const auto& c : cases) {
        const Played played = Play(c.bits, PlayRate(c.pitch), c.frames);
        EXPECT_EQ(played.wrong, played.shared) << "pitch " << c.pitch;
        EXPECT_EQ(played.shared > 0, c.shares) << "pitch " << c.pitch;
    }
}

// The rules of the search, worked by hand at pitch 109 (127.68 samples a
// frame): frame 1 begins in sample 127 and plays to 255, frame 2 begins in
// 255 and plays to 383, frame 3 begins in 383 but ends in 510. A frame not
// heard gives 0 bits, ahead of any other rule. Two frames a buffer hold to
// no pairs.
TEST(BitRules, PairTheSamplesThatShareAPlace)
{
    const double rate = PlayRate(109);
    std::vector<uint8_t> heard(6, 1);
    std::vector<uint8_t> rules = BitRules(700, rate, 1, heard);
    std::vector<size_t> repeats;
    for (size_t t = 0; t < rules.size(); t++)
        if (rules[t] == BIT_REPEAT)
            repeats.push_back(t);
    EXPECT_EQ(repeats, (std::vector<size_t>{255, 383, 638}));  // frame 4 begins in 510, plays to 638
    heard[2] = 0;
    rules = BitRules(700, rate, 1, heard);
    EXPECT_EQ(rules[255], BIT_REPEAT);
    EXPECT_EQ(rules[256], BIT_ZERO);
    EXPECT_EQ(rules[383], BIT_ZERO);
    rules = BitRules(700, PlayRate(61), 2, std::vector<uint8_t>(11, 1));  // 63.84 samples a frame
    EXPECT_EQ(std::count(rules.begin(), rules.end(), BIT_REPEAT), 0);
}

// The sum of (h * b - target)^2 over the bits (0 or 1 for -1 or 1), the
// bits before the first counting nothing.
double Cost(const std::vector<double>& target, const std::vector<double>& h, const std::vector<uint8_t>& bits)
{
    double cost = 0;
    for (size_t n = 0; n < bits.size(); n++) {
        double error = -target[n];
        for (size_t i = 0; i < h.size() && i <= n; i++)
            error += h[i] * (bits[n - i] ? 1 : -1);
        cost += error * error;
    }
    return cost;
}

std::vector<double> Target(size_t count, unsigned seed)
{
    std::vector<double> target(count);
    for (size_t n = 0; n < count; n++)
        target[n] = 0.8 * std::sin(0.7 * double(n) + seed) + 0.3 * double((n * 2654435761u + seed) % 97) / 97;
    return target;
}

// Given paths enough to keep every pattern of 12 bits, the search finds
// the cheapest of them that keeps to the rules, as trying each does; with
// 16 paths it finds none cheaper.
TEST(SearchBits, FindsWhatTryingEveryPatternFinds)
{
    const size_t count = 12;
    const std::vector<double> designed = DesignShaping(PlayRate(61), -10).h;
    std::vector<uint8_t> some(count, BIT_FREE);
    some[3] = some[4] = some[9] = BIT_ZERO;
    const struct {
        std::vector<double> h;
        unsigned seed;
        std::vector<uint8_t> rules;
    } cases[] = {
        {designed, 1, std::vector<uint8_t>(count, BIT_FREE)},
        {designed, 2, some},
        {{0.9, -0.7, 0.4, -0.1}, 3, std::vector<uint8_t>(count, BIT_FREE)},
        {{0.6, 0.5, 0.3}, 4, some},
    };
    for (const auto& c : cases) {
        const std::vector<double> target = Target(count, c.seed);
        double least = HUGE_VAL;
        std::vector<uint8_t> cheapest;
        for (unsigned pattern = 0; pattern < 1u << count; pattern++) {
            std::vector<uint8_t> bits(count);
            bool kept = true;
            for (size_t n = 0; n < count; n++)
                bits[n] = pattern >> n & 1, kept &= !(bits[n] && c.rules[n] == BIT_ZERO);
            const double cost = kept ? Cost(target, c.h, bits) : HUGE_VAL;
            if (cost < least)
                least = cost, cheapest = bits;
        }
        double cost = 0;
        EXPECT_EQ(SearchBits(target, c.h, c.rules, 1 << count, &cost), cheapest) << "seed " << c.seed;
        EXPECT_NEAR(cost, least, 1e-9 * least);
        const std::vector<uint8_t> bits = SearchBits(target, c.h, c.rules, SEARCH_PATHS, &cost);
        EXPECT_NEAR(cost, Cost(target, c.h, bits), 1e-9 * cost);
        EXPECT_GE(cost, least * (1 - 1e-12));
    }
}

// Over a sound long enough for bits to be settled along the way, the
// search keeps to its rules, and the cost it gives is its bits' cost.
TEST(SearchBits, KeepsItsRulesAndCountsItsCost)
{
    const size_t count = 3000;
    const std::vector<double> h = DesignShaping(PlayRate(109), -20).h;
    std::vector<uint8_t> rules(count, BIT_FREE);
    for (size_t n = 1000; n < 1100; n++)
        rules[n] = BIT_ZERO;
    for (size_t n : {255, 383, 1050 + 128, 2000})
        rules[n] = BIT_REPEAT;
    const std::vector<double> target = Target(count, 5);
    double cost = 0;
    const std::vector<uint8_t> bits = SearchBits(target, h, rules, SEARCH_PATHS, &cost);
    for (size_t n = 0; n < count; n++) {
        if (rules[n] == BIT_ZERO) {
            EXPECT_EQ(bits[n], 0) << n;
        } else if (rules[n] == BIT_REPEAT) {
            EXPECT_EQ(bits[n], bits[n - 128]) << n;
        }
    }
    EXPECT_NEAR(cost, Cost(target, h, bits), 1e-9 * cost);
}

double Magnitude(const std::vector<double>& h, double f, double rate)
{
    double re = 0, im = 0;
    for (size_t n = 0; n < h.size(); n++)
        re += h[n] * std::cos(2 * PI * f * double(n) / rate), im -= h[n] * std::sin(2 * PI * f * double(n) / rate);
    return std::hypot(re, im);
}

// The noise-shaping filter has the magnitude it is made for: in the band
// the hold's sinc, above it the floor; and minimum phase: its first tap is
// the geometric mean of its magnitude. The filters of the measure: the
// band at the centres of the held samples, half a sample on, and the
// hold's sinc in place.
TEST(DesignShaping, MinimumPhaseOfTheFlooredWeighting)
{
    for (const auto& c : {std::pair<int, double>{61, -10}, {109, -20}}) {
        const double rate = PlayRate(c.first), x = PI * 300 / rate;
        const Shaping shaping = DesignShaping(rate, c.second);
        EXPECT_NEAR(Magnitude(shaping.h, 300, rate), std::sin(x) / x, 0.005) << c.first;
        EXPECT_NEAR(Magnitude(shaping.h, 0.45 * rate, rate), std::pow(10, c.second / 20), 0.01) << c.first;
        double logs = 0;
        for (int k = 0; k < 1024; k++)
            logs += std::log(Magnitude(shaping.h, (k + 0.5) * rate / 2048, rate)) / 1024;
        EXPECT_NEAR(shaping.h[0], std::exp(logs), 0.01 * shaping.h[0]) << c.first;

        const Measure measure = DesignMeasure(rate);
        const std::vector<float> tone = Tone(300, rate, 2000);
        const std::vector<double> in(tone.begin(), tone.end());
        const std::vector<double> band = Filter(measure.band, measure.bandzero, in);
        const std::vector<double> weight = Filter(measure.weight, measure.weightzero, in);
        for (size_t t = 500; t < 1500; t += 97) {
            EXPECT_NEAR(band[t], 0.5 * std::sin(2 * PI * 300 * (double(t) + 0.5) / rate), 0.005) << t;
            EXPECT_NEAR(weight[t], std::sin(x) / x * in[t], 0.005) << t;
        }
    }
}

// A gate a step below a steady level's peak lets it through; one at the
// level takes it: 0.25 is below -12 dBFS (0.2512) and above -12.1 (0.2483).
TEST(PackBuffers, TheGateAtTheEdgeOfAPeak)
{
    const std::vector<float> level(128, 0.25f);
    EXPECT_EQ(PackBuffers(level, 4000, 1, QUANTIZE_SIGN, -12.1)[0], 0xff);
    const std::vector<uint8_t> gated = PackBuffers(level, 4000, 1, QUANTIZE_SIGN, -12);
    EXPECT_EQ(gated, std::vector<uint8_t>(gated.size(), 0));
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

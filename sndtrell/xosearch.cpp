// --quantize search. The sound heard from the buffers is the bits held for
// a play sample each; in the band that is the bits through the weighting W
// (xofilter.cpp). So the bits b = +-1 are chosen to keep the sum of
// (h * b - target)^2 low, h the noise-shaping filter of W, the target the
// sound through the band with h's phase: the error falls where W is small.
//
// The search keeps the cheapest paths (bit patterns) so far; each step
// every path grows by a bit of either value, and the cheapest children
// stay, but for one whose bits as far back as they count are a cheaper
// one's. With one path this is error feedback. A path's bits live in its
// history, the newest in bit 0 of word 0; h's sum over them is taken a
// byte of history at a time from tables of the sums of 8 taps. A bit is
// settled some steps on, from the cheapest path, and the paths that
// disagree with it are dropped, so the bits given are one path's.
#include <algorithm>
#include <cmath>

#include "xo.h"
#include "xosearch.h"

namespace {

const size_t MOST_WORDS = 8;
const size_t REPEAT_BACK = 128;

struct Path {
    double cost;
    uint64_t history[MOST_WORDS];
};

struct Child {
    double cost;
    uint32_t parent, bit;
};

// The order of the children: by cost, and two of one cost by their parent
// and bit, so that every build keeps the same.
bool Before(const Child& a, const Child& b)
{
    if (a.cost != b.cost)
        return a.cost < b.cost;
    return a.parent != b.parent ? a.parent < b.parent : a.bit < b.bit;
}

// Sorts a few children, most of them in order already.
void Sort(std::vector<Child>& children)
{
    for (size_t i = 1; i < children.size(); i++)
        for (size_t j = i; j > 0 && Before(children[j], children[j - 1]); j--)
            std::swap(children[j], children[j - 1]);
}

bool BitAt(const Path& path, size_t back) { return path.history[back / 64] >> (back % 64) & 1; }

}  // namespace

std::vector<uint8_t> SearchBits(const std::vector<double>& target, const std::vector<double>& h,
                                const std::vector<uint8_t>& rules, int paths, double* cost)
{
    const size_t count = target.size(), taps = std::min(h.size(), 64 * MOST_WORDS - 128);
    const size_t groups = (taps + 6) / 8;  // of taps 1 to taps - 1
    // table[256 g + v]: the sum of the taps 8g + 1 + k whose bit k of v is set.
    std::vector<double> table(groups * 256);
    for (size_t g = 0; g < groups; g++)
        for (unsigned v = 0; v < 256; v++) {
            double sum = 0;
            for (size_t k = 0; k < 8; k++)
                if (v >> k & 1 && 8 * g + 1 + k < taps)
                    sum += h[8 * g + 1 + k];
            table[256 * g + v] = sum;
        }
    // below[n]: the sum of the taps that step n reaches back with, 1 to n.
    std::vector<double> below(std::max(taps, size_t(1)));
    for (size_t n = 1; n < taps; n++)
        below[n] = below[n - 1] + h[n];
    const double h0 = taps ? h[0] : 0;
    // The bits back that a path's future costs depend on, and how far back
    // a bit is settled: past those, where paths have mostly met.
    const size_t window = std::max(taps ? taps - 1 : 0, REPEAT_BACK), decided = window + 64;
    const size_t words = decided / 64 + 1;

    std::vector<uint8_t> bits(count);
    std::vector<Path> now(1, Path{0, {}}), next;
    std::vector<Child> better, worse;
    double settled = 0;  // the cost taken out of every path so far
    for (size_t n = 0; n < count; n++) {
        // Each path's children, its cheaper child among the better ones. The
        // paths are in order of cost, and so mostly are both lists.
        better.clear();
        worse.clear();
        const double reach = below[std::min(n, below.size() - 1)];
        for (size_t p = 0; p < now.size(); p++) {
            const Path& path = now[p];
            double sum = 0;
            for (size_t g = 0; g < groups; g++)
                sum += table[256 * g + (path.history[g / 8] >> (8 * (g % 8)) & 255)];
            const double base = 2 * sum - reach - target[n];
            const Child one = {path.cost + (base + h0) * (base + h0), uint32_t(p), 1};
            const Child zero = {path.cost + (base - h0) * (base - h0), uint32_t(p), 0};
            if (rules[n] == BIT_ZERO || (rules[n] == BIT_REPEAT && !BitAt(path, REPEAT_BACK - 1)))
                better.push_back(zero);
            else if (rules[n] == BIT_REPEAT)
                better.push_back(one);
            else if (Before(one, zero))
                better.push_back(one), worse.push_back(zero);
            else
                better.push_back(zero), worse.push_back(one);
        }
        Sort(better);
        Sort(worse);
        const double least = better[0].cost;
        settled += least;
        // The cheapest children, merged from both lists in order, each a
        // path unless a cheaper one has the same bits as far back as they
        // count: then it is no other path.
        next.resize(std::min(better.size() + worse.size(), size_t(paths)));
        size_t kept = 0;
        for (size_t b = 0, w = 0; (b < better.size() || w < worse.size()) && kept < next.size();) {
            const bool fromworse = b == better.size() || (w < worse.size() && Before(worse[w], better[b]));
            const Child& c = fromworse ? worse[w++] : better[b++];
            const Path& parent = now[c.parent];
            Path& child = next[kept];
            child.cost = c.cost - least;
            for (size_t i = words - 1; i > 0; i--)
                child.history[i] = parent.history[i] << 1 | parent.history[i - 1] >> 63;
            child.history[0] = parent.history[0] << 1 | c.bit;
            bool same = false;
            for (size_t k = 0; k < kept && !same; k++) {
                same = true;
                for (size_t i = 0; i < window / 64 && same; i++)
                    same = next[k].history[i] == child.history[i];
                if (window % 64)
                    same = same && ((next[k].history[window / 64] ^ child.history[window / 64]) << (64 - window % 64)) == 0;
            }
            kept += !same;
        }
        next.resize(kept);
        now.swap(next);
        if (n >= decided) {
            const bool bit = BitAt(now[0], decided);
            bits[n - decided] = bit;
            size_t agree = 1;
            for (size_t p = 1; p < now.size(); p++)
                if (BitAt(now[p], decided) == bit)
                    now[agree++] = now[p];
            now.resize(agree);
        }
    }
    for (size_t back = 0; back < std::min(count, decided); back++)
        bits[count - 1 - back] = BitAt(now[0], back);
    if (cost)
        *cost = settled + (count ? now[0].cost : 0);
    return bits;
}

namespace {

// How near the bits come to the sound heard in the band: the ratio of the
// sound's energy to what is left of it once the bits, heard as Octo plays
// them, are taken away at the best gain; both less their means.
double Nearness(const std::vector<double>& heard, const Measure& measure, const std::vector<uint8_t>& bits)
{
    std::vector<double> levels(bits.size());
    for (size_t t = 0; t < bits.size(); t++)
        levels[t] = bits[t] ? 1 : -1;
    std::vector<double> played = Filter(measure.weight, measure.weightzero, levels);
    double mean = 0, heardmean = 0;
    for (size_t t = 0; t < bits.size(); t++)
        mean += played[t], heardmean += heard[t];
    mean /= double(bits.size()), heardmean /= double(bits.size());
    double ss = 0, sp = 0, pp = 0;
    for (size_t t = 0; t < bits.size(); t++) {
        const double s = heard[t] - heardmean, p = played[t] - mean;
        ss += s * s, sp += s * p, pp += p * p;
    }
    if (pp == 0 || sp <= 0)
        return 0;
    const double left = ss - sp * sp / pp;
    return left > 0 ? ss / left : HUGE_VAL;
}

}  // namespace

std::vector<uint8_t> SearchSound(const std::vector<float>& samples, double rate, const std::vector<uint8_t>& rules)
{
    if (samples.empty())
        return {};
    const std::vector<double> sound(samples.begin(), samples.end());
    const Measure measure = DesignMeasure(rate);
    const std::vector<double> heard = Filter(measure.band, measure.bandzero, sound);
    // The floor: -10 dB at pitch 61, 10 dB deeper an octave up (-20 dB at
    // pitch 109), where there is more room above the band for the noise.
    // The level of the target against the bits' +-1: the higher, the
    // louder the sound over the noise, until the search can no longer
    // follow it; 0.6 at pitch 61, 0.45 at 109. A sound whose loudness
    // varies wants a lower one, a steady one a higher: a few are tried.
    const double octaves = Log2(rate / PlayRate(61));
    const double floordb = std::fmin(-3, std::fmax(-30, -10 - 10 * octaves));
    const double level = std::fmin(0.8, std::fmax(0.3, 0.6 - 0.15 * octaves));
    const Shaping shaping = DesignShaping(rate, floordb);
    const std::vector<double> target = Filter(shaping.target, shaping.targetzero, sound);
    double energy = 0;
    size_t free = 0;
    for (size_t t = 0; t < target.size(); t++)
        if (rules[t] != BIT_ZERO)
            energy += target[t] * target[t], free++;
    const double rms = free ? std::sqrt(energy / double(free)) : 0;
    std::vector<uint8_t> best;
    double bestnearness = -1;
    for (double step : {1.0, 0.8, 1.2, 0.65}) {
        const double gain = rms > 0 ? level * step / rms : 0;
        std::vector<double> scaled(target.size());
        for (size_t t = 0; t < target.size(); t++)
            scaled[t] = target[t] * gain;
        std::vector<uint8_t> bits = SearchBits(scaled, shaping.h, rules, SEARCH_PATHS, nullptr);
        if (gain == 0)
            return bits;  // nothing heard: every level the same
        const double nearness = Nearness(heard, measure, bits);
        if (nearness > bestnearness)
            bestnearness = nearness, best.swap(bits);
    }
    return best;
}

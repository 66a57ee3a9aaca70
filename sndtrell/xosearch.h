// --quantize search: each play sample's bit chosen so that what Octo plays,
// heard in the band, is as near the sound as 16 paths of a search find.
// xofilter.cpp designs the filters, xosearch.cpp searches.
#ifndef SNDTRELL_XOSEARCH_H
#define SNDTRELL_XOSEARCH_H

#include <cstddef>
#include <cstdint>
#include <vector>

// How the bit of a play sample may be chosen: freely; 0, in a frame the
// gate silences; or as the bit 128 samples before, which has the same place
// in the buffer that plays both.
enum BitRule : uint8_t { BIT_FREE, BIT_ZERO, BIT_REPEAT };

// The paths of the search.
const int SEARCH_PATHS = 16;

// The noise-shaping filter h (h[0] first) of a play rate and a floor in dB
// below the weighting's peak, and the filter that makes the target of the
// search from the samples, its tap of time 0 at targetzero.
struct Shaping {
    std::vector<double> h;
    std::vector<double> target;
    size_t targetzero = 0;
};
Shaping DesignShaping(double rate, double floordb);

// The filters that tell how near a result is: the band at the centres of
// the play samples (the sound heard), and the weighting (the bits heard).
struct Measure {
    std::vector<double> band, weight;
    size_t bandzero = 0, weightzero = 0;
};
Measure DesignMeasure(double rate);

// The samples through a filter whose tap of time 0 is taps[zero].
std::vector<double> Filter(const std::vector<double>& taps, size_t zero, const std::vector<double>& in);

// 10^(db / 20), and the logarithm to base 2, as every build computes them.
double DecibelsToLevel(double db);
double Log2(double x);

// The bits (0 or 1, each standing for -1 or 1) of the search with paths
// paths, within the rules, that keep the sum of (h * bits - target)^2
// lowest, and that sum in *cost. The bits before the first count nothing.
std::vector<uint8_t> SearchBits(const std::vector<double>& target, const std::vector<double>& h,
                                const std::vector<uint8_t>& rules, int paths, double* cost);

// The bits of the samples at rate within the rules: the best, by the error
// in the band, of a few searches with floors and levels around those that
// suit the rate.
std::vector<uint8_t> SearchSound(const std::vector<float>& samples, double rate, const std::vector<uint8_t>& rules);

#endif

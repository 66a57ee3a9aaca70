// The filters of --quantize search (xosearch.cpp), designed for the play
// rate fs on a grid of FFT_SIZE frequencies from 0 to fs:
// - the weighting W(f) = B(f) x sinc(f / fs): B the band a listener is
//   given the sound in (0-1 kHz, the edge a raised cosine), the sinc what
//   holding each played bit for 1 / fs does to the band;
// - the noise-shaping filter h: the causal, minimum-phase filter whose
//   magnitude is |W| floored at a level below its peak (the error outside
//   the band still counts, that much less), made from the real cepstrum
//   and cut where it holds all but a millionth of its energy;
// - the target filter: the band B, H / |H| (the all-pass that gives the
//   target the phase of h) and half a play sample of advance, so that the
//   target is the sound at the centre of each held bit;
// - the band B alone, at the centres, and W, for the error of a result.
// Every decision about a bit rests on these numbers, and a build on
// another system must pick the same bits: so the sines, cosines,
// logarithms and exponentials here are this file's own, made of additions,
// multiplications and divisions alone, which round alike everywhere.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "xosearch.h"

namespace {

const double PI = 3.14159265358979323846;
// The band: flat to BAND_EDGE - BAND_SLOPE Hz, 0 from BAND_EDGE + BAND_SLOPE.
const double BAND_EDGE = 1000, BAND_SLOPE = 100;
// The grid of the design: 4096 points from 0 to fs, under 2 Hz apart at
// the highest pitch a buffer can take, the filters far shorter.
const int FFT_SIZE = 4096;
// What a filter may leave out of its energy when it is cut.
const double ENERGY_LEFT = 1e-6;

struct Complex {
    double re, im;
};

// sin x and cos x for |x| below 1e5: x less the nearest multiple of pi / 2
// (pi / 2 in three parts, so the remainder keeps its digits), then the
// Taylor series on [-pi / 4, pi / 4].
void SineCosine(double x, double* sine, double* cosine)
{
    const double P1 = 1.57079632673412561417, P2 = 6.07710050630396597660e-11, P3 = 2.02226624871116645580e-21;
    const double q = std::floor(x * (2 / PI) + 0.5);
    const double r = ((x - q * P1) - q * P2) - q * P3, r2 = r * r;
    // sin r = r (1 - r^2 / (2 3) (1 - r^2 / (4 5) (...))), cos r alike.
    double s = 1, c = 1;
    for (int n = 19; n >= 3; n -= 2)
        s = 1 - r2 / double((n - 1) * n) * s;
    for (int n = 18; n >= 2; n -= 2)
        c = 1 - r2 / double((n - 1) * n) * c;
    s *= r;
    const long quadrant = long(q - 4 * std::floor(q / 4));
    const double table[4][2] = {{s, c}, {c, -s}, {-s, -c}, {-c, s}};
    *sine = table[quadrant][0];
    *cosine = table[quadrant][1];
}

double Cosine(double x)
{
    double s, c;
    SineCosine(x, &s, &c);
    return c;
}

// e^x for |x| below 700: x = k ln 2 + r, e^r by its Taylor series.
double Exp(double x)
{
    const double LN2_HIGH = 0.693147180369123816490, LN2_LOW = 1.90821492927058770002e-10;
    const double k = std::floor(x * 1.44269504088896340736 + 0.5);
    const double r = (x - k * LN2_HIGH) - k * LN2_LOW;
    double sum = 1;
    for (int n = 20; n >= 1; n--)
        sum = 1 + sum * r / n;
    return std::ldexp(sum, int(k));
}

// The natural logarithm of x > 0: x = m 2^e with m in [sqrt 1/2, sqrt 2),
// log m = 2 atanh((m - 1) / (m + 1)) by its series.
double Log(double x)
{
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < 0.70710678118654752) {
        m *= 2;
        e--;
    }
    const double s = (m - 1) / (m + 1), s2 = s * s;
    double sum = 0;
    for (int n = 25; n >= 1; n -= 2)
        sum = sum * s2 + 1.0 / n;
    return 2 * s * sum + e * 0.693147180559945309417;
}

// The discrete Fourier transform of FFT_SIZE points in place, radix 2;
// inverse divides by the size.
void Fft(std::vector<Complex>& a, bool inverse)
{
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(a[i], a[j]);
    }
    std::vector<Complex> turn(n / 2);
    for (size_t k = 0; k < n / 2; k++) {
        SineCosine(2 * PI * double(k) / double(n), &turn[k].im, &turn[k].re);
        if (!inverse)
            turn[k].im = -turn[k].im;
    }
    for (size_t len = 2; len <= n; len <<= 1)
        for (size_t i = 0; i < n; i += len)
            for (size_t k = 0; k < len / 2; k++) {
                const Complex w = turn[k * (n / len)], u = a[i + k], v = a[i + k + len / 2];
                const Complex t = {v.re * w.re - v.im * w.im, v.re * w.im + v.im * w.re};
                a[i + k] = {u.re + t.re, u.im + t.im};
                a[i + k + len / 2] = {u.re - t.re, u.im - t.im};
            }
    if (inverse)
        for (Complex& c : a)
            c = {c.re / double(n), c.im / double(n)};
}

// The band and the weighting at grid point k (k up to FFT_SIZE / 2).
double Band(int k, double rate)
{
    const double f = rate * k / FFT_SIZE;
    if (f <= BAND_EDGE - BAND_SLOPE)
        return 1;
    if (f >= BAND_EDGE + BAND_SLOPE)
        return 0;
    return 0.5 + 0.5 * Cosine(PI * (f - BAND_EDGE + BAND_SLOPE) / (2 * BAND_SLOPE));
}

double Weight(int k, double rate)
{
    if (k == 0)
        return 1;
    double s, c;
    const double x = PI * k / FFT_SIZE;
    SineCosine(x, &s, &c);
    return Band(k, rate) * s / x;
}

// The impulse response of the spectrum spectrum(k) (k to FFT_SIZE / 2, the
// rest its mirror image), a real filter, from first to last tap; cut so
// that what is left out holds at most ENERGY_LEFT of its energy, and
// *zero set to the index of time 0.
template <typename Spectrum>
std::vector<double> Impulse(Spectrum spectrum, bool causal, size_t* zero)
{
    std::vector<Complex> a(FFT_SIZE);
    for (int k = 0; k <= FFT_SIZE / 2; k++) {
        a[k] = spectrum(k);
        if (k == FFT_SIZE / 2)
            a[k].im = 0;
        if (k > 0 && k < FFT_SIZE / 2)
            a[FFT_SIZE - k] = {a[k].re, -a[k].im};
    }
    Fft(a, true);
    // Times from -FFT_SIZE / 2 to FFT_SIZE / 2 - 1 (a causal one from 0).
    const int first = causal ? 0 : -FFT_SIZE / 2, last = causal ? FFT_SIZE - 1 : FFT_SIZE / 2 - 1;
    auto at = [&](int t) { return a[size_t((t + FFT_SIZE) % FFT_SIZE)].re; };
    double total = 0;
    for (int t = first; t <= last; t++)
        total += at(t) * at(t);
    // Half the allowance from each end; a causal one is cut at its end only.
    int from = first, to = last;
    for (double cut = 0; !causal && from < last && (cut += at(from) * at(from)) <= total * ENERGY_LEFT / 2;)
        from++;
    const double left = causal ? ENERGY_LEFT : ENERGY_LEFT / 2;
    for (double cut = 0; to > from && (cut += at(to) * at(to)) <= total * left;)
        to--;
    std::vector<double> taps;
    for (int t = from; t <= to; t++)
        taps.push_back(at(t));
    *zero = size_t(-from);
    return taps;
}

}  // namespace

double DecibelsToLevel(double db) { return Exp(db / 20 * Log(10.0)); }

double Log2(double x) { return Log(x) / Log(2.0); }

Shaping DesignShaping(double rate, double floordb)
{
    Shaping shaping;
    // The floored magnitude, and its minimum phase from the real cepstrum:
    // the log magnitude's inverse transform folded onto positive times.
    const double floor = DecibelsToLevel(floordb);
    std::vector<double> magnitude(FFT_SIZE / 2 + 1);
    std::vector<Complex> c(FFT_SIZE);
    for (int k = 0; k <= FFT_SIZE / 2; k++) {
        magnitude[k] = std::fmax(Weight(k, rate), floor);
        c[k] = c[(FFT_SIZE - k) % FFT_SIZE] = {Log(magnitude[k]), 0};
    }
    Fft(c, true);
    for (int n = 1; n < FFT_SIZE; n++)
        c[n] = n < FFT_SIZE / 2 ? Complex{2 * c[n].re, 0} : n == FFT_SIZE / 2 ? Complex{c[n].re, 0} : Complex{0, 0};
    c[0].im = 0;
    Fft(c, false);
    std::vector<Complex> phase(FFT_SIZE / 2 + 1);  // e^(i arg H)
    std::vector<Complex> response(FFT_SIZE / 2 + 1);
    for (int k = 0; k <= FFT_SIZE / 2; k++) {
        SineCosine(c[k].im, &phase[k].im, &phase[k].re);
        const double m = Exp(c[k].re);
        response[k] = {m * phase[k].re, m * phase[k].im};
    }
    size_t zero = 0;
    shaping.h = Impulse([&](int k) { return response[k]; }, true, &zero);
    // The target: the band, with h's phase, half a sample early.
    shaping.target = Impulse(
        [&](int k) {
            double s, cs;
            SineCosine(PI * k / FFT_SIZE, &s, &cs);
            const Complex p = phase[k];
            const double b = Band(k, rate);
            return Complex{b * (p.re * cs - p.im * s), b * (p.re * s + p.im * cs)};
        },
        false, &shaping.targetzero);
    return shaping;
}

Measure DesignMeasure(double rate)
{
    Measure measure;
    measure.band = Impulse(
        [&](int k) {
            double s, c;
            SineCosine(PI * k / FFT_SIZE, &s, &c);
            const double b = Band(k, rate);
            return Complex{b * c, b * s};
        },
        false, &measure.bandzero);
    measure.weight = Impulse([&](int k) { return Complex{Weight(k, rate), 0}; }, false, &measure.weightzero);
    return measure;
}

std::vector<double> Filter(const std::vector<double>& taps, size_t zero, const std::vector<double>& in)
{
    const ptrdiff_t n = ptrdiff_t(in.size()), count = ptrdiff_t(taps.size()), z = ptrdiff_t(zero);
    std::vector<double> out(in.size());
    for (ptrdiff_t t = 0; t < n; t++) {
        // out[t] = sum of taps[j] in[t - (j - zero)], in within the sound.
        const ptrdiff_t lo = std::max(ptrdiff_t(0), t - n + 1 + z), hi = std::min(count - 1, t + z);
        double sum = 0;
        for (ptrdiff_t j = lo; j <= hi; j++)
            sum += taps[size_t(j)] * in[size_t(t + z - j)];
        out[size_t(t)] = sum;
    }
    return out;
}

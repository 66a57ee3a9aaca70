// The in-band signal-to-noise ratio of a rendering against the sound it
// was made from, for bench/xo: both 16-bit mono WAVs at one rate, their
// means taken away and both low-passed to 0-1 kHz (a windowed-sinc filter
// of 1023 taps, Blackman window), the rendering shifted by the lag of at
// most 2 ms that matches best and scaled by the least-squares gain; the
// noise is what then differs. Prints the ratio in dB, the lag, and the
// rendering's in-band level in dBFS (or "silent" for a rendering of zeros).
//
// usage: xosnr REFERENCE.wav RENDERING.wav
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

static const double PI = 3.141592653589793;

// The samples of a canonical 16-bit mono WAV, and its rate.
static bool Read(const char* path, std::vector<double>& samples, unsigned* rate)
{
    FILE* f = std::fopen(path, "rb");
    unsigned char head[44];
    if (!f || std::fread(head, 1, 44, f) != 44 || std::memcmp(head + 36, "data", 4) != 0 || head[34] != 16 ||
        head[22] != 1) {
        std::fprintf(stderr, "xosnr: %s is no canonical 16-bit mono WAV\n", path);
        return false;
    }
    *rate = head[24] | head[25] << 8 | head[26] << 16 | unsigned(head[27]) << 24;
    unsigned char pair[2];
    while (std::fread(pair, 1, 2, f) == 2)
        samples.push_back(short(pair[0] | pair[1] << 8) / 32768.0);
    std::fclose(f);
    return true;
}

// The samples less their mean, low-passed to cutoff Hz.
static std::vector<double> InBand(const std::vector<double>& in, unsigned rate, double cutoff)
{
    const int taps = 1023, half = taps / 2;
    std::vector<double> h(taps);
    for (int i = 0; i < taps; i++) {
        const double x = i - half, w = 0.42 - 0.5 * std::cos(2 * PI * i / (taps - 1)) + 0.08 * std::cos(4 * PI * i / (taps - 1));
        h[i] = w * (x == 0 ? 2 * cutoff / rate : std::sin(2 * PI * cutoff / rate * x) / (PI * x));
    }
    double mean = 0;
    for (double v : in)
        mean += v / double(in.size());
    std::vector<double> out(in.size());
    for (size_t n = 0; n < in.size(); n++) {
        double sum = 0;
        for (int i = 0; i < taps; i++) {
            const long k = long(n) + i - half;
            if (k >= 0 && k < long(in.size()))
                sum += h[i] * (in[k] - mean);
        }
        out[n] = sum;
    }
    return out;
}

int main(int argc, char** argv)
{
    std::vector<double> ref, got;
    unsigned rate = 0, gotrate = 0;
    if (argc != 3 || !Read(argv[1], ref, &rate) || !Read(argv[2], got, &gotrate) || rate != gotrate) {
        std::fprintf(stderr, "usage: xosnr REFERENCE.wav RENDERING.wav (16-bit mono, one rate)\n");
        return 2;
    }
    got.resize(ref.size());
    const std::vector<double> r = InBand(ref, rate, 1000), g = InBand(got, rate, 1000);
    // The filter's own edges are left out.
    const long edge = 1023, most = long(rate) / 500;
    double best = -1e300, bestsnr = 0, level = 0;
    long bestlag = 0;
    for (long lag = -most; lag <= most; lag++) {
        double rg = 0, gg = 0, rr = 0;
        for (long n = edge; n + edge < long(r.size()); n++) {
            const long k = n + lag;
            const double v = k >= 0 && k < long(g.size()) ? g[k] : 0;
            rg += r[n] * v, gg += v * v, rr += r[n] * r[n];
        }
        if (gg == 0)
            continue;
        // With the best gain rg / gg the noise energy is rr - rg^2 / gg.
        const double match = rg * rg / gg;
        if (rg > 0 && match > best)
            best = match, bestlag = lag, bestsnr = 10 * std::log10(rr / (rr - match)), level = gg;
    }
    if (best < 0) {
        std::printf("silent\n");
        return 0;
    }
    const double count = double(r.size() - 2 * edge);
    std::printf("%.2f dB, lag %ld samples, in-band level %.1f dBFS\n", bestsnr, bestlag, 10 * std::log10(level / count));
    return 0;
}

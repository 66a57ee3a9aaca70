// Dithers: ordered ones by the Bayer matrices (as ImageMagick's o2x2,
// o4x4 and o8x8 give them), and the error diffusions of Floyd-Steinberg and
// Atkinson, left to right on every row.
#include "dither.h"

#include <algorithm>

#include "imgtrell.h"
#include "picture.h"

// The Bayer matrix of n x n at row y, column x: 0 to n^2 - 1. Each is the
// one of n / 2 times 4 plus the 2 x 2 one of its quarter; ImageMagick's
// 8 x 8 one is that, transposed.
static int Bayer(int n, int64_t x, int64_t y)
{
    static const int TWO[2][2] = {{0, 2}, {3, 1}};
    if (n == 8)
        std::swap(x, y);
    int m = 0;
    for (int block = 1; block < n; block *= 2)  // the finest quarters the highest digit
        m = 4 * m + TWO[(y / block) % 2][(x / block) % 2];
    return m;
}

static int SizeOf(int dither) { return dither == DITHER_BAYER2 ? 2 : dither == DITHER_BAYER4 ? 4 : 8; }

// Where an error diffusion passes a pixel's error, and in what share of it:
// the offsets right and down, each with its weight of the divisor.
struct Share {
    int dx, dy, weight;
};
static const Share FLOYD[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
static const Share ATKINSON[] = {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}};

// The errors of the rows a diffusion reaches: the row being done and the
// two below, each with two columns to spare either side.
struct Errors {
    int64_t width;
    std::vector<int32_t> rows[3];
    explicit Errors(int64_t w) : width(w)
    {
        for (auto& row : rows)
            row.assign(size_t(w + 4), 0);
    }
    int32_t& At(int64_t x, int dy) { return rows[dy][size_t(x + 2)]; }
    void Pass(int64_t x, int32_t error, const Share* shares, int count, int divisor)
    {
        for (int i = 0; i < count; i++)
            if (x + shares[i].dx >= 0 && x + shares[i].dx < width)
                At(x + shares[i].dx, shares[i].dy) += error * shares[i].weight / divisor;
    }
    void Down()
    {
        std::rotate(rows, rows + 1, rows + 3);
        std::fill(rows[2].begin(), rows[2].end(), 0);
    }
};

void DitherValues(int threshold, bool invert, const std::vector<uint8_t>& clear)
{
    const int64_t width = imgwidth, height = imgheight;
    const int dither = options.dither;
    const bool diffused = dither == DITHER_FLOYD || dither == DITHER_ATKINSON;
    const Share* shares = dither == DITHER_FLOYD ? FLOYD : ATKINSON;
    const int count = dither == DITHER_FLOYD ? 4 : 6, divisor = dither == DITHER_FLOYD ? 16 : 8;
    Errors errors(diffused ? width : 0);
    for (int64_t y = 0; y < height; y++) {
        uint8_t* row = PictureRow(y);
        for (int64_t x = 0; x < width; x++) {
            const size_t at = size_t(y) * size_t(width) + size_t(x);
            if (!clear.empty() && clear[at]) {
                row[x] = 0;
                continue;
            }
            int32_t value = row[x];
            bool bit;
            if (diffused) {
                const int32_t total = value + errors.At(x, 0);
                bit = total > threshold;
                errors.Pass(x, total - (bit ? 255 : 0), shares, count, divisor);
            } else if (dither) {
                const int n = SizeOf(dither);
                bit = value * (n * n + 1) / 255 > Bayer(n, x, y);
            } else {
                bit = value > threshold;
            }
            row[x] = uint8_t(bit != invert);
        }
        if (diffused)
            errors.Down();
    }
}

void DitherColours(std::vector<uint32_t>& colours, const std::vector<uint8_t>& outside)
{
    const int64_t width = imgwidth, height = imgheight;
    const std::vector<uint32_t>& listed = options.colors;
    const int dither = options.dither;
    const bool diffused = dither == DITHER_FLOYD || dither == DITHER_ATKINSON;
    const Share* shares = dither == DITHER_FLOYD ? FLOYD : ATKINSON;
    const int count = dither == DITHER_FLOYD ? 4 : 6, divisor = dither == DITHER_FLOYD ? 16 : 8;
    std::vector<Errors> errors(3, Errors(diffused ? width : 0));
    const int spread = listed.size() > 1 ? int(255 / (listed.size() - 1)) : 255;
    for (int64_t y = 0; y < height; y++) {
        for (int64_t x = 0; x < width; x++) {
            uint32_t& argb = colours[size_t(y) * size_t(width) + size_t(x)];
            if ((!outside.empty() && outside[size_t(y) * size_t(width) + size_t(x)]) || (argb >> 24) < 128 ||
                CheckTransparency(argb))
                continue;
            int32_t want[3];
            for (int c = 0; c < 3; c++) {
                want[c] = int32_t(argb >> (16 - 8 * c) & 0xFF);
                if (diffused) {
                    want[c] += errors[size_t(c)].At(x, 0);
                } else {
                    const int n = SizeOf(dither);
                    want[c] += ((2 * Bayer(n, x, y) + 1) * 255 / (2 * n * n) - 127) * spread / 255;
                }
            }
            int64_t best = -1;
            uint32_t chosen = listed[0];
            for (uint32_t colour : listed) {
                int64_t d = 0;
                for (int c = 0; c < 3; c++) {
                    const int64_t e = want[c] - int32_t(colour >> (16 - 8 * c) & 0xFF);
                    d += e * e;
                }
                if (best < 0 || d < best)
                    best = d, chosen = colour;
            }
            for (int c = 0; diffused && c < 3; c++)
                errors[size_t(c)].Pass(x, want[c] - int32_t(chosen >> (16 - 8 * c) & 0xFF), shares, count, divisor);
            argb = (argb & 0xFF000000u) | chosen;
        }
        for (int c = 0; diffused && c < 3; c++)
            errors[size_t(c)].Down();
    }
}

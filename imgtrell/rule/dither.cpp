// Dithers: ordered ones by the Bayer matrices (as ImageMagick's o2x2,
// o4x4 and o8x8 give them), and the error diffusions of Floyd-Steinberg and
// Atkinson, left to right on every row.
#include "dither.h"

#include <algorithm>

#include "imgtrell.h"
#include "conversion.h"
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

// A share of an error, error x weight / 2^shift rounded down (toward minus
// infinity): an arithmetic shift, which even a negative int has in C++20 and
// every compiler here.
static inline int32_t ShareOf(int32_t error, int32_t weight, int shift) { return (error * weight) >> shift; }

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
                At(x + shares[i].dx, shares[i].dy) += ShareOf(error, shares[i].weight, divisor == 16 ? 4 : 3);
    }
    void Down()
    {
        std::rotate(rows, rows + 1, rows + 3);
        std::fill(rows[2].begin(), rows[2].end(), 0);
    }
};

// Floyd-Steinberg or Atkinson over the rows. The errors of the row below
// (and, for Atkinson, of the one below it) are kept in arrays, one column
// to spare either side (what falls there past the edges is never read);
// the shares still to come to the next pixels, and those of the row below
// that more pixels add to, are carried along the row.

// One row of a diffusion under way: its pixels, the errors it takes
// (here) and gives the rows below (below, and under for Atkinson), and the
// shares it carries along the row: to x + 1 and x + 2 of its own, and the
// row below's at x - 1 and x, which more pixels still add to.
template <bool ATKINSON, bool CLEARS>
struct RowPass {
    uint8_t* pixel;
    const int16_t* here;
    int16_t *below, *under;
    const uint8_t* clears;
    int32_t next = 0, after = 0, left = 0, mid = 0;

    void Start()
    {
        left = below[-1];
        mid = below[0];
    }
    inline void Step(int64_t x, int threshold, int32_t flip)
    {
        const int32_t total = pixel[x] + here[x] + next;
        const int32_t bit = total > threshold;
        int32_t error = total - (bit ? 255 : 0);
        pixel[x] = uint8_t(bit ^ flip);
        if (CLEARS && clears[x])
            error = 0, pixel[x] = 0;
        const int32_t right = below[x + 1];
        if (ATKINSON) {
            const int32_t share = ShareOf(error, 1, 3);
            next = after + share, after = share;
            below[x - 1] = int16_t(left + share), left = mid + share, mid = right + share;
            under[x] = int16_t(share);
        } else {
            next = ShareOf(error, 7, 4);
            below[x - 1] = int16_t(left + ShareOf(error, 3, 4));
            left = mid + ShareOf(error, 5, 4), mid = right + ShareOf(error, 1, 4);
        }
    }
    void End(int64_t width) { below[width - 1] = int16_t(left), below[width] = int16_t(mid); }
};

// Rows are done four at a time, each two pixels behind the one above: by
// then every share it takes from that row has come, and the four chains of
// shares along the rows run side by side. The errors are kept in 16 bits:
// each stays within -256 to 255, since the shares a pixel takes add up to
// no less than -256 while the errors before it are no less (-256 times a
// weight is a whole number of its divisor, so rounding down loses nothing
// there) and to no more than 255 while they are no more, a sum of some of
// the shares the same.
template <bool ATKINSON, bool CLEARS>
static void Diffuse(int threshold, bool invert, const std::vector<uint8_t>& clear)
{
    const int64_t width = imgwidth, height = imgheight, LAG = 2;
    const int BAND = 4;
    const int32_t flip = invert;
    // The errors of rows y to y + 5, a column to spare either side; as many
    // as a band of the picture reaches.
    std::vector<int16_t> rows[BAND + 2];
    for (int64_t k = 0; k < std::min<int64_t>(BAND, height) + 2; k++)
        rows[k].assign(size_t(width + 2), 0);
    for (int64_t y = 0; y < height; y += BAND) {
        const int band = int(std::min<int64_t>(BAND, height - y));
        RowPass<ATKINSON, CLEARS> pass[BAND];
        for (int k = 0; k < band; k++) {
            pass[k].pixel = PictureRow(y + k);
            pass[k].here = rows[k].data() + 1;
            pass[k].below = rows[k + 1].data() + 1;
            pass[k].under = rows[k + 2].data() + 1;
            pass[k].clears = CLEARS ? clear.data() + size_t(y + k) * size_t(width) : nullptr;
        }
        // Where every row of a full band is within the picture, the rows
        // step without a test; before and after, each as far as it has come.
        const int64_t lagged = LAG * (band - 1);
        auto some = [&](int64_t x) {
            for (int k = 0; k < band; k++) {
                const int64_t at = x - LAG * k;
                if (at == 0)
                    pass[k].Start();
                if (at >= 0 && at < width)
                    pass[k].Step(at, threshold, flip);
                if (at == width)
                    pass[k].End(width);
            }
        };
        int64_t x = 0;
        for (; x < std::min(lagged, width + lagged) || (band < BAND && x < width + lagged); x++)
            some(x);
        for (; band == BAND && x < width; x++)
            for (int k = 0; k < BAND; k++)
                pass[k].Step(x - LAG * k, threshold, flip);
        for (; x < width + lagged + 1; x++)
            some(x);
        // The two rows below the band become the first two of the next.
        std::rotate(rows, rows + BAND, rows + BAND + 2);
        for (int k = 2; k < BAND + 2; k++)
            std::fill(rows[k].begin(), rows[k].end(), 0);
    }
}

void DitherValues(Conversion& cv, int threshold, bool invert, const std::vector<uint8_t>& clear)
{
    const bool clears = !clear.empty();
    if (cv.options.dither == DITHER_FLOYD)
        return clears ? Diffuse<false, true>(threshold, invert, clear) : Diffuse<false, false>(threshold, invert, clear);
    if (cv.options.dither == DITHER_ATKINSON)
        return clears ? Diffuse<true, true>(threshold, invert, clear) : Diffuse<true, false>(threshold, invert, clear);
    // A threshold, or each value's level against the matrix.
    const int n = cv.options.dither ? SizeOf(cv.options.dither) : 1;
    uint8_t level[256], matrix[8][8];
    for (int v = 0; v < 256; v++)
        level[v] = uint8_t(cv.options.dither ? v * (n * n + 1) / 255 : v > threshold);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x++)
            matrix[y][x] = uint8_t(cv.options.dither ? Bayer(n, x, y) : 0);
    const int64_t width = imgwidth, height = imgheight;
    for (int64_t y = 0; y < height; y++) {
        uint8_t* pixel = PictureRow(y);
        const uint8_t* m = matrix[y & (n - 1)];  // n is a power of 2
        const uint8_t* clears = clear.empty() ? nullptr : clear.data() + size_t(y) * size_t(width);
        for (int64_t x = 0; x < width; x++)
            pixel[x] = uint8_t((level[pixel[x]] > m[x & (n - 1)]) != invert) & uint8_t(!(clears && clears[x]));
    }
}

void DitherColours(Conversion& cv, std::vector<uint32_t>& colours, const std::vector<uint8_t>& outside)
{
    const int64_t width = imgwidth, height = imgheight;
    const std::vector<uint32_t>& listed = cv.options.colors;
    const int dither = cv.options.dither;
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

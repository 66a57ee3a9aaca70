// The rows of samples and of colour planes that decoders hand over, each
// pixel through the rule: the usual layouts of samples taken in wide steps.
#include <algorithm>
#include <cstring>

#include "colours.h"
#include "conversion.h"
#include "pixelparts.h"

// Wide vectors with byte shuffles (AVX2), where the compiler can build for
// them and the processor has them.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define TRELL_SHUFFLES __attribute__((target("avx2")))
#define TRELL_INLINE __attribute__((always_inline))
static bool Shuffles()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#else
#define TRELL_SHUFFLES
#define TRELL_INLINE
static bool Shuffles() { return false; }
#endif

// The top bits of count samples step bytes apart, as 0 or 1. The usual
// steps are made constants, which lets the compiler gather the samples in
// wide steps.
template <size_t STEP>
static inline TRELL_INLINE void TopBitsBody(const uint8_t* p, size_t count, uint8_t* out)
{
    for (size_t x = 0; x < count; x++)
        out[x] = p[x * STEP] >> 7;
}

template <size_t STEP>
static TRELL_SHUFFLES void TopBitsShuffled(const uint8_t* p, size_t count, uint8_t* out)
{
    TopBitsBody<STEP>(p, count, out);
}

template <size_t STEP>
static void TopBits(const uint8_t* p, size_t count, uint8_t* out)
{
    Shuffles() ? TopBitsShuffled<STEP>(p, count, out) : TopBitsBody<STEP>(p, count, out);
}

static void TopBits(const uint8_t* p, size_t step, size_t count, uint8_t* out)
{
    switch (step) {
    case 2: TopBits<2>(p, count, out); return;
    case 3: TopBits<3>(p, count, out); return;
    case 4: TopBits<4>(p, count, out); return;
    case 6: TopBits<6>(p, count, out); return;
    case 8: TopBits<8>(p, count, out); return;
    }
    for (size_t x = 0; x < count; x++, p += step)
        out[x] = *p >> 7;
}

// The check of count pixels of samples: the layouts of the usual samples
// are made constants, and where the processor has wide vectors (AVX2) the
// loop is compiled for them too, which lets it take 32 pixels at once.
template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE>
static inline TRELL_INLINE void CheckBody(const uint8_t* p, size_t count, uint32_t t, uint32_t* up, uint32_t* down)
{
    const uint32_t least = 1000 * t + 500;
    uint32_t bright = 0, dark = 0;
    for (size_t x = 0; x < count; x++) {
        const uint32_t blue = p[STEP * x + BLUE], green = p[STEP * x + GREEN], red = p[STEP * x + RED];
        const uint32_t luma = 299u * red + 587u * green + 114u * blue;
        bright += (luma >= least) & (blue <= t);
        dark += (luma < least) & (blue > t);
    }
    *up = bright, *down = dark;
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE>
static TRELL_SHUFFLES void CheckShuffled(const uint8_t* p, size_t count, uint32_t t, uint32_t* up, uint32_t* down)
{
    CheckBody<STEP, RED, GREEN, BLUE>(p, count, t, up, down);
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE>
static void CheckSamples(Pixels& px, const uint8_t* p, size_t count)
{
    uint32_t up, down;
    if (Shuffles())
        CheckShuffled<STEP, RED, GREEN, BLUE>(p, count, uint32_t(px.active.threshold), &up, &down);
    else
        CheckBody<STEP, RED, GREEN, BLUE>(p, count, uint32_t(px.active.threshold), &up, &down);
    px.brighter += up, px.darker += down;
}

static void CheckSamples(Pixels& px, const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count)
{
    if (!px.active.alpha) {
        const int layout = int(step) * 1000 + red * 100 + green * 10 + blue;
        switch (layout) {
        case 3210: CheckSamples<3, 2, 1, 0>(px, p, count); return;  // BMP: blue, green, red
        case 3012: CheckSamples<3, 0, 1, 2>(px, p, count); return;  // PNG: red, green, blue
        case 4210: CheckSamples<4, 2, 1, 0>(px, p, count); return;
        case 4012: CheckSamples<4, 0, 1, 2>(px, p, count); return;
        }
    }
    for (size_t x = 0; x < count; x++, p += step) {
        const uint32_t argb = uint32_t(alpha >= 0 ? p[alpha] : 255) << 24 | uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue];
        if (!Clear(px, argb, alpha >= 0))
            Check(px, p[red], p[green], p[blue]);
    }
}

// count pixels of samples into out; the plain rule takes the top bit of blue.
static void StoreSamples(Conversion& cv, const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count,
                         uint8_t* out)
{
    Pixels& px = cv.pixels;
    if (px.checking)
        CheckSamples(px, p, step, red, green, blue, alpha, count);
    if (px.indices) {
        for (size_t x = 0; x < count; x++, p += step) {
            const uint32_t rgb = uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue];
            out[x] = ColourIndexOf(cv, rgb, (alpha >= 0 && p[alpha] < 128) || CheckTransparency(rgb));
        }
        return;
    }
    if (px.active.plain) {
        TopBits(p + blue, step, count, out);
        return;
    }
    const uint32_t *wr = px.active.weights[0], *wg = px.active.weights[1], *wb = px.active.weights[2];
    const uint32_t least = px.active.least, invert = px.active.invert;
    const uint8_t cleared = px.active.transparent;
    for (size_t x = 0; x < count; x++)
        out[x] = Decide(wr[p[x * step + red]] + wg[p[x * step + green]] + wb[p[x * step + blue]], least, invert, cleared);
    if (px.active.alpha && alpha >= 0)
        for (size_t x = 0; x < count; x++)
            out[x] = p[x * step + alpha] < 128 ? cleared : out[x];
}

// The values of count pixels of samples, held without alpha: the rule's
// value of each, blue copied in wide steps as TopBits copies its top bit.
template <size_t STEP>
static inline TRELL_INLINE void BluesBody(const uint8_t* p, size_t count, uint8_t* out)
{
    for (size_t x = 0; x < count; x++)
        out[x] = p[x * STEP];
}

template <size_t STEP>
static TRELL_SHUFFLES void BluesShuffled(const uint8_t* p, size_t count, uint8_t* out)
{
    BluesBody<STEP>(p, count, out);
}

static void HoldValues(Pixels& px, const uint8_t* p, size_t step, int red, int green, int blue, size_t count, uint8_t* out)
{
    if (px.checking)
        CheckSamples(px, p, step, red, green, blue, -1, count);
    if (px.active.value == RULE_BLUE && step == 3)
        return Shuffles() ? BluesShuffled<3>(p + blue, count, out) : BluesBody<3>(p + blue, count, out);
    if (px.active.value == RULE_BLUE && step == 4)
        return Shuffles() ? BluesShuffled<4>(p + blue, count, out) : BluesBody<4>(p + blue, count, out);
    for (size_t x = 0; x < count; x++, p += step)
        out[x] = uint8_t(ValueOf(px, p[red], p[green], p[blue]));
}

// The colours of pixels x0, x0 + dx, ... of row y counted for the census,
// till it holds too many.
static void CountSamples(InkCensus& census, int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green,
                         int blue, int alpha, size_t count)
{
    const bool edge = y == 0 || y + 1 == imgheight;
    for (size_t i = 0; i < count && census.counting; i++, p += step) {
        const uint32_t clear = alpha >= 0 && p[alpha] < 128 ? INK_CLEAR : 0;
        const int64_t x = x0 + int64_t(i) * dx;
        CountInk(census, clear | uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue], edge || x == 0 || x + 1 == imgwidth);
    }
}

void PutSamples(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green, int blue,
                int alpha, size_t count)
{
    Pixels& px = cv.pixels;
    if (px.census.counting)
        CountSamples(px.census, y, x0, dx, p, step, red, green, blue, alpha, count);
    if (px.holding == HOLD_VALUES && px.clear.empty() && dx == 1) {
        HoldValues(px, p, step, red, green, blue, count, PictureRow(y) + x0);
        return;
    }
    if (px.holding) {
        const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
        for (size_t i = 0; i < count; i++, p += step)
            Hold(px, at + i * size_t(dx), uint32_t(alpha >= 0 ? p[alpha] : 255) << 24 | uint32_t(p[red]) << 16 |
                 uint32_t(p[green]) << 8 | p[blue], alpha >= 0);
        return;
    }
    uint8_t* row = PictureRow(y) + x0;
    if (dx == 1) {
        StoreSamples(cv, p, step, red, green, blue, alpha, count, row);
        return;
    }
    uint8_t out[COLOUR_RUN];
    for (size_t at = 0; at < count; at += COLOUR_RUN) {
        size_t n = std::min(count - at, COLOUR_RUN);
        StoreSamples(cv, p + at * step, step, red, green, blue, alpha, n, out);
        for (size_t i = 0; i < n; i++)
            row[int64_t(at + i) * dx] = out[i];
    }
}

void PutColours(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const ColourRun& run, size_t count)
{
    Pixels& px = cv.pixels;
    const bool edge = y == 0 || y + 1 == imgheight;
    for (size_t i = 0; i < count && px.census.counting; i++) {
        const uint32_t clear = run.hasalpha && run.alpha[i] < 128 ? INK_CLEAR : 0;
        const int64_t x = x0 + int64_t(i) * dx;
        CountInk(px.census, clear | uint32_t(run.red[i]) << 16 | uint32_t(run.green[i]) << 8 | run.blue[i],
                 edge || x == 0 || x + 1 == imgwidth);
    }
    if (px.holding || px.checking) {
        const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
        for (size_t i = 0; i < count; i++) {
            const uint32_t argb = uint32_t(run.hasalpha ? run.alpha[i] : 255) << 24 | uint32_t(run.red[i]) << 16 |
                                  uint32_t(run.green[i]) << 8 | run.blue[i];
            if (px.holding)
                Hold(px, at + i * size_t(dx), argb, run.hasalpha);
            else if (!Clear(px, argb, run.hasalpha))
                Check(px, run.red[i], run.green[i], run.blue[i]);
        }
        if (px.holding)
            return;
    }
    uint8_t out[COLOUR_RUN];
    const uint32_t *wr = px.active.weights[0], *wg = px.active.weights[1], *wb = px.active.weights[2];
    const uint32_t least = px.active.least, invert = px.active.invert;
    const uint8_t cleared = px.active.transparent;
    uint8_t* row = PictureRow(y) + x0;
    uint8_t* to = dx == 1 ? row : out;
    for (size_t x = 0; !px.indices && x < count; x++)
        to[x] = Decide(wr[run.red[x]] + wg[run.green[x]] + wb[run.blue[x]], least, invert, cleared);
    for (size_t x = 0; px.indices && x < count; x++) {
        const uint32_t rgb = uint32_t(run.red[x]) << 16 | uint32_t(run.green[x]) << 8 | run.blue[x];
        to[x] = ColourIndexOf(cv, rgb, (run.hasalpha && run.alpha[x] < 128) || CheckTransparency(rgb));
    }
    if (px.active.alpha && run.hasalpha && !px.indices)
        for (size_t x = 0; x < count; x++)
            to[x] = run.alpha[x] < 128 ? cleared : to[x];
    for (size_t i = 0; dx > 1 && i < count; i++)
        row[int64_t(i) * dx] = out[i];
}


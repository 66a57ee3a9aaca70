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

// The census of the colours (ink.h), a block of at most COLOUR_RUN pixels
// at a time: their keys made first, then counted against each colour held
// in a pass of its own (both in wide steps); only a block with a colour not
// yet held is gone through pixel by pixel. Every pixel of the top and
// bottom rows is on the border, of the others the first and last.
template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE, bool ALPHA, size_t AT>
static inline TRELL_INLINE void KeysBody(const uint8_t* p, size_t count, uint32_t* keys)
{
    for (size_t x = 0; x < count; x++)
        keys[x] = (ALPHA && p[STEP * x + AT] < 128 ? INK_CLEAR : 0) | uint32_t(p[STEP * x + RED]) << 16 |
                  uint32_t(p[STEP * x + GREEN]) << 8 | p[STEP * x + BLUE];
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE, bool ALPHA, size_t AT>
static TRELL_SHUFFLES void KeysShuffled(const uint8_t* p, size_t count, uint32_t* keys)
{
    KeysBody<STEP, RED, GREEN, BLUE, ALPHA, AT>(p, count, keys);
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE, bool ALPHA = false, size_t AT = 0>
static void Keys(const uint8_t* p, size_t count, uint32_t* keys)
{
    Shuffles() ? KeysShuffled<STEP, RED, GREEN, BLUE, ALPHA, AT>(p, count, keys)
               : KeysBody<STEP, RED, GREEN, BLUE, ALPHA, AT>(p, count, keys);
}

// The pixels of each colour held among count keys; the pixels found.
static inline TRELL_INLINE uint64_t TallyBody(InkCensus& census, const uint32_t* keys, size_t count, bool edge)
{
    uint64_t found = 0;
    for (size_t c = 0; c < census.size; c++) {
        const uint32_t key = census.colours[c].key;
        uint32_t n = 0;
        for (size_t x = 0; x < count; x++)
            n += keys[x] == key;
        census.colours[c].pixels += n;
        census.colours[c].border += edge ? n : 0;
        found += n;
    }
    return found;
}

static TRELL_SHUFFLES uint64_t TallyShuffled(InkCensus& census, const uint32_t* keys, size_t count, bool edge)
{
    return TallyBody(census, keys, count, edge);
}

static void CountKeys(InkCensus& census, const uint32_t* keys, size_t count, bool edge, bool first, bool last)
{
    const size_t held = census.size;
    const uint64_t found = Shuffles() ? TallyShuffled(census, keys, count, edge) : TallyBody(census, keys, count, edge);
    for (size_t x = 0; found < count && x < count && census.counting; x++) {
        size_t c = 0;
        while (c < held && census.colours[c].key != keys[x])
            c++;
        if (c < held)
            continue;
        const size_t at = InkEntry(census, keys[x]);
        if (at < CENSUS_COLOURS)
            census.colours[at].pixels++, census.colours[at].border += edge;
    }
    if (census.counting && !edge && first && count > 0)
        census.colours[InkEntry(census, keys[0])].border++;
    if (census.counting && !edge && last && count > 0 && !(first && count == 1))
        census.colours[InkEntry(census, keys[count - 1])].border++;
}

// The keys of count pixels of samples step bytes apart, the usual layouts
// in wide steps.
static void SampleKeys(const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count, uint32_t* keys)
{
    const int layout = int(step) * 10000 + red * 1000 + green * 100 + blue * 10 + (alpha < 0 ? 9 : alpha);
    switch (layout) {
    case 32109: return Keys<3, 2, 1, 0>(p, count, keys);  // BMP: blue, green, red
    case 30129: return Keys<3, 0, 1, 2>(p, count, keys);  // PNG: red, green, blue
    case 42109: return Keys<4, 2, 1, 0>(p, count, keys);
    case 42103: return Keys<4, 2, 1, 0, true, 3>(p, count, keys);
    case 40123: return Keys<4, 0, 1, 2, true, 3>(p, count, keys);
    }
    for (size_t x = 0; x < count; x++, p += step)
        keys[x] = (alpha >= 0 && p[alpha] < 128 ? INK_CLEAR : 0) | uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue];
}

// The colours of pixels x0, x0 + dx, ... of row y counted for the census.
static void CountSamples(InkCensus& census, int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green,
                         int blue, int alpha, size_t count)
{
    uint32_t keys[COLOUR_RUN];
    const bool edge = y == 0 || y + 1 == imgheight;
    for (size_t at = 0; at < count && census.counting; at += COLOUR_RUN) {
        const size_t n = std::min(count - at, COLOUR_RUN);
        SampleKeys(p + at * step, step, red, green, blue, alpha, n, keys);
        CountKeys(census, keys, n, edge, at == 0 && x0 == 0, at + n == count && x0 + int64_t(count - 1) * dx + 1 == imgwidth);
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
    if (px.holding == HOLD_COLOURS) {
        // Held as they are, opaque where the file gives no alpha.
        uint32_t* held = px.held.data() + size_t(y) * size_t(imgwidth) + size_t(x0);
        for (size_t i = 0; i < count; i++, p += step)
            held[i * size_t(dx)] = uint32_t(alpha >= 0 ? p[alpha] : 255) << 24 | uint32_t(p[red]) << 16 |
                                   uint32_t(p[green]) << 8 | p[blue];
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
    if (px.census.counting) {
        uint32_t keys[COLOUR_RUN];
        for (size_t i = 0; i < count; i++)
            keys[i] = (run.hasalpha && run.alpha[i] < 128 ? INK_CLEAR : 0) | uint32_t(run.red[i]) << 16 |
                      uint32_t(run.green[i]) << 8 | run.blue[i];
        CountKeys(px.census, keys, count, y == 0 || y + 1 == imgheight, x0 == 0, x0 + int64_t(count - 1) * dx + 1 == imgwidth);
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


// The pixel rule and its tables, and the rows that decoders hand over.
#include "pixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "colours.h"
#include "console.h"
#include "dither.h"
#include "imgtrell.h"
#include "conversion.h"
#include "picture.h"

// The tables of a rule's value. Luma: (299 R + 587 G + 114 B + 500) / 1000
// > t, that is 299 R + 587 G + 114 B >= 1000 t + 500; any: at least one
// sample above t; blue: blue >= t + 1. The value stays below 2^18, so the
// colour key's flags above it never meet a carry. The key's test is a test
// of each sample apart: a sample's flag is the key test of a colour whose
// other samples pass theirs.
static void Weigh(PixelRule& rule)
{
    const uint32_t t = uint32_t(rule.threshold);
    for (uint32_t v = 0; v < 256; v++) {
        uint32_t* w[3] = {&rule.weights[0][v], &rule.weights[1][v], &rule.weights[2][v]};
        if (rule.value == RULE_LUMA)
            *w[0] = 299 * v, *w[1] = 587 * v, *w[2] = 114 * v;
        else if (rule.value == RULE_ANY)
            *w[0] = *w[1] = *w[2] = v > t ? 1 : 0;
        else
            *w[0] = *w[1] = 0, *w[2] = v;
        if (rule.alpha) {
            *w[0] |= uint32_t(CheckTransparency(v << 16 | 0x00FF)) << 24;
            *w[1] |= uint32_t(CheckTransparency(0xFF00FF | v << 8)) << 25;
            *w[2] |= uint32_t(CheckTransparency(0xFF0000 | v)) << 26;
        }
    }
    rule.least = rule.value == RULE_LUMA ? 1000 * t + 500 : rule.value == RULE_ANY ? 1 : t + 1;
}

PixelRule RuleOfOptions(const Options& options)
{
    PixelRule rule;
    rule.indices = options.mode == MODE_PALETTE;
    rule.value = options.rule == RULE_PLAIN ? RULE_BLUE : options.rule;
    rule.threshold = ThresholdOf(options);
    rule.invert = options.invert;
    rule.alpha = options.alpha;
    rule.transparent = rule.indices ? 255 : 0;
    rule.bycolour = options.rule != RULE_PLAIN;
    rule.plain = rule.value == RULE_BLUE && rule.threshold == 127 && !rule.invert && !rule.alpha;
    Weigh(rule);
    return rule;
}

// The byte of a pixel whose samples weigh sum. The loops below pass the
// rule's fields as values: the bytes they store could otherwise be the
// rule's, and every field would be read again for every pixel.
static inline uint8_t Decide(uint32_t sum, uint32_t least, uint32_t invert, uint8_t transparent)
{
    uint8_t bit = uint8_t(((sum & 0xFFFFFF) >= least) ^ invert);
    return (sum >> 24) == 7 ? transparent : bit;
}

uint8_t ColourValue(const PixelRule& rule, uint32_t color, bool hasalpha)
{
    if (rule.alpha && hasalpha && (color >> 24) < 128)
        return rule.transparent;
    return Decide(rule.weights[0][(color >> 16) & 0xFF] + rule.weights[1][(color >> 8) & 0xFF] +
                      rule.weights[2][color & 0xFF],
                  rule.least, rule.invert, rule.transparent);
}

std::string RuleText(const Conversion& cv)
{
    static const char* const VALUES[] = {"", "blue", "luma", "red, green or blue"};
    const Pixels& px = cv.pixels;
    std::string text = "a pixel is 1 when ";
    if (px.active.alpha)
        text += "it is opaque and ";
    if (px.fixedbits)
        return text + "its bit is " + (px.active.invert ? "1" : "0");
    std::string threshold = std::to_string(px.active.threshold);
    return text + "its " + VALUES[px.active.value] + " is " + (px.active.invert ? threshold + " or below" : "above " + threshold);
}

// What each index stores: what its colour stores, or a 1-bit BMP's bit by
// itself (still transparent for the colour key); in mode 2 a palette
// picture's index itself, or the transparent byte.
static void IndexTable(Pixels& px, const IndexedSource& src)
{
    px.identity = true;
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t colour = src.colours[i];
        uint8_t value = px.fixedbits ? (px.active.alpha && CheckTransparency(colour) ? px.active.transparent
                                                                             : uint8_t((i == 0) != px.active.invert))
                                  : ColourValue(px.active, colour, src.hasalpha);
        if (px.active.indices && src.palette)
            value = px.active.alpha && value == px.active.transparent ? px.active.transparent : uint8_t(i);
        px.stored[i] = value;
        px.identity = px.identity && value == i;
    }
}

bool AlphaWanted(const Conversion& cv) { return cv.options.alpha; }

// The value the rule thresholds, of a colour.
static inline uint32_t ValueOf(Pixels& px, uint32_t red, uint32_t green, uint32_t blue)
{
    return px.active.value == RULE_LUMA ? (299 * red + 587 * green + 114 * blue + 500) / 1000
           : px.active.value == RULE_ANY ? std::max(red, std::max(green, blue))
                                      : blue;
}

// Whether a colour is transparent under --alpha: its alpha below 128, or
// the colour key.
static inline bool Clear(Pixels& px, uint32_t argb, bool hasalpha)
{
    return px.active.alpha && ((hasalpha && (argb >> 24) < 128) || CheckTransparency(argb));
}

// Whether blue and luma read a colour apart: 1 when it is 0 by its blue but
// bright by its luma, 2 when it is 1 by its blue but dark by its luma.
static inline int Disagreement(Pixels& px, uint32_t red, uint32_t green, uint32_t blue)
{
    const uint32_t t = uint32_t(px.active.threshold);
    const bool byblue = blue > t, byluma = 299 * red + 587 * green + 114 * blue >= 1000 * t + 500;
    return byblue == byluma ? 0 : byluma ? 1 : 2;
}

// Counts count pixels of a colour.
static inline void Check(Pixels& px, uint32_t red, uint32_t green, uint32_t blue, uint64_t count = 1)
{
    const int kind = Disagreement(px, red, green, blue);
    px.brighter += kind == 1 ? count : 0;
    px.darker += kind == 2 ? count : 0;
}

bool StartPixels(Conversion& cv, const char* path, const IndexedSource* indexed)
{
    Pixels& px = cv.pixels;
    px.active = RuleOfOptions(cv.options);
    px.indices = ColourIndices(cv.options);
    px.holding = cv.options.fitwidth || (cv.options.dither && px.indices) ? HOLD_COLOURS : cv.options.dither ? HOLD_VALUES : HOLD_NONE;
    px.fixedbits = indexed && indexed->fixedbits && !px.active.bycolour && !px.indices && !px.holding;
    px.checking = cv.options.rule == RULE_PLAIN && !px.indices && !px.fixedbits && !(px.active.indices && indexed && indexed->palette);
    px.brighter = px.darker = px.setbyruns = 0;
    px.filledwith = -1, px.fillkind = 0;
    std::fill(px.histogram, px.histogram + 256, 0);
    if (indexed)
        px.source = *indexed;
    if (px.indices || px.holding) {
        // A picture of indices keeps them until the colour stage decides;
        // held pixels are held as they come.
        for (int i = 0; i < 256; i++)
            px.stored[i] = uint8_t(i);
        px.identity = true;
        if (px.indices)
            StartColourIndices(cv, indexed && !px.holding ? &px.source : nullptr);
    } else if (indexed) {
        IndexTable(px, *indexed);
    }
    const size_t pixels = size_t(imgwidth) * size_t(imgheight);
    px.clear.assign(px.holding == HOLD_VALUES && px.active.alpha ? pixels : 0, 0);
    px.held.assign(px.holding == HOLD_COLOURS ? pixels : 0, 0);
    return AllocatePicture(cv, path);
}

// Holds pixel at (of the picture as read) of colour argb.
static inline void Hold(Pixels& px, size_t at, uint32_t argb, bool hasalpha)
{
    const uint32_t red = argb >> 16 & 0xFF, green = argb >> 8 & 0xFF, blue = argb & 0xFF;
    if (px.holding == HOLD_COLOURS) {
        px.held[at] = hasalpha ? argb : argb | 0xFF000000u;
        return;
    }
    imgbuffer[at] = uint8_t(ValueOf(px, red, green, blue));
    if (!px.clear.empty())
        px.clear[at] = px.clear[at] || Clear(px, argb, hasalpha);
    if (px.checking && px.fillkind)
        px.fillkind == 1 ? px.brighter-- : px.darker--;
    if (px.checking && !(!px.clear.empty() && px.clear[at]))
        Check(px, red, green, blue);
}

// Holds the pixels of an index picture: their colours.
static void HoldIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* values, size_t count)
{
    Pixels& px = cv.pixels;
    const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
    for (size_t i = 0; i < count; i++)
        Hold(px, at + i * size_t(dx), px.source.colours[values[i]], px.source.hasalpha);
}

void PutIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* values, size_t count)
{
    Pixels& px = cv.pixels;
    if (px.holding)
        return HoldIndices(cv, y, x0, dx, values, count);
    uint8_t* row = PictureRow(y) + x0;
    if (dx == 1 && px.identity)
        std::memcpy(row, values, count);
    else if (dx == 1)
        for (size_t i = 0; i < count; i++)
            row[i] = px.stored[values[i]];
    else
        for (size_t i = 0; i < count; i++)
            row[int64_t(i) * dx] = px.stored[values[i]];
    for (size_t i = 0; px.checking && i < count; i++)
        px.histogram[values[i]]++;
    px.setbyruns += px.filledwith >= 0 ? count : 0;
}

void PutPackedIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* src, uint64_t firstbit, uint32_t depth,
                      size_t count)
{
    if (depth == 8 && dx == 1) {
        PutIndices(cv, y, x0, 1, src + firstbit / 8, count);
        return;
    }
    // Unpacked a run at a time, so that a row of any width takes no more.
    uint8_t unpacked[COLOUR_RUN];
    const uint32_t mask = (1u << depth) - 1;
    const uint64_t step = uint64_t(dx) * depth;
    for (size_t at = 0; at < count; at += COLOUR_RUN) {
        size_t n = std::min(count - at, COLOUR_RUN);
        uint64_t bit = firstbit + at * step;
        for (size_t i = 0; i < n; i++, bit += step)
            unpacked[i] = uint8_t((src[bit / 8] >> (8 - depth - bit % 8)) & mask);
        PutIndices(cv, y, x0 + int64_t(at) * dx, dx, unpacked, n);
    }
}

void PutIndexRun(Conversion& cv, int64_t y, int64_t x, uint8_t first, uint8_t second, size_t count)
{
    Pixels& px = cv.pixels;
    if (px.holding) {
        for (size_t i = 0; i < count; i++)
            HoldIndices(cv, y, x + int64_t(i), 1, i % 2 ? &second : &first, 1);
        return;
    }
    uint8_t* row = PictureRow(y) + x;
    const uint8_t a = px.stored[first], b = px.stored[second];
    if (a == b)
        std::memset(row, a, count);
    else
        for (size_t i = 0; i < count; i++)
            row[i] = i % 2 ? b : a;
    if (px.checking)
        px.histogram[first] += (count + 1) / 2, px.histogram[second] += count / 2;
    px.setbyruns += count;
}

void FillIndex(Conversion& cv, uint8_t index)
{
    Pixels& px = cv.pixels;
    if (px.holding) {
        const bool checked = px.checking;
        px.checking = false;
        for (int64_t y = 0; y < imgheight; y++)
            for (int64_t x = 0; x < imgwidth; x++)
                HoldIndices(cv, y, x, 1, &index, 1);
        px.checking = checked;
        // Counted once for every pixel, and taken back for each the stream sets.
        const uint32_t c = px.source.colours[index];
        if (px.checking && px.holding == HOLD_VALUES && !Clear(px, c, px.source.hasalpha)) {
            px.fillkind = Disagreement(px, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
            Check(px, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, size_t(imgwidth) * size_t(imgheight));
        }
        return;
    }
    std::memset(imgbuffer, px.stored[index], size_t(imgwidth) * size_t(imgheight));
    px.filledwith = index;
}

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

void PutSamples(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green, int blue,
                int alpha, size_t count)
{
    Pixels& px = cv.pixels;
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

// The held colours become what the picture stores: colour indices (through
// a dither between the colours listed), or values and their transparency.
// A pixel outside the picture (the rest of the box of --fit contain) is 0
// whatever the rule, as a transparent one.
static void Release(Conversion& cv)
{
    Pixels& px = cv.pixels;
    const std::vector<uint8_t>& outside = px.outside;
    const size_t pixels = px.held.size();
    if (px.indices) {
        if (cv.options.dither)
            DitherColours(cv, px.held, outside);
        for (size_t p = 0; p < pixels; p++)
            imgbuffer[p] = ColourIndexOf(cv, px.held[p] & 0xFFFFFF, (!outside.empty() && outside[p]) ||
                                                                     (px.held[p] >> 24) < 128 || CheckTransparency(px.held[p]));
        return;
    }
    px.holding = HOLD_VALUES;
    px.clear = outside;
    if (px.active.alpha && px.clear.empty())
        px.clear.assign(pixels, 0);
    for (size_t p = 0; p < pixels; p++)
        Hold(px, p, px.held[p], true);
}

bool FitPicture(Conversion& cv)
{
    Pixels& px = cv.pixels;
    return !cv.options.fitwidth || FitColours(cv, cv.path, px.held, px.outside);
}

bool FinishPixels(Conversion& cv)
{
    Pixels& px = cv.pixels;
    if (px.holding == HOLD_COLOURS)
        Release(cv);
    if (px.holding == HOLD_VALUES)
        DitherValues(cv, px.active.threshold, px.active.invert, px.clear);
    if (px.checking && !px.holding) {
        // Each index counted by how often it was set, and the pixels a
        // run-length stream left alone by what it filled them with.
        if (px.filledwith >= 0)
            px.histogram[px.filledwith] += size_t(imgwidth) * size_t(imgheight) - px.setbyruns;
        for (int i = 0; i < 256; i++) {
            const uint32_t c = px.source.colours[i];
            if (px.histogram[i] && !Clear(px, c, px.source.hasalpha))
                Check(px, c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, px.histogram[i]);
        }
    }
    px.held.clear();
    px.held.shrink_to_fit();
    px.clear.clear();
    px.clear.shrink_to_fit();
    px.outside.clear();
    px.outside.shrink_to_fit();
    return !px.indices || FinishColourIndices(cv, cv.path);
}

void RuleDisagreement(Conversion& cv, uint64_t* bright, uint64_t* dark)
{
    Pixels& px = cv.pixels;
    *bright = px.checking ? px.brighter : 0;
    *dark = px.checking ? px.darker : 0;
}

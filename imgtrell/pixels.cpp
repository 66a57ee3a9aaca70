// The pixel rule and its tables, and the rows that decoders hand over.
#include "pixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "colours.h"
#include "console.h"
#include "dither.h"
#include "imgtrell.h"
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

PixelRule RuleOfOptions()
{
    PixelRule rule;
    rule.indices = options.mode == MODE_PALETTE;
    rule.value = options.rule == RULE_PLAIN ? RULE_BLUE : options.rule;
    rule.threshold = options.threshold;
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

// The rule of the picture being stored, what each index stores, whether
// that is the index itself, and whether the picture's bits decide by
// themselves (a 1-bit BMP without --rule).
static PixelRule active;
static uint8_t stored[256];
static bool identity;
static bool fixedbits;
// Colour indices: each pixel's byte is the colour stage's; its source kept
// until the indices are decided.
static bool indices;
static IndexedSource source;
// Pixels held until every row is in, for a dither or a fit: each pixel's
// value by the rule (in imgbuffer) and whether it is transparent, or each
// pixel's colour (ARGB, opaque where the file gives no alpha).
enum { HOLD_NONE, HOLD_VALUES, HOLD_COLOURS };
static int holding;
static std::vector<uint8_t> clear;
static std::vector<uint32_t> held;
// The plain rule checked against luma (no --rule): pixels 0 by their blue
// but bright by their luma, and 1 by their blue but dark by their luma; of a
// picture of indices, how often each index is set, and by what it was
// filled before (a run-length stream).
static bool checking;
static uint64_t brighter, darker;
static uint64_t histogram[256];
static uint64_t setbyruns;
static int filledwith;
// Held values of a run-length stream: what the fill's colour counted for
// each pixel, taken back from each pixel the stream sets.
static int fillkind;

std::string RuleText()
{
    static const char* const VALUES[] = {"", "blue", "luma", "red, green or blue"};
    std::string text = "a pixel is 1 when ";
    if (active.alpha)
        text += "it is opaque and ";
    if (fixedbits)
        return text + "its bit is " + (active.invert ? "1" : "0");
    std::string threshold = std::to_string(active.threshold);
    return text + "its " + VALUES[active.value] + " is " + (active.invert ? threshold + " or below" : "above " + threshold);
}

// What each index stores: what its colour stores, or a 1-bit BMP's bit by
// itself (still transparent for the colour key); in mode 2 a palette
// picture's index itself, or the transparent byte.
static void IndexTable(const IndexedSource& source)
{
    identity = true;
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t colour = source.colours[i];
        uint8_t value = fixedbits ? (active.alpha && CheckTransparency(colour) ? active.transparent
                                                                             : uint8_t((i == 0) != active.invert))
                                  : ColourValue(active, colour, source.hasalpha);
        if (active.indices && source.palette)
            value = active.alpha && value == active.transparent ? active.transparent : uint8_t(i);
        stored[i] = value;
        identity = identity && value == i;
    }
}

bool AlphaWanted() { return options.alpha; }

// The value the rule thresholds, of a colour.
static inline uint32_t ValueOf(uint32_t red, uint32_t green, uint32_t blue)
{
    return active.value == RULE_LUMA ? (299 * red + 587 * green + 114 * blue + 500) / 1000
           : active.value == RULE_ANY ? std::max(red, std::max(green, blue))
                                      : blue;
}

// Whether a colour is transparent under --alpha: its alpha below 128, or
// the colour key.
static inline bool Clear(uint32_t argb, bool hasalpha)
{
    return active.alpha && ((hasalpha && (argb >> 24) < 128) || CheckTransparency(argb));
}

// Whether blue and luma read a colour apart: 1 when it is 0 by its blue but
// bright by its luma, 2 when it is 1 by its blue but dark by its luma.
static inline int Disagreement(uint32_t red, uint32_t green, uint32_t blue)
{
    const uint32_t t = uint32_t(active.threshold);
    const bool byblue = blue > t, byluma = 299 * red + 587 * green + 114 * blue >= 1000 * t + 500;
    return byblue == byluma ? 0 : byluma ? 1 : 2;
}

// Counts count pixels of a colour.
static inline void Check(uint32_t red, uint32_t green, uint32_t blue, uint64_t count = 1)
{
    const int kind = Disagreement(red, green, blue);
    brighter += kind == 1 ? count : 0;
    darker += kind == 2 ? count : 0;
}

int StartPixels(const char* path, const IndexedSource* indexed)
{
    active = RuleOfOptions();
    indices = ColourIndices();
    holding = options.fitwidth || (options.dither && indices) ? HOLD_COLOURS : options.dither ? HOLD_VALUES : HOLD_NONE;
    fixedbits = indexed && indexed->fixedbits && !active.bycolour && !indices && !holding;
    checking = options.rule == RULE_PLAIN && !indices && !fixedbits && !(active.indices && indexed && indexed->palette);
    brighter = darker = setbyruns = 0;
    filledwith = -1, fillkind = 0;
    std::fill(histogram, histogram + 256, 0);
    if (indexed)
        source = *indexed;
    if (indices || holding) {
        // A picture of indices keeps them until the colour stage decides;
        // held pixels are held as they come.
        for (int i = 0; i < 256; i++)
            stored[i] = uint8_t(i);
        identity = true;
        if (indices)
            StartColourIndices(indexed && !holding ? &source : nullptr);
    } else if (indexed) {
        IndexTable(*indexed);
    }
    const size_t pixels = size_t(imgwidth) * size_t(imgheight);
    clear.assign(holding == HOLD_VALUES && active.alpha ? pixels : 0, 0);
    held.assign(holding == HOLD_COLOURS ? pixels : 0, 0);
    return AllocatePicture(path);
}

// Holds pixel at (of the picture as read) of colour argb.
static inline void Hold(size_t at, uint32_t argb, bool hasalpha)
{
    const uint32_t red = argb >> 16 & 0xFF, green = argb >> 8 & 0xFF, blue = argb & 0xFF;
    if (holding == HOLD_COLOURS) {
        held[at] = hasalpha ? argb : argb | 0xFF000000u;
        return;
    }
    imgbuffer[at] = uint8_t(ValueOf(red, green, blue));
    if (!clear.empty())
        clear[at] = clear[at] || Clear(argb, hasalpha);
    if (checking && fillkind)
        fillkind == 1 ? brighter-- : darker--;
    if (checking && !(!clear.empty() && clear[at]))
        Check(red, green, blue);
}

// Holds the pixels of an index picture: their colours.
static void HoldIndices(int64_t y, int64_t x0, int64_t dx, const uint8_t* indices, size_t count)
{
    const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
    for (size_t i = 0; i < count; i++)
        Hold(at + i * size_t(dx), source.colours[indices[i]], source.hasalpha);
}

void PutIndices(int64_t y, int64_t x0, int64_t dx, const uint8_t* indices, size_t count)
{
    if (holding)
        return HoldIndices(y, x0, dx, indices, count);
    uint8_t* row = PictureRow(y) + x0;
    if (dx == 1 && identity)
        std::memcpy(row, indices, count);
    else if (dx == 1)
        for (size_t i = 0; i < count; i++)
            row[i] = stored[indices[i]];
    else
        for (size_t i = 0; i < count; i++)
            row[int64_t(i) * dx] = stored[indices[i]];
    for (size_t i = 0; checking && i < count; i++)
        histogram[indices[i]]++;
    setbyruns += filledwith >= 0 ? count : 0;
}

void PutPackedIndices(int64_t y, int64_t x0, int64_t dx, const uint8_t* src, uint64_t firstbit, uint32_t depth,
                      size_t count)
{
    if (depth == 8 && dx == 1) {
        PutIndices(y, x0, 1, src + firstbit / 8, count);
        return;
    }
    // Unpacked a run at a time, so that a row of any width takes no more.
    static uint8_t indices[COLOUR_RUN];
    const uint32_t mask = (1u << depth) - 1;
    const uint64_t step = uint64_t(dx) * depth;
    for (size_t at = 0; at < count; at += COLOUR_RUN) {
        size_t n = std::min(count - at, COLOUR_RUN);
        uint64_t bit = firstbit + at * step;
        for (size_t i = 0; i < n; i++, bit += step)
            indices[i] = uint8_t((src[bit / 8] >> (8 - depth - bit % 8)) & mask);
        PutIndices(y, x0 + int64_t(at) * dx, dx, indices, n);
    }
}

void PutIndexRun(int64_t y, int64_t x, uint8_t first, uint8_t second, size_t count)
{
    if (holding) {
        for (size_t i = 0; i < count; i++)
            HoldIndices(y, x + int64_t(i), 1, i % 2 ? &second : &first, 1);
        return;
    }
    uint8_t* row = PictureRow(y) + x;
    const uint8_t a = stored[first], b = stored[second];
    if (a == b)
        std::memset(row, a, count);
    else
        for (size_t i = 0; i < count; i++)
            row[i] = i % 2 ? b : a;
    if (checking)
        histogram[first] += (count + 1) / 2, histogram[second] += count / 2;
    setbyruns += count;
}

void FillIndex(uint8_t index)
{
    if (holding) {
        const bool checked = checking;
        checking = false;
        for (int64_t y = 0; y < imgheight; y++)
            for (int64_t x = 0; x < imgwidth; x++)
                HoldIndices(y, x, 1, &index, 1);
        checking = checked;
        // Counted once for every pixel, and taken back for each the stream sets.
        const uint32_t c = source.colours[index];
        if (checking && holding == HOLD_VALUES && !Clear(c, source.hasalpha)) {
            fillkind = Disagreement(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF);
            Check(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, size_t(imgwidth) * size_t(imgheight));
        }
        return;
    }
    std::memset(imgbuffer, stored[index], size_t(imgwidth) * size_t(imgheight));
    filledwith = index;
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
    uint32_t brighter = 0, darker = 0;
    for (size_t x = 0; x < count; x++) {
        const uint32_t blue = p[STEP * x + BLUE], green = p[STEP * x + GREEN], red = p[STEP * x + RED];
        const uint32_t luma = 299u * red + 587u * green + 114u * blue;
        brighter += (luma >= least) & (blue <= t);
        darker += (luma < least) & (blue > t);
    }
    *up = brighter, *down = darker;
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE>
static TRELL_SHUFFLES void CheckShuffled(const uint8_t* p, size_t count, uint32_t t, uint32_t* up, uint32_t* down)
{
    CheckBody<STEP, RED, GREEN, BLUE>(p, count, t, up, down);
}

template <size_t STEP, size_t RED, size_t GREEN, size_t BLUE>
static void CheckSamples(const uint8_t* p, size_t count)
{
    uint32_t up, down;
    if (Shuffles())
        CheckShuffled<STEP, RED, GREEN, BLUE>(p, count, uint32_t(active.threshold), &up, &down);
    else
        CheckBody<STEP, RED, GREEN, BLUE>(p, count, uint32_t(active.threshold), &up, &down);
    brighter += up, darker += down;
}

static void CheckSamples(const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count)
{
    if (!active.alpha) {
        const int layout = int(step) * 1000 + red * 100 + green * 10 + blue;
        switch (layout) {
        case 3210: CheckSamples<3, 2, 1, 0>(p, count); return;  // BMP: blue, green, red
        case 3012: CheckSamples<3, 0, 1, 2>(p, count); return;  // PNG: red, green, blue
        case 4210: CheckSamples<4, 2, 1, 0>(p, count); return;
        case 4012: CheckSamples<4, 0, 1, 2>(p, count); return;
        }
    }
    for (size_t x = 0; x < count; x++, p += step) {
        const uint32_t argb = uint32_t(alpha >= 0 ? p[alpha] : 255) << 24 | uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue];
        if (!Clear(argb, alpha >= 0))
            Check(p[red], p[green], p[blue]);
    }
}

// count pixels of samples into out; the plain rule takes the top bit of blue.
static void StoreSamples(const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count,
                         uint8_t* out)
{
    if (checking)
        CheckSamples(p, step, red, green, blue, alpha, count);
    if (indices) {
        for (size_t x = 0; x < count; x++, p += step) {
            const uint32_t rgb = uint32_t(p[red]) << 16 | uint32_t(p[green]) << 8 | p[blue];
            out[x] = ColourIndexOf(rgb, (alpha >= 0 && p[alpha] < 128) || CheckTransparency(rgb));
        }
        return;
    }
    if (active.plain) {
        TopBits(p + blue, step, count, out);
        return;
    }
    const uint32_t *wr = active.weights[0], *wg = active.weights[1], *wb = active.weights[2];
    const uint32_t least = active.least, invert = active.invert;
    const uint8_t clear = active.transparent;
    for (size_t x = 0; x < count; x++)
        out[x] = Decide(wr[p[x * step + red]] + wg[p[x * step + green]] + wb[p[x * step + blue]], least, invert, clear);
    if (active.alpha && alpha >= 0)
        for (size_t x = 0; x < count; x++)
            out[x] = p[x * step + alpha] < 128 ? clear : out[x];
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

static void HoldValues(const uint8_t* p, size_t step, int red, int green, int blue, size_t count, uint8_t* out)
{
    if (checking)
        CheckSamples(p, step, red, green, blue, -1, count);
    if (active.value == RULE_BLUE && step == 3)
        return Shuffles() ? BluesShuffled<3>(p + blue, count, out) : BluesBody<3>(p + blue, count, out);
    if (active.value == RULE_BLUE && step == 4)
        return Shuffles() ? BluesShuffled<4>(p + blue, count, out) : BluesBody<4>(p + blue, count, out);
    for (size_t x = 0; x < count; x++, p += step)
        out[x] = uint8_t(ValueOf(p[red], p[green], p[blue]));
}

void PutSamples(int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green, int blue,
                int alpha, size_t count)
{
    if (holding == HOLD_VALUES && clear.empty() && dx == 1) {
        HoldValues(p, step, red, green, blue, count, PictureRow(y) + x0);
        return;
    }
    if (holding) {
        const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
        for (size_t i = 0; i < count; i++, p += step)
            Hold(at + i * size_t(dx), uint32_t(alpha >= 0 ? p[alpha] : 255) << 24 | uint32_t(p[red]) << 16 |
                 uint32_t(p[green]) << 8 | p[blue], alpha >= 0);
        return;
    }
    uint8_t* row = PictureRow(y) + x0;
    if (dx == 1) {
        StoreSamples(p, step, red, green, blue, alpha, count, row);
        return;
    }
    static uint8_t out[COLOUR_RUN];
    for (size_t at = 0; at < count; at += COLOUR_RUN) {
        size_t n = std::min(count - at, COLOUR_RUN);
        StoreSamples(p + at * step, step, red, green, blue, alpha, n, out);
        for (size_t i = 0; i < n; i++)
            row[int64_t(at + i) * dx] = out[i];
    }
}

void PutColours(int64_t y, int64_t x0, int64_t dx, const ColourRun& run, size_t count)
{
    if (holding || checking) {
        const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
        for (size_t i = 0; i < count; i++) {
            const uint32_t argb = uint32_t(run.hasalpha ? run.alpha[i] : 255) << 24 | uint32_t(run.red[i]) << 16 |
                                  uint32_t(run.green[i]) << 8 | run.blue[i];
            if (holding)
                Hold(at + i * size_t(dx), argb, run.hasalpha);
            else if (!Clear(argb, run.hasalpha))
                Check(run.red[i], run.green[i], run.blue[i]);
        }
        if (holding)
            return;
    }
    static uint8_t out[COLOUR_RUN];
    const uint32_t *wr = active.weights[0], *wg = active.weights[1], *wb = active.weights[2];
    const uint32_t least = active.least, invert = active.invert;
    const uint8_t clear = active.transparent;
    uint8_t* row = PictureRow(y) + x0;
    uint8_t* to = dx == 1 ? row : out;
    for (size_t x = 0; !indices && x < count; x++)
        to[x] = Decide(wr[run.red[x]] + wg[run.green[x]] + wb[run.blue[x]], least, invert, clear);
    for (size_t x = 0; indices && x < count; x++) {
        const uint32_t rgb = uint32_t(run.red[x]) << 16 | uint32_t(run.green[x]) << 8 | run.blue[x];
        to[x] = ColourIndexOf(rgb, (run.hasalpha && run.alpha[x] < 128) || CheckTransparency(rgb));
    }
    if (active.alpha && run.hasalpha && !indices)
        for (size_t x = 0; x < count; x++)
            to[x] = run.alpha[x] < 128 ? clear : to[x];
    for (size_t i = 0; dx > 1 && i < count; i++)
        row[int64_t(i) * dx] = out[i];
}

// The held colours become what the picture stores: colour indices (through
// a dither between the colours listed), or values and their transparency.
// A pixel outside the picture (the rest of the box of --fit contain) is 0
// whatever the rule, as a transparent one.
static void Release(const std::vector<uint8_t>& outside)
{
    const size_t pixels = held.size();
    if (indices) {
        if (options.dither)
            DitherColours(held, outside);
        for (size_t p = 0; p < pixels; p++)
            imgbuffer[p] = ColourIndexOf(held[p] & 0xFFFFFF, (!outside.empty() && outside[p]) || (held[p] >> 24) < 128 ||
                                                                 CheckTransparency(held[p]));
        return;
    }
    holding = HOLD_VALUES;
    clear = outside;
    if (active.alpha && clear.empty())
        clear.assign(pixels, 0);
    for (size_t p = 0; p < pixels; p++)
        Hold(p, held[p], true);
}

int FinishPixels(const char* path)
{
    if (holding == HOLD_COLOURS) {
        std::vector<uint8_t> outside;
        if (options.fitwidth && !FitColours(path, held, outside))
            return 0;
        Release(outside);
    }
    if (holding == HOLD_VALUES)
        DitherValues(active.threshold, active.invert, clear);
    if (checking && !holding) {
        // Each index counted by how often it was set, and the pixels a
        // run-length stream left alone by what it filled them with.
        if (filledwith >= 0)
            histogram[filledwith] += size_t(imgwidth) * size_t(imgheight) - setbyruns;
        for (int i = 0; i < 256; i++) {
            const uint32_t c = source.colours[i];
            if (histogram[i] && !Clear(c, source.hasalpha))
                Check(c >> 16 & 0xFF, c >> 8 & 0xFF, c & 0xFF, histogram[i]);
        }
    }
    held.clear();
    held.shrink_to_fit();
    clear.clear();
    clear.shrink_to_fit();
    return !indices || FinishColourIndices(path);
}

void RuleDisagreement(uint64_t* bright, uint64_t* dark)
{
    *bright = checking ? brighter : 0;
    *dark = checking ? darker : 0;
}

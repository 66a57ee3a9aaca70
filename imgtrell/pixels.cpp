// The pixel rule and its tables, and the rows that decoders hand over.
#include "pixels.h"

#include <algorithm>
#include <cstring>

#include "colours.h"
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

int StartPixels(const char* path, const IndexedSource* indexed)
{
    active = RuleOfOptions();
    indices = ColourIndices();
    fixedbits = indexed && indexed->fixedbits && !active.bycolour && !indices;
    if (indexed)
        source = *indexed;
    if (indices) {
        // A picture of indices keeps them until the colour stage decides.
        for (int i = 0; i < 256; i++)
            stored[i] = uint8_t(i);
        identity = true;
        StartColourIndices(indexed ? &source : nullptr);
    } else if (indexed) {
        IndexTable(*indexed);
    }
    return AllocatePicture(path);
}

int FinishPixels(const char* path) { return !indices || FinishColourIndices(path); }

void PutIndices(int64_t y, int64_t x0, int64_t dx, const uint8_t* indices, size_t count)
{
    uint8_t* row = PictureRow(y) + x0;
    if (dx == 1 && identity)
        std::memcpy(row, indices, count);
    else if (dx == 1)
        for (size_t i = 0; i < count; i++)
            row[i] = stored[indices[i]];
    else
        for (size_t i = 0; i < count; i++)
            row[int64_t(i) * dx] = stored[indices[i]];
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
    uint8_t* row = PictureRow(y) + x;
    const uint8_t a = stored[first], b = stored[second];
    if (a == b)
        std::memset(row, a, count);
    else
        for (size_t i = 0; i < count; i++)
            row[i] = i % 2 ? b : a;
}

void FillIndex(uint8_t index) { std::memset(imgbuffer, stored[index], size_t(imgwidth) * size_t(imgheight)); }

// The top bits of count samples step bytes apart, as 0 or 1. The usual
// steps are made constants, which lets the compiler gather the samples in
// wide steps.
template <size_t STEP>
static void TopBits(const uint8_t* p, size_t count, uint8_t* out)
{
    for (size_t x = 0; x < count; x++)
        out[x] = p[x * STEP] >> 7;
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

// count pixels of samples into out; the plain rule takes the top bit of blue.
static void StoreSamples(const uint8_t* p, size_t step, int red, int green, int blue, int alpha, size_t count,
                         uint8_t* out)
{
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

void PutSamples(int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green, int blue,
                int alpha, size_t count)
{
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

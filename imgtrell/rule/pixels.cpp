// The pixel rule and its tables, and the rows that decoders hand over.
#include "pixels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "colours.h"
#include "console.h"
#include "dither.h"
#include "imgtrell.h"
#include "ink.h"
#include "conversion.h"
#include "picture.h"
#include "pixelparts.h"

// The tables of a rule's value. Luma: (299 R + 587 G + 114 B + 500) / 1000
// > t, that is 299 R + 587 G + 114 B >= 1000 t + 500; any: at least one
// sample above t; blue: blue >= t + 1. The value stays below 2^18, so the
// colour key's flags above it never meet a carry. The key's test is a test
// of each sample apart: a sample's flag is the key test of a colour whose
// other samples pass theirs. The ink rule decides by the background once the
// picture is in (ink.h); its tables are blue's, for the colour key alone.
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
    if (px.active.value == RULE_INK) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "%06x", unsigned(px.inkbackground & 0xFFFFFF));
        if (px.inkbackground == INK_CLEAR)
            return px.active.invert ? "a pixel is 1 when it is of the background, which is transparent: never"
                                    : "a pixel is 1 when it is opaque, on a transparent background";
        return std::string("a pixel is 1 when it is ") + (px.active.invert ? "" : "opaque and not ") +
               "of the background colour " + colour;
    }
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

bool AlphaWanted(const Conversion& cv)
{
    const Options& options = cv.options;
    return options.alpha || options.rule == RULE_INK || (options.rule == RULE_PLAIN && !ColourIndices(options));
}

bool StartPixels(Conversion& cv, const char* path, const IndexedSource* indexed)
{
    Pixels& px = cv.pixels;
    px.active = RuleOfOptions(cv.options);
    px.indices = ColourIndices(cv.options);
    // The ink rule holds the colours till the background is known; not
    // those of a palette picture in mode 2, which stores its indices.
    const bool indexwritten = px.active.indices && indexed && indexed->palette;
    const bool ink = px.active.value == RULE_INK && !indexwritten;
    px.holding = cv.options.fitwidth || (cv.options.dither && px.indices) || ink ? HOLD_COLOURS
                 : cv.options.dither                                         ? HOLD_VALUES
                                                                             : HOLD_NONE;
    px.fixedbits = indexed && indexed->fixedbits && !px.active.bycolour && !px.indices && !px.holding;
    px.checking = cv.options.rule == RULE_PLAIN && !px.indices && !px.fixedbits && !indexwritten;
    px.census = InkCensus{};
    px.census.counting = cv.options.rule == RULE_PLAIN && !px.indices && !indexwritten;
    px.counting = indexed && (px.checking || px.census.counting);
    px.inkbackground = INK_NONE;
    px.brighter = px.darker = px.setbyruns = px.borderbyruns = 0;
    px.filledwith = -1, px.fillkind = 0;
    std::fill(px.histogram, px.histogram + 256, 0);
    std::fill(px.borderhistogram, px.borderhistogram + 256, 0);
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
    // Colours held are the picture until they are released; its bytes are
    // allocated then (FinishPixels), for the box of a fit.
    const size_t pixels = size_t(imgwidth) * size_t(imgheight);
    try {
        px.clear.assign(px.holding == HOLD_VALUES && px.active.alpha ? pixels : 0, 0);
        px.held.assign(px.holding == HOLD_COLOURS ? pixels : 0, 0);
    } catch (const std::bad_alloc&) {
        return RefuseMemory(cv, path, "read");
    }
    return px.holding == HOLD_COLOURS || AllocatePicture(cv, path);
}

// Holds the pixels of an index picture: their colours.
static void HoldIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* values, size_t count)
{
    Pixels& px = cv.pixels;
    const size_t at = size_t(y) * size_t(imgwidth) + size_t(x0);
    for (size_t i = 0; i < count; i++)
        Hold(px, at + i * size_t(dx), px.source.colours[values[i]], px.source.hasalpha);
}

// Counts the indices of pixels x0, x0 + dx, ... of row y, count of them,
// and for the census those on the border.
static void CountIndices(Pixels& px, int64_t y, int64_t x0, int64_t dx, const uint8_t* values, size_t count)
{
    for (size_t i = 0; i < count; i++)
        px.histogram[values[i]]++;
    px.setbyruns += px.filledwith >= 0 ? count : 0;
    if (!px.census.counting || count == 0)
        return;
    uint64_t border = 0;
    if (y == 0 || y + 1 == imgheight) {
        for (size_t i = 0; i < count; i++)
            px.borderhistogram[values[i]]++;
        border = count;
    } else {
        const int64_t last = x0 + int64_t(count - 1) * dx;
        if (x0 == 0)
            px.borderhistogram[values[0]]++, border++;
        if (last + 1 == imgwidth && last != 0)
            px.borderhistogram[values[count - 1]]++, border++;
    }
    px.borderbyruns += px.filledwith >= 0 ? border : 0;
}

void PutIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* values, size_t count)
{
    Pixels& px = cv.pixels;
    if (px.counting)
        CountIndices(px, y, x0, dx, values, count);
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
    if (px.counting && count > 0) {
        px.histogram[first] += (count + 1) / 2, px.histogram[second] += count / 2;
        px.setbyruns += count;
        // Of a run that reaches the border, its pixels there.
        const bool edge = y == 0 || y + 1 == imgheight;
        if (px.census.counting && (edge || x == 0 || x + int64_t(count) == imgwidth)) {
            const uint8_t pair[2] = {first, second};
            for (size_t i = 0; i < count; i = edge || i + 1 == count ? i + 1 : count - 1)
                if (edge || x + int64_t(i) == 0 || x + int64_t(i) + 1 == imgwidth)
                    px.borderhistogram[pair[i % 2]]++, px.borderbyruns++;
        }
    }
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
}

void FillIndex(Conversion& cv, uint8_t index)
{
    Pixels& px = cv.pixels;
    px.filledwith = index;
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
    if (px.active.value == RULE_INK)
        return ReleaseInk(cv);
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
    if (px.active.value == RULE_INK && px.holding == HOLD_COLOURS)
        FindInkBackground(cv);
    return !cv.options.fitwidth || FitColours(cv, cv.path, px.held, px.outside);
}

bool FinishPixels(Conversion& cv)
{
    Pixels& px = cv.pixels;
    if (px.holding == HOLD_COLOURS && !imgbuffer && !AllocatePicture(cv, cv.path))
        return false;
    if (px.holding == HOLD_COLOURS)
        Release(cv);
    if (px.holding == HOLD_VALUES)
        DitherValues(cv, px.active.threshold, px.active.invert, px.clear);
    // Each index counted by how often it was set, and the pixels a
    // run-length stream left alone by what it filled them with.
    if (px.counting && px.filledwith >= 0) {
        px.histogram[px.filledwith] += uint64_t(imgwidth) * uint64_t(imgheight) - px.setbyruns;
        px.borderhistogram[px.filledwith] += BorderPixels(uint64_t(imgwidth), uint64_t(imgheight)) - px.borderbyruns;
    }
    if (px.counting && px.census.counting)
        CountInkIndices(cv, px.histogram, px.borderhistogram);
    if (px.checking && !px.holding) {
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

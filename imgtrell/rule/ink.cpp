// The ink rule: the background of a picture, its held colours made values,
// and the census of a run without --rule, which tells where its rule and
// the ink rule read apart.
#include "ink.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "conversion.h"
#include "imgtrell.h"
#include "picture.h"
#include "pixels.h"

// The key of a colour (ARGB, its alpha the file's or opaque) as the ink
// rule reads it; alpha: --alpha, which makes the colour key transparent too.
static uint32_t KeyOf(uint32_t argb, bool alpha)
{
    return (argb >> 24) < 128 || (alpha && CheckTransparency(argb)) ? INK_CLEAR : argb & 0xFFFFFF;
}

static uint32_t Luma(uint32_t rgb) { return 299 * (rgb >> 16) + 587 * (rgb >> 8 & 0xFF) + 114 * (rgb & 0xFF); }

// Whether colour a is the background before b: more of the border, then
// more of the picture, then the darker, then the lower RGB value.
static bool Before(const InkColour& a, const InkColour& b)
{
    if (a.border != b.border)
        return a.border > b.border;
    if (a.pixels != b.pixels)
        return a.pixels > b.pixels;
    if (Luma(a.key) != Luma(b.key))
        return Luma(a.key) < Luma(b.key);
    return a.key < b.key;
}

// The background of the colours, each key once.
static uint32_t BackgroundOf(const std::vector<InkColour>& colours)
{
    const InkColour* best = nullptr;
    for (const InkColour& c : colours) {
        if (c.border == 0)
            continue;
        if (c.key == INK_CLEAR)
            return INK_CLEAR;
        if (!best || Before(c, *best))
            best = &c;
    }
    return best ? best->key : INK_NONE;
}

uint64_t BorderPixels(uint64_t width, uint64_t height)
{
    if (width == 0 || height == 0)
        return 0;
    return width == 1 || height == 1 ? width * height : 2 * (width + height) - 4;
}

void CountInkIndices(Conversion& cv, const uint64_t pixels[256], const uint64_t border[256])
{
    Pixels& px = cv.pixels;
    InkCensus& census = px.census;
    census.size = 0;
    for (int i = 0; i < 256 && census.counting; i++) {
        if (!pixels[i])
            continue;
        const uint32_t colour = px.source.colours[i];
        const bool clear = px.source.hasalpha && (colour >> 24) < 128;
        const uint32_t key = (colour & 0xFFFFFF) | (clear ? INK_CLEAR : 0);
        // A 1-bit BMP's bits decide by themselves; else the colour's value.
        const int bit = (px.fixedbits ? px.stored[i] : ColourValue(px.active, colour, px.source.hasalpha)) == 1;
        size_t at = 0;
        while (at < census.size && !(census.colours[at].key == key && census.colours[at].bit == bit))
            at++;
        if (at == CENSUS_COLOURS) {
            census.counting = false;
            break;
        }
        if (at == census.size)
            census.colours[census.size++] = {key, bit, 0, 0};
        census.colours[at].pixels += pixels[i];
        census.colours[at].border += border[i];
    }
}

InkCheck CheckInk(const Conversion& cv)
{
    const Pixels& px = cv.pixels;
    InkCheck check;
    if (!px.census.counting)
        return check;
    // The colours as the ink rule tells them apart: every transparent one
    // is one. A picture of greys alone, every pixel opaque (black and white
    // among them), is read by its brightness whatever the rule: not checked.
    std::vector<InkColour> colours;
    std::vector<uint32_t> keys;
    bool greys = true;
    for (size_t i = 0; i < px.census.size; i++) {
        const InkColour& c = px.census.colours[i];
        const uint32_t key = c.key & INK_CLEAR ? INK_CLEAR : KeyOf(c.key | 0xFF000000u, cv.options.alpha);
        greys = greys && key != INK_CLEAR && key % 0x10101 == 0;
        keys.push_back(key);
        auto same = std::find_if(colours.begin(), colours.end(), [&](const InkColour& m) { return m.key == key; });
        if (same == colours.end())
            colours.push_back({key, -1, 0, 0}), same = colours.end() - 1;
        same->pixels += c.pixels;
        same->border += c.border;
    }
    if (greys)
        return check;
    const uint32_t background = BackgroundOf(colours);
    for (size_t i = 0; i < keys.size(); i++) {
        const InkColour& c = px.census.colours[i];
        // The picture as drawn: --invert, which swaps the rule's bits, is
        // not undone, so that ink on paper read with --invert agrees.
        const bool ink = keys[i] != INK_CLEAR && keys[i] != background;
        const uint32_t argb = (c.key & INK_CLEAR ? 0u : 0xFF000000u) | (c.key & 0xFFFFFF);
        const bool bit = c.bit >= 0 ? c.bit == 1 : ColourValue(px.active, argb, true) == 1;
        check.opaque += keys[i] != INK_CLEAR ? c.pixels : 0;
        check.inkread0 += !bit && ink ? c.pixels : 0;
        check.backgroundread1 += bit && !ink ? c.pixels : 0;
    }
    return check;
}

void FindInkBackground(Conversion& cv)
{
    Pixels& px = cv.pixels;
    const std::vector<uint32_t>& held = px.held;
    const size_t width = size_t(imgwidth), height = size_t(imgheight);
    // The border's colours, each with its pixels there.
    std::unordered_map<uint32_t, uint64_t> border;
    for (size_t y = 0; y < height; y++) {
        const bool edge = y == 0 || y + 1 == height;
        for (size_t x = 0; x < width; x = edge || x + 1 == width ? x + 1 : width - 1)
            border[KeyOf(held[y * width + x], cv.options.alpha)]++;
    }
    // Those that cover the most of it, and, where they tie, of the picture.
    uint64_t most = 0;
    for (const auto& entry : border)
        most = std::max(most, entry.second);
    std::vector<InkColour> tied;
    for (const auto& entry : border)
        if (entry.second == most)
            tied.push_back({entry.first, -1, 0, most});
    std::sort(tied.begin(), tied.end(), [](const InkColour& a, const InkColour& b) { return a.key < b.key; });
    // Each pixel looked up in a set of bits of the tied colours first: most
    // pixels are of none of them.
    const bool clear = border.count(INK_CLEAR) != 0;
    std::vector<uint64_t> tiedset(!clear && tied.size() > 1 ? size_t(1) << 18 : 0);
    for (size_t i = 0; i < tied.size() && !tiedset.empty(); i++)
        tiedset[tied[i].key >> 6] |= uint64_t(1) << (tied[i].key & 63);
    for (size_t p = 0; !tiedset.empty() && p < held.size(); p++) {
        const uint32_t key = KeyOf(held[p], cv.options.alpha);
        if (key == INK_CLEAR || !(tiedset[key >> 6] >> (key & 63) & 1))
            continue;
        auto at = std::lower_bound(tied.begin(), tied.end(), key, [](const InkColour& c, uint32_t k) { return c.key < k; });
        if (at != tied.end() && at->key == key)
            at->pixels++;
    }
    px.inkbackground = clear ? INK_CLEAR : BackgroundOf(tied);
}

void ReleaseInk(Conversion& cv)
{
    Pixels& px = cv.pixels;
    const size_t pixels = px.held.size();
    const bool dither = cv.options.dither != DITHER_NONE, alpha = cv.options.alpha;
    // On a transparent background every opaque colour is as far as can be.
    const bool far = px.inkbackground == INK_CLEAR || px.inkbackground == INK_NONE;
    const int br = int(px.inkbackground >> 16 & 0xFF), bg = int(px.inkbackground >> 8 & 0xFF), bb = int(px.inkbackground & 0xFF);
    // Without a dither the bits are stored at once, a transparent pixel's
    // byte the transparent one (in mode 2 under --alpha, 255); with one the
    // values, and which pixels are transparent, for the dither.
    const uint8_t invert = px.active.invert, transparent = alpha ? px.active.transparent : 0;
    px.holding = dither ? HOLD_VALUES : HOLD_NONE;
    if (dither)
        px.clear.assign(pixels, 0);
    const uint32_t* held = px.held.data();
    const uint8_t* outside = px.outside.empty() ? nullptr : px.outside.data();
    uint8_t* clear = dither ? px.clear.data() : nullptr;
    // A block at a time into bytes of its own, which nothing else can be,
    // without a branch a pixel: the loop takes many pixels at once.
    const size_t BLOCK = 4096;
    uint8_t values[BLOCK], gone[BLOCK];
    for (size_t at = 0; at < pixels; at += BLOCK) {
        const size_t n = std::min(BLOCK, pixels - at);
        for (size_t i = 0; i < n; i++) {
            const uint32_t argb = held[at + i];
            const int r = int(argb >> 16 & 0xFF), g = int(argb >> 8 & 0xFF), b = int(argb & 0xFF);
            const bool key = alpha & (r > 240) & (g < 16) & (b > 240);
            const int distance = far ? 255 : std::max(std::abs(r - br), std::max(std::abs(g - bg), std::abs(b - bb)));
            gone[i] = uint8_t(((argb >> 24) < 128) | key);
            values[i] = uint8_t(dither ? distance : (distance != 0) ^ invert);
        }
        for (size_t i = 0; outside && i < n; i++)
            gone[i] |= outside[at + i];
        for (size_t i = 0; i < n; i++)
            values[i] = gone[i] ? (dither ? 0 : transparent) : values[i];
        std::memcpy(imgbuffer + at, values, n);
        if (dither)
            std::memcpy(clear + at, gone, n);
    }
}

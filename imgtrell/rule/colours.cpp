// Colour indices: the mapping of colours to indices, decided once the
// picture is in, and the pixels stored through it.
#include "colours.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <vector>

#include "console.h"
#include "imgtrell.h"
#include "conversion.h"
#include "picture.h"

// A transparent pixel's colour, apart from every RGB colour.
static const uint32_t TRANSPARENT = 0x1000000;
// More colours than any planes hold: counted in a set of every RGB colour.
static const size_t MOST_KEPT = 16;


static uint32_t KeyOf(uint32_t argb, bool hasalpha)
{
    return (hasalpha && (argb >> 24) < 128) || CheckTransparency(argb) ? TRANSPARENT : argb & 0xFFFFFF;
}

// The index --colors gives a colour: the exact one, else the nearest by the
// squared distance of red, green and blue, the lower index of two as near.
static uint8_t Listed(Conversion& cv, uint32_t key, bool* exact)
{
    *exact = true;
    if (key == TRANSPARENT)
        return 0;
    int64_t best = -1;
    uint8_t index = 0;
    for (size_t i = 0; i < cv.options.colors.size(); i++) {
        int64_t d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int64_t a = key >> shift & 0xFF, b = cv.options.colors[i] >> shift & 0xFF;
            d += (a - b) * (a - b);
        }
        if (best < 0 || d < best)
            best = d, index = uint8_t(i);
    }
    *exact = best == 0;
    return index;
}

void StartColourIndices(Conversion& cv, const IndexedSource* indexed)
{
    cv.colours.indexed = indexed;
    cv.colours.seen.clear();
    cv.colours.all.clear();
    cv.colours.transparent = false;
    cv.colours.inexact = 0;
    cv.colours.lastkey = 0xFFFFFFFF;
    cv.colours.lastindex = 0;
}

uint8_t ColourIndexOf(Conversion& cv, uint32_t rgb, bool transparent)
{
    const uint32_t key = transparent ? TRANSPARENT : rgb & 0xFFFFFF;
    if (key == cv.colours.lastkey && cv.options.colors.empty())
        return cv.colours.lastindex;
    bool exact;
    if (!cv.options.colors.empty()) {
        uint8_t index = Listed(cv, key, &exact);
        cv.colours.inexact += !exact;
        return index;
    }
    cv.colours.lastkey = key;
    auto at = std::find(cv.colours.seen.begin(), cv.colours.seen.end(), key);
    if (at != cv.colours.seen.end())
        return cv.colours.lastindex = uint8_t(at - cv.colours.seen.begin());
    if (cv.colours.seen.size() < MOST_KEPT) {
        cv.colours.seen.push_back(key);
        return cv.colours.lastindex = uint8_t(cv.colours.seen.size() - 1);
    }
    // Past the most any planes hold: the picture is refused, with its count.
    if (cv.colours.all.empty()) {
        cv.colours.all.assign(size_t(1) << 18, 0);
        for (uint32_t k : cv.colours.seen)
            k == TRANSPARENT ? void(cv.colours.transparent = true) : void(cv.colours.all[k >> 6] |= uint64_t(1) << (k & 63));
    }
    key == TRANSPARENT ? void(cv.colours.transparent = true) : void(cv.colours.all[key >> 6] |= uint64_t(1) << (key & 63));
    return cv.colours.lastindex = 0;
}

// The indices of the keys: transparent 0, black the highest, the others by
// brightness (luma), darkest first, from the lowest index free.
static void Arrange(Conversion& cv, const std::vector<uint32_t>& keys, uint8_t* index)
{
    const int highest = (1 << cv.options.planes) - 1;
    std::vector<size_t> order;
    bool taken[16] = {};
    for (size_t k = 0; k < keys.size(); k++) {
        if (keys[k] == TRANSPARENT || keys[k] == 0)
            taken[index[k] = uint8_t(keys[k] ? 0 : highest)] = true;
        else
            order.push_back(k);
    }
    auto luma = [&](size_t k) { return 299 * (keys[k] >> 16) + 587 * (keys[k] >> 8 & 0xFF) + 114 * (keys[k] & 0xFF); };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return luma(a) != luma(b) ? luma(a) < luma(b) : keys[a] < keys[b];
    });
    int next = 0;
    for (size_t k : order) {
        while (taken[next])
            next++;
        taken[next] = true;
        index[k] = uint8_t(next);
    }
}

// Notes what index i stands for.
static void Name(Conversion& cv, int i, uint32_t key)
{
    cv.colours.kinds[i] = key == TRANSPARENT ? 2 : 1;
    cv.colours.rgbs[i] = key == TRANSPARENT ? 0 : key;
}

bool FinishColourIndices(Conversion& cv, const char* path)
{
    const size_t pixels = size_t(imgwidth) * size_t(imgheight), holds = size_t(1) << cv.options.planes;
    std::fill(cv.colours.kinds, cv.colours.kinds + 16, 0);
    uint8_t final[256];  // each stored byte's index
    for (int i = 0; i < 256; i++)
        final[i] = uint8_t(i);
    if (!cv.options.colors.empty())
        for (size_t i = 0; i < cv.options.colors.size(); i++)
            Name(cv, int(i), cv.options.colors[i]);
    if (cv.colours.indexed) {
        // The indices used, and how often.
        std::vector<uint64_t> count(256);
        for (size_t p = 0; p < pixels; p++)
            count[imgbuffer[p]]++;
        if (cv.colours.indexed->palette && cv.options.colors.empty()) {
            for (size_t i = holds; i < 256; i++)
                if (count[i])
                    return Mismatch(cv.console, "%s: palette index %zu is past the %zu colours --planes %d holds (see --colors)",
                                    path, i, holds, cv.options.planes);
            for (size_t i = 0; i < holds; i++)
                Name(cv, int(i), pal[i] & 0xFFFFFF);
        } else {
            std::vector<uint32_t> keys;
            std::vector<size_t> of;  // the entry of each key
            for (size_t i = 0; i < 256; i++) {
                uint32_t key = KeyOf(cv.colours.indexed->colours[i], cv.colours.indexed->hasalpha);
                if (!count[i])
                    continue;
                if (!cv.options.colors.empty()) {
                    bool exact;
                    final[i] = Listed(cv, key, &exact);
                    cv.colours.inexact += exact ? 0 : count[i];
                } else if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                    keys.push_back(key);
                }
                of.push_back(i);
            }
            if (cv.options.colors.empty()) {
                if (keys.size() > holds)
                    return Mismatch(cv.console, "%s has %zu colours; --planes %d holds %zu (see --colors)", path, keys.size(),
                                    cv.options.planes, holds);
                std::vector<uint8_t> index(keys.size());
                Arrange(cv, keys, index.data());
                for (size_t i : of)
                    final[i] = index[size_t(std::find(keys.begin(), keys.end(),
                                                      KeyOf(cv.colours.indexed->colours[i], cv.colours.indexed->hasalpha)) - keys.begin())];
                for (size_t k = 0; k < keys.size(); k++)
                    Name(cv, index[k], keys[k]);
            }
        }
    } else if (cv.options.colors.empty()) {
        if (!cv.colours.all.empty()) {
            size_t colours = cv.colours.transparent;
            for (uint64_t word : cv.colours.all)
                colours += std::bitset<64>(word).count();
            return Mismatch(cv.console, "%s has %zu colours; --planes %d holds %zu (see --colors)", path, colours, cv.options.planes,
                            holds);
        }
        if (cv.colours.seen.size() > holds)
            return Mismatch(cv.console, "%s has %zu colours; --planes %d holds %zu (see --colors)", path, cv.colours.seen.size(),
                            cv.options.planes, holds);
        Arrange(cv, cv.colours.seen, final);
        for (size_t k = 0; k < cv.colours.seen.size(); k++)
            Name(cv, final[k], cv.colours.seen[k]);
    }
    for (size_t p = 0; p < pixels; p++)
        imgbuffer[p] = final[imgbuffer[p]];
    for (size_t i = 0; i < holds; i++)
        if (cv.colours.kinds[i])
            cv.colours.kinds[i] == 2 ? Say(cv.console, "color %zu: transparent\n", i) : Say(cv.console, "color %zu: %06x\n", i, unsigned(cv.colours.rgbs[i]));
    if (cv.colours.inexact)
        Warn(cv.console, "%llu pixel%s none of the colours --colors lists, and take%s the nearest", (unsigned long long)cv.colours.inexact,
             cv.colours.inexact == 1 ? " has" : "s have", cv.colours.inexact == 1 ? "s" : "");
    return true;
}

int IndexColour(const Conversion& cv, int index, uint32_t* rgb)
{
    *rgb = cv.colours.rgbs[index];
    return cv.colours.kinds[index];
}

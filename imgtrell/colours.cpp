// Colour indices: the mapping of colours to indices, decided once the
// picture is in, and the pixels stored through it.
#include "colours.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <vector>

#include "console.h"
#include "imgtrell.h"
#include "picture.h"

// A transparent pixel's colour, apart from every RGB colour.
static const uint32_t TRANSPARENT = 0x1000000;
// More colours than any planes hold: counted in a set of every RGB colour.
static const size_t MOST_KEPT = 16;

static struct {
    const IndexedSource* indexed;  // the source's colours, or null for colours
    std::vector<uint32_t> seen;    // a picture of colours: its colours so far, the first MOST_KEPT
    std::vector<uint64_t> all;     // and past those, every colour in a set of bits
    bool transparent;              // a transparent pixel among them
    uint64_t inexact;              // pixels of no colour --colors lists
    uint32_t lastkey;
    uint8_t lastindex;
    int kinds[16];                 // what IndexColour tells of each index
    uint32_t rgbs[16];
} map;

static uint32_t KeyOf(uint32_t argb, bool hasalpha)
{
    return (hasalpha && (argb >> 24) < 128) || CheckTransparency(argb) ? TRANSPARENT : argb & 0xFFFFFF;
}

// The index --colors gives a colour: the exact one, else the nearest by the
// squared distance of red, green and blue, the lower index of two as near.
static uint8_t Listed(uint32_t key, bool* exact)
{
    *exact = true;
    if (key == TRANSPARENT)
        return 0;
    int64_t best = -1;
    uint8_t index = 0;
    for (size_t i = 0; i < options.colors.size(); i++) {
        int64_t d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int64_t a = key >> shift & 0xFF, b = options.colors[i] >> shift & 0xFF;
            d += (a - b) * (a - b);
        }
        if (best < 0 || d < best)
            best = d, index = uint8_t(i);
    }
    *exact = best == 0;
    return index;
}

void StartColourIndices(const IndexedSource* indexed)
{
    map.indexed = indexed;
    map.seen.clear();
    map.all.clear();
    map.transparent = false;
    map.inexact = 0;
    map.lastkey = 0xFFFFFFFF;
    map.lastindex = 0;
}

uint8_t ColourIndexOf(uint32_t rgb, bool transparent)
{
    const uint32_t key = transparent ? TRANSPARENT : rgb & 0xFFFFFF;
    if (key == map.lastkey && options.colors.empty())
        return map.lastindex;
    bool exact;
    if (!options.colors.empty()) {
        uint8_t index = Listed(key, &exact);
        map.inexact += !exact;
        return index;
    }
    map.lastkey = key;
    auto at = std::find(map.seen.begin(), map.seen.end(), key);
    if (at != map.seen.end())
        return map.lastindex = uint8_t(at - map.seen.begin());
    if (map.seen.size() < MOST_KEPT) {
        map.seen.push_back(key);
        return map.lastindex = uint8_t(map.seen.size() - 1);
    }
    // Past the most any planes hold: the picture is refused, with its count.
    if (map.all.empty()) {
        map.all.assign(size_t(1) << 18, 0);
        for (uint32_t k : map.seen)
            k == TRANSPARENT ? void(map.transparent = true) : void(map.all[k >> 6] |= uint64_t(1) << (k & 63));
    }
    key == TRANSPARENT ? void(map.transparent = true) : void(map.all[key >> 6] |= uint64_t(1) << (key & 63));
    return map.lastindex = 0;
}

// The indices of the keys: transparent 0, black the highest, the others by
// brightness (luma), darkest first, from the lowest index free.
static void Arrange(const std::vector<uint32_t>& keys, uint8_t* index)
{
    const int highest = (1 << options.planes) - 1;
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
static void Name(int i, uint32_t key)
{
    map.kinds[i] = key == TRANSPARENT ? 2 : 1;
    map.rgbs[i] = key == TRANSPARENT ? 0 : key;
}

int FinishColourIndices(const char* path)
{
    const size_t pixels = size_t(imgwidth) * size_t(imgheight), holds = size_t(1) << options.planes;
    std::fill(map.kinds, map.kinds + 16, 0);
    uint8_t final[256];  // each stored byte's index
    for (int i = 0; i < 256; i++)
        final[i] = uint8_t(i);
    if (!options.colors.empty())
        for (size_t i = 0; i < options.colors.size(); i++)
            Name(int(i), options.colors[i]);
    if (map.indexed) {
        // The indices used, and how often.
        std::vector<uint64_t> count(256);
        for (size_t p = 0; p < pixels; p++)
            count[imgbuffer[p]]++;
        if (map.indexed->palette && options.colors.empty()) {
            for (size_t i = holds; i < 256; i++)
                if (count[i])
                    return Mismatch("%s: palette index %zu is past the %zu colours --planes %d holds (see --colors)",
                                    path, i, holds, options.planes);
            for (size_t i = 0; i < holds; i++)
                Name(int(i), pal[i] & 0xFFFFFF);
        } else {
            std::vector<uint32_t> keys;
            std::vector<size_t> of;  // the entry of each key
            for (size_t i = 0; i < 256; i++) {
                uint32_t key = KeyOf(map.indexed->colours[i], map.indexed->hasalpha);
                if (!count[i])
                    continue;
                if (!options.colors.empty()) {
                    bool exact;
                    final[i] = Listed(key, &exact);
                    map.inexact += exact ? 0 : count[i];
                } else if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                    keys.push_back(key);
                }
                of.push_back(i);
            }
            if (options.colors.empty()) {
                if (keys.size() > holds)
                    return Mismatch("%s has %zu colours; --planes %d holds %zu (see --colors)", path, keys.size(),
                                    options.planes, holds);
                std::vector<uint8_t> index(keys.size());
                Arrange(keys, index.data());
                for (size_t i : of)
                    final[i] = index[size_t(std::find(keys.begin(), keys.end(),
                                                      KeyOf(map.indexed->colours[i], map.indexed->hasalpha)) - keys.begin())];
                for (size_t k = 0; k < keys.size(); k++)
                    Name(index[k], keys[k]);
            }
        }
    } else if (options.colors.empty()) {
        if (!map.all.empty()) {
            size_t colours = map.transparent;
            for (uint64_t word : map.all)
                colours += std::bitset<64>(word).count();
            return Mismatch("%s has %zu colours; --planes %d holds %zu (see --colors)", path, colours, options.planes,
                            holds);
        }
        if (map.seen.size() > holds)
            return Mismatch("%s has %zu colours; --planes %d holds %zu (see --colors)", path, map.seen.size(),
                            options.planes, holds);
        Arrange(map.seen, final);
        for (size_t k = 0; k < map.seen.size(); k++)
            Name(final[k], map.seen[k]);
    }
    for (size_t p = 0; p < pixels; p++)
        imgbuffer[p] = final[imgbuffer[p]];
    for (size_t i = 0; i < holds; i++)
        if (map.kinds[i])
            map.kinds[i] == 2 ? Say("color %zu: transparent\n", i) : Say("color %zu: %06x\n", i, unsigned(map.rgbs[i]));
    if (map.inexact)
        Warn("%llu pixel%s none of the colours --colors lists, and take%s the nearest", (unsigned long long)map.inexact,
             map.inexact == 1 ? " has" : "s have", map.inexact == 1 ? "s" : "");
    return 1;
}

int IndexColour(int index, uint32_t* rgb)
{
    *rgb = map.rgbs[index];
    return map.kinds[index];
}

// The parts of the rule stage that both its files use (pixels.cpp, the
// rule and the indices; samples.cpp, the rows of samples and colours): the
// decision of a byte, the value a rule thresholds, transparency, the check
// of blue against luma, and a held pixel.
#ifndef IMGTRELL_PIXELPARTS_H
#define IMGTRELL_PIXELPARTS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imgtrell.h"
#include "picture.h"
#include "pixels.h"

// The byte of a pixel whose samples weigh sum. The loops below pass the
// rule's fields as values: the bytes they store could otherwise be the
// rule's, and every field would be read again for every pixel.
inline uint8_t Decide(uint32_t sum, uint32_t least, uint32_t invert, uint8_t transparent)
{
    uint8_t bit = uint8_t(((sum & 0xFFFFFF) >= least) ^ invert);
    return (sum >> 24) == 7 ? transparent : bit;
}

// The value the rule thresholds, of a colour.
inline uint32_t ValueOf(Pixels& px, uint32_t red, uint32_t green, uint32_t blue)
{
    return px.active.value == RULE_LUMA ? (299 * red + 587 * green + 114 * blue + 500) / 1000
           : px.active.value == RULE_ANY ? std::max(red, std::max(green, blue))
                                      : blue;
}

// Whether a colour is transparent under --alpha: its alpha below 128, or
// the colour key.
inline bool Clear(Pixels& px, uint32_t argb, bool hasalpha)
{
    return px.active.alpha && ((hasalpha && (argb >> 24) < 128) || CheckTransparency(argb));
}

// Whether blue and luma read a colour apart: 1 when it is 0 by its blue but
// bright by its luma, 2 when it is 1 by its blue but dark by its luma.
inline int Disagreement(Pixels& px, uint32_t red, uint32_t green, uint32_t blue)
{
    const uint32_t t = uint32_t(px.active.threshold);
    const bool byblue = blue > t, byluma = 299 * red + 587 * green + 114 * blue >= 1000 * t + 500;
    return byblue == byluma ? 0 : byluma ? 1 : 2;
}

// Counts count pixels of a colour.
inline void Check(Pixels& px, uint32_t red, uint32_t green, uint32_t blue, uint64_t count = 1)
{
    const int kind = Disagreement(px, red, green, blue);
    px.brighter += kind == 1 ? count : 0;
    px.darker += kind == 2 ? count : 0;
}

// Holds pixel at (of the picture as read) of colour argb.
inline void Hold(Pixels& px, size_t at, uint32_t argb, bool hasalpha)
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

#endif

// Colour indices (--planes 2 or 4, --colors): each pixel of the picture a
// colour index, whose bits the layouts write on bit planes. Which colour
// gets which index, the first that applies: the colours --colors lists,
// each pixel taking the exact one or else the nearest; a palette picture's
// own indices; or transparent pixels 0, black the highest index, and the
// other colours by brightness, darkest first, from the lowest index free.
// A pixel is transparent when its alpha is below 128 or it is the magenta
// colour key.
#ifndef IMGTRELL_COLOURS_H
#define IMGTRELL_COLOURS_H

#include <cstdint>
#include <vector>

#include "pixels.h"

// The colours seen and the indices they get: the source's colours, or null
// for colours; a picture of colours: its colours so far, the first
// MOST_KEPT, and past those every colour in a set of bits, with whether a
// transparent pixel is among them; the pixels of no colour --colors lists;
// the last colour looked up; and what IndexColour tells of each index.
struct ColourMap {
    const IndexedSource* indexed = nullptr;
    std::vector<uint32_t> seen;
    std::vector<uint64_t> all;
    bool transparent = false;
    uint64_t inexact = 0;
    uint32_t lastkey = 0xFFFFFFFF;
    uint8_t lastindex = 0;
    int kinds[16] = {};
    uint32_t rgbs[16] = {};
};

// Begins the colour indices of a picture whose rows hold indices of the
// colours of indexed (stored as they are until the end), or colours (null).
void StartColourIndices(Conversion& cv, const IndexedSource* indexed);
// The byte a pixel of colour rgb (transparent or not) stores meanwhile.
uint8_t ColourIndexOf(Conversion& cv, uint32_t rgb, bool transparent);
// Decides the indices once every row is in, prints them ("color 1:
// ffcc00"), and stores each pixel's; false after the line of a picture of more
// colours than the planes hold, or a palette index past them.
bool FinishColourIndices(Conversion& cv, const char* path);
// The colour of an index: 0 none, 1 the colour *rgb, 2 transparent.
int IndexColour(const Conversion& cv, int index, uint32_t* rgb);

#endif

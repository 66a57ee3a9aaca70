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

#include "pixels.h"

// Begins the colour indices of a picture whose rows hold indices of the
// colours of indexed (stored as they are until the end), or colours (null).
void StartColourIndices(const IndexedSource* indexed);
// The byte a pixel of colour rgb (transparent or not) stores meanwhile.
uint8_t ColourIndexOf(uint32_t rgb, bool transparent);
// Decides the indices once every row is in, prints them ("color 1:
// ffcc00"), and stores each pixel's; 0 after the line of a picture of more
// colours than the planes hold, or a palette index past them.
int FinishColourIndices(const char* path);
// The colour of an index: 0 none, 1 the colour *rgb, 2 transparent.
int IndexColour(int index, uint32_t* rgb);

#endif

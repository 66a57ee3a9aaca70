// The ink rule (--rule ink): the pixels as the artist drew them, ink on a
// background. A transparent pixel (alpha below 128 where the picture has
// alpha, a tRNS colour, and the magenta colour key under --alpha) is 0; of
// the opaque colours, the background's is 0 and every other colour 1. The
// background is transparency where any pixel of the picture's border is
// transparent (every opaque pixel is then 1); else the colour that covers
// most of the border's pixels, ties going to the one that covers most of
// the picture, then to the darker (by luma), then to the lower RGB value.
//
// A run without --rule counts the colours of its picture as the rows come
// (the census: the picture as read, before --fit scales it) to tell, at the
// end, on how many pixels its rule and the ink rule read apart: art of a
// few flat colours. A picture of more colours
// than CENSUS_COLOURS (a photograph, a gradient) is not counted further.
#ifndef IMGTRELL_INK_H
#define IMGTRELL_INK_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct Conversion;

// A colour as the ink rule tells colours apart: its RGB, with INK_CLEAR set
// for a pixel whose alpha says it is transparent. INK_NONE: no background
// (a picture without pixels).
const uint32_t INK_CLEAR = 0x1000000;
const uint32_t INK_NONE = 0xFFFFFFFF;

// A colour counted: its key, what the rule in use stores for it (0 or 1,
// for a picture of indices known per index: -1 where it is the colour's),
// the pixels of it and those of them on the border.
struct InkColour {
    uint32_t key;
    int bit;
    uint64_t pixels, border;
};

// The census of a run without --rule: the colours so far (of a picture of
// indices, made from the counts of its indices once every row is in), and
// whether it still counts (false too once the picture has more colours than
// CENSUS_COLOURS).
const size_t CENSUS_COLOURS = 16;
struct InkCensus {
    bool counting = false;
    size_t size = 0;
    InkColour colours[CENSUS_COLOURS];
};

// The entry of key, made where it is new; CENSUS_COLOURS, the census no
// longer counting, where there is no room.
inline size_t InkEntry(InkCensus& census, uint32_t key)
{
    for (size_t i = 0; i < census.size; i++)
        if (census.colours[i].key == key)
            return i;
    if (census.size == CENSUS_COLOURS) {
        census.counting = false;
        return CENSUS_COLOURS;
    }
    census.colours[census.size] = {key, -1, 0, 0};
    return census.size++;
}

// The pixels of the border of a picture of width x height.
uint64_t BorderPixels(uint64_t width, uint64_t height);
// Of a picture of indices, once every row is in: the census made from the
// pixels of each index and those on the border.
void CountInkIndices(Conversion& cv, const uint64_t pixels[256], const uint64_t border[256]);

// Where the rule in use and the ink rule read the picture apart: pixels it
// stores as 0 that are ink, and as 1 that are background or transparent
// (the picture as drawn, whatever --invert does to the bits stored); and
// the opaque pixels. All 0 where not counted: a
// run with --rule, colour indices, a palette picture in mode 2, a picture
// of more colours than the census holds, or one of opaque greys alone
// (black and white among them).
struct InkCheck {
    uint64_t inkread0 = 0, backgroundread1 = 0, opaque = 0;
};
InkCheck CheckInk(const Conversion& cv);

// --rule ink over the held colours: the background found in the picture as
// decoded (before --fit scales it); then the colours made what the picture
// stores: without a dither the bits (--invert applied, a transparent pixel
// the transparent byte), with one the values and transparency it dithers,
// the value the colour's distance from the background, the largest
// difference of red, green and blue (255 for every opaque pixel on a
// transparent background).
void FindInkBackground(Conversion& cv);
void ReleaseInk(Conversion& cv);

#endif

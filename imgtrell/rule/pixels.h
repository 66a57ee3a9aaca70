// The pixel rule: what the picture stores for each pixel that a decoder
// hands over. Decoders only decode: they tell what their rows hold (indices
// into colours, or colour samples) and hand over each row; the rule of the
// options (--rule, -t, --invert, --alpha, and the mode) decides each
// pixel's byte: 0 or 1, or in mode 2 a palette picture's index. A
// transparent pixel stores 0, and 255 in mode 2, which writes it as 0.
#ifndef IMGTRELL_PIXELS_H
#define IMGTRELL_PIXELS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ink.h"

struct Conversion;

// The rule the options ask for, made into tables: the weights of each red,
// green and blue sample add up to a sum that is at least least when the
// pixel is 1; with --alpha, bits 24 to 26 of the sum are all set for the
// magenta colour key.
struct PixelRule {
    bool indices;         // a palette picture stores its palette indices (mode 2)
    int value;            // what is thresholded: RULE_BLUE, RULE_LUMA or RULE_ANY; or RULE_INK
    int threshold;        // a pixel is 1 when its value is above it
    bool invert;          // 0 and 1 swap, but for transparent pixels
    bool alpha;           // a transparent pixel stores the byte below
    uint8_t transparent;  // 0, or in mode 2 255, which is written as 0 too
    bool bycolour;        // a 1-bit BMP is read by its palette colours (--rule)
    bool plain;           // blue above 127, nothing else: the plain run's rule
    uint32_t weights[3][256];
    uint32_t least;
};
struct Options;
PixelRule RuleOfOptions(const Options& options);
// The byte a colour stores; hasalpha: its alpha is the file's, else it is
// opaque whatever its top byte.
uint8_t ColourValue(const PixelRule& rule, uint32_t color, bool hasalpha);
// The rule the pixels were stored by, for messages: "a pixel is 1 when its
// blue is above 127".
std::string RuleText(const Conversion& cv);

// Whether the rule reads alpha at all (--alpha): a decoder may leave out
// what it costs to find, such as a tRNS colour.
bool AlphaWanted(const Conversion& cv);

// What the rows of a picture of indices hold: the colour of each index as
// ARGB (black where the file gives none), whether their alpha counts, and
// whether the picture is a palette picture, whose indices mode 2 writes,
// or a 1-bit BMP, whose bits decide by themselves without --rule (a clear
// bit is 1).
struct IndexedSource {
    uint32_t colours[256];
    bool hasalpha;
    bool palette;
    bool fixedbits;
};
// The pixels being stored: the rule of the picture, what each index
// stores, whether that is the index itself, and whether the picture's bits
// decide by themselves (a 1-bit BMP without --rule); with colour indices,
// each pixel's byte is the colour stage's, its source kept until the
// indices are decided. Pixels held until every row is in, for a dither or
// a fit: each pixel's value by the rule (in imgbuffer) and whether it is
// transparent, or each pixel's colour (ARGB, opaque where the file gives
// no alpha). The plain rule checked against luma (no --rule): pixels 0 by
// their blue but bright by their luma, and 1 by their blue but dark by
// their luma; of a picture of indices, how often each index is set (and on
// the border, for the census), and by what it was filled before (a
// run-length stream); held values of a run-length stream: what the fill's
// colour counted for each pixel, taken back from each pixel the stream
// sets. The census of the colours (ink.h) in a run without --rule, and the
// background of --rule ink.
enum Holding { HOLD_NONE, HOLD_VALUES, HOLD_COLOURS };
struct Pixels {
    PixelRule active;
    uint8_t stored[256];
    bool identity = true;
    bool fixedbits = false;
    bool indices = false;
    IndexedSource source;
    Holding holding = HOLD_NONE;
    std::vector<uint8_t> clear;
    std::vector<uint32_t> held;
    std::vector<uint8_t> outside;  // the box of --fit contain that the picture leaves
    bool checking = false;
    uint64_t brighter = 0, darker = 0;
    bool counting = false;  // the histograms below
    uint64_t histogram[256];
    uint64_t borderhistogram[256];
    uint64_t setbyruns = 0, borderbyruns = 0;
    int filledwith = -1;
    int fillkind = 0;
    InkCensus census;
    uint32_t inkbackground = INK_NONE;
};

// Begins the pixels of the picture whose size the picture holds: indexed
// describes the indices its rows hold, or is null for colour samples.
// Allocates the picture; false after the refusal.
bool StartPixels(Conversion& cv, const char* path, const IndexedSource* indexed);

// Once every row is in: the colours held scaled into the box of --fit
// (fit.cpp); false after the line of a refusal.
bool FitPicture(Conversion& cv);
// Then the pixels ended: a dither, and with colour indices (colours.h)
// their decision; false after the line of a refusal.
bool FinishPixels(Conversion& cv);

// Of the pixels stored without --rule (blue against the threshold), those
// their luma would read the other way: bright ones that are 0, dark ones
// that are 1 (0 and 0 where not checked: a palette picture in mode 2, a
// 1-bit BMP, colour indices).
void RuleDisagreement(Conversion& cv, uint64_t* bright, uint64_t* dark);

// The rows. Pixels x0, x0 + dx, ... of image row y (0 the top row), count
// of them; a column past the width is never given.
void PutIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* indices, size_t count);
// The same, of indices packed depth bits each (1, 2, 4 or 8), the most
// significant first: pixel i's at bit firstbit + i x dx x depth of src.
void PutPackedIndices(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* src, uint64_t firstbit, uint32_t depth,
                      size_t count);
// count pixels from column x of row y whose indices alternate, first and
// second (a run of a run-length stream).
void PutIndexRun(Conversion& cv, int64_t y, int64_t x, uint8_t first, uint8_t second, size_t count);
// Every pixel of the picture index (before a run-length stream sets some).
void FillIndex(Conversion& cv, uint8_t index);
// Samples of 8 bits (or the high bytes of 16-bit ones) interleaved step
// bytes apart from p: red, green and blue at the offsets red, green, blue,
// and alpha at alpha (negative: opaque).
void PutSamples(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const uint8_t* p, size_t step, int red, int green, int blue,
                int alpha, size_t count);
// Colours given as planes of red, green, blue and alpha samples, at most
// COLOUR_RUN at a time. Without a plane of alpha every pixel is opaque.
const size_t COLOUR_RUN = 1024;
struct ColourRun {
    uint8_t red[COLOUR_RUN], green[COLOUR_RUN], blue[COLOUR_RUN], alpha[COLOUR_RUN];
    bool hasalpha;
};
void PutColours(Conversion& cv, int64_t y, int64_t x0, int64_t dx, const ColourRun& run, size_t count);

#endif

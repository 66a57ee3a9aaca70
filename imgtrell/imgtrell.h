// The image converter: what the command line asks for, and how a run ends.
// A picture is decoded (decode.h) into the picture (picture.h) through the
// pixel rule (pixels.h), then laid out as include text (layout.h).
#ifndef IMGTRELL_H
#define IMGTRELL_H

#include <cstdint>
#include <string>

#include "cmdline.h"

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,            // usage, help or version shown
    STATUS_BATCH_CONVERTED = 0,  // picture converted, with --batch
    STATUS_CONVERTED = 1,        // picture converted
    STATUS_FAILED = 2            // input refused, output not written, or a usage error
};

// A picture declares its size in a few bytes: by default one of more than
// 2^24 pixels (4096 x 4096) is refused before anything large is allocated;
// --max-pixels raises the limit up to 2^30, a gigabyte of picture.
const uint64_t DEFAULT_MAX_PIXELS = uint64_t(1) << 24;
const uint64_t MAX_PIXELS = uint64_t(1) << 30;

// How the picture is written: the mode argument read like atoi, 0 the
// vertical strips, 2 the palette indices, any other number the rows.
enum Mode { MODE_VERTICAL, MODE_HORIZONTAL, MODE_PALETTE };

// What a pixel rule thresholds: blue, the luma of the colour, or the
// largest of red, green and blue. RULE_PLAIN (no --rule) is blue, and a
// 1-bit BMP by its bits, not its colours.
enum { RULE_PLAIN, RULE_BLUE, RULE_LUMA, RULE_ANY };

// What the command line asks for: filled before the picture is loaded.
struct Options {
    // -o, -l, -b, -q and --syntax.
    CommonOptions common{"picdata.inc"};
    // The path: the first argument that is no option.
    const char* picture = nullptr;
    // The mode argument after the picture, as atoi reads it (2 without
    // one), and the mode it selects.
    int32_t imgmode = 2;
    Mode mode = MODE_PALETTE;
    // -p, --palette: the include file of the palette (mode 2); with -o
    // alone, beside the output, named after it.
    std::string palette = "picpal.inc";
    bool palettegiven = false;
    // --max-pixels: the most pixels a picture may have, up to MAX_PIXELS.
    uint64_t maxpixels = DEFAULT_MAX_PIXELS;
    // --rule: what a pixel's colour is thresholded on.
    int rule = RULE_PLAIN;
    // -t, --threshold: a pixel is 1 when its value is above it.
    int threshold = 127;
    // --invert: 0 and 1 swap, but for transparent pixels.
    bool invert = false;
    // --alpha: transparent pixels are 0.
    bool alpha = false;
    // --preview: the picture as # and . on standard output.
    bool preview = false;
};
extern Options options;

// The label of the palette file: NAME_PAL after -l NAME, else PALDATA.
std::string PaletteLabel();

// The three lines every run but a usage error begins with.
extern const char BANNER[];

// Takes the options, the picture and the mode into options. Returns the
// status to end with, or -1 to go on and convert.
int TakeArguments(int argc, char** argv);

#endif

// The image converter: what the command line asks for, and how a run ends.
// A picture is decoded (decode.h) into the picture (picture.h) through the
// pixel rule (pixels.h), then laid out as include text (layout.h).
#ifndef IMGTRELL_H
#define IMGTRELL_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cmdline.h"
#include "console.h"

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
// largest of red, green and blue; or, for ink, whether the colour is the
// background's (ink.h). RULE_PLAIN (no --rule) is blue, and a 1-bit BMP by
// its bits, not its colours.
enum Rule { RULE_PLAIN, RULE_BLUE, RULE_LUMA, RULE_ANY, RULE_INK };

// The orders --order names: the outer walk over the tiles, then the inner
// one (t, b, l, r: from the top, bottom, left, right).
enum Order { ORDER_TBLR, ORDER_TBRL, ORDER_BTLR, ORDER_BTRL, ORDER_LRTB, ORDER_LRBT, ORDER_RLTB, ORDER_RLBT };
extern const char* const ORDER_NAMES[];  // "tblr", ...
// What --dither does with the value the rule gives: the threshold alone,
// an ordered dither of n x n (Bayer), or an error diffusion.
enum Dither { DITHER_NONE, DITHER_BAYER2, DITHER_BAYER4, DITHER_BAYER8, DITHER_FLOYD, DITHER_ATKINSON };
// How --fit fits the picture into its box, and the filter it scales by
// (without --filter, box where an axis shrinks, nearest where it grows).
enum FitMode { FIT_CONTAIN, FIT_COVER, FIT_STRETCH };
enum Filter { FILTER_BOX, FILTER_NEAREST };
// What --labels adds to the label of the data.
enum Labels { LABELS_ONE, LABELS_FRAME, LABELS_TILE, LABELS_PLANE, LABELS_NONE, LABELS_OCTOPUS };

// What the command line asks for, settled before any stage runs: what an
// option was given as, where it is absent, is std::nullopt; the rest holds
// the choice made, the defaults and what the options imply among them.
struct Options {
    // -o, -l, -b, -q and --syntax.
    CommonOptions common{"picdata.inc"};
    // The path: the first argument that is no option.
    const char* picture = nullptr;
    // The mode argument after the picture, as atoi reads it, and the mode
    // it selects (2 without one, 1 for what writes bits or colour indices).
    std::optional<int32_t> imgmode;
    Mode mode = MODE_PALETTE;
    // -p, --palette; and the palette's include file of mode 2: -p's, or
    // with -o alone beside the output, named after it.
    std::optional<std::string> palette;
    std::string palettefile = "picpal.inc";
    // --max-pixels: the most pixels a picture may have, up to MAX_PIXELS.
    uint64_t maxpixels = DEFAULT_MAX_PIXELS;
    // --rule: what a pixel's colour is thresholded on.
    Rule rule = RULE_PLAIN;
    // -t, --threshold: a pixel is 1 when its value is above it (127).
    std::optional<int> threshold;
    // --invert: 0 and 1 swap, but for transparent pixels.
    bool invert = false;
    // --alpha: transparent pixels are 0.
    bool alpha = false;
    // --preview: the picture as # and . on standard output.
    bool preview = false;
    // --preview-png: the picture as the screen shows it, a PNG file; and
    // --preview-zoom, each pixel a square of that side (by default the
    // least that makes the longer side 256 pixels or more).
    std::optional<std::string> previewpng;
    std::optional<int> previewzoom;
    // --tile WxH or auto, and --frame WxH: the picture cut into sprites,
    // each written row by row, in frames of the sheet when --frame is given.
    // A tile of 0 x 0 with --tile auto is decided for the picture's size.
    bool tiled = false;
    bool tileauto = false;
    int tilewidth = 0, tileheight = 0;
    int framewidth = 0, frameheight = 0;
    // --order: the walk over a frame's tiles.
    Order order = ORDER_TBLR;
    // --pad: a picture that is not a whole number of tiles (or frames) gets
    // 0 pixels on the right and bottom.
    bool pad = false;
    // --stride: the bytes of each frame, padded with 0; 0: as many as it needs.
    uint64_t stride = 0;
    // --xor: each frame but the first written as its XOR with the one before.
    bool xorframes = false;
    // --labels: the labels written.
    Labels labels = LABELS_ONE;
    // --planes: bit planes of XO-CHIP, each pixel a colour index of planes
    // bits, bit p of it on plane p + 1; 1 is a bit a pixel.
    int planes = 1;
    // --colors: the colours of the indices, in order, as RGB.
    std::vector<uint32_t> colors;
    // --octo-options: the file of Octo's options that shows the colours.
    std::string octooptions;
    // --dither.
    Dither dither = DITHER_NONE;
    // --fit WxH: the picture scaled into a box of that size (0: not), by
    // --fit-mode (contain) and --filter.
    int fitwidth = 0, fitheight = 0;
    std::optional<FitMode> fitmode;
    std::optional<Filter> filter;
};
// The threshold of the rule: -t's, or 127.
inline int ThresholdOf(const Options& options) { return options.threshold.value_or(127); }
// Whether each pixel is a colour index (--planes 2 or 4, or --colors),
// not a bit by the pixel rule.
inline bool ColourIndices(const Options& options) { return options.planes > 1 || !options.colors.empty(); }

// The label of the data: -l's, or IMGDATA; and of the palette file:
// NAME_PAL after -l NAME, else PALDATA.
std::string DataLabel(const Options& options);
std::string PaletteLabel(const Options& options);

// The three lines every run but a usage error begins with.
extern const char BANNER[];

// The tile of --tile auto for a picture (or frame) of width x height:
// 16x16 when it is 16 x 16, else 8 wide and the tallest height of 15 or
// less that divides its height.
void AutoTile(int64_t width, int64_t height, int64_t* tilewidth, int64_t* tileheight);

// Takes the options, the picture and the mode into options, settled: every
// default and implied choice made, nothing left for a stage to decide.
// True to go on and convert; false to end with *status, its lines said
// (usage, help, version, or a usage error).
bool TakeArguments(int argc, char** argv, Options& options, Console& console, int* status);

#endif

// imgtrell's options, each declared once: the table the command line is
// read by and the help is made from, with the banner and the help's head
// and tail.
#include "usage.h"

#include "imgtrell.h"

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 BMP converter, Quarnwell\n"
    "============================================\n";

// The help: its head, the options (from the table below), its tail.
extern const char HELP_HEAD[] =
    "Usage: imgtrell [options] <picture> [mode]\n"
    "Writes picdata.inc into the current folder, and picpal.inc in mode 2.\n"
    "Modes: 0 vertical strips of 8 columns, 1 horizontal rows (as is any number\n"
    "but 0 and 2), 2 palette indices (the default).\n"
    "Options:\n";
extern const char HELP_TAIL[] =
    "A picture whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the picture refused, an include file not written, or a\n"
    "usage error.\n"
    "Manual: man imgtrell (on Windows: README.txt)\n";


// The names of the values of --rule, --order, --labels, --dither,
// --fit-mode and --filter, in the order of their enums (no --rule, the
// plain rule, has no name).
static const char* const RULE_NAMES[] = {"", "blue", "luma", "any", "ink"};
extern const char* const ORDER_NAMES[] = {"tblr", "tbrl", "btlr", "btrl", "lrtb", "lrbt", "rltb", "rlbt"};
static const char* const LABELS_NAMES[] = {"one", "frame", "tile", "plane", "none", "octopus"};
static const char* const DITHER_NAMES[] = {"none", "bayer2", "bayer4", "bayer8", "floyd", "atkinson"};
static const char* const FIT_NAMES[] = {"contain", "cover", "stretch"};
static const char* const FILTER_NAMES[] = {"box", "nearest"};
#define NAMES(names) names, int(sizeof names / sizeof *names)
#define NO_NAMES nullptr, 0

// Every option, in the order of the help, with its headings.
extern const OptionInfo OPTIONS[] = {
    {OPT_OUTPUT, 'o', "output", "FILE", "write FILE instead of picdata.inc", NO_NAMES},
    {OPT_PALETTE, 'p', "palette", "FILE",
     "write the palette of mode 2 to FILE instead of\npicpal.inc (with -o alone: FILE's name, .pal.inc)", NO_NAMES},
    {OPT_LABEL, 'l', "label", "NAME",
     "label the data NAME, the palette NAME_PAL\n(with --syntax octo: - too, but no word Octo reserves)", NO_NAMES},
    {OPT_BATCH, 'b', "batch", nullptr,
     "for build tools: no key wait, status 0 when converted;\na mode that is no number, or more arguments, an error",
     NO_NAMES},
    {OPT_QUIET, 'q', "quiet", nullptr, "nothing on standard output, failures on standard error", NO_NAMES},
    {OPT_SYNTAX, 0, "syntax", "S",
     "the include text for plain assemblers (the default), for\nOcto (octo), with commas only between values (strict),\n"
     "or one value a line (single)",
     NO_NAMES},
    {OPT_CONSTS, 0, "consts", nullptr,
     "the sizes of the picture (and its tiles and frames) as\nconstants before the data: :const NAME-width 64 for\n"
     "Octo, NAME_WIDTH EQU 64 in the other syntaxes",
     NO_NAMES},
    {OPT_MAX_PIXELS, 0, "max-pixels", "N",
     "read a picture of up to N pixels (default 16777216, at\nmost 1073741824)", NO_NAMES},
    {0, 0, nullptr, nullptr,
     "Pixel rules, where a colour becomes one bit (modes 0 and 1, and mode 2 of\na picture without a palette):", NO_NAMES},
    {OPT_RULE, 0, "rule", "R",
     "the value thresholded: blue (as without --rule, but\nfor 1-bit BMPs, read by their colours), luma, or any\n"
     "(the largest of red, green and blue); or ink: transparent\npixels and the background's colour (the colour of most\n"
     "of the border) 0, every other colour 1",
     NAMES(RULE_NAMES)},
    {OPT_THRESHOLD, 't', "threshold", "N", "a pixel is 1 when its value is above N (0-255, 127)", NO_NAMES},
    {OPT_INVERT, 0, "invert", nullptr, "0 and 1 swapped, but for transparent pixels", NO_NAMES},
    {OPT_ALPHA, 0, "alpha", nullptr, "transparent pixels are 0: alpha below 128, tRNS, and\nthe magenta colour key",
     NO_NAMES},
    {OPT_PREVIEW, 0, "preview", nullptr, "the picture written, as # and ., on standard output", NO_NAMES},
    {OPT_PREVIEW_PNG, 0, "preview-png", "FILE",
     "also write FILE, a PNG of the picture as\nOcto's screen shows it, tiles and frames a pixel apart", NO_NAMES},
    {OPT_PREVIEW_ZOOM, 0, "preview-zoom", "N",
     "each pixel of the PNG N x N, 1 to 256 (by\ndefault the least that makes its longer side 256 or more)",
     NO_NAMES},
    {0, 0, nullptr, nullptr, "Sprites (with mode 0, 1 or none; both write the same bytes):", NO_NAMES},
    {OPT_TILE, 0, "tile", "T",
     "cut the picture into tiles, each a line written row by\nrow: 8xH (H 1 to 15), 8x16, 16x16 (two bytes a row), or\n"
     "auto (16x16 for a 16 x 16 picture, else 8 x the tallest\nheight of 15 or less that divides the picture's)",
     NO_NAMES},
    {OPT_ORDER, 0, "order", "O",
     "the walk over the tiles: tblr (rows from the top, each\nfrom the left; the default), tbrl, btlr, btrl, lrtb\n"
     "(columns from the left, each from the top), lrbt, rltb, rlbt",
     NAMES(ORDER_NAMES)},
    {OPT_PAD, 0, "pad", nullptr, "fill the right and bottom with 0 pixels to whole tiles", NO_NAMES},
    {OPT_FRAME, 0, "frame", "WxH",
     "cut a sprite sheet into frames, left to right, then top\nto bottom, each tiled (--tile auto by the frame's size)",
     NO_NAMES},
    {OPT_STRIDE, 0, "stride", "N", "pad each frame to N bytes", NO_NAMES},
    {OPT_XOR, 0, "xor", nullptr, "write each frame but the first XOR the one before", NO_NAMES},
    {OPT_LABELS, 0, "labels", "L",
     "one (the label alone, the default), frame (and\nNAME_F0, NAME_F1, ...), tile (and NAME_C_R by column and\n"
     "row), plane (and NAME_P2, ... before each plane of a\npicture not cut), none (no label at all), or octopus\n"
     "(for Octo: NAME-X-Y by column and row, with planes\nNAME-P-X-Y before each plane P from 0 of a tile)",
     NAMES(LABELS_NAMES)},
    {0, 0, nullptr, nullptr, "XO-CHIP colours (each pixel a colour index, its bits on bit planes):", NO_NAMES},
    {OPT_PLANES, 0, "planes", "N",
     "1 (a bit a pixel, the default), 2 or 4 planes: plane 1's\nrows, then plane 2's (of each tile, with --tile)",
     NO_NAMES},
    {OPT_COLORS, 0, "colors", "C,...",
     "the colours of index 0, 1, ... as rrggbb; each pixel\ntakes the nearest; without it a palette picture's\n"
     "indices, or transparent 0, black the highest index and\nthe other colours by brightness, darkest first",
     NO_NAMES},
    {OPT_OCTO_OPTIONS, 0, "octo-options", "FILE", "the colours as Octo's options (up to 2 planes)", NO_NAMES},
    {0, 0, nullptr, nullptr, "Photographs and large art (with mode 0, 1 or none):", NO_NAMES},
    {OPT_DITHER, 0, "dither", "D",
     "none (the default), bayer2, bayer4, bayer8 (ordered), floyd\n(Floyd-Steinberg) or atkinson, on the rule's value; with\n"
     "--colors, between the colours listed",
     NAMES(DITHER_NAMES)},
    {OPT_FIT, 0, "fit", "WxH", "the picture scaled into a box of W x H first (64x32, 128x64)", NO_NAMES},
    {OPT_FIT_MODE, 0, "fit-mode", "M",
     "contain (whole, centred, the rest 0; the default), cover\n(the box filled, the rest cut off) or stretch",
     NAMES(FIT_NAMES)},
    {OPT_FILTER, 0, "filter", "F", "box (the default when shrinking) or nearest (the default\nwhen enlarging)",
     NAMES(FILTER_NAMES)},
    {OPT_HELP, 'h', "help", nullptr, "this text", NO_NAMES},
    {OPT_VERSION, 'V', "version", nullptr, "the version", NO_NAMES},
};
extern const size_t OPTION_COUNT = sizeof OPTIONS / sizeof *OPTIONS;

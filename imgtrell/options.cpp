// imgtrell's command line: the options, the picture and the mode.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "imgtrell.h"
#include "layout.h"
#include "output.h"
#include "text.h"

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 BMP converter, Quarnwell\n"
    "============================================\n";

// The help: its head, the options (from the table below), its tail.
static const char HELP_HEAD[] =
    "Usage: imgtrell [options] <picture> [mode]\n"
    "Writes picdata.inc into the current folder, and picpal.inc in mode 2.\n"
    "Modes: 0 vertical strips of 8 columns, 1 horizontal rows (as is any number\n"
    "but 0 and 2), 2 palette indices (the default).\n"
    "Options:\n";
static const char HELP_TAIL[] =
    "A picture whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the picture refused, an include file not written, or a\n"
    "usage error.\n"
    "Manual: man imgtrell (on Windows: README.txt)\n";

enum {
    OPT_PALETTE = OPT_OWN, OPT_MAX_PIXELS, OPT_RULE, OPT_THRESHOLD, OPT_INVERT, OPT_ALPHA, OPT_PREVIEW,
    OPT_PREVIEW_PNG, OPT_PREVIEW_ZOOM,
    OPT_TILE, OPT_ORDER, OPT_PAD, OPT_FRAME, OPT_STRIDE, OPT_XOR, OPT_LABELS, OPT_PLANES, OPT_COLORS, OPT_OCTO_OPTIONS,
    OPT_DITHER, OPT_FIT, OPT_FIT_MODE, OPT_FILTER
};

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
static const OptionInfo OPTIONS[] = {
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
static const size_t OPTION_COUNT = sizeof OPTIONS / sizeof *OPTIONS;

// The mode argument reads like atoi (leading blanks, a sign, digits up to
// the first other character; no number gives 0), but a number too large
// for an int is clamped rather than wrapped: it still writes as horizontal.
// Returns false when the text does not begin with a number.
static bool ParseMode(const char* text, int32_t* mode)
{
    char* end;
    long value = std::strtol(text, &end, 10);
    *mode = value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : int32_t(value);
    return end != text;
}

// A size "WxH", each side a whole number from 1 to 65535.
static bool ParseSize(const char* text, int* width, int* height)
{
    const char* x = std::strchr(text, 'x');
    uint64_t w, h;
    if (!x || !ParseNumber(std::string(text, x).c_str(), 1, 65535, &w) || !ParseNumber(x + 1, 1, 65535, &h))
        return false;
    *width = int(w), *height = int(h);
    return true;
}

// The colours --colors lists: rrggbb, one to 16, commas between.
static bool ParseColours(Options& options, const char* text)
{
    options.colors.clear();
    for (const char* at = text;; at += 7) {
        if (std::strspn(at, "0123456789abcdefABCDEF") != 6 || (at[6] != ',' && at[6] != '\0') || options.colors.size() == 16)
            return false;
        options.colors.push_back(uint32_t(std::strtoul(std::string(at, 6).c_str(), nullptr, 16)));
        if (at[6] == '\0')
            return true;
    }
}

// The tiles --tile takes: auto, or the sprites CHIP8 and SUPER-CHIP draw.
static bool ParseTile(Options& options, const char* text)
{
    options.tileauto = std::strcmp(text, "auto") == 0;
    int w = 0, h = 0;
    bool sprite = ParseSize(text, &w, &h) && ((w == 8 && h <= 16) || (w == 16 && h == 16));
    options.tilewidth = sprite ? w : 0, options.tileheight = sprite ? h : 0;
    return options.tileauto || sprite;
}

// The palette file beside the output file: its last extension replaced by
// ".pal.inc" ("sprites/ship.inc" gives "sprites/ship.pal.inc").
static std::string PaletteBeside(const std::string& output)
{
    size_t name = output.find_last_of("/\\");
    name = name == std::string::npos ? 0 : name + 1;
    size_t dot = output.rfind('.');
    size_t end = dot != std::string::npos && dot > name ? dot : output.size();
    return output.substr(0, end) + ".pal.inc";
}

std::string DataLabel(const Options& options) { return options.common.label ? options.common.label : "IMGDATA"; }
std::string PaletteLabel(const Options& options) { return options.common.label ? options.common.label + std::string("_PAL") : "PALDATA"; }

// Whether every label the run writes is a name in its syntax, the data's
// suffixed ones and the palette's included; after the usage error, false.
// A suffix is _ and digits after a letter, so the first label of a kind
// stands for all of them (NAME_0_0 for NAME_3_1, NAME_P2 for NAME_P4).
static bool CheckLabels(const Options& options, Console& console)
{
    const char* suffix = options.labels == LABELS_TILE ? "_0_0" : options.labels == LABELS_FRAME ? "_F0"
                         : options.labels == LABELS_PLANE ? "_P2" : nullptr;
    return (!suffix || CheckLabel(console, options.common.syntax, DataLabel(options) + suffix)) &&
           (options.mode != MODE_PALETTE || CheckLabel(console, options.common.syntax, PaletteLabel(options)));
}

// Takes one of imgtrell's own options into the options record; false after
// a usage error.
static bool TakeOwnOption(Options& options, int id, const OptionScan& scan)
{
    const int named = scan.named;
    uint64_t number = 0;
    const char* wrong = nullptr;  // what a bad value is not
    switch (id) {
    case OPT_PALETTE: options.palette = scan.value; break;
    case OPT_MAX_PIXELS:
        if (!ParseNumber(scan.value, 1, MAX_PIXELS, &options.maxpixels))
            wrong = "is not a number from 1 to 1073741824";
        break;
    case OPT_RULE: options.rule = Rule(named); break;
    case OPT_THRESHOLD:
        if (!ParseNumber(scan.value, 0, 255, &number))
            wrong = "is not a number from 0 to 255";
        options.threshold = int(number);
        break;
    case OPT_INVERT: options.invert = true; break;
    case OPT_ALPHA: options.alpha = true; break;
    case OPT_PREVIEW: options.preview = true; break;
    case OPT_PREVIEW_PNG: options.previewpng = scan.value; break;
    case OPT_PREVIEW_ZOOM:
        if (!ParseNumber(scan.value, 1, 256, &number))
            wrong = "is not a number from 1 to 256";
        options.previewzoom = int(number);
        break;
    case OPT_TILE:
        if (!ParseTile(options, scan.value))
            wrong = "is none of auto, 8x1 to 8x16, and 16x16";
        options.tiled = true;
        break;
    case OPT_ORDER: options.order = Order(named); break;
    case OPT_PAD: options.pad = true; break;
    case OPT_FRAME:
        if (!ParseSize(scan.value, &options.framewidth, &options.frameheight))
            wrong = "is not a size WxH, each side 1 to 65535";
        options.tiled = true;
        break;
    case OPT_STRIDE:
        if (!ParseNumber(scan.value, 1, 65535, &options.stride))
            wrong = "is not a number from 1 to 65535";
        break;
    case OPT_XOR: options.xorframes = true; break;
    case OPT_LABELS: options.labels = Labels(named); break;
    case OPT_PLANES:
        if (!ParseNumber(scan.value, 1, 4, &number) || number == 3)
            wrong = "is none of 1, 2 and 4";
        options.planes = int(number);
        break;
    case OPT_COLORS:
        if (!ParseColours(options, scan.value))
            wrong = "is not a list of colours rrggbb, one to 16, with commas between";
        break;
    case OPT_OCTO_OPTIONS: options.octooptions = scan.value; break;
    case OPT_DITHER: options.dither = Dither(named); break;
    case OPT_FIT:
        if (!ParseSize(scan.value, &options.fitwidth, &options.fitheight))
            wrong = "is not a size WxH, each side 1 to 65535";
        break;
    case OPT_FIT_MODE: options.fitmode = FitMode(named); break;
    case OPT_FILTER: options.filter = Filter(named); break;
    }
    if (wrong)
        return UsageError(*scan.console, "%s \"%s\" %s", scan.name.c_str(), scan.value, wrong);
    return true;
}

void AutoTile(int64_t width, int64_t height, int64_t* tilewidth, int64_t* tileheight)
{
    *tilewidth = width == 16 && height == 16 ? 16 : 8;
    *tileheight = 16;
    for (int h = 15; *tilewidth == 8 && h >= 1; h--)
        if (height % h == 0) {
            *tileheight = h;
            break;
        }
}

// Whether the options of sprites go together, with each other and with
// the mode argument (null: none); after the usage error, false. A tile
// size --tile auto leaves to the frame is decided here.
static bool CheckSprites(Options& options, Console& console, const char* mode)
{
    // Options that mean nothing without tiles, or without frames.
    const struct {
        bool given;
        const char* option;
        bool needsframe;
    } needs[] = {
        {options.order != ORDER_TBLR, "--order", false}, {options.pad, "--pad", false},
        {options.labels == LABELS_TILE, "--labels tile", false}, {options.labels == LABELS_OCTOPUS, "--labels octopus", false},
        {options.stride != 0, "--stride", true},
        {options.xorframes, "--xor", true}, {options.labels == LABELS_FRAME, "--labels frame", true},
    };
    for (const auto& need : needs)
        if (need.given && !(need.needsframe ? options.framewidth > 0 : options.tiled)) {
            UsageError(console, "%s needs %s", need.option, need.needsframe ? "--frame" : "--tile or --frame");
            return false;
        }
    if (options.labels == LABELS_OCTOPUS && options.common.syntax != SYNTAX_OCTO) {
        UsageError(console, "--labels octopus writes names with -, which need --syntax octo");
        return false;
    }
    if (!options.tiled)
        return true;
    if (mode && *options.imgmode != 0 && *options.imgmode != 1) {
        UsageError(console, "%s writes sprites: mode \"%s\" is none of 0 and 1", options.framewidth ? "--frame" : "--tile", mode);
        return false;
    }
    if (options.framewidth == 0)
        return true;
    if (options.tileauto || options.tilewidth == 0) {
        int64_t w, h;
        AutoTile(options.framewidth, options.frameheight, &w, &h);
        options.tilewidth = int(w), options.tileheight = int(h);
    }
    uint64_t bytes = uint64_t(options.framewidth / options.tilewidth) * uint64_t(options.frameheight / options.tileheight) *
                     uint64_t(options.tilewidth / 8 * options.tileheight * options.planes);
    if (options.framewidth % options.tilewidth || options.frameheight % options.tileheight) {
        UsageError(console, "--frame %dx%d is not a whole number of %dx%d tiles", options.framewidth, options.frameheight,
                   options.tilewidth, options.tileheight);
        return false;
    }
    if (options.stride && options.stride < bytes) {
        UsageError(console, "--stride %llu is less than the %llu bytes of a %dx%d frame", (unsigned long long)options.stride,
                   (unsigned long long)bytes, options.framewidth, options.frameheight);
        return false;
    }
    return true;
}

// Whether the options of colour indices go together, with the others and
// with the mode argument (null: none); after the usage error, false. Without
// a mode argument, colour indices are read as in mode 1.
static bool CheckColours(Options& options, Console& console, const char* mode)
{
    const char* wrong = nullptr;
    if (!ColourIndices(options) && !options.octooptions.empty())
        wrong = "--octo-options needs --planes 2 or --colors";
    else if (options.planes == 4 && !options.octooptions.empty())
        wrong = "--octo-options shows two planes at most, as Octo does: not --planes 4";
    else if (options.labels == LABELS_PLANE && (options.planes == 1 || options.tiled))
        wrong = "--labels plane needs --planes 2 or 4, and no --tile or --frame";
    else if (size_t(1) << options.planes < options.colors.size())
        wrong = "--colors lists more colours than --planes holds";
    if (wrong) {
        UsageError(console, "%s", wrong);
        return false;
    }
    if (!ColourIndices(options))
        return true;
    if (mode && *options.imgmode != 0 && *options.imgmode != 1) {
        UsageError(console, "%s writes colour indices on planes: mode \"%s\" is none of 0 and 1",
                   options.planes > 1 ? "--planes" : "--colors", mode);
        return false;
    }
    const char* unused = options.rule != RULE_PLAIN ? "--rule" : options.threshold ? "--threshold"
                         : options.invert ? "--invert" : nullptr;
    if (unused) {
        UsageError(console, "%s does not apply to colour indices (see --colors)", unused);
        return false;
    }
    if (!mode)
        options.mode = MODE_HORIZONTAL;
    return true;
}

// Whether the options of dithering and fitting go together, with the
// others and with the mode argument (null: none); after the usage error,
// false. Without a mode argument they are read as in mode 1.
static bool CheckFitting(Options& options, Console& console, const char* mode)
{
    const bool bayer = options.dither >= DITHER_BAYER2 && options.dither <= DITHER_BAYER8;
    const char* wrong = nullptr;
    if ((options.fitmode || options.filter) && options.fitwidth == 0)
        wrong = options.filter ? "--filter needs --fit" : "--fit-mode needs --fit";
    else if (bayer && options.threshold)
        wrong = "--threshold does not apply to a Bayer dither, whose matrix is its thresholds";
    else if (options.dither && options.planes > 1 && options.colors.empty())
        wrong = "--dither with --planes needs --colors, the colours it picks between";
    else if (uint64_t(options.fitwidth) * uint64_t(options.fitheight) > options.maxpixels)
        wrong = "--fit asks for more pixels than --max-pixels allows";
    else if (options.rule == RULE_INK && options.threshold && options.dither != DITHER_FLOYD && options.dither != DITHER_ATKINSON)
        wrong = "--threshold with --rule ink needs --dither floyd or atkinson: without them every colour but the background is 1";
    if (wrong) {
        UsageError(console, "%s", wrong);
        return false;
    }
    if (!options.dither && !options.fitwidth)
        return true;
    if (mode && *options.imgmode != 0 && *options.imgmode != 1) {
        UsageError(console, "%s writes bits or colour indices: mode \"%s\" is none of 0 and 1", options.dither ? "--dither" : "--fit",
                   mode);
        return false;
    }
    if (!mode)
        options.mode = MODE_HORIZONTAL;
    return true;
}

// Whether this build writes PNG files (through libspng).
#ifdef TRELL_PNG
static const bool WRITES_PNG = true;
#else
static const bool WRITES_PNG = false;
#endif

// Whether --preview-png and --preview-zoom go together with the others and
// with the mode (null: none given), and the preview is none of the
// picture and the other files; after the usage error, false.
static bool CheckPreview(const Options& options, Console& console, const char* mode)
{
    if (options.previewzoom && !options.previewpng)
        return UsageError(console, "--preview-zoom needs --preview-png");
    if (!options.previewpng)
        return true;
    if (!WRITES_PNG)
        return UsageError(console, "--preview-png needs libspng, and this build has none");
    if (options.mode == MODE_PALETTE)
        return UsageError(console, "--preview-png shows bits or colour indices, and mode %s writes bytes: give mode 0 or 1",
                          mode ? mode : "2 (the default)");
    return true;
}

bool TakeArguments(int argc, char** argv, Options& options, Console& console, int* status)
{
    *status = STATUS_FAILED;
    OptionScan scan = ScanOptions(argc, argv, console);
    int shown = 0;
    bool taken;
    for (int id; (id = NextOption(scan, OPTIONS, OPTION_COUNT)) != OPTIONS_DONE;)
        if (id == OPTION_BAD || !TakeCommonOption(id, scan, options.common, &shown, &taken) ||
            (!taken && !TakeOwnOption(options, id, scan)))
            return false;
    if (!CheckCommonOptions(console, options.common))
        return false;
    bool help = shown == OPT_HELP, version = shown == OPT_VERSION;
    if (version || help) {
        const std::string text =
            version ? "imgtrell " TRELL_VERSION "\n" : BANNER + (HELP_HEAD + HelpOf(OPTIONS, OPTION_COUNT)) + HELP_TAIL;
        Show(console, text.data(), text.size());
        *status = STATUS_USAGE;
        return false;
    }
    if (argc == 1) {
        const std::string usage = std::string(BANNER) + "Usage: imgtrell <image.bmp> <mode 0=v,1=h,2=pal>\n";
        Show(console, usage.data(), usage.size());
        *status = STATUS_USAGE;
        return false;
    }
    if (scan.next >= argc) {
        return UsageError(console, "no picture given");
    }
    // A mode that is no number, as when a shell pattern names several
    // pictures, and arguments past the mode are run as given but warned
    // about on standard error, which the output leaves alone. A build tool
    // (--batch) would take the files of such a run as made: there they are
    // usage errors.
    options.picture = argv[scan.next];
    int more = argc - scan.next - 1;
    const bool batch = options.common.batch;
    const char* const modetext = more > 0 ? argv[scan.next + 1] : nullptr;
    int32_t mode = 2;
    if (modetext && !ParseMode(modetext, &mode)) {
        if (batch)
            return UsageError(console, "mode \"%s\" is not a number%s", modetext,
                              modetext[0] == '-' ? " (options come before the picture)" : "");
        Warn(console, "mode \"%s\" is not a number; mode 0 is used", modetext);
    }
    if (modetext)
        options.imgmode = mode;
    if (more > 1 && batch) {
        return UsageError(console, "%d argument%s after the mode: \"%s\"%s", more - 1, more == 2 ? "" : "s",
                          argv[scan.next + 2], more == 2 ? "" : ", ...");
    }
    if (more > 1)
        Warn(console, "%d argument%s after the mode %s ignored", more - 1, more == 2 ? "" : "s", more == 2 ? "is" : "are");
    options.mode = mode == 0 ? MODE_VERTICAL : mode == 2 ? MODE_PALETTE : MODE_HORIZONTAL;
    // Sprites are bits: without a mode argument they are read as mode 1.
    if (options.tiled && !modetext)
        options.mode = MODE_HORIZONTAL;
    if (!CheckSprites(options, console, modetext) || !CheckColours(options, console, modetext) ||
        !CheckFitting(options, console, modetext) || !CheckLabels(options, console) ||
        !CheckPictureConstants(console, options))
        return false;
    if (options.palette && options.mode != MODE_PALETTE)
        Warn(console, "-p names the palette file of mode 2 only; no palette file is written");

    // The palette goes beside the output file; not beside a device.
    const std::string& output = options.common.outputfile;
    if (options.palette)
        options.palettefile = *options.palette;
    else if (options.common.output && !WrittenInPlace(output.c_str()))
        options.palettefile = PaletteBeside(output);
    return CheckPreview(options, console, modetext) && CheckOutputFiles(options, console);
}

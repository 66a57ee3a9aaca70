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
#include "usage.h"

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

// imgtrell's command line: the options, the picture and the mode.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "imgtrell.h"
#include "output.h"

Options options;

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 BMP converter, Quarnwell\n"
    "============================================\n";

static const char HELP[] =
    "Usage: imgtrell [options] <picture> [mode]\n"
    "Writes picdata.inc into the current folder, and picpal.inc in mode 2.\n"
    "Modes: 0 vertical strips of 8 columns, 1 horizontal rows (as is any number\n"
    "but 0 and 2), 2 palette indices (the default).\n"
    "Options:\n"
    "  -o, --output FILE   write FILE instead of picdata.inc\n"
    "  -p, --palette FILE  write the palette of mode 2 to FILE instead of\n"
    "                      picpal.inc (with -o alone: FILE's name, .pal.inc)\n"
    "  -l, --label NAME    label the data NAME, the palette NAME_PAL\n"
    "  -b, --batch         for build tools: no key wait, status 0 when converted\n"
    "  -q, --quiet         nothing on standard output, failures on standard error\n"
    "      --syntax S      the include text for plain assemblers (the default), for\n"
    "                      Octo (octo), or with commas only between values (strict)\n"
    "      --max-pixels N  read a PNG of up to N pixels (default 16777216, at\n"
    "                      most 1073741824)\n"
    "Pixel rules, where a colour becomes one bit (modes 0 and 1, and mode 2 of\n"
    "a picture without a palette):\n"
    "      --rule R        the value thresholded: blue (as without --rule, but\n"
    "                      for 1-bit BMPs, read by their colours), luma, or any\n"
    "                      (the largest of red, green and blue)\n"
    "  -t, --threshold N   a pixel is 1 when its value is above N (0-255, 127)\n"
    "      --invert        0 and 1 swapped, but for transparent pixels\n"
    "      --alpha         transparent pixels are 0: alpha below 128, tRNS, and\n"
    "                      the magenta colour key\n"
    "      --preview       the picture written, as # and ., on standard output\n"
    "  -h, --help          this text\n"
    "  -V, --version       the version\n"
    "A picture whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the picture refused, an include file not written, or a\n"
    "usage error.\n"
    "Manual: man imgtrell (on Windows: README.txt)\n";

enum { OPT_PALETTE = OPT_OWN, OPT_MAX_PIXELS, OPT_RULE, OPT_THRESHOLD, OPT_INVERT, OPT_ALPHA, OPT_PREVIEW };

static const OptionInfo OPTIONS[] = {
    {OPT_OUTPUT, 'o', "output", true},         {OPT_LABEL, 'l', "label", true},       {OPT_BATCH, 'b', "batch", false},
    {OPT_QUIET, 'q', "quiet", false},          {OPT_SYNTAX, 0, "syntax", true},       {OPT_HELP, 'h', "help", false},
    {OPT_VERSION, 'V', "version", false},      {OPT_PALETTE, 'p', "palette", true},   {OPT_MAX_PIXELS, 0, "max-pixels", true},
    {OPT_RULE, 0, "rule", true},               {OPT_THRESHOLD, 't', "threshold", true}, {OPT_INVERT, 0, "invert", false},
    {OPT_ALPHA, 0, "alpha", false},            {OPT_PREVIEW, 0, "preview", false},
};

// The names --rule takes, by rule.
static const char* const RULE_NAMES[] = {"", "blue", "luma", "any"};

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

// Takes one of imgtrell's own options into the options record; false after
// a usage error.
static bool TakeOwnOption(int id, const OptionScan& scan)
{
    uint64_t number = 0;
    const char* wrong = nullptr;  // what a bad value is not
    switch (id) {
    case OPT_PALETTE: options.palette = scan.value, options.palettegiven = true; break;
    case OPT_MAX_PIXELS:
        if (!ParseNumber(scan.value, 1, MAX_PIXELS, &options.maxpixels))
            wrong = "is not a number from 1 to 1073741824";
        break;
    case OPT_RULE:
        options.rule = RULE_PLAIN;
        for (int rule : {RULE_BLUE, RULE_LUMA, RULE_ANY})
            if (std::strcmp(scan.value, RULE_NAMES[rule]) == 0)
                options.rule = rule;
        if (options.rule == RULE_PLAIN)
            wrong = "is none of blue, luma and any";
        break;
    case OPT_THRESHOLD:
        if (!ParseNumber(scan.value, 0, 255, &number))
            wrong = "is not a number from 0 to 255";
        options.threshold = int(number);
        break;
    case OPT_INVERT: options.invert = true; break;
    case OPT_ALPHA: options.alpha = true; break;
    case OPT_PREVIEW: options.preview = true; break;
    }
    if (wrong)
        UsageError("%s \"%s\" %s", scan.name.c_str(), scan.value, wrong);
    return !wrong;
}

int TakeArguments(int argc, char** argv)
{
    OptionScan scan = ScanOptions(argc, argv);
    int shown = 0, taken;
    for (int id; (id = NextOption(scan, OPTIONS, sizeof OPTIONS / sizeof *OPTIONS)) != OPTIONS_DONE;)
        if (id == OPTION_BAD || (taken = TakeCommonOption(id, scan, options.common, &shown)) < 0 ||
            (!taken && !TakeOwnOption(id, scan)))
            return STATUS_FAILED;
    bool help = shown == OPT_HELP, version = shown == OPT_VERSION;
    if (version || help) {
        std::printf("%s", version ? "imgtrell " TRELL_VERSION "\n" : BANNER);
        std::printf("%s", version ? "" : HELP);
        return STATUS_USAGE;
    }
    if (argc == 1) {
        std::printf("%sUsage: imgtrell <image.bmp> <mode 0=v,1=h,2=pal>\n", BANNER);
        return STATUS_USAGE;
    }
    if (scan.next >= argc) {
        UsageError("no picture given");
        return STATUS_FAILED;
    }
    // A mode that is no number, as when a shell pattern names several
    // pictures, and arguments past the mode are run as given but warned
    // about on standard error, which the output leaves alone.
    options.picture = argv[scan.next];
    int more = argc - scan.next - 1;
    if (more > 0 && !ParseMode(argv[scan.next + 1], &options.imgmode))
        Warn("mode \"%s\" is not a number; mode 0 is used", argv[scan.next + 1]);
    if (more > 1)
        Warn("%d argument%s after the mode %s ignored", more - 1, more == 2 ? "" : "s", more == 2 ? "is" : "are");
    options.mode = options.imgmode == 0 ? MODE_VERTICAL : options.imgmode == 2 ? MODE_PALETTE : MODE_HORIZONTAL;
    if (options.palettegiven && options.mode != MODE_PALETTE)
        Warn("-p names the palette file of mode 2 only; no palette file is written");

    // The palette goes beside the output file; not beside a device.
    const std::string& output = options.common.output;
    if (!options.palettegiven && options.common.outputgiven && !WrittenInPlace(output.c_str()))
        options.palette = PaletteBeside(output);
    if (options.mode == MODE_PALETTE &&
        (options.palette == output || SameFile(options.palette.c_str(), output.c_str()))) {
        UsageError("the picture and its palette would both be written to %s", output.c_str());
        return STATUS_FAILED;
    }
    return -1;
}

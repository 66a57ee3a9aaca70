// sndtrell's command line: the options and the sound.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console.h"
#include "output.h"
#include "sndtrell.h"
#include "xo.h"

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 WAV converter, Quarnwell\n"
    "============================================\n";

static const char HELP[] =
    "Usage: sndtrell [options] <sound.wav>\n"
    "Writes sound.inc into the current folder: a header with the sample rate and\n"
    "the data length, then the sample bytes of the PCM WAV file as stored; or,\n"
    "with --xo, XO-CHIP pattern buffers of the sound.\n"
    "Options:\n"
    "  -o, --output FILE   write FILE instead of sound.inc\n"
    "  -l, --label NAME    label the data NAME instead of SOUNDDATA\n"
    "                      (with --syntax octo: - too, but no word Octo reserves)\n"
    "  -b, --batch         for build tools: no key wait, status 0 when converted,\n"
    "                      no include file for a refused sound, and arguments\n"
    "                      after the sound an error\n"
    "  -q, --quiet         nothing on standard output, failures on standard error\n"
    "      --syntax S      the include text for plain assemblers (the default), for\n"
    "                      Octo (octo), with commas only between values (strict),\n"
    "                      or one value a line (single)\n"
"      --xo            XO-CHIP audio instead: 16-byte pattern buffers of 1-bit\n"
    "                      samples, one a line, for a player that loads the next\n"
    "                      buffer every K frames (8-, 16-, 24- and 32-bit PCM)\n"
    "      --pitch P       the pitch the buffers play at, 0 to 255: 4000 x\n"
    "                      2^((P - 64) / 48) samples a second; default 61 (3830 Hz)\n"
    "      --frames-per-buffer K  frames of 1/60 s each buffer plays; default 2;\n"
    "                      K frames may play at most 128 samples\n"
    "      --quantize Q    a sample's bit: its sign (sign, the default) or\n"
    "                      first-order delta-sigma (ds1)\n"
    "      --gate DB       frames below DB dBFS, -120 to 0, are 0 bits; default -48\n"
    "      --xo-header     pitch, K and the buffer count (2 bytes) before the buffers\n"
    "      --preview-wav FILE  also write FILE: the buffers as Octo plays them\n"
    "                      (16-bit, 48000 Hz)\n"
    "  -h, --help          this text\n"
    "  -V, --version       the version\n"
    "A sound whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the file refused (sound.inc is still written, with a data\n"
    "length of 0, but not with -b), sound.inc not written, or a usage error.\n"
    "Manual: man sndtrell (on Windows: README.txt)\n";

enum { OPT_XO = OPT_OWN, OPT_PITCH, OPT_FRAMES, OPT_QUANTIZE, OPT_GATE, OPT_XO_HEADER, OPT_PREVIEW_WAV };

static const OptionInfo OPTIONS[] = {
    {OPT_OUTPUT, 'o', "output", true},
    {OPT_LABEL, 'l', "label", true},
    {OPT_BATCH, 'b', "batch", false},
    {OPT_QUIET, 'q', "quiet", false},
    {OPT_SYNTAX, 0, "syntax", true},
    {OPT_HELP, 'h', "help", false},
    {OPT_VERSION, 'V', "version", false},
    {OPT_XO, 0, "xo", false},
    {OPT_PITCH, 0, "pitch", true},
    {OPT_FRAMES, 0, "frames-per-buffer", true},
    {OPT_QUANTIZE, 0, "quantize", true},
    {OPT_GATE, 0, "gate", true},
    {OPT_XO_HEADER, 0, "xo-header", false},
    {OPT_PREVIEW_WAV, 0, "preview-wav", true},
};

// A decibel value from -120 to 0; false for anything else.
static bool ParseDecibels(const char* text, double* db)
{
    char* end = nullptr;
    *db = std::strtod(text, &end);
    return end != text && *end == 0 && *db >= -120 && *db <= 0;
}

// Takes one of sndtrell's own options into options and the first option
// given that is for --xo only into *xoonly; false after a usage error.
static bool TakeOwnOption(int id, const OptionScan& scan, Options& options, std::string* xoonly)
{
    uint64_t number = 0;
    const char* wrong = nullptr;  // what a bad value is not
    if (id != OPT_XO && xoonly->empty())
        *xoonly = scan.name;
    switch (id) {
    case OPT_XO: options.xo = true; break;
    case OPT_PITCH:
        if (!ParseNumber(scan.value, 0, 255, &number))
            wrong = "is not a number from 0 to 255";
        options.pitch = int(number);
        break;
    case OPT_FRAMES:
        if (!ParseNumber(scan.value, 1, 255, &number))
            wrong = "is not a number from 1 to 255";
        options.framesperbuffer = int(number);
        break;
    case OPT_QUANTIZE:
        options.quantize = std::strcmp(scan.value, "ds1") == 0 ? QUANTIZE_DS1 : QUANTIZE_SIGN;
        if (std::strcmp(scan.value, "sign") != 0 && std::strcmp(scan.value, "ds1") != 0)
            wrong = "is none of sign and ds1";
        break;
    case OPT_GATE:
        if (!ParseDecibels(scan.value, &options.gate))
            wrong = "is not a number from -120 to 0";
        break;
    case OPT_XO_HEADER: options.xoheader = true; break;
    case OPT_PREVIEW_WAV: options.preview = scan.value; break;
    }
    if (wrong)
        return UsageError(*scan.console, "%s \"%s\" %s", scan.name.c_str(), scan.value, wrong);
    return true;
}

// The usage error of the --xo options that cannot go together; true when
// they can.
static bool CheckXoOptions(Console& console, const Options& options, const std::string& xoonly)
{
    if (!options.xo) {
        if (!xoonly.empty())
            return UsageError(console, "option '%s' needs --xo", xoonly.c_str());
        return true;
    }
    if (!CanResample())
        return UsageError(console, "--xo needs libsoxr, and this build has none");
    // K frames play K x rate / 60 samples, which one buffer must hold.
    const double rate = PlayRate(options.pitch), played = rate * options.framesperbuffer / 60;
    const int most = int(std::floor(BUFFER_SAMPLES * 60 / rate));
    if (most < 1) {
        int pitch = options.pitch;
        while (PlayRate(pitch) / 60 > BUFFER_SAMPLES)
            pitch--;
        return UsageError(console,
                          "--pitch %d: a frame plays %.1f samples (%.1f Hz), more than a buffer's %d; at most pitch %d",
                          options.pitch, rate / 60, rate, BUFFER_SAMPLES, pitch);
    }
    if (played > BUFFER_SAMPLES)
        return UsageError(console,
                          "--frames-per-buffer %d: at pitch %d (%.1f Hz) %d frames play %.1f samples, more than a "
                          "buffer's %d; at most %d frame%s",
                          options.framesperbuffer, options.pitch, rate, options.framesperbuffer, played,
                          BUFFER_SAMPLES, most, most == 1 ? "" : "s");
    const std::string& output = options.common.output;
    if (options.preview && (output == options.preview || SameFile(options.preview, output.c_str())))
        return UsageError(console, "the sound and its preview would both be written to %s", options.preview);
    return true;
}

bool TakeArguments(int argc, char** argv, Options& options, Console& console, int* status)
{
    *status = STATUS_FAILED;
    OptionScan scan = ScanOptions(argc, argv, console);
    int shown = 0;
    bool taken = false;
    std::string xoonly;
    for (int id; (id = NextOption(scan, OPTIONS, sizeof OPTIONS / sizeof *OPTIONS)) != OPTIONS_DONE;)
        if (id == OPTION_BAD || !TakeCommonOption(id, scan, options.common, &shown, &taken) ||
            (!taken && !TakeOwnOption(id, scan, options, &xoonly)))
            return false;
    if (!CheckCommonOptions(console, options.common))
        return false;
    bool help = shown == OPT_HELP, version = shown == OPT_VERSION;
    if (version || help) {
        const std::string text = version ? "sndtrell " TRELL_VERSION "\n" : std::string(BANNER) + HELP;
        Show(console, text.data(), text.size());
        *status = STATUS_USAGE;
        return false;
    }
    if (argc == 1) {
        const std::string text = std::string(BANNER) + "Usage: sndtrell <audio.wav> \n";
        Show(console, text.data(), text.size());
        *status = STATUS_USAGE;
        return false;
    }
    if (scan.next >= argc)
        return UsageError(console, "no sound given");
    if (!CheckXoOptions(console, options, xoonly))
        return false;
    // Arguments past the file are run as given but warned about on standard
    // error, which the output leaves alone; a build tool (--batch) would take
    // the file of such a run as made: there they are a usage error.
    options.sound = argv[scan.next];
    int more = argc - scan.next - 1;
    if (more > 0 && options.common.batch)
        return UsageError(console, "%d argument%s after the file: \"%s\"%s", more, more == 1 ? "" : "s",
                          argv[scan.next + 1], more == 1 ? "" : ", ...");
    if (!CheckNotInput(console, options.common.outputgiven ? "-o" : "the include file", options.common.output,
                       options.sound) ||
        (options.preview && !CheckNotInput(console, "--preview-wav", options.preview, options.sound)))
        return false;
    if (more > 0)
        Warn(console, "%d argument%s after the file %s ignored", more, more == 1 ? "" : "s", more == 1 ? "is" : "are");
    return true;
}

// sndtrell's command line: the options and the sound.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "console.h"
#include "convert.h"
#include "sndtrell.h"
#include "xo.h"

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 WAV converter, Quarnwell\n"
    "============================================\n";

// The help: its head, the options (from the table below), its tail.
static const char HELP_HEAD[] =
    "Usage: sndtrell [options] <sound.wav>\n"
    "Writes sound.inc into the current folder: a header with the sample rate and\n"
    "the data length, then the sample bytes of the PCM WAV file as stored; or,\n"
    "with --xo, XO-CHIP pattern buffers of the sound.\n"
    "Options:\n";
static const char HELP_TAIL[] =
    "A sound whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the file refused (sound.inc is still written, with a data\n"
    "length of 0, but not with -b), sound.inc not written, or a usage error.\n"
    "Manual: man sndtrell (on Windows: README.txt)\n";

enum { OPT_XO = OPT_OWN, OPT_PITCH, OPT_FRAMES, OPT_QUANTIZE, OPT_GATE, OPT_XO_HEADER, OPT_PREVIEW_WAV };

// The names of --quantize's values, in the order of their enum.
static const char* const QUANTIZE_NAMES[] = {"search", "sign", "ds1"};

// Every option, in the order of the help.
static const OptionInfo OPTIONS[] = {
    {OPT_OUTPUT, 'o', "output", "FILE", "write FILE instead of sound.inc", nullptr, 0},
    {OPT_LABEL, 'l', "label", "NAME",
     "label the data NAME instead of SOUNDDATA\n(with --syntax octo: - too, but no word Octo reserves)", nullptr, 0},
    {OPT_BATCH, 'b', "batch", nullptr,
     "for build tools: no key wait, status 0 when converted,\nno include file for a refused sound, and arguments\n"
     "after the sound an error",
     nullptr, 0},
    {OPT_QUIET, 'q', "quiet", nullptr, "nothing on standard output, failures on standard error", nullptr, 0},
    {OPT_SYNTAX, 0, "syntax", "S",
     "the include text for plain assemblers (the default), for\nOcto (octo), with commas only between values (strict),\n"
     "or one value a line (single)",
     nullptr, 0},
    {OPT_CONSTS, 0, "consts", nullptr,
     "the sizes as constants before the data: :const\nNAME-bytes 22 for Octo, NAME_BYTES EQU 22 in the other\n"
     "syntaxes (with --xo also the pitch, K and the buffers)",
     nullptr, 0},
    {OPT_XO, 0, "xo", nullptr,
     "XO-CHIP audio instead: 16-byte pattern buffers of 1-bit\nsamples, one a line, for a player that loads the next\n"
     "buffer every K frames (8-, 16-, 24- and 32-bit PCM)",
     nullptr, 0},
    {OPT_PITCH, 0, "pitch", "P",
     "the pitch the buffers play at, 0 to 255: 4000 x\n2^((P - 64) / 48) samples a second; default the highest\n"
     "K allows: 109 at K = 1, 61 (3830 Hz) at 2, 33 at 3",
     nullptr, 0},
    {OPT_FRAMES, 0, "frames-per-buffer", "K",
     "frames of 1/60 s each buffer plays; default 2;\nK frames may play at most 128 samples", nullptr, 0},
    {OPT_QUANTIZE, 0, "quantize", "Q",
     "the bits: those heard nearest the sound in 0-1 kHz,\nfound by a search (search, the default); each sample's\n"
     "sign (sign); or first-order delta-sigma (ds1)",
     QUANTIZE_NAMES, 3},
    {OPT_GATE, 0, "gate", "DB",
     "frames below DB dBFS are 0 bits: -120 to 0, in decimal\n(-48, the default; -60.5)", nullptr, 0},
    {OPT_XO_HEADER, 0, "xo-header", nullptr, "pitch, K and the buffer count (2 bytes) before the buffers", nullptr, 0},
    {OPT_PREVIEW_WAV, 0, "preview-wav", "FILE",
     "also write FILE: the buffers as Octo plays them\n(16-bit, 48000 Hz)", nullptr, 0},
    {OPT_HELP, 'h', "help", nullptr, "this text", nullptr, 0},
    {OPT_VERSION, 'V', "version", nullptr, "the version", nullptr, 0},
};
static const size_t OPTION_COUNT = sizeof OPTIONS / sizeof *OPTIONS;

// The --xo options given: the first given that is for --xo only (its name
// as given), and whether --pitch was.
struct XoGiven {
    std::string first;
    bool pitch = false;
};

// Takes one of sndtrell's own options into options and given; false after
// a usage error.
static bool TakeOwnOption(int id, const OptionScan& scan, Options& options, XoGiven* given)
{
    if (id != OPT_XO && given->first.empty())
        given->first = scan.name;
    given->pitch |= id == OPT_PITCH;
    const int named = scan.named;
    uint64_t number = 0;
    const char* wrong = nullptr;  // what a bad value is not
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
    case OPT_QUANTIZE: options.quantize = Quantize(named); break;
    case OPT_GATE:
        if (!ParseDecimal(scan.value, -120, 0, &options.gate))
            wrong = "is not a number from -120 to 0";
        break;
    case OPT_XO_HEADER: options.xoheader = true; break;
    case OPT_PREVIEW_WAV: options.preview = scan.value; break;
    }
    if (wrong)
        return UsageError(*scan.console, "%s \"%s\" %s", scan.name.c_str(), scan.value, wrong);
    return true;
}

// The highest pitch at which frames frames play at most a buffer's
// samples; -1 when none does.
static int HighestPitch(int frames)
{
    int pitch = 255;
    while (pitch >= 0 && PlayRate(pitch) * frames / 60 > BUFFER_SAMPLES)
        pitch--;
    return pitch;
}

// The usage error of the --xo options that cannot go together; true when
// they can. Without --pitch, the pitch is settled from K.
static bool CheckXoOptions(Console& console, Options& options, const XoGiven& given)
{
    if (!options.xo) {
        if (!given.first.empty())
            return UsageError(console, "option '%s' needs --xo", given.first.c_str());
        return true;
    }
    if (!CanResample())
        return UsageError(console, "--xo needs libsoxr, and this build has none");
    if (!given.pitch && (options.pitch = HighestPitch(options.framesperbuffer)) < 0)
        return UsageError(console, "--frames-per-buffer %d: at every pitch %d frames play more than a buffer's %d "
                          "samples; at most %d frames", options.framesperbuffer, options.framesperbuffer,
                          BUFFER_SAMPLES, int(BUFFER_SAMPLES * 60 / PlayRate(0)));
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
    return true;
}

bool TakeArguments(int argc, char** argv, Options& options, Console& console, int* status)
{
    *status = STATUS_FAILED;
    OptionScan scan = ScanOptions(argc, argv, console);
    int shown = 0;
    bool taken = false;
    XoGiven given;
    for (int id; (id = NextOption(scan, OPTIONS, OPTION_COUNT)) != OPTIONS_DONE;)
        if (id == OPTION_BAD || !TakeCommonOption(id, scan, options.common, &shown, &taken) ||
            (!taken && !TakeOwnOption(id, scan, options, &given)))
            return false;
    if (!CheckCommonOptions(console, options.common))
        return false;
    bool help = shown == OPT_HELP, version = shown == OPT_VERSION;
    if (version || help) {
        const std::string text = version ? "sndtrell " TRELL_VERSION "\n" : BANNER + (HELP_HEAD + HelpOf(OPTIONS, OPTION_COUNT)) + HELP_TAIL;
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
    if (!CheckXoOptions(console, options, given))
        return false;
    const bool xo = options.xo;
    if (!CheckConstantNames(console, options.common, SoundLabel(options), xo ? XO_CONSTANTS : SAMPLE_CONSTANTS,
                            xo ? std::size(XO_CONSTANTS) : std::size(SAMPLE_CONSTANTS)))
        return false;
    // Arguments past the file are run as given but warned about on standard
    // error, which the output leaves alone; a build tool (--batch) would take
    // the file of such a run as made: there they are a usage error.
    options.sound = argv[scan.next];
    int more = argc - scan.next - 1;
    if (more > 0 && options.common.batch)
        return UsageError(console, "%d argument%s after the file: \"%s\"%s", more, more == 1 ? "" : "s",
                          argv[scan.next + 1], more == 1 ? "" : ", ...");
    if (!CheckOutputFiles(options, console))
        return false;
    if (more > 0)
        Warn(console, "%d argument%s after the file %s ignored", more, more == 1 ? "" : "s", more == 1 ? "is" : "are");
    return true;
}

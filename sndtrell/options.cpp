// sndtrell's command line: the options and the sound.
#include <cstdio>

#include "console.h"
#include "output.h"
#include "sndtrell.h"

Options options;

extern const char BANNER[] =
    "============================================\n"
    "CHIP8 WAV converter, Quarnwell\n"
    "============================================\n";

static const char HELP[] =
    "Usage: sndtrell [options] <sound.wav>\n"
    "Writes sound.inc into the current folder: a header with the sample rate and\n"
    "the data length, then the sample bytes of the PCM WAV file as stored.\n"
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
    "  -h, --help          this text\n"
    "  -V, --version       the version\n"
    "A sound whose name begins with - is given after -- or as ./-name.\n"
    "Exit status: 0 usage, help or version shown (or converted with -b),\n"
    "1 converted, 2 the file refused (sound.inc is still written, with a data\n"
    "length of 0, but not with -b), sound.inc not written, or a usage error.\n"
    "Manual: man sndtrell (on Windows: README.txt)\n";

static const OptionInfo OPTIONS[] = {
    {OPT_OUTPUT, 'o', "output", true}, {OPT_LABEL, 'l', "label", true}, {OPT_BATCH, 'b', "batch", false},
    {OPT_QUIET, 'q', "quiet", false},  {OPT_SYNTAX, 0, "syntax", true}, {OPT_HELP, 'h', "help", false},
    {OPT_VERSION, 'V', "version", false},
};

int TakeArguments(int argc, char** argv)
{
    OptionScan scan = ScanOptions(argc, argv);
    int shown = 0;
    for (int id; (id = NextOption(scan, OPTIONS, sizeof OPTIONS / sizeof *OPTIONS)) != OPTIONS_DONE;)
        if (id == OPTION_BAD || TakeCommonOption(id, scan, options.common, &shown) < 0)
            return STATUS_FAILED;
    if (!CheckCommonOptions(options.common))
        return STATUS_FAILED;
    bool help = shown == OPT_HELP, version = shown == OPT_VERSION;
    if (version || help) {
        std::printf("%s", version ? "sndtrell " TRELL_VERSION "\n" : BANNER);
        std::printf("%s", version ? "" : HELP);
        return STATUS_USAGE;
    }
    if (argc == 1) {
        std::printf("%sUsage: sndtrell <audio.wav> \n", BANNER);
        return STATUS_USAGE;
    }
    if (scan.next >= argc) {
        UsageError("no sound given");
        return STATUS_FAILED;
    }
    // Arguments past the file are run as given but warned about on standard
    // error, which the output leaves alone; a build tool (--batch) would take
    // the file of such a run as made: there they are a usage error.
    options.sound = argv[scan.next];
    int more = argc - scan.next - 1;
    if (more > 0 && options.common.batch) {
        UsageError("%d argument%s after the file: \"%s\"%s", more, more == 1 ? "" : "s", argv[scan.next + 1],
                   more == 1 ? "" : ", ...");
        return STATUS_FAILED;
    }
    if (!CheckNotInput(options.common.outputgiven ? "-o" : "the include file", options.common.output, options.sound))
        return STATUS_FAILED;
    if (more > 0)
        Warn("%d argument%s after the file %s ignored", more, more == 1 ? "" : "s", more == 1 ? "is" : "are");
    return -1;
}

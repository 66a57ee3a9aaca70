// sndtrell: converts a PCM WAV file into CHIP8 assembler include text.
#include <cstring>

#include "sndtrell.h"

static const char HELP[] =
    "Writes sound.inc into the current folder: a header with the sample rate and\n"
    "the data length, then the sample bytes of the PCM WAV file as stored.\n"
    "Exit status: 0 usage, help or version shown, 1 converted, 2 the file refused\n"
    "(sound.inc is still written, with a data length of 0) or sound.inc not\n"
    "written.\n"
    "Options, alone: -h, --help this text; -V, --version the version.\n"
    "Manual: man sndtrell (on Windows: README.txt)\n";

static bool Is(const char* arg, const char* longname, const char* shortname)
{
    return std::strcmp(arg, longname) == 0 || std::strcmp(arg, shortname) == 0;
}

// Prints the version alone, or the banner. Returns true when the run ends
// there: the version, or the usage line (with the help text) shown.
static bool Introduce(int argc, char** argv)
{
    const char* option = argc == 2 ? argv[1] : "";
    if (Is(option, "--version", "-V")) {
        std::printf("sndtrell " TRELL_VERSION "\n");
        return true;
    }
    std::printf("============================================\n"
                "CHIP8 WAV converter, Quarnwell\n"
                "============================================\n");
    bool help = Is(option, "--help", "-h");
    if (argc < 2 || help)
        std::printf("Usage: sndtrell <audio.wav> \n%s", help ? HELP : "");
    return argc < 2 || help;
}

int main(int argc, char** argv)
{
    if (Introduce(argc, argv))
        return STATUS_USAGE;
    // Arguments past the file are run as given but warned about on standard
    // error, which the output leaves alone.
    if (argc > 2)
        std::fprintf(stderr, "sndtrell: warning: %d argument%s after the file %s ignored\n", argc - 2,
                     argc == 3 ? "" : "s", argc == 3 ? "is" : "are");

    Say("Loading WAV: %s\n", argv[1]);
    // A refused file still gives a sound.inc, with a data length of 0, since
    // build scripts expect it; the status tells the refusal.
    int loaded = LoadWAV(argv[1]);
    Say("Writing CHIP8 sound: sound.inc\n");
    int written = WriteSoundFile(argv[1]);
    int status = loaded && written ? STATUS_CONVERTED : STATUS_FAILED;
    std::fflush(stdout);
    WaitForKey();
    return status;
}

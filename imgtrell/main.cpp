// imgtrell: converts a BMP picture into CHIP8 assembler include text.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "imgtrell.h"

static const char HELP[] =
    "Writes picdata.inc into the current folder, and picpal.inc in mode 2.\n"
    "Modes: 0 vertical strips of 8 columns, 1 horizontal rows (as is any number\n"
    "but 0 and 2), 2 palette indices (the default).\n"
    "Exit status: 0 usage, help or version shown, 1 converted, 2 the picture\n"
    "refused or an include file not written.\n"
    "Options, alone: -h, --help this text; -V, --version the version.\n"
    "Manual: man imgtrell (on Windows: README.txt)\n";

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
        std::printf("imgtrell " TRELL_VERSION "\n");
        return true;
    }
    std::printf("============================================\n"
                "CHIP8 BMP converter, Quarnwell\n"
                "============================================\n");
    bool help = Is(option, "--help", "-h");
    if (argc < 2 || help)
        std::printf("Usage: imgtrell <image.bmp> <mode 0=v,1=h,2=pal>\n%s", help ? HELP : "");
    return argc < 2 || help;
}

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

// Takes the mode into the options. A mode that is no number, as when a shell
// pattern names several pictures, and arguments past the mode are run as
// given but warned about on standard error, which the output leaves alone.
static void TakeArguments(int argc, char** argv)
{
    if (argc > 2 && !ParseMode(argv[2], &options.imgmode))
        std::fprintf(stderr, "imgtrell: warning: mode \"%s\" is not a number; mode 0 is used\n", argv[2]);
    if (argc > 3)
        std::fprintf(stderr, "imgtrell: warning: %d argument%s after the mode %s ignored\n", argc - 3,
                     argc == 4 ? "" : "s", argc == 4 ? "is" : "are");
}

int main(int argc, char** argv)
{
    if (Introduce(argc, argv))
        return STATUS_USAGE;
    TakeArguments(argc, argv);

    Say("Loading image: %s\n", argv[1]);
    int status = STATUS_FAILED;
    if (LoadPicture(argv[1])) {
        Say("Writing CHIP8 image: picdata.inc\n");
        if (WriteImageFiles(argv[1]))
            status = STATUS_CONVERTED;
    }
    std::fflush(stdout);
    WaitForKey();
    return status;
}

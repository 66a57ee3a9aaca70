// The console lines of a converter.
#include "console.h"

#include <cstdarg>
#include <cstdio>

static const char* programname = "trell";
static bool quietrun = false;

void SetProgramName(const char* name) { programname = name; }

const char* ProgramName() { return programname; }

void SetQuiet(bool quiet) { quietrun = quiet; }

// "<program>: <prefix><text>" on standard error, without its line break.
static void Complain(const char* prefix, const char* format, va_list args)
{
    std::fprintf(stderr, "%s: %s", programname, prefix);
    std::vfprintf(stderr, format, args);
}

int UsageError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain("", format, args);
    va_end(args);
    std::fprintf(stderr, "\nTry '%s --help'.\n", programname);
    return -1;
}

int Mismatch(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain("", format, args);
    va_end(args);
    std::fputc('\n', stderr);
    return 0;
}

void Say(const char* format, ...)
{
    if (quietrun)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
}

void SayError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(quietrun ? stderr : stdout, format, args);
    va_end(args);
}

void Warn(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain("warning: ", format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

int Refuse(const char* path, const char* format, ...)
{
    char cause[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(cause, sizeof cause, format, args);
    va_end(args);
    SayError("Error: %s: %s\n", path, cause);
    return 0;
}

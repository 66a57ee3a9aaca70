// The console of a conversion: the lines of a run on standard output, and
// on standard error warnings, usage errors and, with --quiet, refusals.
// They are printed as they come (the command line), or kept in the
// console's two texts for a front end that shows them its own way.
#ifndef TRELL_CONSOLE_H
#define TRELL_CONSOLE_H

#include <string>

#if defined(__MINGW32__)
#define TRELL_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))  // MinGW gives C++ its own C99 printf
#elif defined(__GNUC__)
#define TRELL_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define TRELL_PRINTF(f, a)
#endif

struct Console {
    const char* program = "trell";  // messages begin "<program>: "
    bool quiet = false;             // --quiet: nothing on standard output
    bool keep = false;              // kept in out and err, not printed
    std::string out, err;
};

// Say prints a line of the run on standard output (nothing with --quiet);
// SayError the line of a refusal or a failure (on standard error with
// --quiet); Warn "<program>: warning: <text>" on standard error.
// Each function that stops a conversion returns false, its line said:
// Refuse prints "Error: <path>: <cause>"; Mismatch "<program>: <text>" on
// standard error (what the options ask for does not fit the input);
// UsageError "<program>: <cause>" and "Try '<program> --help'." there.
void Say(Console& console, const char* format, ...) TRELL_PRINTF(2, 3);
void SayError(Console& console, const char* format, ...) TRELL_PRINTF(2, 3);
void Warn(Console& console, const char* format, ...) TRELL_PRINTF(2, 3);
bool Refuse(Console& console, const char* path, const char* format, ...) TRELL_PRINTF(3, 4);
bool Mismatch(Console& console, const char* format, ...) TRELL_PRINTF(2, 3);
bool UsageError(Console& console, const char* format, ...) TRELL_PRINTF(2, 3);
// Text as it is, on standard output (--quiet does not hold it back).
void Show(Console& console, const char* text, size_t length);

#endif

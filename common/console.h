// The console of a converter: the lines of a run on standard output, and
// on standard error warnings, usage errors and, with --quiet, refusals.
#ifndef TRELL_CONSOLE_H
#define TRELL_CONSOLE_H

#if defined(__MINGW32__)
#define TRELL_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))  // MinGW gives C++ its own C99 printf
#elif defined(__GNUC__)
#define TRELL_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define TRELL_PRINTF(f, a)
#endif

// The name messages begin with ("imgtrell: ..."), and whether the run
// prints nothing on standard output (--quiet).
void SetProgramName(const char* name);
const char* ProgramName();
void SetQuiet(bool quiet);

// Say prints a line of the run on standard output (nothing with --quiet);
// SayError the line of a refusal or a failure (on standard error with
// --quiet); Warn "<program>: warning: <text>" on standard error.
// Refuse prints "Error: <path>: <cause>" and returns 0.
void Say(const char* format, ...) TRELL_PRINTF(1, 2);
void SayError(const char* format, ...) TRELL_PRINTF(1, 2);
void Warn(const char* format, ...) TRELL_PRINTF(1, 2);
int Refuse(const char* path, const char* format, ...) TRELL_PRINTF(2, 3);
// Prints "<program>: <text>" on standard error and returns 0: what the
// options ask for does not fit the input.
int Mismatch(const char* format, ...) TRELL_PRINTF(1, 2);
// Prints "<program>: <cause>" and "Try '<program> --help'." on standard
// error and returns -1.
int UsageError(const char* format, ...) TRELL_PRINTF(1, 2);

#endif

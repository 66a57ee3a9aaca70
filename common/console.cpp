// The console lines of a converter.
#include "console.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

// The text of format, after or instead of what text holds.
static void Format(std::string& text, const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, args);
    if (n > 0 && size_t(n) < sizeof small) {
        text.append(small, size_t(n));
    } else if (n > 0) {
        std::vector<char> large(size_t(n) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        text.append(large.data(), size_t(n));
    }
    va_end(again);
}

// Text to standard output (toerror false) or standard error.
static void Put(Console& console, bool toerror, const std::string& text)
{
    if (console.keep)
        (toerror ? console.err : console.out) += text;
    else
        std::fwrite(text.data(), 1, text.size(), toerror ? stderr : stdout);
}

// "<program>: <prefix><text>" on standard error, and after it end.
static void Complain(Console& console, const char* prefix, const char* end, const char* format, va_list args)
{
    std::string text = std::string(console.program) + ": " + prefix;
    Format(text, format, args);
    Put(console, true, text + end);
}

bool UsageError(Console& console, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain(console, "", ("\nTry '" + std::string(console.program) + " --help'.\n").c_str(), format, args);
    va_end(args);
    return false;
}

bool Mismatch(Console& console, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain(console, "", "\n", format, args);
    va_end(args);
    return false;
}

void Warn(Console& console, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain(console, "warning: ", "\n", format, args);
    va_end(args);
}

void Say(Console& console, const char* format, ...)
{
    if (console.quiet)
        return;
    std::string text;
    va_list args;
    va_start(args, format);
    Format(text, format, args);
    va_end(args);
    Put(console, false, text);
}

void SayError(Console& console, const char* format, ...)
{
    std::string text;
    va_list args;
    va_start(args, format);
    Format(text, format, args);
    va_end(args);
    Put(console, console.quiet, text);
}

bool Refuse(Console& console, const char* path, const char* format, ...)
{
    char cause[512];  // a cause is a few words: longer is cut
    va_list args;
    va_start(args, format);
    std::vsnprintf(cause, sizeof cause, format, args);
    va_end(args);
    SayError(console, "Error: %s: %s\n", path, cause);
    return false;
}

void Show(Console& console, const char* text, size_t length)
{
    if (console.keep)
        console.out.append(text, length);
    else
        std::fwrite(text, 1, length, stdout);
}

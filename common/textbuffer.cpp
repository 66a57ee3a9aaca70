// The buffer of the include text: filled by the syntaxes, written out in
// large blocks, every write checked.
#include "textbuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

TextBuffer textbuffer;

// The stream being written, and the errno of its first failed write (0
// while all is well).
static FILE* outfile;
static int outerror;

void StartText(FILE* out)
{
    outfile = out;
    textbuffer.length = 0;
    outerror = 0;
}

void FlushText()
{
    if (outerror == 0 && std::fwrite(textbuffer.data, 1, textbuffer.length, outfile) != textbuffer.length)
        outerror = errno ? errno : EIO;
    textbuffer.length = 0;
}

int FinishText()
{
    FlushText();
    if (outerror == 0 && std::fflush(outfile) != 0)
        outerror = errno ? errno : EIO;
    if (outerror == 0)
        return 0;
    errno = outerror;
    return -1;
}

void FailText(int cause)
{
    if (outerror == 0)
        outerror = cause;
}

void PutText(const char* text, size_t length)
{
    // In pieces of at most a quarter of the buffer: a long path fits too.
    const size_t PIECE = sizeof textbuffer.data / 4;
    for (size_t at = 0; at < length; at += PIECE) {
        size_t n = std::min(length - at, PIECE);
        char* p = Room(n);
        std::memcpy(p, text + at, n);
        Advance(p + n);
    }
}

void PutString(const char* text) { PutText(text, std::strlen(text)); }

void PutLine(const char* a, const char* b, const char* c)
{
    PutString(a);
    PutString(b);
    PutString(c);
    PutText("\n", 1);
}

// One value: its mark, then its digits; a line holds at most 16 values per
// call for room.
static char* PutMarked(char* p, const char* mark, size_t marklength, const uint8_t* digits, size_t bytes)
{
    std::memcpy(p, mark, marklength);
    p += marklength;
    for (size_t i = 0; i < bytes; i++)
        p = PutHex(p, digits[i]);
    return p;
}

void PutSeparatedBytes(const uint8_t* values, size_t count, size_t perline, const char* start, const char* first,
                       const char* between)
{
    const size_t per = perline ? perline : count, startlength = std::strlen(start);
    const size_t firstlength = std::strlen(first), betweenlength = std::strlen(between);
    for (size_t line = 0; line < count; line += per) {
        PutText(start, startlength);
        size_t n = std::min(per, count - line);
        for (size_t i = 0; i < n; i++) {
            char* p = Room(betweenlength + 3);
            p = i ? PutMarked(p, between, betweenlength, values + line + i, 1)
                  : PutMarked(p, first, firstlength, values + line + i, 1);
            Advance(p);
        }
        PutText("\n", 1);
    }
}

void PutSeparatedWords(const uint16_t* words, size_t count, const char* start, const char* first, const char* between)
{
    if (count == 0)
        return;
    PutString(start);
    for (size_t i = 0; i < count; i++) {
        const uint8_t digits[2] = {uint8_t(words[i] >> 8), uint8_t(words[i])};
        char* p = Room(std::strlen(between) + 5);
        Advance(i ? PutMarked(p, between, std::strlen(between), digits, 2) : PutMarked(p, first, std::strlen(first), digits, 2));
    }
    PutText("\n", 1);
}

// The writer of the include text: its buffer, filled by the syntaxes, goes
// out in large blocks, every write checked.
#include "textbuffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

void FlushText(TextWriter& w)
{
    if (w.kept)
        w.kept->append(w.data.get(), w.length);
    else if (w.error == 0 && std::fwrite(w.data.get(), 1, w.length, w.file) != w.length)
        w.error = errno ? errno : EIO;
    w.length = 0;
}

void PutText(TextWriter& w, const char* text, size_t length)
{
    // In pieces of at most a quarter of the buffer: a long path fits too.
    const size_t PIECE = TEXT_BLOCK / 4;
    for (size_t at = 0; at < length; at += PIECE) {
        size_t n = std::min(length - at, PIECE);
        char* p = Room(w, n);
        std::memcpy(p, text + at, n);
        Advance(w, p + n);
    }
}

void PutString(TextWriter& w, const char* text) { PutText(w, text, std::strlen(text)); }

void PutLine(TextWriter& w, const char* a, const char* b, const char* c)
{
    PutString(w, a);
    PutString(w, b);
    PutString(w, c);
    PutText(w, "\n", 1);
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

void PutSeparatedBytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline, const char* start, const char* first,
                       const char* between)
{
    const size_t per = perline ? perline : count, startlength = std::strlen(start);
    const size_t firstlength = std::strlen(first), betweenlength = std::strlen(between);
    for (size_t line = 0; line < count; line += per) {
        PutText(w, start, startlength);
        size_t n = std::min(per, count - line);
        for (size_t i = 0; i < n; i++) {
            char* p = Room(w, betweenlength + 3);
            p = i ? PutMarked(p, between, betweenlength, values + line + i, 1)
                  : PutMarked(p, first, firstlength, values + line + i, 1);
            Advance(w, p);
        }
        PutText(w, "\n", 1);
    }
}

void PutSeparatedWords(TextWriter& w, const uint16_t* words, size_t count, const char* start, const char* first, const char* between)
{
    if (count == 0)
        return;
    PutString(w, start);
    for (size_t i = 0; i < count; i++) {
        const uint8_t digits[2] = {uint8_t(words[i] >> 8), uint8_t(words[i])};
        char* p = Room(w, std::strlen(between) + 5);
        Advance(w, i ? PutMarked(p, between, std::strlen(between), digits, 2) : PutMarked(p, first, std::strlen(first), digits, 2));
    }
    PutText(w, "\n", 1);
}

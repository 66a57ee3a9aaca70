// The buffer of the include text, and what a syntax is: the functions
// that write each kind of line into the buffer.
#ifndef TRELL_TEXTBUFFER_H
#define TRELL_TEXTBUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// A syntax of the include text (--syntax) writes each kind of line its own
// way. Lines of values: count values, perline to a line (0: all of them on
// one), at least one line; the last ends with a line break unless ended is
// false (which only plain text keeps: the others end every line).
struct Syntax {
    const char* name;
    void (*comment)(const char* text);  // the text after the comment mark
    void (*label)(const char* name);
    void (*bytes)(const uint8_t* values, size_t count, size_t perline, bool ended);
    void (*words)(const uint16_t* words, size_t count);  // one line
    // Why a label is not a name in the syntax (the words after 'label
    // "NAME"'), or nullptr for a good one.
    const char* (*refuses)(const char* label);
};
extern const Syntax PLAIN_SYNTAX, OCTO_SYNTAX, STRICT_SYNTAX, SINGLE_SYNTAX;
// The names of plain text and the syntaxes that keep its labels: letters,
// digits and _, not starting with a digit.
const char* RefusePlainName(const char* label);

// The text goes to out, from empty; FinishText writes out the rest and
// returns 0 when every byte reached the stream, else -1 with errno set.
void StartText(FILE* out);
int FinishText();
// Fails the text with errno cause, as when a block cannot be allocated.
void FailText(int cause);

// Where the next room bytes (at most 64 KiB)
// may be put, and the end of what was put there. Inline: they run for
// every few values written.
struct TextBuffer {
    char data[1 << 20];
    size_t length;
};
extern TextBuffer textbuffer;
void FlushText();
inline char* Room(size_t room)
{
    if (textbuffer.length + room > sizeof textbuffer.data)
        FlushText();
    return textbuffer.data + textbuffer.length;
}
inline void Advance(const char* end) { textbuffer.length = size_t(end - textbuffer.data); }
void PutText(const char* text, size_t length);
void PutString(const char* text);
// Two lowercase hex digits at p; returns the end.
inline char* PutHex(char* p, uint8_t value)
{
    static const char digits[] = "0123456789abcdef";
    p[0] = digits[value >> 4];
    p[1] = digits[value & 15];
    return p + 2;
}

// A line of its three parts and a line break.
void PutLine(const char* a, const char* b, const char* c);

// For syntaxes that leave out a line without values and end every line:
// lines of values, each begun by start, its first value by first and the
// others by between, then two hex digits (four for words).
void PutSeparatedBytes(const uint8_t* values, size_t count, size_t perline, const char* start, const char* first,
                       const char* between);
void PutSeparatedWords(const uint16_t* words, size_t count, const char* start, const char* first, const char* between);

#endif

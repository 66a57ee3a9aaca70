// The writer of one include file's text, and what a syntax is: the
// functions that write each kind of line into the writer's buffer.
#ifndef TRELL_TEXTBUFFER_H
#define TRELL_TEXTBUFFER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct TextWriter;

// A syntax of the include text (--syntax) writes each kind of line its own
// way. Lines of values: count values, perline to a line (0: all of them on
// one), at least one line; the last ends with a line break unless ended is
// false (which only plain text keeps: the others end every line).
struct Syntax {
    const char* name;
    void (*comment)(TextWriter& w, const char* text);  // the text after the comment mark
    void (*label)(TextWriter& w, const char* name);
    void (*bytes)(TextWriter& w, const uint8_t* values, size_t count, size_t perline, bool ended);
    void (*words)(TextWriter& w, const uint16_t* words, size_t count);  // one line
    // Why a label is not a name in the syntax (the words after 'label
    // "NAME"'), or nullptr for a good one.
    const char* (*refuses)(const char* label);
    // A line that names a number for the assembler, taking no memory.
    void (*constant)(TextWriter& w, const char* name, uint64_t value);
    // The name of a constant of the data labelled label, as the syntax
    // spells names: the label, then the suffix ("tile-width").
    std::string (*constname)(const std::string& label, const char* suffix);
};
extern const Syntax PLAIN_SYNTAX, OCTO_SYNTAX, STRICT_SYNTAX, SINGLE_SYNTAX;
// The names of plain text and the syntaxes that keep its labels: letters,
// digits and _, not starting with a digit.
const char* RefusePlainName(const char* label);
// Their constants: "NAME_TILE_WIDTH EQU 8", the suffix in capitals, _ for -.
void PutEquate(TextWriter& w, const char* name, uint64_t value);
std::string EquateName(const std::string& label, const char* suffix);

// The text of one file, in a syntax, gathered in a buffer of TEXT_BLOCK
// bytes that goes out whole each time it fills: to a stream (every write
// checked; error holds the errno of the first that failed), or appended to
// a string kept in memory.
const size_t TEXT_BLOCK = size_t(1) << 20;
struct TextWriter {
    const Syntax* syntax = &PLAIN_SYNTAX;
    FILE* file = nullptr;
    std::string* kept = nullptr;
    int error = 0;
    size_t length = 0;
    std::unique_ptr<char[]> data{new char[TEXT_BLOCK]};
};
void FlushText(TextWriter& w);

// Where the next room bytes (at most 64 KiB) may be put, and the end of
// what was put there. Inline: they run for every few values written.
inline char* Room(TextWriter& w, size_t room)
{
    if (w.length + room > TEXT_BLOCK)
        FlushText(w);
    return w.data.get() + w.length;
}
inline void Advance(TextWriter& w, const char* end) { w.length = size_t(end - w.data.get()); }
void PutText(TextWriter& w, const char* text, size_t length);
void PutString(TextWriter& w, const char* text);
// Two lowercase hex digits at p; returns the end.
inline char* PutHex(char* p, uint8_t value)
{
    static const char digits[] = "0123456789abcdef";
    p[0] = digits[value >> 4];
    p[1] = digits[value & 15];
    return p + 2;
}

// A line of its three parts and a line break.
void PutLine(TextWriter& w, const char* a, const char* b, const char* c);

// For syntaxes that leave out a line without values and end every line:
// lines of values, each begun by start, its first value by first and the
// others by between, then two hex digits (four for words).
void PutSeparatedBytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline, const char* start,
                       const char* first, const char* between);
void PutSeparatedWords(TextWriter& w, const uint16_t* words, size_t count, const char* start, const char* first,
                       const char* between);

#endif

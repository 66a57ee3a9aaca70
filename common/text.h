// The include text of a converter: comment lines, labels and lines of
// values, written in the syntax the run asks for into a buffer that goes
// out in large blocks, every write checked.
#ifndef TRELL_TEXT_H
#define TRELL_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

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
};
// The syntaxes, each in a file of its own: plain, as always; octo, for
// Octo; strict, for assemblers that take commas between values only.
extern const Syntax PLAIN_SYNTAX, OCTO_SYNTAX, STRICT_SYNTAX;
// Their order in the table, which --syntax names.
enum { SYNTAX_PLAIN, SYNTAX_OCTO, SYNTAX_STRICT };
// The index of the syntax of that name, or -1 after the usage error of option.
int SyntaxNamed(const char* option, const char* name);

// The text of one file: started on a stream in a syntax, then finished.
// FinishOutput returns 0 when every byte reached the stream, else -1 with
// errno set.
void StartOutput(FILE* out, int syntax);
int FinishOutput();
// Fails the output with errno cause, as when a block cannot be allocated.
void FailOutput(int cause);

// Lines in the syntax of the output.
void WriteComment(const char* text);
void WriteLabel(const char* name);
void WriteBytes(const uint8_t* values, size_t count, size_t perline = 0, bool ended = true);
void WriteWords(const uint16_t* words, size_t count);
void WriteBlank();

// The buffer, for the syntaxes: where the next room bytes (at most 64 KiB)
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

// The path as a comment line shows it, each control character a "?".
std::string CommentText(const char* path);

// A line of its three parts and a line break.
void PutLine(const char* a, const char* b, const char* c);

// For syntaxes that leave out a line without values and end every line:
// lines of values, each begun by start, its first value by first and the
// others by between, then two hex digits (four for words).
void PutSeparatedBytes(const uint8_t* values, size_t count, size_t perline, const char* start, const char* first,
                       const char* between);
void PutSeparatedWords(const uint16_t* words, size_t count, const char* start, const char* first, const char* between);

#endif

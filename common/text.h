// The include text of a converter: comment lines, labels and lines of
// values, written in the syntax the run asks for. A syntax writes them
// into the text's buffer (textbuffer.h), which goes out in large blocks,
// every write checked.
#ifndef TRELL_TEXT_H
#define TRELL_TEXT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// The syntaxes of the include text (--syntax), each in a file of its own:
// plain, as always; octo, for Octo; strict, for assemblers that take
// commas between values only; single, for those that take one value a
// directive. Their order in the table:
enum { SYNTAX_PLAIN, SYNTAX_OCTO, SYNTAX_STRICT, SYNTAX_SINGLE };
// The index of the syntax of that name, or -1 after the usage error of option.
int SyntaxNamed(const char* option, const char* name);
// Checks that the syntax takes label as a name: 1, or 0 after the usage
// error. For the label -l gives and for those made from it (NAME_PAL).
int CheckLabel(int syntax, const std::string& label);

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

// The path as a comment line shows it, each control character a "?".
std::string CommentText(const char* path);

#endif

// The include text of a converter: comment lines, labels and lines of
// values, written in the syntax the run asks for through a text writer
// (textbuffer.h), whose buffer goes out in large blocks, every write checked.
#ifndef TRELL_TEXT_H
#define TRELL_TEXT_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "console.h"
#include "textbuffer.h"

// The syntaxes of the include text (--syntax), each in a file of its own:
// plain, as always; octo, for Octo; strict, for assemblers that take
// commas between values only; single, for those that take one value a
// directive. Their order in the table:
enum SyntaxIndex { SYNTAX_PLAIN, SYNTAX_OCTO, SYNTAX_STRICT, SYNTAX_SINGLE };
// The syntax of that name; false after the usage error of option.
bool SyntaxNamed(Console& console, const char* option, const char* name, SyntaxIndex* syntax);
const Syntax* SyntaxOf(SyntaxIndex syntax);
// Checks that the syntax takes label as a name: true, or false after the
// usage error. For the label -l gives and for those made from it (NAME_PAL).
bool CheckLabel(Console& console, SyntaxIndex syntax, const std::string& label);

// Fails the text with errno cause, as when a block cannot be allocated.
inline void FailOutput(TextWriter& w, int cause)
{
    if (w.error == 0)
        w.error = cause;
}

// Lines in the syntax of the writer.
inline void WriteComment(TextWriter& w, const char* text) { w.syntax->comment(w, text); }
inline void WriteLabel(TextWriter& w, const char* name) { w.syntax->label(w, name); }
inline void WriteBytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline = 0, bool ended = true)
{
    w.syntax->bytes(w, values, count, perline, ended);
}
inline void WriteWords(TextWriter& w, const uint16_t* words, size_t count) { w.syntax->words(w, words, count); }
inline void WriteBlank(TextWriter& w) { PutText(w, "\n", 1); }
// A constant of the data labelled label (--consts): its name the label's
// with the suffix, as the syntax spells it.
inline void WriteConstant(TextWriter& w, const std::string& label, const char* suffix, uint64_t value)
{
    w.syntax->constant(w, w.syntax->constname(label, suffix).c_str(), value);
}

// The path as a comment line shows it, each control character a "?".
std::string CommentText(const char* path);

#endif

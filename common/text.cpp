// The table of syntaxes, and the lines of the include text written through
// the syntax of the output.
#include "text.h"

#include <cstring>

#include "console.h"
#include "textbuffer.h"

// The syntaxes --syntax names, in the order of their indices.
static const Syntax* const SYNTAXES[] = {&PLAIN_SYNTAX, &OCTO_SYNTAX, &STRICT_SYNTAX, &SINGLE_SYNTAX};
static const int SYNTAX_COUNT = int(sizeof SYNTAXES / sizeof *SYNTAXES);

int SyntaxNamed(const char* option, const char* name)
{
    std::string names;
    for (int syntax = 0; syntax < SYNTAX_COUNT; syntax++) {
        if (std::strcmp(name, SYNTAXES[syntax]->name) == 0)
            return syntax;
        names += (syntax == 0 ? "" : syntax + 1 == SYNTAX_COUNT ? " and " : ", ") + std::string(SYNTAXES[syntax]->name);
    }
    UsageError("%s \"%s\" is none of %s", option, name, names.c_str());
    return -1;
}

int CheckLabel(int index, const std::string& label)
{
    const char* cause = SYNTAXES[index]->refuses(label.c_str());
    if (cause)
        UsageError("label \"%s\" %s", label.c_str(), cause);
    return !cause;
}

// The syntax of the text being written.
static const Syntax* syntax = &PLAIN_SYNTAX;

void StartOutput(FILE* out, int index)
{
    syntax = SYNTAXES[index];
    StartText(out);
}

int FinishOutput() { return FinishText(); }

void FailOutput(int cause) { FailText(cause); }

void WriteComment(const char* text) { syntax->comment(text); }

void WriteLabel(const char* name) { syntax->label(name); }

void WriteBytes(const uint8_t* values, size_t count, size_t perline, bool ended)
{
    syntax->bytes(values, count, perline, ended);
}

void WriteWords(const uint16_t* words, size_t count) { syntax->words(words, count); }

void WriteBlank() { PutText("\n", 1); }

// A control character would break the comment line (a line break could
// start a label or a data line of its own), so each one is written as "?".
std::string CommentText(const char* path)
{
    std::string text(path);
    for (char& c : text)
        if (uint8_t(c) < 32 || c == 127)
            c = '?';
    return text;
}

// The table of syntaxes, and what is checked of a label.
#include "text.h"

#include <cstring>

// The syntaxes --syntax names, in the order of their indices.
static const Syntax* const SYNTAXES[] = {&PLAIN_SYNTAX, &OCTO_SYNTAX, &STRICT_SYNTAX, &SINGLE_SYNTAX};
static const int SYNTAX_COUNT = int(sizeof SYNTAXES / sizeof *SYNTAXES);

bool SyntaxNamed(Console& console, const char* option, const char* name, SyntaxIndex* syntax)
{
    std::string names;
    for (int index = 0; index < SYNTAX_COUNT; index++) {
        if (std::strcmp(name, SYNTAXES[index]->name) == 0) {
            *syntax = SyntaxIndex(index);
            return true;
        }
        names += (index == 0 ? "" : index + 1 == SYNTAX_COUNT ? " and " : ", ") + std::string(SYNTAXES[index]->name);
    }
    return UsageError(console, "%s \"%s\" is none of %s", option, name, names.c_str());
}

const Syntax* SyntaxOf(SyntaxIndex syntax) { return SYNTAXES[syntax]; }

bool CheckLabel(Console& console, SyntaxIndex index, const std::string& label)
{
    const char* cause = SYNTAXES[index]->refuses(label.c_str());
    if (cause)
        return UsageError(console, "label \"%s\" %s", label.c_str(), cause);
    return true;
}

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

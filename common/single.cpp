// Include text for assemblers that take one operand per directive: plain
// text but with one value to a line, "DB #ff" and "DW #ffff" without
// commas, no DB line without values, and a line break after the last line.
#include "textbuffer.h"

static void Comment(TextWriter& w, const char* text) { PutLine(w, ";", text, ""); }

static void Label(TextWriter& w, const char* name) { PutLine(w, "", name, ":"); }

static void Bytes(TextWriter& w, const uint8_t* values, size_t count, size_t, bool)
{
    PutSeparatedBytes(w, values, count, 1, "DB ", "#", "");
}

static void Words(TextWriter& w, const uint16_t* words, size_t count)
{
    for (size_t i = 0; i < count; i++)
        PutSeparatedWords(w, words + i, 1, "DW ", "#", "");
}

extern const Syntax SINGLE_SYNTAX = {"single", Comment, Label, Bytes, Words, RefusePlainName, PutEquate, EquateName};

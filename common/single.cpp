// Include text for assemblers that take one operand per directive: plain
// text but with one value to a line, "DB #ff" and "DW #ffff" without
// commas, no DB line without values, and a line break after the last line.
#include "textbuffer.h"

static void Comment(const char* text) { PutLine(";", text, ""); }

static void Label(const char* name) { PutLine("", name, ":"); }

static void Bytes(const uint8_t* values, size_t count, size_t, bool)
{
    PutSeparatedBytes(values, count, 1, "DB ", "#", "");
}

static void Words(const uint16_t* words, size_t count)
{
    for (size_t i = 0; i < count; i++)
        PutSeparatedWords(words + i, 1, "DW ", "#", "");
}

extern const Syntax SINGLE_SYNTAX = {"single", Comment, Label, Bytes, Words, RefusePlainName};

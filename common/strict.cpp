// Include text for assemblers that refuse an empty operand: plain text but
// with a comma only between values, no DB line without values, and a line
// break after the last line.
#include "textbuffer.h"

static void Comment(const char* text) { PutLine(";", text, ""); }

static void Label(const char* name) { PutLine("", name, ":"); }

static void Bytes(const uint8_t* values, size_t count, size_t perline, bool)
{
    PutSeparatedBytes(values, count, perline, "DB ", "#", ",#");
}

static void Words(const uint16_t* words, size_t count) { PutSeparatedWords(words, count, "DW ", "#", ",#"); }

extern const Syntax STRICT_SYNTAX = {"strict", Comment, Label, Bytes, Words, RefusePlainName};

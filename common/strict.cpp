// Include text for assemblers that refuse an empty operand: plain text but
// with a comma only between values, no DB line without values, and a line
// break after the last line.
#include "textbuffer.h"

static void Comment(TextWriter& w, const char* text) { PutLine(w, ";", text, ""); }

static void Label(TextWriter& w, const char* name) { PutLine(w, "", name, ":"); }

static void Bytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline, bool)
{
    PutSeparatedBytes(w, values, count, perline, "DB ", "#", ",#");
}

static void Words(TextWriter& w, const uint16_t* words, size_t count) { PutSeparatedWords(w, words, count, "DW ", "#", ",#"); }

extern const Syntax STRICT_SYNTAX = {"strict", Comment, Label, Bytes, Words, RefusePlainName, PutEquate, EquateName};

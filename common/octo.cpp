// Include text for Octo: "#" comments, ": NAME" labels, values written
// 0xff one space apart (a word as its two bytes, high byte first), no line
// without values, every line ended.
#include <cstring>

#include "textbuffer.h"

static void Comment(const char* text) { PutLine("#", text, ""); }

static void Label(const char* name) { PutLine(": ", name, ""); }

static void Bytes(const uint8_t* values, size_t count, size_t perline, bool)
{
    PutSeparatedBytes(values, count, perline, "", "0x", " 0x");
}

static void Words(const uint16_t* words, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        char* p = Room(11);
        if (i > 0)
            *p++ = ' ';
        std::memcpy(p, "0x", 2);
        p = PutHex(p + 2, uint8_t(words[i] >> 8));
        std::memcpy(p, " 0x", 3);
        Advance(PutHex(p + 3, uint8_t(words[i])));
    }
    if (count > 0)
        PutText("\n", 1);
}

extern const Syntax OCTO_SYNTAX = {"octo", Comment, Label, Bytes, Words};

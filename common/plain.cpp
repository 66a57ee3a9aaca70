// Plain include text, as the converters always wrote it: ";" comments,
// "NAME:" labels, "DB #xx,#xx," lines with a comma after every value, and
// "DW #xxxx,#xxxx" lines; and "NAME EQU n" lines of constants.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "textbuffer.h"

static void Comment(TextWriter& w, const char* text) { PutLine(w, ";", text, ""); }

static void Label(TextWriter& w, const char* name) { PutLine(w, "", name, ":"); }

// Each value "#xx,", the last of a line too; a line without values is "DB ".
// The text of each value comes from a table, four bytes at a time.
static const struct ValueTexts {
    char text[256][4];
    ValueTexts()
    {
        for (int v = 0; v < 256; v++)
            text[v][0] = '#', PutHex(text[v] + 1, uint8_t(v)), text[v][3] = ',';
    }
} texts;

static void Bytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline, bool ended)
{
    if (count <= 16 && (perline == 0 || count <= perline)) {  // one short line: the usual
        char* p = Room(w, 3 + 16 * 4 + 1);
        std::memcpy(p, "DB ", 3);
        p += 3;
        for (size_t i = 0; i < count; i++, p += 4)
            std::memcpy(p, texts.text[values[i]], 4);
        if (ended)
            *p++ = '\n';
        Advance(w, p);
        return;
    }
    const size_t per = perline ? perline : count;
    size_t at = 0;
    do {
        const size_t end = at + std::min(per, count - at);
        // Each group of at most 16 values has the room of 16, the first also
        // that of "DB " and the last that of the line break.
        char* p = Room(w, 3 + 16 * 4 + 1);
        std::memcpy(p, "DB ", 3);
        p += 3;
        for (size_t group = at;;) {
            const size_t n = std::min<size_t>(end - group, 16);
            for (size_t i = 0; i < n; i++, p += 4)
                std::memcpy(p, texts.text[values[group + i]], 4);
            group += n;
            if (group == end)
                break;
            Advance(w, p);
            p = Room(w, 16 * 4 + 1);
        }
        at = end;
        if (at < count || ended)
            *p++ = '\n';
        Advance(w, p);
    } while (at < count);
}

static void Words(TextWriter& w, const uint16_t* words, size_t count) { PutSeparatedWords(w, words, count, "DW ", "#", ",#"); }

const char* RefusePlainName(const char* label)
{
    bool name = *label && !(*label >= '0' && *label <= '9');
    for (const char* c = label; *c; c++)
        name = name && ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '_');
    return name ? nullptr : "is not a name: letters, digits and _, not starting with a digit";
}

void PutEquate(TextWriter& w, const char* name, uint64_t value)
{
    PutLine(w, name, " EQU ", std::to_string(value).c_str());
}

std::string EquateName(const std::string& label, const char* suffix)
{
    std::string name = label + "_";
    for (const char* c = suffix; *c; c++)
        name += *c == '-' ? '_' : char(std::toupper((unsigned char)*c));
    return name;
}

extern const Syntax PLAIN_SYNTAX = {"plain", Comment, Label, Bytes, Words, RefusePlainName, PutEquate, EquateName};

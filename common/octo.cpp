// Include text for Octo: "#" comments, ": NAME" labels, values written
// 0xff one space apart (a word as its two bytes, high byte first), no line
// without values, every line ended; ":const NAME n" constants.
#include <cctype>
#include <cstring>
#include <string>

#include "textbuffer.h"

static void Comment(TextWriter& w, const char* text) { PutLine(w, "#", text, ""); }

static void Label(TextWriter& w, const char* name) { PutLine(w, ": ", name, ""); }

static void Bytes(TextWriter& w, const uint8_t* values, size_t count, size_t perline, bool)
{
    PutSeparatedBytes(w, values, count, perline, "", "0x", " 0x");
}

static void Words(TextWriter& w, const uint16_t* words, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        char* p = Room(w, 11);
        if (i > 0)
            *p++ = ' ';
        std::memcpy(p, "0x", 2);
        p = PutHex(p + 2, uint8_t(words[i] >> 8));
        std::memcpy(p, " 0x", 3);
        Advance(w, PutHex(p + 3, uint8_t(words[i])));
    }
    if (count > 0)
        PutText(w, "\n", 1);
}

// Octo takes any word as a name but its keywords, those that begin with
// OCTO_ and the registers v0 to vf (a label named so cannot be read where
// a register may stand); and a label main moves the program's entry to it.
// Names here are its usual ones: letters, digits, _ and -, which Octo
// allows inside a name (title-screen), not starting with a digit or -.
static const char* Refuses(const char* label)
{
    static const char* const KEYWORDS[] = {
        "again",  "audio",     "begin",       "bcd",          "bighex",      "buzzer",    "clear",
        "delay",  "else",      "end",         "hex",          "hires",       "i",         "if",
        "jump",   "jump0",     "key",         "load",         "loadflags",   "loop",      "lores",
        "native", "pitch",     "plane",       "random",       "return",      "save",      "saveflags",
        "scroll-down", "scroll-left", "scroll-right", "scroll-up", "sprite", "then", "while"};
    bool name = *label && !(*label >= '0' && *label <= '9') && *label != '-';
    for (const char* c = label; *c; c++)
        name = name && ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') ||
                        *c == '_' || *c == '-');
    if (!name)
        return "is not a name: letters, digits, _ and -, not starting with a digit or -";
    for (const char* keyword : KEYWORDS)
        if (std::strcmp(label, keyword) == 0)
            return "is a word that Octo reserves";
    if (std::strncmp(label, "OCTO_", 5) == 0)
        return "begins with OCTO_, which Octo reserves";
    if ((label[0] == 'v' || label[0] == 'V') && std::isxdigit((unsigned char)label[1]) && label[2] == '\0')
        return "is a register in Octo";
    if (std::strcmp(label, "main") == 0)
        return "is where an Octo program begins";
    return nullptr;
}

// A constant is ":const NAME n"; Octo evaluates it where a later line names it.
static void Constant(TextWriter& w, const char* name, uint64_t value)
{
    PutLine(w, ":const ", name, (" " + std::to_string(value)).c_str());
}

static std::string ConstantName(const std::string& label, const char* suffix) { return label + "-" + suffix; }

extern const Syntax OCTO_SYNTAX = {"octo", Comment, Label, Bytes, Words, Refuses, Constant, ConstantName};

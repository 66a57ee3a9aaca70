// The console lines, the input file and the include text of a converter.
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "imgtrell.h"

OptionScan ScanOptions(int argc, char** argv)
{
    OptionScan scan;
    scan.argc = argc;
    scan.argv = argv;
    scan.next = 1;
    scan.letter = 0;
    scan.value = nullptr;
    return scan;
}

// The option named by a long name or an unambiguous start of one.
static const OptionInfo* FindLong(const char* name, size_t length, const OptionInfo* table, size_t count)
{
    const OptionInfo* found = nullptr;
    for (size_t i = 0; i < count; i++) {
        if (std::strncmp(table[i].longname, name, length) != 0)
            continue;
        if (table[i].longname[length] == '\0')
            return &table[i];
        found = found ? &table[count] : &table[i];  // a second match: ambiguous
    }
    return found;
}

// The value of an option that takes one: what its argument holds after
// the name (rest), or else the next argument. An empty one is none.
static int TakeValue(OptionScan& scan, const char* rest, const OptionInfo& option)
{
    scan.value = rest ? rest : scan.next < scan.argc ? scan.argv[scan.next++] : "";
    return *scan.value ? option.id : UsageError("option '%s' needs a value", scan.name.c_str());
}

int NextOption(OptionScan& scan, const OptionInfo* table, size_t count)
{
    scan.value = nullptr;
    if (scan.letter == 0) {
        const char* arg = scan.next < scan.argc ? scan.argv[scan.next] : "";
        if (arg[0] != '-' || arg[1] == '\0')
            return OPTIONS_DONE;
        scan.next++;
        if (std::strcmp(arg, "--") == 0)
            return OPTIONS_DONE;
        if (arg[1] == '-') {
            const char* equals = std::strchr(arg, '=');
            size_t length = equals ? size_t(equals - arg - 2) : std::strlen(arg + 2);
            scan.name.assign(arg, length + 2);
            const OptionInfo* option = FindLong(arg + 2, length, table, count);
            if (option == table + count)
                return UsageError("option '%s' is ambiguous", scan.name.c_str());
            if (!option)
                return UsageError("unknown option '%s'", scan.name.c_str());
            if (!option->takesvalue && equals)
                return UsageError("option '%s' takes no value", scan.name.c_str());
            return option->takesvalue ? TakeValue(scan, equals ? equals + 1 : nullptr, *option) : option->id;
        }
        scan.letter = 1;
    }
    const char* arg = scan.argv[scan.next - 1];
    char letter = arg[scan.letter++];
    if (arg[scan.letter] == '\0')
        scan.letter = 0;
    scan.name = std::string("-") + letter;
    for (size_t i = 0; i < count; i++) {
        if (table[i].shortname != letter)
            continue;
        if (!table[i].takesvalue)
            return table[i].id;
        const char* rest = scan.letter ? arg + scan.letter : nullptr;
        scan.letter = 0;
        return TakeValue(scan, rest, table[i]);
    }
    return UsageError("unknown option '%s'", scan.name.c_str());
}

// "<program>: <prefix><text>" on standard error, without its line break.
static void Complain(const char* prefix, const char* format, va_list args)
{
    std::fprintf(stderr, "%s: %s", PROGRAM_NAME, prefix);
    std::vfprintf(stderr, format, args);
}

int UsageError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain("", format, args);
    va_end(args);
    std::fprintf(stderr, "\nTry '%s --help'.\n", PROGRAM_NAME);
    return OPTION_BAD;
}

int TakeCommonOption(int id, const OptionScan& scan, int* shown)
{
    switch (id) {
    case OPT_OUTPUT: options.output = scan.value, options.outputgiven = true; return 1;
    case OPT_LABEL: options.label = scan.value; return CheckLabel(scan.value) ? 1 : -1;
    case OPT_BATCH: options.batch = true; return 1;
    case OPT_QUIET: options.quiet = true; return 1;
    case OPT_SYNTAX: options.syntax = SyntaxNamed(scan.name.c_str(), scan.value); return options.syntax < 0 ? -1 : 1;
    case OPT_HELP:
    case OPT_VERSION: *shown = *shown == OPT_VERSION ? OPT_VERSION : id; return 1;
    }
    return 0;
}

int CheckLabel(const char* label)
{
    size_t length = std::strlen(label);
    bool name = length > 0 && !(label[0] >= '0' && label[0] <= '9');
    for (const char* c = label; *c; c++)
        name = name && ((*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '_');
    if (!name)
        UsageError("label \"%s\" is not a name: letters, digits and _, not starting with a digit", label);
    else if (length > 64)
        UsageError("label \"%s\" is too long: %zu characters, at most 64", label, length);
    return name && length <= 64;
}

int SyntaxNamed(const char* option, const char* name)
{
    static const char* const NAMES[] = {"plain", "octo", "strict"};
    for (int syntax = 0; syntax < 3; syntax++)
        if (std::strcmp(name, NAMES[syntax]) == 0)
            return syntax;
    UsageError("%s \"%s\" is none of plain, octo and strict", option, name);
    return -1;
}

void Say(const char* format, ...)
{
    if (options.quiet)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
}

void SayError(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(options.quiet ? stderr : stdout, format, args);
    va_end(args);
}

void Warn(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Complain("warning: ", format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

int Refuse(const char* path, const char* format, ...)
{
    char cause[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(cause, sizeof cause, format, args);
    va_end(args);
    SayError("Error: %s: %s\n", path, cause);
    return 0;
}

// The input being read, its first bytes, and the whole-file block, kept
// until the process ends (or the next input), since what is decoded from it
// may point into it.
static FILE* inputfile;
static uint8_t inputhead[64];
static size_t inputheadsize;
static uint64_t inputsize;
static uint8_t* inputdata;

long ReadInputHead(const char* path, uint8_t* head, size_t n, uint64_t* size)
{
    const char* refusal;
    CloseInput();
    inputfile = OpenInput(path, &refusal, &inputsize);
    if (!inputfile) {
        if (refusal)
            Refuse(path, "cannot read: %s", refusal);
        else
            Refuse(path, "cannot open: %s", std::strerror(errno));
        return -1;
    }
    inputheadsize = std::fread(inputhead, 1, std::min(n, sizeof inputhead), inputfile);
    if (std::ferror(inputfile)) {
        Refuse(path, "cannot read: %s", std::strerror(errno));
        CloseInput();
        return -1;
    }
    std::memcpy(head, inputhead, inputheadsize);
    *size = inputsize;
    return long(inputheadsize);
}

const uint8_t* ReadInputFile(const char* path, size_t* size)
{
    FreeBlock(inputdata);
    inputdata = inputsize < SIZE_MAX ? AllocateBlock(size_t(std::max<uint64_t>(inputsize, inputheadsize))) : nullptr;
    int error = ENOMEM;
    if (inputdata) {
        std::memcpy(inputdata, inputhead, inputheadsize);
        size_t rest = inputsize > inputheadsize ? size_t(inputsize - inputheadsize) : 0;
        *size = inputheadsize + std::fread(inputdata + inputheadsize, 1, rest, inputfile);
        error = std::ferror(inputfile) ? errno : 0;
    }
    CloseInput();
    if (error == 0)
        return inputdata;
    Refuse(path, "cannot read: %s", std::strerror(error));
    return nullptr;
}

void CloseInput()
{
    if (inputfile)
        std::fclose(inputfile);
    inputfile = nullptr;
}

// The stream being written, its buffer, and the errno of its first failed
// write (0 while all is well).
static FILE* outfile;
static char outbuf[1 << 20];
static size_t outlen;
static int outerror;

// The include text is made as plain text. For --syntax octo and strict a
// filter remakes it line by line as it leaves the buffer, a character at a
// time, so that a line of any length passes through.
static struct LineFilter {
    int syntax;
    enum { START, HEAD, COPY, LABEL, BYTES, WORDS } state;
    char head[3];  // the first characters of a line, until its kind is known
    size_t headlen;
    std::string label;  // a line that may be a label ("NAME:")
    char digits[4];  // the hex digits of the value being read
    size_t ndigits, values;  // of the value being read; values of the line so far
    char out[1 << 16];
    size_t outlen;
} filter;

static void Emit(const char* text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        if (filter.outlen == sizeof filter.out) {
            if (outerror == 0 && std::fwrite(filter.out, 1, filter.outlen, outfile) != filter.outlen)
                outerror = errno ? errno : EIO;
            filter.outlen = 0;
        }
        filter.out[filter.outlen++] = text[i];
    }
}

static void Emit(const char* text) { Emit(text, std::strlen(text)); }

// A value of a DB line ("#xx") or of a DW line ("#xxxx", two bytes high
// byte first): Octo writes each byte "0xxx", one space apart; strict
// assemblers take commas between values only.
static void EmitValue()
{
    const bool octo = filter.syntax == SYNTAX_OCTO;
    for (size_t at = 0; octo && at + 2 <= filter.ndigits; at += 2) {
        Emit(filter.values++ ? " 0x" : "0x");
        Emit(filter.digits + at, 2);
    }
    if (!octo) {
        Emit(filter.values++ ? ",#" : (filter.state == LineFilter::BYTES ? "DB #" : "DW #"));
        Emit(filter.digits, filter.ndigits);
    }
    filter.ndigits = 0;
}

// The end of a line: a DB line without values is left out.
static void EndLine()
{
    if (filter.ndigits)
        EmitValue();
    if (filter.state == LineFilter::HEAD)
        Emit(filter.head, filter.headlen);
    if (filter.state == LineFilter::LABEL) {
        bool name = filter.syntax == SYNTAX_OCTO && filter.label.size() > 1 && filter.label.back() == ':';
        Emit(name ? ": " : "");
        Emit(filter.label.data(), filter.label.size() - (name ? 1 : 0));
    }
    if (!((filter.state == LineFilter::BYTES || filter.state == LineFilter::WORDS) && filter.values == 0))
        Emit("\n");
    filter.state = LineFilter::START;
    filter.headlen = filter.ndigits = filter.values = 0;
    filter.label.clear();
}

static void Filter(const char* text, size_t length)
{
    for (size_t i = 0; i < length; i++) {
        char c = text[i];
        if (c == '\n') {
            EndLine();
            continue;
        }
        switch (filter.state) {
        case LineFilter::START:
            if (c == ';') {
                Emit(filter.syntax == SYNTAX_OCTO ? "#" : ";");
                filter.state = LineFilter::COPY;
                break;
            }
            filter.state = LineFilter::HEAD;
            // fall through
        case LineFilter::HEAD: {
            filter.head[filter.headlen++] = c;
            bool bytes = std::memcmp(filter.head, "DB ", filter.headlen) == 0;
            bool words = std::memcmp(filter.head, "DW ", filter.headlen) == 0;
            if (filter.headlen == 3 && (bytes || words))
                filter.state = bytes ? LineFilter::BYTES : LineFilter::WORDS;
            else if (!bytes && !words)
                filter.label.assign(filter.head, filter.headlen), filter.state = LineFilter::LABEL;
            break;
        }
        case LineFilter::COPY: Emit(&c, 1); break;
        case LineFilter::LABEL: filter.label += c; break;
        case LineFilter::BYTES:
        case LineFilter::WORDS:
            if (c == ',' && filter.ndigits)
                EmitValue();
            else if (c != '#' && c != ',' && filter.ndigits < sizeof filter.digits)
                filter.digits[filter.ndigits++] = c;
            break;
        }
    }
}

void StartOutput(FILE* out)
{
    outfile = out;
    outlen = 0;
    outerror = 0;
    filter.syntax = options.syntax;
    filter.state = LineFilter::START;
    filter.headlen = filter.ndigits = filter.values = filter.outlen = 0;
    filter.label.clear();
}

static void FlushOutput()
{
    if (filter.syntax != SYNTAX_PLAIN)
        Filter(outbuf, outlen);
    else if (outerror == 0 && std::fwrite(outbuf, 1, outlen, outfile) != outlen)
        outerror = errno ? errno : EIO;
    outlen = 0;
}

int FinishOutput()
{
    FlushOutput();
    // Remade text ends with a line break; the rest of it is written.
    if (filter.syntax != SYNTAX_PLAIN && filter.state != LineFilter::START)
        EndLine();
    if (filter.syntax != SYNTAX_PLAIN && outerror == 0 && std::fwrite(filter.out, 1, filter.outlen, outfile) != filter.outlen)
        outerror = errno ? errno : EIO;
    if (outerror == 0 && std::fflush(outfile) != 0)
        outerror = errno ? errno : EIO;
    if (outerror == 0)
        return 0;
    errno = outerror;
    return -1;
}

void FailOutput(int cause)
{
    if (outerror == 0)
        outerror = cause;
}

char* Room(size_t room)
{
    if (outlen + room > sizeof outbuf)
        FlushOutput();
    return outbuf + outlen;
}

void Advance(const char* end) { outlen = size_t(end - outbuf); }

void PutText(const char* text, size_t length)
{
    // In pieces of at most a quarter of the buffer: a long path fits too.
    const size_t PIECE = sizeof outbuf / 4;
    for (size_t at = 0; at < length; at += PIECE) {
        size_t n = std::min(length - at, PIECE);
        char* p = Room(n);
        std::memcpy(p, text + at, n);
        Advance(p + n);
    }
}

void PutString(const char* text) { PutText(text, std::strlen(text)); }

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

FILE* StartIncludeFile(int slot, const char* name)
{
    const char* cause;
    FILE* out = OpenTempOutput(slot, name, &cause);
    if (!out)
        SayError("Error: cannot %s %s: %s\n", cause ? "write" : "create", name, cause ? cause : std::strerror(errno));
    return out;
}

int EndIncludeFile(int slot, const char* name, FILE* out, int failed)
{
    int cause = errno;
    if (std::fclose(out) != 0 && !failed) {
        failed = -1;
        cause = errno;
    }
    if (!failed)
        return 1;
    SayError("Error: cannot write %s: %s\n", name, std::strerror(cause));
    RemoveTempOutput(slot);
    return 0;
}

int PlaceIncludeFiles(int count, const char* const* names)
{
    int moved = MoveIntoPlace(count);
    if (moved == count)
        return 1;
    SayError("Error: cannot replace %s: %s\n", names[moved], std::strerror(errno));
    return 0;
}

// The command line read as getopt_long reads it, and the options both
// converters take.
#include "cmdline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "console.h"
#include "text.h"

OptionScan ScanOptions(int argc, char** argv, Console& console)
{
    OptionScan scan;
    scan.console = &console;
    scan.argc = argc;
    scan.argv = argv;
    scan.next = 1;
    scan.letter = 0;
    scan.value = nullptr;
    scan.named = 0;
    return scan;
}

// The option named by a long name or an unambiguous start of one.
static const OptionInfo* FindLong(const char* name, size_t length, const OptionInfo* table, size_t count)
{
    const OptionInfo* found = nullptr;
    for (size_t i = 0; i < count; i++) {
        if (!table[i].longname || std::strncmp(table[i].longname, name, length) != 0)
            continue;
        if (table[i].longname[length] == '\0')
            return &table[i];
        found = found ? &table[count] : &table[i];  // a second match: ambiguous
    }
    return found;
}

// OPTION_BAD, its usage error said.
static int Bad(bool) { return OPTION_BAD; }

// The index of the value among the names option's value may take; -1
// after the usage error ('--rule "x" is none of blue, luma and any').
// Empty names are skipped, which keeps an index for a value no name gives.
static int NamedValue(const OptionScan& scan, const OptionInfo& option)
{
    std::string names;
    int given = 0, total = 0;
    for (int i = 0; i < option.count; i++)
        total += *option.names[i] != '\0';
    for (int i = 0; i < option.count; i++) {
        if (!*option.names[i])
            continue;
        if (std::strcmp(scan.value, option.names[i]) == 0)
            return i;
        given++;
        names += (given == 1 ? "" : given == total ? " and " : ", ") + std::string(option.names[i]);
    }
    UsageError(*scan.console, "%s \"%s\" is none of %s", scan.name.c_str(), scan.value, names.c_str());
    return -1;
}

// The value of an option that takes one: what its argument holds after
// the name (rest), or else the next argument. An empty one is none; one of
// names is taken as its index.
static int TakeValue(OptionScan& scan, const char* rest, const OptionInfo& option)
{
    scan.value = rest ? rest : scan.next < scan.argc ? scan.argv[scan.next++] : "";
    if (!*scan.value)
        return Bad(UsageError(*scan.console, "option '%s' needs a value", scan.name.c_str()));
    scan.named = option.names ? NamedValue(scan, option) : 0;
    return scan.named < 0 ? OPTION_BAD : option.id;
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
                return Bad(UsageError(*scan.console, "option '%s' is ambiguous", scan.name.c_str()));
            if (!option)
                return Bad(UsageError(*scan.console, "unknown option '%s'", scan.name.c_str()));
            if (!option->argument && equals)
                return Bad(UsageError(*scan.console, "option '%s' takes no value", scan.name.c_str()));
            return option->argument ? TakeValue(scan, equals ? equals + 1 : nullptr, *option) : option->id;
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
        if (!table[i].argument)
            return table[i].id;
        const char* rest = scan.letter ? arg + scan.letter : nullptr;
        scan.letter = 0;
        return TakeValue(scan, rest, table[i]);
    }
    return Bad(UsageError(*scan.console, "unknown option '%s'", scan.name.c_str()));
}

std::string HelpOf(const OptionInfo* table, size_t count)
{
    const size_t COLUMN = 22;
    std::string help;
    for (size_t i = 0; i < count; i++) {
        const OptionInfo& row = table[i];
        if (!row.longname) {
            help += std::string(row.help) + "\n";
            continue;
        }
        std::string names = std::string("  ") + (row.shortname ? std::string("-") + row.shortname + ", " : "    ") +
                            "--" + row.longname + (row.argument ? std::string(" ") + row.argument : "");
        names.resize(std::max(names.size() + 2, COLUMN), ' ');
        help += names;
        for (const char* at = row.help;;) {
            const char* end = std::strchr(at, '\n');
            help.append(at, end ? size_t(end - at) : std::strlen(at));
            help += '\n';
            if (!end)
                break;
            help.append(COLUMN, ' ');
            at = end + 1;
        }
    }
    return help;
}

bool TakeCommonOption(int id, const OptionScan& scan, CommonOptions& options, int* shown, bool* taken)
{
    *taken = true;
    switch (id) {
    case OPT_OUTPUT: options.output = options.outputfile = scan.value; return true;
    case OPT_LABEL: options.label = scan.value; return true;
    case OPT_BATCH: options.batch = true; return true;
    case OPT_QUIET: options.quiet = true; return true;
    case OPT_SYNTAX: return SyntaxNamed(*scan.console, scan.name.c_str(), scan.value, &options.syntax);
    case OPT_CONSTS: options.consts = true; return true;
    case OPT_HELP:
    case OPT_VERSION: *shown = *shown == OPT_VERSION ? OPT_VERSION : id; return true;
    }
    *taken = false;
    return true;
}

bool CheckCommonOptions(Console& console, const CommonOptions& options)
{
    if (!options.label)
        return true;
    if (!CheckLabel(console, options.syntax, options.label))
        return false;
    size_t length = std::strlen(options.label);
    if (length > 64)
        return UsageError(console, "label \"%s\" is too long: %zu characters, at most 64", options.label, length);
    return true;
}

bool CheckConstantNames(Console& console, const CommonOptions& options, const std::string& label,
                        const char* const* suffixes, size_t count)
{
    std::string longest;
    for (size_t i = 0; options.consts && i < count; i++) {
        const std::string name = SyntaxOf(options.syntax)->constname(label, suffixes[i]);
        longest = name.size() > longest.size() ? name : longest;
    }
    if (longest.size() > 64)
        return UsageError(console, "label \"%s\" is too long for --consts: %s has %zu characters, at most 64",
                          label.c_str(), longest.c_str(), longest.size());
    return true;
}

bool ParseNumber(const char* text, uint64_t low, uint64_t high, uint64_t* number)
{
    // Any number of digits: once past high the value stops growing, so a
    // long one neither wraps nor passes.
    const size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || text[digits] != '\0')
        return false;
    uint64_t value = 0;
    for (const char* c = text; *c; c++)
        value = value > high ? value : value * 10 + uint64_t(*c - '0');
    *number = value;
    return value >= low && value <= high;
}

bool ParseDecimal(const char* text, double low, double high, double* number)
{
    // The form is checked here; strtod, which would also take blanks, hex
    // and exponents, only reads what passed.
    const char* c = text + (*text == '-' || *text == '+');
    const size_t whole = std::strspn(c, "0123456789");
    const size_t part = c[whole] == '.' ? std::strspn(c + whole + 1, "0123456789") : 0;
    const size_t length = whole + (c[whole] == '.' ? 1 + part : 0);
    if (whole + part == 0 || c[length] != '\0')
        return false;
    *number = std::strtod(text, nullptr);
    return *number >= low && *number <= high;
}

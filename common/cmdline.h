// The command line of a converter, read with getopt_long's conventions on
// every platform: options come before the path ("-o FILE", "-oFILE",
// "--output FILE", "--output=FILE", flags combined as in "-bq", a long
// name shortened as long as it names one option). The first argument that
// does not begin with "-", or is "-" alone, or the one after "--", is the
// path; nothing after it is an option. Then the options both converters
// take.
#ifndef TRELL_CMDLINE_H
#define TRELL_CMDLINE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "console.h"
#include "text.h"

struct OptionScan;

// Each option is declared once, as a row of its program's table: what the
// scan returns for it, its names, its value, its lines in --help, and the
// names its value may take. A row of id 0 is a heading of the help.
struct OptionInfo {
    int id;  // what NextOption returns for it
    char shortname;  // 0: a long name only
    const char* longname;
    const char* argument;  // the value as the help names it ("FILE"); nullptr: a flag
    const char* help;      // its lines in the help, "\n" between them
    // The names the value may take, count of them, a name's index its
    // value; nullptr for a value of another kind.
    const char* const* names;
    int count;
};
// The rows of a table as --help lists them: "  -o, --output FILE   write
// ...", the text after the names from column 22 (or two blanks after a
// long name), the further lines of a row there too; a heading as it is.
std::string HelpOf(const OptionInfo* table, size_t count);
struct OptionScan {
    int argc;
    char** argv;
    int next;  // the argument read next; at the end, the path's (argc: none)
    int letter;  // in a group of short options, the next letter (0: none)
    const char* value;  // the value of the option returned
    int named;          // of a value given by name, its index among the names
    std::string name;  // the option as written, for messages ("-o", "--output")
    Console* console;  // where a usage error goes
};
enum { OPTIONS_DONE = 0, OPTION_BAD = -1 };
// Starts a scan of the command line.
OptionScan ScanOptions(int argc, char** argv, Console& console);
// The id of the next option, OPTIONS_DONE when the options have ended, or
// OPTION_BAD after the usage error (an unknown option, a missing value).
int NextOption(OptionScan& scan, const OptionInfo* table, size_t count);

// The options both converters take, and the first id of a program's own.
enum { OPT_OUTPUT = 1, OPT_LABEL, OPT_BATCH, OPT_QUIET, OPT_SYNTAX, OPT_CONSTS, OPT_HELP, OPT_VERSION, OPT_OWN };
struct CommonOptions {
    // The include file: -o's, or the program's own name (given first); and
    // -o, --output.
    std::string outputfile;
    std::optional<std::string> output = std::nullopt;
    // -l, --label: the label of the data; none: the program's own.
    const char* label = nullptr;
    // -b, --batch: no key wait, status 0 when converted.
    bool batch = false;
    // -q, --quiet: nothing on standard output; the line of a refusal or a
    // failure on standard error.
    bool quiet = false;
    // --syntax.
    SyntaxIndex syntax = SYNTAX_PLAIN;
    // --consts: the sizes of the data as constants of the assembler, named
    // after its label, before it.
    bool consts = false;
};
// Takes an option both converters take into options (*taken: it was one),
// and tells --help and --version in *shown (OPT_HELP or OPT_VERSION;
// --version wins). False after a usage error (a bad syntax).
bool TakeCommonOption(int id, const OptionScan& scan, CommonOptions& options, int* shown, bool* taken);
// Once all options are read: checks the label -l gives, a name in the
// syntax of --syntax (whichever came first) of at most 64 characters.
// False after the usage error.
bool CheckCommonOptions(Console& console, const CommonOptions& options);
// With --consts: checks that the name of each constant, the label's with
// one of the count suffixes, is at most 64 characters long. False after
// the usage error, which names the longest.
bool CheckConstantNames(Console& console, const CommonOptions& options, const std::string& label,
                        const char* const* suffixes, size_t count);
// A whole number from low to high (high below 2^60), in decimal digits
// only, with as many leading zeros as given; false for anything else.
bool ParseNumber(const char* text, uint64_t low, uint64_t high, uint64_t* number);
// A number from low to high in decimal: a sign, digits and at most one
// point ("-48", "-60.5", "-.5"); no blanks, hex or exponent. False for
// anything else.
bool ParseDecimal(const char* text, double low, double high, double* number);

#endif

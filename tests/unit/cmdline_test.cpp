// The command line as getopt_long reads it: each form of an option, the
// end of the options, and each usage error with its words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline.h"
#include "console.h"
#include "text.h"

namespace {

const OptionInfo OPTIONS[] = {{1, 'o', "output", "FILE", "", nullptr, 0}, {2, 'b', "batch", nullptr, "", nullptr, 0},
                              {3, 'q', "quiet", nullptr, "", nullptr, 0}, {4, 0, "outline", nullptr, "", nullptr, 0}};

// What the scan of args (after the program's name) finds: each option as
// "id=value", then "path:" and the argument the path is, or the error.
std::string Scan(std::vector<const char*> args)
{
    Console console;
    console.program = "prog", console.keep = true;
    args.insert(args.begin(), "prog");
    OptionScan scan = ScanOptions(int(args.size()), const_cast<char**>(args.data()), console);
    std::string found;
    for (int id; (id = NextOption(scan, OPTIONS, 4)) != OPTIONS_DONE;) {
        if (id == OPTION_BAD)
            return found + console.err;
        found += std::to_string(id) + (scan.value ? std::string("=") + scan.value : "") + " ";
    }
    return found + "path:" + (scan.next < scan.argc ? scan.argv[scan.next] : "none");
}

TEST(CommandLine, OptionsAsGetoptLongReadsThem)
{
    const struct {
        std::vector<const char*> args;
        std::string found;
    } cases[] = {
        {{"-o", "f", "pic"}, "1=f path:pic"},
        {{"-of", "-b", "pic"}, "1=f 2 path:pic"},
        {{"--output", "f", "--output=g", "pic", "-q"}, "1=f 1=g path:pic"},
        {{"--outp=x", "--outl", "pic"}, "1=x 4 path:pic"},  // a start that names one option
        {{"-bqo", "f", "pic"}, "2 3 1=f path:pic"},
        {{"-bqof", "pic"}, "2 3 1=f path:pic"},
        {{"--", "-b"}, "path:-b"},
        {{"-b", "-", "-q"}, "2 path:-"},
        {{"-b"}, "2 path:none"},
        {{"--out", "f"}, "prog: option '--out' is ambiguous\nTry 'prog --help'.\n"},
        {{"--batch=1", "pic"}, "prog: option '--batch' takes no value\nTry 'prog --help'.\n"},
        {{"-bx", "pic"}, "2 prog: unknown option '-x'\nTry 'prog --help'.\n"},
        {{"--colour"}, "prog: unknown option '--colour'\nTry 'prog --help'.\n"},
        {{"-o"}, "prog: option '-o' needs a value\nTry 'prog --help'.\n"},
        {{"--output=", "pic"}, "prog: option '--output' needs a value\nTry 'prog --help'.\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Scan(c.args), c.found) << c.args[0];
}

// A label is a name in the syntax of the text, whichever option came first;
// Octo's names take - but not its keywords, registers, OCTO_ or main.
TEST(CommandLine, LabelsAreNamesOfTheSyntax)
{
    const std::string plain = "prog: label \"title-screen\" is not a name: letters, digits and _, not starting with a digit\n";
    const std::string octo = "\" is not a name: letters, digits, _ and -, not starting with a digit or -\n";
    const struct {
        SyntaxIndex syntax;
        std::string label, error;  // the first line of the usage error, or none
    } cases[] = {
        {SYNTAX_PLAIN, "ship_2", ""}, {SYNTAX_PLAIN, "jump", ""}, {SYNTAX_STRICT, "main", ""},
        {SYNTAX_PLAIN, "title-screen", plain}, {SYNTAX_SINGLE, "title-screen", plain}, {SYNTAX_PLAIN, std::string(64, 'a'), ""},
        {SYNTAX_PLAIN, std::string(65, 'a'), "prog: label \"" + std::string(65, 'a') + "\" is too long: 65 characters, at most 64\n"},
        {SYNTAX_OCTO, "title-screen", ""}, {SYNTAX_OCTO, "Jump", ""}, {SYNTAX_OCTO, "v10", ""}, {SYNTAX_OCTO, "octo_x", ""},
        {SYNTAX_OCTO, "-x", "prog: label \"-x" + octo}, {SYNTAX_OCTO, "2x", "prog: label \"2x" + octo},
        {SYNTAX_OCTO, "a.b", "prog: label \"a.b" + octo},
        {SYNTAX_OCTO, "jump", "prog: label \"jump\" is a word that Octo reserves\n"},
        {SYNTAX_OCTO, "scroll-up", "prog: label \"scroll-up\" is a word that Octo reserves\n"},
        {SYNTAX_OCTO, "i", "prog: label \"i\" is a word that Octo reserves\n"},
        {SYNTAX_OCTO, "while", "prog: label \"while\" is a word that Octo reserves\n"},
        {SYNTAX_OCTO, "vF", "prog: label \"vF\" is a register in Octo\n"},
        {SYNTAX_OCTO, "V0", "prog: label \"V0\" is a register in Octo\n"},
        {SYNTAX_OCTO, "OCTO_KEY_1", "prog: label \"OCTO_KEY_1\" begins with OCTO_, which Octo reserves\n"},
        {SYNTAX_OCTO, "main", "prog: label \"main\" is where an Octo program begins\n"},
    };
    for (const auto& c : cases) {
        CommonOptions options;
        options.label = c.label.c_str();
        options.syntax = c.syntax;
        Console console;
        console.program = "prog", console.keep = true;
        bool good = CheckCommonOptions(console, options);
        EXPECT_EQ(good, c.error.empty()) << c.label;
        EXPECT_EQ(console.err, c.error.empty() ? "" : c.error + "Try 'prog --help'.\n") << c.label;
    }
}

// A number is its value, however many leading zeros it has, and however
// long; decimals as --gate takes them. Nothing else passes: signs, blanks,
// hex, exponents, a second point, nothing at all.
TEST(CommandLine, NumbersByTheirValue)
{
    const struct {
        const char* text;
        bool whole, decimal;  // taken as a number from 1 to 65535, as one from -120 to 0
    } cases[] = {
        {"8", true, false}, {"000000000000008", true, false}, {"65535", true, false},
        {"0000000000000000000000065535", true, false}, {"65536", false, false}, {"0", false, true},
        {"99999999999999999999999999", false, false}, {"", false, false}, {"+8", false, false}, {" 8", false, false},
        {"8 ", false, false}, {"0x10", false, false}, {"-48", false, true}, {"-0060.50", false, true},
        {"-.5", false, true}, {"-0.", false, true}, {"+0", false, true}, {"-120.0000", false, true},
        {"-120.0001", false, false}, {" -48", false, false}, {"-0x10", false, false}, {"1e-400", false, false},
        {"-4e1", false, false}, {"-1.2.3", false, false}, {"-", false, false}, {".", false, false}, {"-inf", false, false},
    };
    for (const auto& c : cases) {
        uint64_t number = 0;
        double decimal = 1;
        EXPECT_EQ(ParseNumber(c.text, 1, 65535, &number), c.whole) << '"' << c.text << '"';
        EXPECT_EQ(ParseDecimal(c.text, -120, 0, &decimal), c.decimal) << '"' << c.text << '"';
    }
    uint64_t number = 0;
    double decimal = 0;
    EXPECT_TRUE(ParseNumber("000000000000008", 1, 65535, &number) && number == 8);
    EXPECT_TRUE(ParseDecimal("-0060.50", -120, 0, &decimal) && decimal == -60.5);
}

}  // namespace

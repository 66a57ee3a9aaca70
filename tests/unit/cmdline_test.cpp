// The command line as getopt_long reads it: each form of an option, the
// end of the options, and each usage error with its words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cmdline.h"
#include "console.h"

namespace {

const OptionInfo OPTIONS[] = {{1, 'o', "output", true}, {2, 'b', "batch", false}, {3, 'q', "quiet", false},
                              {4, 0, "outline", false}};

// What the scan of args (after the program's name) finds: each option as
// "id=value", then "path:" and the argument the path is, or the error.
std::string Scan(std::vector<const char*> args)
{
    SetProgramName("prog");
    args.insert(args.begin(), "prog");
    OptionScan scan = ScanOptions(int(args.size()), const_cast<char**>(args.data()));
    std::string found;
    testing::internal::CaptureStderr();
    for (int id; (id = NextOption(scan, OPTIONS, 4)) != OPTIONS_DONE;) {
        if (id == OPTION_BAD)
            return found + testing::internal::GetCapturedStderr();
        found += std::to_string(id) + (scan.value ? std::string("=") + scan.value : "") + " ";
    }
    testing::internal::GetCapturedStderr();
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

}  // namespace

// A golden case converted in the test's own process: what its run gives
// (status, console, files) against what the case expects of it. Both
// programs' core tests use it, each with a table of cases.
#ifndef TESTS_CORE_CASE_H
#define TESTS_CORE_CASE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "outputs.h"

namespace fs = std::filesystem;

inline std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What a run gives, or what a case expects of it.
struct Run {
    int status = -1;
    std::string out, err;
    std::map<std::string, std::string> files;  // name: bytes
};

inline bool operator==(const Run& a, const Run& b)
{
    return a.status == b.status && a.out == b.out && a.err == b.err && a.files == b.files;
}

inline std::ostream& operator<<(std::ostream& os, const Run& run)
{
    os << "status " << run.status << "\nstdout:\n" << run.out << "stderr:\n" << run.err << "files:";
    for (const auto& file : run.files)
        os << " " << file.first << " (" << file.second.size() << " bytes)";
    return os;
}

inline Run Expected(const fs::path& folder)
{
    Run run;
    run.status = std::stoi(ReadText(folder / "status"));
    run.out = ReadText(folder / "stdout");
    run.err = ReadText(folder / "stderr");  // none: empty
    if (fs::is_directory(folder / "out"))
        for (const auto& entry : fs::recursive_directory_iterator(folder / "out"))
            if (entry.is_regular_file())
                run.files[entry.path().lexically_relative(folder / "out").generic_string()] = ReadText(entry.path());
    return run;
}

// The case's arguments, the program's name first (kept alive in args), and
// its input folder made the current one.
inline std::vector<char*> Arguments(const fs::path& folder, const char* program, std::vector<std::string>& args)
{
    args = {program};
    std::istringstream lines(ReadText(folder / "args"));
    for (std::string line; std::getline(lines, line);)
        args.push_back(line);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    fs::current_path(fs::is_directory(folder / "in") ? folder / "in" : folder);
    return argv;
}

// The run of the lines said before the conversion (console) and of the
// conversion's result; a file named outside the folder (a device) is not
// among its files.
inline Run RunOf(const Console& console, const Result& result)
{
    Run run;
    run.status = result.status;
    run.out = console.out + result.console.out;
    run.err = console.err + result.console.err;
    for (const Output& output : result.outputs.files)
        if (!fs::path(output.name).is_absolute())
            run.files[output.name] = output.bytes;
    return run;
}

// Converts the cases under root twice, forwards and then backwards: each
// result must be the case's, whatever was converted before it.
template <typename Convert>
void ConvertTwiceInTwoOrders(const fs::path& root, std::vector<std::string> cases, Convert convert)
{
    const fs::path home = fs::current_path();
    for (int pass = 0; pass < 2; pass++) {
        for (const std::string& name : cases)
            EXPECT_EQ(convert(root / name), Expected(root / name)) << name << ", pass " << pass + 1;
        std::reverse(cases.begin(), cases.end());
    }
    fs::current_path(home);
}

#endif

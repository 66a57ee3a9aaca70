// sndtrell's conversion called again and again in one process: each call
// gives what a run of its own gives (the golden case's console, status and
// files), whatever was converted before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "convert.h"
#include "input.h"
#include "sndtrell.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
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

bool operator==(const Run& a, const Run& b)
{
    return a.status == b.status && a.out == b.out && a.err == b.err && a.files == b.files;
}

std::ostream& operator<<(std::ostream& os, const Run& run)
{
    os << "status " << run.status << "\nstdout:\n" << run.out << "stderr:\n" << run.err << "files:";
    for (const auto& file : run.files)
        os << " " << file.first << " (" << file.second.size() << " bytes)";
    return os;
}

Run Expected(const fs::path& folder)
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

// The case's run as the command line makes it, in its input folder, with
// everything kept: the arguments taken, the lines said before the
// conversion and the file read as main does, then ConvertSound.
Run Convert(const fs::path& folder)
{
    std::vector<std::string> args{"sndtrell"};
    std::istringstream lines(ReadText(folder / "args"));
    for (std::string line; std::getline(lines, line);)
        args.push_back(line);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    fs::current_path(fs::is_directory(folder / "in") ? folder / "in" : folder);

    Run run;
    Console console;
    console.program = "sndtrell";
    console.keep = true;
    Options options;
    if (!TakeArguments(int(argv.size()), argv.data(), options, console, &run.status)) {
        ADD_FAILURE() << folder << ": the arguments end the run";
        return run;
    }
    console.quiet = options.common.quiet;
    Say(console, "%sLoading WAV: %s\n", BANNER, options.sound);
    InputFile input;
    bool read = ReadInputHead(console, input, options.sound, WAV_HEAD_SIZE) &&
                CheckWAVHead(console, options, input.head, input.headsize, input.size) &&
                ReadInputFile(console, input, options.sound);
    Result result = ConvertSound(options, read ? input.data : nullptr, read ? size_t(input.size) : 0, DELIVER_KEPT);
    CloseInput(input);
    run.status = result.status;
    run.out = console.out + result.console.out;
    run.err = console.err + result.console.err;
    // A file named outside the folder (a device) is not among its files.
    for (const Output& output : result.outputs.files)
        if (!fs::path(output.name).is_absolute())
            run.files[output.name] = output.bytes;
    return run;
}

// Cases of every subject: samples of 8 and 16 bits, files refused from
// their head, their content or their absence (with and without --batch
// and --quiet), a syntax, a label and an output in a folder, --xo with a
// header, a preview, a warning and a refusal, arguments past the file.
const char* const CASES[] = {
    "wav/convert",          "wav/sox_u8_mono",         "wav/sox_s16_stereo",
    "wav/not_riff",         "wav/float_format",        "input/missing_file",
    "options/opt_batch_refused", "options/opt_quiet_not_pcm_batch", "options/opt_output_and_label",
    "options/extra_arguments",   "syntax/syntax_octo_16",   "xo/xo_preview",
    "xo/xo_header_strict",  "xo/xo_memory_warning",    "xo/xo_float_refused",
};

TEST(sndtrell, EachConversionInOneProcessIsItsOwnRun)
{
    const fs::path home = fs::current_path();
    std::vector<std::string> order(std::begin(CASES), std::end(CASES));
    for (int pass = 0; pass < 2; pass++) {
        for (const std::string& name : order) {
            const fs::path folder = fs::path(SNDTRELL_CASES) / name;
            EXPECT_EQ(Convert(folder), Expected(folder)) << name << ", pass " << pass + 1;
        }
        std::reverse(order.begin(), order.end());  // each case after another one
    }
    fs::current_path(home);
}

}  // namespace

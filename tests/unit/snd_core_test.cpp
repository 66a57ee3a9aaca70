// sndtrell's conversion called again and again in one process: each call
// gives what a run of its own gives (the golden case's console, status and
// files), whatever was converted before it.
#include <gtest/gtest.h>

#include "convert.h"
#include "core_case.h"
#include "sndtrell.h"

namespace {

// The case's run as the command line makes it, in its input folder, with
// everything kept: the arguments taken, then the file read and
// converted.
Run Convert(const fs::path& folder)
{
    std::vector<std::string> args;
    std::vector<char*> argv = Arguments(folder, "sndtrell", args);
    Run run;
    Console console;
    console.program = "sndtrell";
    console.keep = true;
    Options options;
    if (!TakeArguments(int(argv.size()), argv.data(), options, console, &run.status)) {
        ADD_FAILURE() << folder << ": the arguments end the run";
        return run;
    }
    return RunOf(console, ConvertSoundFile(options, DELIVER_KEPT));
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
    ConvertTwiceInTwoOrders(SNDTRELL_CASES, {std::begin(CASES), std::end(CASES)}, Convert);
}

}  // namespace

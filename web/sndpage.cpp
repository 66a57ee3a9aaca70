// sndtrell's half of the page's entry: its main's run, everything kept.
#include "convert.h"
#include "page.h"
#include "sndtrell.h"

void RunProgram(int argc, char** argv, bool, PageRun& run)
{
    Console console;
    console.program = "sndtrell";
    console.keep = true;
    Options options;
    Result result;
    int status = STATUS_FAILED;
    if (TakeArguments(argc, argv, options, console, &status)) {
        result = ConvertSoundFile(options, DELIVER_KEPT);
        status = result.status;
        if (!result.outputs.files.empty() && !PlaceKeptFiles(result.console, result.outputs))
            status = STATUS_FAILED;
    }
    run.status = status;
    run.out = console.out + result.console.out;
    run.err = console.err + result.console.err;
}

// sndtrell: converts a PCM WAV file into CHIP8 assembler include text.
#include <cstdio>

#include "console.h"
#include "convert.h"
#include "platform.h"
#include "sndtrell.h"

int main(int argc, char** argv)
{
    FillStandardDescriptors();
    argv = CommandLineInUtf8(argc, argv);
    Options options;
    Console console;
    console.program = "sndtrell";
    int status = STATUS_FAILED;
    if (!TakeArguments(argc, argv, options, console, &status))
        return status;
    status = ConvertSoundFile(options, DELIVER_PRINTED).status;
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

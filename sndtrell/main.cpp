// sndtrell: converts a PCM WAV file into CHIP8 assembler include text.
#include <cstdio>

#include "console.h"
#include "convert.h"
#include "input.h"
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
    console.quiet = options.common.quiet;
    Say(console, "%sLoading WAV: %s\n", BANNER, options.sound);
    // A file of another format is refused from its first bytes, without
    // being read whole.
    InputFile input;
    bool read = ReadInputHead(console, input, options.sound, WAV_HEAD_SIZE) &&
                CheckWAVHead(console, options, input.head, input.headsize, input.size) &&
                ReadInputFile(console, input, options.sound);
    status = ConvertSound(options, read ? input.data : nullptr, read ? size_t(input.size) : 0, DELIVER_PRINTED).status;
    CloseInput(input);
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

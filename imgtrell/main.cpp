// imgtrell: converts a BMP or PNG picture into CHIP8 assembler include text.
#include <cstdio>

#include "convert.h"
#include "platform.h"

int main(int argc, char** argv)
{
    FillStandardDescriptors();
    argv = CommandLineInUtf8(argc, argv);
    Console console;
    console.program = "imgtrell";
    Options options;
    int status;
    if (!TakeArguments(argc, argv, options, console, &status))
        return status;
    status = ConvertPictureFile(options, DELIVER_PRINTED).status;
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

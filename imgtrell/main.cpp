// imgtrell: converts a BMP or PNG picture into CHIP8 assembler include text.
#include <cstdio>

#include "convert.h"
#include "decode.h"
#include "input.h"
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
    console.quiet = options.common.quiet;
    Say(console, "%sLoading image: %s\n", BANNER, options.picture);
    // The file is read whole only when its first bytes tell a format read
    // here; else its refusal is made from them alone.
    InputFile input;
    status = STATUS_FAILED;
    if (ReadInputHead(console, input, options.picture, SIGNATURE_BYTES) &&
        (!KnownPictureFormat(input.head, input.headsize) || ReadInputFile(console, input, options.picture))) {
        const bool whole = input.data != nullptr;
        status = ConvertPicture(options, whole ? input.data : input.head, whole ? size_t(input.size) : input.headsize,
                                DELIVER_PRINTED).status;
    }
    CloseInput(input);
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

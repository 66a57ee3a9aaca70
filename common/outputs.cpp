// The files of a conversion, kept or written through the transaction.
#include "outputs.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "output.h"

Result StartResult(const char* program, bool quiet, Delivery delivery)
{
    Result result;
    result.console.program = program;
    result.console.quiet = quiet;
    result.console.keep = delivery == DELIVER_KEPT;
    result.outputs.tofiles = delivery == DELIVER_PRINTED;
    return result;
}

void WarnOfMemory(Console& console, const char* what, uint64_t bytes, bool xochip)
{
    if (!xochip && bytes > CHIP8_MEMORY)
        Warn(console, "the %s takes %llu bytes; a CHIP8 or SUPER-CHIP program holds at most %llu (0x200 to 0xFFF)%s", what,
             (unsigned long long)bytes, (unsigned long long)CHIP8_MEMORY,
             bytes > XO_MEMORY ? ", an XO-CHIP program 65024" : "");
    else if (xochip && bytes > XO_MEMORY)
        Warn(console, "the %s takes %llu bytes; an XO-CHIP program holds at most %llu (0x200 to 0xFFFF)", what,
             (unsigned long long)bytes, (unsigned long long)XO_MEMORY);
}

bool MakeOutput(Console& console, Outputs& outputs, const std::string& name, bool binary, SyntaxIndex syntax,
                const std::function<void(TextWriter&)>& write)
{
    Output output;
    output.name = name;
    output.binary = binary;
    // Running out of memory while the text is made fails the file as a
    // failed write does: nothing of the run is left.
    FILE* file = nullptr;
    int error = 0;
    try {
        TextWriter w;
        w.syntax = SyntaxOf(syntax);
        if (outputs.tofiles && !(file = w.file = StartIncludeFile(console, outputs.transaction, name.c_str(), binary)))
            return false;
        w.kept = outputs.tofiles ? nullptr : &output.bytes;
        write(w);
        FlushText(w);
        error = w.error;
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    }
    if (file) {
        if (error == 0 && std::fflush(file) != 0)
            error = errno ? errno : EIO;
        if (!EndIncludeFile(console, outputs.transaction, file, error))
            return false;
    } else if (error) {
        SayError(console, "Error: cannot write %s: %s\n", name.c_str(), std::strerror(error));
        DropIncludeFiles(outputs.transaction);
        return false;
    }
    outputs.files.push_back(std::move(output));
    return true;
}

bool DeliverOutputs(Console& console, Outputs& outputs)
{
    return !outputs.tofiles || PlaceIncludeFiles(console, outputs.transaction);
}

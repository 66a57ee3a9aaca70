// The files of a conversion, kept or written through the transaction.
#include "outputs.h"

#include <cerrno>
#include <cstring>

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
    TextWriter w;
    w.syntax = SyntaxOf(syntax);
    if (outputs.tofiles) {
        w.file = StartIncludeFile(console, outputs.transaction, name.c_str(), binary);
        if (!w.file)
            return false;
    } else {
        w.kept = &output.bytes;
    }
    write(w);
    FlushText(w);
    if (outputs.tofiles) {
        if (w.error == 0 && std::fflush(w.file) != 0)
            w.error = errno ? errno : EIO;
        if (!EndIncludeFile(console, outputs.transaction, w.file, w.error))
            return false;
    } else if (w.error) {
        SayError(console, "Error: cannot write %s: %s\n", name.c_str(), std::strerror(w.error));
        return false;
    }
    outputs.files.push_back(std::move(output));
    return true;
}

bool DeliverOutputs(Console& console, Outputs& outputs)
{
    return !outputs.tofiles || PlaceIncludeFiles(console, outputs.transaction);
}

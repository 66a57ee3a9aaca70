// sndtrell: converts a PCM WAV file into CHIP8 assembler include text.
#include <cstdio>

#include "console.h"
#include "platform.h"
#include "sndtrell.h"
#include "xo.h"

int main(int argc, char** argv)
{
    FillStandardDescriptors();
    SetProgramName("sndtrell");
    argv = CommandLineInUtf8(argc, argv);
    int status = TakeArguments(argc, argv);
    if (status >= 0)
        return status;
    SetQuiet(options.common.quiet);
    Say("%sLoading WAV: %s\n", BANNER, options.sound);
    // A refused file still gives an include file, with a data length of 0,
    // since build scripts expect it; the status tells the refusal. In batch
    // mode it gives none, so that a build tool never takes it as made.
    // With --xo the loaded sound is made into buffers; a refused one gives
    // none.
    int loaded = LoadWAV(options.sound);
    if (loaded && options.xo)
        loaded = ConvertXO(options.sound);
    int written = 0;
    if (loaded || !options.common.batch) {
        Say("Writing CHIP8 sound: %s\n", options.common.output.c_str());
        if (options.preview)
            Say("Writing preview: %s\n", options.preview);
        written = WriteSoundFile(options.sound);
    }
    status = !loaded || !written ? STATUS_FAILED : options.common.batch ? STATUS_BATCH_CONVERTED : STATUS_CONVERTED;
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

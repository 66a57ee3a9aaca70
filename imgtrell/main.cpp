// imgtrell: converts a BMP or PNG picture into CHIP8 assembler include text.
#include <cstdio>

#include "console.h"
#include "decode.h"
#include "imgtrell.h"
#include "layout.h"
#include "picture.h"
#include "pixels.h"
#include "platform.h"

// A picture that converts to bits all 0 or all 1 was most likely read by
// the wrong rule: said on standard error, with the rule in use.
static void WarnOfOneValue()
{
    size_t pixels = size_t(imgwidth) * size_t(imgheight);
    if (options.mode == MODE_PALETTE || pixels == 0)
        return;
    bool zero = imgbuffer[0] == 0, same = true;
    for (size_t i = 0; i < pixels && same; i++)
        same = (imgbuffer[i] == 0) == zero;
    if (same)
        Warn("every pixel is %d (%s; see --rule and --preview)", zero ? 0 : 1, RuleText().c_str());
}

int main(int argc, char** argv)
{
    FillStandardDescriptors();
    SetProgramName("imgtrell");
    argv = CommandLineInUtf8(argc, argv);
    int status = TakeArguments(argc, argv);
    if (status >= 0)
        return status;
    SetQuiet(options.common.quiet);
    Say("%sLoading image: %s\n", BANNER, options.picture);
    status = STATUS_FAILED;
    if (LoadPicture(options.picture)) {
        WarnOfOneValue();
        Say("Writing CHIP8 image: %s\n", options.common.output.c_str());
        if (WriteImageFiles(options.picture)) {
            status = options.common.batch ? STATUS_BATCH_CONVERTED : STATUS_CONVERTED;
            if (options.preview)
                PrintPreview();
        }
    }
    std::fflush(stdout);
    if (!options.common.batch)
        WaitForKey();
    return status;
}

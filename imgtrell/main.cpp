// imgtrell: converts a BMP or PNG picture into CHIP8 assembler include text.
#include <cstdio>
#include <string>

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
    if (options.mode == MODE_PALETTE || ColourIndices() || pixels == 0)
        return;
    bool zero = imgbuffer[0] == 0, same = true;
    for (size_t i = 0; i < pixels && same; i++)
        same = (imgbuffer[i] == 0) == zero;
    if (same)
        Warn("every pixel is %d (%s; see --rule and --preview)", zero ? 0 : 1, RuleText().c_str());
}

// A picture whose blue and luma read apart on more than 1% of its pixels
// was most likely read by the wrong rule: said once, on standard error.
static void WarnOfDisagreement()
{
    uint64_t bright, dark;
    RuleDisagreement(&bright, &dark);
    const uint64_t pixels = uint64_t(imgwidth) * uint64_t(imgheight);
    if (bright + dark == 0 || (bright + dark) * 100 <= pixels)
        return;
    const bool up = bright >= dark;  // the more of the two
    const char* bit = (up != options.invert) ? "0" : "1";
    const uint64_t other = up ? dark : bright;
    Warn("%llu pixel%s %s by their blue but %s by their luma%s%s%s (see --rule and --preview)",
         (unsigned long long)(up ? bright : dark), (up ? bright : dark) == 1 ? " is" : "s are", bit,
         up ? "bright" : "dark", other ? ", " : "", other ? std::to_string(other).c_str() : "",
         other ? " the other way round" : "");
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
    if (LoadPicture(options.picture) && PlanLayout(options.picture)) {
        WarnOfOneValue();
        WarnOfDisagreement();
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

// The conversion of a picture: its stages in order.
#include "convert.h"

#include <string>

#include "conversion.h"
#include "decode.h"
#include "ink.h"
#include "layout.h"
#include "picture.h"
#include "pixels.h"

// A picture that converts to bits all 0 or all 1 was most likely read by
// the wrong rule: said on standard error, with the rule in use.
static void WarnOfOneValue(Conversion& cv)
{
    size_t pixels = size_t(imgwidth) * size_t(imgheight);
    if (cv.options.mode == MODE_PALETTE || ColourIndices(cv.options) || pixels == 0)
        return;
    bool zero = imgbuffer[0] == 0, same = true;
    for (size_t i = 0; i < pixels && same; i++)
        same = (imgbuffer[i] == 0) == zero;
    if (same)
        Warn(cv.console, "every pixel is %d (%s; see --rule and --preview)", zero ? 0 : 1, RuleText(cv).c_str());
}

// A picture that the rule in use and the ink rule read apart on more than
// 1% of its opaque pixels (and on at least one) was most likely misread:
// said once, on standard error, with the count each way. Else one whose
// blue and luma read apart on more than 1% of its pixels: said the same
// way. One line at most, never two for the same pixels.
static void WarnOfDisagreement(Conversion& cv)
{
    const InkCheck ink = CheckInk(cv);
    uint64_t up = ink.inkread0, down = ink.backgroundread1, of = ink.opaque;
    const bool byink = up + down > 0 && (up + down) * 100 > of;
    if (!byink) {
        RuleDisagreement(cv, &up, &down);
        of = uint64_t(imgwidth) * uint64_t(imgheight);
    }
    if (up + down == 0 || (up + down) * 100 <= of)
        return;
    const bool more = up >= down;  // the more of the two first
    const uint64_t first = more ? up : down, other = more ? down : up;
    const std::string rest = other ? ", " + std::to_string(other) + " the other way round" : "";
    if (byink)
        Warn(cv.console, "%llu pixel%s read %s %s%s (see --rule ink, --preview-png)", (unsigned long long)first,
             first == 1 ? "" : "s", more ? "0" : "1",
             more ? (first == 1 ? "is ink by its colour" : "are ink by their colour")
                  : (first == 1 ? "is background or transparent" : "are background or transparent"),
             rest.c_str());
    else
        Warn(cv.console, "%llu pixel%s %s by their blue but %s by their luma%s (see --rule and --preview)",
             (unsigned long long)first, first == 1 ? " is" : "s are", (more != cv.options.invert) ? "0" : "1",
             more ? "bright" : "dark", rest.c_str());
}

Result ConvertPicture(const Options& options, const uint8_t* data, size_t size, Delivery delivery)
{
    Result result = StartResult("imgtrell", options.common.quiet, delivery);
    Conversion cv{options, result.console, options.picture, {}, {}, {}, {}};
    ClearPicture();
    bool converted = DecodePicture(cv, data, size)  // the rows, each pixel through the rule
                     && FitPicture(cv)               // --fit
                     && FinishPixels(cv)             // a dither, colour indices
                     && PlanLayout(cv)               // the mode's layout, or tiles
                     && PlanPreview(cv);             // --preview-png
    if (converted) {
        WarnOfOneValue(cv);
        WarnOfDisagreement(cv);
        Say(cv.console, "Writing CHIP8 image: %s\n", options.common.outputfile.c_str());
        if (options.previewpng)
            Say(cv.console, "Writing preview: %s\n", options.previewpng->c_str());
        converted = WriteOutputs(cv, result.outputs) && DeliverOutputs(cv.console, result.outputs);
        if (converted && options.preview)
            PrintPreview(cv);
    }
    result.status = !converted ? STATUS_FAILED : options.common.batch ? STATUS_BATCH_CONVERTED : STATUS_CONVERTED;
    return result;
}

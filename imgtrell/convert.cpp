// The conversion of a picture: its stages in order.
#include "convert.h"

#include <new>
#include <string>

#include "conversion.h"
#include "decode.h"
#include "input.h"
#include "ink.h"
#include "layout.h"
#include "output.h"
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

// Runs a stage: one that runs out of memory is refused, as a picture too
// large for its bytes is, and whatever files were begun are dropped.
template <typename Stage>
static bool Within(Conversion& cv, Outputs& outputs, const char* doing, Stage stage)
{
    try {
        return stage();
    } catch (const std::bad_alloc&) {
        DropIncludeFiles(outputs.transaction);
        return RefuseMemory(cv, cv.path, doing);
    }
}

Result ConvertPicture(const Options& options, const uint8_t* data, size_t size, Delivery delivery)
{
    Result result = StartResult("imgtrell", options.common.quiet, delivery);
    Conversion cv{options, result.console, options.picture, {}, {}, {}, {}};
    ClearPicture();
    Outputs& outputs = result.outputs;
    bool converted =
        Within(cv, outputs, "read", [&] { return DecodePicture(cv, data, size); })  // the rows, each through the rule
        && Within(cv, outputs, "fit", [&] { return FitPicture(cv); })               // --fit
        && Within(cv, outputs, options.dither ? "dither" : "convert", [&] { return FinishPixels(cv); })  // colour indices
        && Within(cv, outputs, "lay out", [&] { return PlanLayout(cv); })          // the mode's layout, or tiles
        && Within(cv, outputs, "lay out", [&] { return PlanPreview(cv); });        // --preview-png
    if (converted) {
        WarnOfOneValue(cv);
        WarnOfDisagreement(cv);
        WarnOfMemory(cv.console, "picture", DataBytes(cv), options.planes > 1);
        Say(cv.console, "Writing CHIP8 image: %s\n", options.common.outputfile.c_str());
        if (options.previewpng)
            Say(cv.console, "Writing preview: %s\n", options.previewpng->c_str());
        converted = Within(cv, outputs, "write", [&] { return WriteOutputs(cv, outputs); }) &&
                    DeliverOutputs(cv.console, outputs);
        if (converted && options.preview)
            PrintPreview(cv);
    }
    result.status = !converted ? STATUS_FAILED : options.common.batch ? STATUS_BATCH_CONVERTED : STATUS_CONVERTED;
    return result;
}

Result ConvertPictureFile(const Options& options, Delivery delivery)
{
    Result result = StartResult("imgtrell", options.common.quiet, delivery);
    result.status = STATUS_FAILED;
    Say(result.console, "%sLoading image: %s\n", BANNER, options.picture);
    InputFile input;
    if (ReadInputHead(result.console, input, options.picture, SIGNATURE_BYTES) &&
        (!KnownPictureFormat(input.head, input.headsize) || ReadInputFile(result.console, input, options.picture))) {
        const bool whole = input.data != nullptr;
        Result converted = ConvertPicture(options, whole ? input.data : input.head,
                                          whole ? size_t(input.size) : input.headsize, delivery);
        converted.console.out.insert(0, result.console.out);
        converted.console.err.insert(0, result.console.err);
        result = std::move(converted);
    }
    CloseInput(input);
    return result;
}

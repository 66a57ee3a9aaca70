// One conversion of a sound: load, with --xo pack the buffers, write the
// text, deliver the files.
#include "convert.h"

#include "console.h"
#include "outputs.h"
#include "sndtrell.h"
#include "xo.h"

// Makes the include file, then with --preview-wav the preview, then moves
// them into place together. False after the failure line.
static bool WriteSoundFiles(SoundRun& run, Outputs& outputs)
{
    const Options& options = run.options;
    const SyntaxIndex syntax = options.common.syntax;
    if (!MakeOutput(run.console, outputs, options.common.outputfile, false, syntax, [&](TextWriter& w) {
            if (options.xo)
                WriteXoData(w, run);
            else
                WriteSoundData(w, run);
        }))
        return false;
    if (options.preview &&
        !MakeOutput(run.console, outputs, options.preview, true, syntax,
                    [&](TextWriter& w) { WritePreviewData(w, run); }))
        return false;
    return DeliverOutputs(run.console, outputs);
}

Result ConvertSound(const Options& options, const uint8_t* data, size_t size, Delivery delivery)
{
    soundsize = 0;
    samplerate = 0;
    soundbuffer = nullptr;
    Result result = StartResult("sndtrell", options.common.quiet, delivery);
    Sound sound;
    SoundRun run{options, result.console, sound};

    // A refused file still gives an include file, with a data length of 0,
    // since build scripts expect it; the status tells the refusal. In batch
    // mode it gives none, so that a build tool never takes it as made.
    // With --xo the loaded sound is made into buffers; a refused one gives
    // none.
    bool loaded = data && DecodeWAV(run, data, size);
    if (loaded && options.xo)
        loaded = ConvertXO(run);
    bool written = false;
    if (loaded || !options.common.batch) {
        Say(run.console, "Writing CHIP8 sound: %s\n", options.common.outputfile.c_str());
        if (options.preview)
            Say(run.console, "Writing preview: %s\n", options.preview);
        written = WriteSoundFiles(run, result.outputs);
    }
    if (!loaded || !written)
        result.status = STATUS_FAILED;
    else
        result.status = options.common.batch ? STATUS_BATCH_CONVERTED : STATUS_CONVERTED;
    return result;
}

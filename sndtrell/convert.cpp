// One conversion of a sound: load, with --xo pack the buffers, write the
// text, deliver the files.
#include "convert.h"

#include <new>

#include "console.h"
#include "input.h"
#include "output.h"
#include "outputs.h"
#include "sndtrell.h"
#include "xo.h"

// The files a conversion may write, in the order they are made: each with
// its name, what it holds and the option that names it (for the usage
// errors of a name it shares), whether it is bytes as they are, whether
// this conversion writes it, and what writes it.
struct OutputRow {
    std::string (*name)(const Options& options);
    const char* holds;
    const char* (*given)(const Options& options);
    bool binary;
    bool (*wanted)(const Options& options);
    void (*write)(TextWriter& w, const SoundRun& run);
};
static std::string SoundFile(const Options& options) { return options.common.outputfile; }
static std::string PreviewFile(const Options& options) { return options.preview ? options.preview : ""; }
static const char* SoundGiven(const Options& options) { return options.common.output ? "-o" : "the include file"; }
static const char* PreviewGiven(const Options&) { return "--preview-wav"; }
static bool Always(const Options&) { return true; }
static bool PreviewAsked(const Options& options) { return options.preview != nullptr; }
static void WriteSoundText(TextWriter& w, const SoundRun& run)
{
    run.options.xo ? WriteXoData(w, run) : WriteSoundData(w, run);
}
static const OutputRow OUTPUTS[] = {
    {SoundFile, "sound", SoundGiven, false, Always, WriteSoundText},
    {PreviewFile, "preview", PreviewGiven, true, PreviewAsked, WritePreviewData},
};

bool CheckOutputFiles(const Options& options, Console& console)
{
    std::vector<PlannedFile> files;
    for (const OutputRow& row : OUTPUTS)
        if (row.wanted(options))
            files.push_back({row.name(options), row.holds, row.given(options)});
    return CheckPlannedFiles(console, files, options.sound, true);
}

// Makes the files the conversion asks for, then moves them into place
// together. False after the failure line.
static bool WriteSoundFiles(SoundRun& run, Outputs& outputs)
{
    for (const OutputRow& row : OUTPUTS)
        if (row.wanted(run.options) &&
            !MakeOutput(run.console, outputs, row.name(run.options), row.binary, run.options.common.syntax,
                        [&](TextWriter& w) { row.write(w, run); }))
            return false;
    return DeliverOutputs(run.console, outputs);
}

// The buffers of --xo; running out of memory for them is a refusal.
static bool MakeBuffers(SoundRun& run)
{
    try {
        return ConvertXO(run);
    } catch (const std::bad_alloc&) {
        return Refuse(run.console, run.options.sound, "cannot allocate the memory to make its XO-CHIP buffers");
    }
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
        loaded = MakeBuffers(run);
    else if (loaded)
        WarnOfMemory(run.console, "sound", 6 + uint64_t(soundsize), false);
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

Result ConvertSoundFile(const Options& options, Delivery delivery)
{
    Console console = StartResult("sndtrell", options.common.quiet, delivery).console;
    Say(console, "%sLoading WAV: %s\n", BANNER, options.sound);
    InputFile input;
    const bool read = ReadInputHead(console, input, options.sound, WAV_HEAD_SIZE) &&
                      CheckWAVHead(console, options, input.head, input.headsize, input.size) &&
                      ReadInputFile(console, input, options.sound);
    Result result = ConvertSound(options, read ? input.data : nullptr, read ? size_t(input.size) : 0, delivery);
    result.console.out.insert(0, console.out);
    result.console.err.insert(0, console.err);
    CloseInput(input);
    return result;
}

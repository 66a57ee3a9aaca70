// Sound converter state and operations: a WAV file is decoded into the
// globals and the Sound below, then written out as assembler include text.
// Every function that can stop a conversion returns true to go on, or
// false once it has said why on the console.
#ifndef SNDTRELL_H
#define SNDTRELL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cmdline.h"
#include "console.h"
#include "textbuffer.h"

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,            // usage, help or version shown
    STATUS_BATCH_CONVERTED = 0,  // the input loaded and the include file written, with --batch
    STATUS_CONVERTED = 1,        // the input loaded and the include file written
    STATUS_FAILED = 2            // the input refused (the include file still written, size
                                 // 0, but not with --batch), the include file not created
                                 // or not fully written, or a usage error
};

// How --quantize makes the samples bits: by a search for the bits heard
// nearest the sound, a sample's sign, or first-order delta-sigma.
enum Quantize { QUANTIZE_SEARCH, QUANTIZE_SIGN, QUANTIZE_DS1 };

// What the command line asks for: filled by TakeArguments, read by every
// stage of a conversion.
struct Options {
    // -o, -l, -b (which also means no include file for a refused sound),
    // -q and --syntax.
    CommonOptions common{"sound.inc"};
    // The path: the first argument that is no option. It names the sound in
    // messages and in the include file's comment.
    const char* sound = nullptr;
    // --xo: XO-CHIP pattern buffers (xo.h) instead of the samples, with
    // --pitch, --frames-per-buffer, --quantize, --gate, --xo-header and
    // --preview-wav.
    bool xo = false;
    int pitch = 61;
    int framesperbuffer = 2;
    Quantize quantize = QUANTIZE_SEARCH;
    double gate = -48;     // dBFS
    bool xoheader = false;
    const char* preview = nullptr;
};

// The label of the data: -l's, or SOUNDDATA.
inline std::string SoundLabel(const Options& options) { return options.common.label ? options.common.label : "SOUNDDATA"; }
// The constants of --consts, in the order written, by their suffixes: of
// the samples (their rate, their bytes, and those with the header), and
// of --xo (the pitch, the frames a buffer plays, the buffers, and their
// bytes with the header of --xo-header).
const char* const SAMPLE_CONSTANTS[] = {"rate", "length", "bytes"};
const char* const XO_CONSTANTS[] = {"pitch", "frames-per-buffer", "buffers", "bytes"};

// The three lines every run but a usage error begins with.
extern const char BANNER[];
// Takes the options and the sound into options, its usage errors, help
// and version said on console. True to go on and convert; false to end
// now with *status.
bool TakeArguments(int argc, char** argv, Options& options, Console& console, int* status);

// Length of the sample data in bytes; 0 unless a load succeeded.
extern int32_t soundsize;
// Samples per second, as the file's rate field holds it.
extern int32_t samplerate;
// The soundsize bytes of sample data exactly as stored in the file. Points
// into the bytes decoded, which must outlive its use; null unless a load
// succeeded.
extern const uint8_t* soundbuffer;

// The rest of the sound of one conversion: the channel count and bits per
// sample of the fmt chunk (0 unless loaded), and with --xo its pattern
// buffers (xo.h), BUFFER_BYTES each.
struct Sound {
    int channels = 0;
    int bits = 0;
    std::vector<uint8_t> xobuffers;
};

// What each stage of a conversion works with: the options of the run, the
// console its lines go to, and the sound.
struct SoundRun {
    const Options& options;
    Console& console;
    Sound& sound;
};

// The bytes of the file's head CheckWAVHead reads.
const size_t WAV_HEAD_SIZE = 12;
// For a file of filesize bytes that begins with head (headsize bytes, at
// most WAV_HEAD_SIZE): false after the refusal when it is long enough to
// hold a WAV header but is no RIFF WAVE file, so that it need not be read
// whole; true when it may be a WAV.
bool CheckWAVHead(Console& console, const Options& options, const uint8_t* head, size_t headsize,
                  uint64_t filesize);

// Decodes a WAV held in memory into the globals and run.sound. Says the
// loader's line, or the refusal. On success soundbuffer points into data.
bool DecodeWAV(SoundRun& run, const uint8_t* data, size_t size);

// Writes the include text of the samples: the comment, the label, the
// six-byte sound header and the sample bytes.
void WriteSoundData(TextWriter& w, const SoundRun& run);

#endif

// Sound converter state and operations: a WAV file is read into the globals
// below by the loader, then written out as assembler include text.
#ifndef SNDTRELL_H
#define SNDTRELL_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "cmdline.h"

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,            // usage, help or version shown
    STATUS_BATCH_CONVERTED = 0,  // the input loaded and the include file written, with --batch
    STATUS_CONVERTED = 1,        // the input loaded and the include file written
    STATUS_FAILED = 2            // the input refused (the include file still written, size
                                 // 0, but not with --batch), the include file not created
                                 // or not fully written, or a usage error
};

// What the command line asks for: filled by main, read by the loader and
// the writer.
struct Options {
    // -o, -l, -b (which also means no include file for a refused sound),
    // -q and --syntax.
    CommonOptions common{"sound.inc"};
    // The path: the first argument that is no option.
    const char* sound = nullptr;
    // --xo: XO-CHIP pattern buffers (xo.h) instead of the samples, with
    // --pitch, --frames-per-buffer, --quantize, --gate, --xo-header and
    // --preview-wav.
    bool xo = false;
    int pitch = 61;
    int framesperbuffer = 2;
    int quantize = 0;      // QUANTIZE_SIGN or QUANTIZE_DS1
    double gate = -48;     // dBFS
    bool xoheader = false;
    const char* preview = nullptr;
};
extern Options options;

// The three lines every run but a usage error begins with.
extern const char BANNER[];
// Takes the options and the sound into options. Returns the status to end
// with, or -1 to go on and convert.
int TakeArguments(int argc, char** argv);

// Length of the sample data in bytes; 0 unless a load succeeded.
extern int32_t soundsize;
// Samples per second, as the file's rate field holds it.
extern int32_t samplerate;
// The soundsize bytes of sample data exactly as stored in the file. Points
// into the loaded file block (which is kept); null unless a load succeeded.
extern const uint8_t* soundbuffer;
// The channel count and bits per sample of the fmt chunk; 0 unless loaded.
extern int soundchannels;
extern int soundbits;

// Reads the WAV at path whole and takes the sample rate and data chunk
// into the globals. Prints the success line, a refusal message, or one line
// naming the file and the cause. Returns 1 when loaded, 0 when refused.
int LoadWAV(const char* path);

// Decodes a WAV held in memory; path is used only in messages. On success
// soundbuffer points into data, which must outlive its use.
int DecodeWAV(const uint8_t* data, size_t size, const char* path);

// Writes the sound.inc text for the globals to an open stream. Returns 0
// when every byte was written, -1 on a write error (errno tells the cause).
int WriteSoundData(FILE* out, const char* path);

// Writes the include file (and with --preview-wav the preview) through
// temporary files, so a failed write leaves the earlier ones intact.
// Prints one line and returns 0 on failure, returns 1 on success.
int WriteSoundFile(const char* path);

#endif

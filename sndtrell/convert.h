// sndtrell's conversion as one call: a sound's bytes and the settled
// options in, everything a run gives out, so that a front end other than
// the command line (a page, a test, a fuzzer) converts any number of
// sounds in one process, each exactly as a run of its own would.
#ifndef SNDTRELL_CONVERT_H
#define SNDTRELL_CONVERT_H

#include <cstddef>
#include <cstdint>

#include "outputs.h"
#include "sndtrell.h"

// Converts the size bytes at data, the WAV at options.sound, as the run of
// options does: decodes it, with --xo packs its buffers, makes the include
// file (and with --preview-wav the preview) and delivers them. data null
// means the file could not be read (its refusal already said): the sound
// is refused. The result holds the status to end with (sndtrell.h), the
// console lines after "Loading WAV" and the files, kept or printed and
// written as delivery says. soundsize, samplerate and soundbuffer are set
// anew; soundbuffer points into data.
Result ConvertSound(const Options& options, const uint8_t* data, size_t size, Delivery delivery);
// Says the banner and "Loading WAV: PATH", then reads the file
// options.sound names as the command line does (its first
// bytes first: a file of another format is refused from them, without
// being read whole), and converts it.
Result ConvertSoundFile(const Options& options, Delivery delivery);

// Checks the files the options ask for, before anything is read: no two of
// them one file, and none of them the sound. False after the usage error.
bool CheckOutputFiles(const Options& options, Console& console);

#endif

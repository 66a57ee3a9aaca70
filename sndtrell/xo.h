// XO-CHIP audio (--xo): a sound made into pattern buffers that a program
// loads with the audio instruction, one every few frames.
//
// A pattern buffer is 16 bytes, 128 one-bit samples, the top bit of the
// first byte first, played at 4000 x 2^((pitch - 64) / 48) samples per
// second. The play position runs on across loads (it goes back to 0 only
// when the buzzer timer reaches 0), and Octo renders each 1/60 s frame with
// the buffer loaded at that frame's end. So play sample t, heard in frame
// floor(t x 60 / rate), goes into the buffer of that frame at position
// t mod 128: with a new buffer every K frames, K frames must play at most
// 128 samples.
#ifndef SNDTRELL_XO_H
#define SNDTRELL_XO_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "console.h"
#include "outputs.h"
#include "sndtrell.h"
#include "textbuffer.h"

const int BUFFER_BYTES = 16, BUFFER_SAMPLES = 128;
// The longest sound converted: 18 minutes, 64800 frames, so that a buffer
// count (one buffer a frame at most) fits in the header's two bytes.
const double LONGEST_SOUND = 1080;

// The samples per second played at a pitch.
double PlayRate(int pitch);
// The frame, of 1/60 s, that plays sample t at that rate.
size_t FrameOf(size_t t, double rate);

// The loaded sound (sndtrell.h) as mono samples from -1 to 1; samples.cpp.
// How many it holds: false after the refusal line of a sound --xo does not
// take (its depth, channels, rate or length).
bool CountSamples(const SoundRun& run, size_t* count);
// Its samples first to first + n - 1, into out.
void ReadSamples(const SoundRun& run, size_t first, size_t n, float* out);

// The sound goes through the stages a block of samples at a time, so that
// their memory does not grow with it: read(first, n, out) gives n samples
// from the first, take(samples, n) is handed the next n made.
using SampleReader = std::function<void(size_t first, size_t n, float* out)>;
using SampleTaker = std::function<void(const float* samples, size_t n)>;
const size_t SAMPLE_BLOCK = size_t(1) << 16;
// As many samples as count of them last at another rate.
size_t ResampledCount(size_t count, double inrate, double outrate);
// The count samples read gives at inrate, band-limited and resampled to
// outrate by libsoxr (or as they are when the rates are equal), handed to
// take: ResampledCount of them, any the resampler does not make at the end
// 0; resample.cpp. False after the refusal line naming path.
bool Resample(Console& console, const char* path, size_t count, double inrate, double outrate, const SampleReader& read,
              const SampleTaker& take);
// True when this build resamples (libsoxr is linked).
bool CanResample();

// The bits of samples played at rate, packed into buffers of frames frames
// each: a frame whose samples all stay below gate dBFS gives 0 bits, the
// others a bit a sample from the quantizer; positions no frame plays are 0.
// The samples come in blocks (PackSamples), count of them in all (any
// more are left out); the packer holds the frame under way.
struct Packer {
    double rate, quiet;
    size_t count, perbuffer;
    int quantize;
    std::vector<uint8_t> buffers;
    std::vector<float> frame;  // the samples of the frame under way
    size_t first = 0;          // the number of the first of them
    // The first-order delta-sigma loop: the running sum of the samples less
    // the levels written, -1 for a 0 bit and 1 for a 1 bit.
    double sum = 0;
};
Packer StartPacking(size_t count, double rate, int frames, int quantize, double gate);
void PackSamples(Packer& packer, const float* samples, size_t n);
// The buffers, once every sample is in.
std::vector<uint8_t> EndPacking(Packer& packer);

// Converts the loaded sound into run.sound.xobuffers with the options of
// the run. False after the refusal line.
bool ConvertXO(SoundRun& run);

// Writes the include text of the buffers.
void WriteXoData(TextWriter& w, const SoundRun& run);

// The buffers as Octo plays them (preview.cpp), for --preview-wav: 16-bit
// samples at 48000 Hz, PREVIEW_FRAME a frame.
const int PREVIEW_RATE = 48000, PREVIEW_FRAME = 800;
// Octo's player: the play position and its output filter, carried from
// frame to frame while the buzzer sounds.
struct OctoPlayer {
    double position = 0;
    double filter[5] = {};
};
// Renders the next frame of a buffer at pitch into out.
void RenderFrame(OctoPlayer& player, const uint8_t* buffer, int pitch, int16_t* out);
// Writes the buffers as the bytes of a WAV file, each buffer for
// --frames-per-buffer frames.
void WritePreviewData(TextWriter& w, const SoundRun& run);

#endif

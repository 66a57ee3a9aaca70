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
// 128 samples. A sample whose play begins in one buffer's last frame and
// ends in the next buffer's first is heard from both.
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
// 0; resample.cpp. Precise: in double precision, each sample then rounded
// to a float, so that every build of libsoxr (whose own filters differ in
// their last digits from system to system) gives the same samples, but by
// a chance of about one in a billion a sample. False after the refusal line
// naming path.
bool Resample(Console& console, const char* path, size_t count, double inrate, double outrate, const SampleReader& read,
              const SampleTaker& take, bool precise = false);
// True when this build resamples (libsoxr is linked).
bool CanResample();

// Whether each frame of samples at rate is heard: 1 when a sample reaches
// gate dBFS.
std::vector<uint8_t> HeardFrames(const std::vector<float>& samples, double rate, double gate);
// The rule of each of count samples' bits (xosearch.h): 0 in a frame not
// heard; with a buffer a frame (frames 1), in a frame that begins with the
// end of the sample before it and plays on to the sample 128 on, which
// takes that sample's place, the same bit as that sample.
std::vector<uint8_t> BitRules(size_t count, double rate, int frames, const std::vector<uint8_t>& heard);
// The bits of samples played at rate in buffers of frames frames each:
// each bit in the buffer of its frame; the bit of a sample that plays on
// into the next buffer also in that one, where no sample of its own has
// the place; positions no frame plays 0.
std::vector<uint8_t> PackBits(const std::vector<uint8_t>& bits, double rate, int frames);
// The samples made into bits by the quantizer and packed: a frame whose
// samples all stay below gate dBFS gives 0 bits.
std::vector<uint8_t> PackBuffers(const std::vector<float>& samples, double rate, int frames, int quantize,
                                 double gate);

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

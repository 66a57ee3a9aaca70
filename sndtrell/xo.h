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
// False after the refusal line.
bool ReadSamples(const SoundRun& run, std::vector<float>& samples);
// The samples band-limited and resampled from one rate to another by
// libsoxr, or copied when the rates are equal; resample.cpp. False after
// the refusal line naming path.
bool Resample(Console& console, const char* path, const std::vector<float>& in, double inrate, double outrate,
              std::vector<float>& out);
// True when this build resamples (libsoxr is linked).
bool CanResample();

// The bits of samples played at rate, packed into buffers of frames frames
// each: a frame whose samples all stay below gate dBFS gives 0 bits, the
// others a bit a sample from the quantizer; positions no frame plays are 0.
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

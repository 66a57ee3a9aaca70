// The preview of --preview-wav: the buffers rendered as Octo's audio code
// plays them, so that a sound can be heard before the program is built.
// Each frame Octo makes ceil(48000 x 1/60) = 800 output samples from the
// buffer loaded at that frame's end; each output sample is the last of 8
// steps of 1/8 of the play rate's step through the buffer, the bit found
// at each step fed through four simple low-pass filters in a row (18 kHz,
// as an RC filter each). The play position and the filters run on from
// frame to frame. A level of 0 to 1 is written as 0 to 32767, the buzzer's
// silence as 0.
#include <cmath>

#include "sndtrell.h"
#include "xo.h"

static const int STEPS = 8;  // per output sample: ceil(384000 / 48000)
static const double PI = 3.141592653589793;

// The weight of each filter's new input, as Octo computes it.
static double FilterAlpha()
{
    const double c = std::cos(2 * PI * 18000 / (PREVIEW_RATE * STEPS));
    return c - 1 + std::sqrt(c * c - 4 * c + 3);
}

void RenderFrame(OctoPlayer& player, const uint8_t* buffer, int pitch, int16_t* out)
{
    static const double alpha = FilterAlpha();
    const double step = PlayRate(pitch) / PREVIEW_RATE / STEPS;
    double* filter = player.filter;
    for (int i = 0; i < PREVIEW_FRAME; i++) {
        for (int j = 0; j < STEPS; j++) {
            const int at = int(player.position);
            filter[0] = buffer[at >> 3] >> ((at & 7) ^ 7) & 1;
            for (int k = 1; k < 5; k++)
                filter[k] += (filter[k - 1] - filter[k]) * alpha;
            player.position = std::fmod(player.position + step, BUFFER_SAMPLES);
        }
        out[i] = int16_t(filter[4] * 32767 + 0.5);
    }
}

static void Put32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        p[i] = uint8_t(value >> (8 * i));
}

void WritePreviewData(TextWriter& w, const SoundRun& run)
{
    const Options& options = run.options;
    const std::vector<uint8_t>& buffers = run.sound.xobuffers;
    const size_t frames = buffers.size() / BUFFER_BYTES * size_t(options.framesperbuffer);
    const uint32_t length = uint32_t(frames * PREVIEW_FRAME * 2);
    // The canonical 44-byte header: PCM, one channel, 16 bits.
    uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
                          0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a'};
    Put32(header + 4, 36 + length);
    Put32(header + 24, PREVIEW_RATE);
    Put32(header + 28, PREVIEW_RATE * 2);
    Put32(header + 40, length);
    PutText(w, reinterpret_cast<const char*>(header), sizeof header);
    OctoPlayer player;
    int16_t samples[PREVIEW_FRAME];
    char bytes[PREVIEW_FRAME * 2];
    // Rendering stops at the first write that fails: the file is lost.
    for (size_t frame = 0; frame < frames && w.error == 0; frame++) {
        RenderFrame(player, &buffers[frame / size_t(options.framesperbuffer) * BUFFER_BYTES], options.pitch, samples);
        for (int i = 0; i < PREVIEW_FRAME; i++)
            bytes[2 * i] = char(uint8_t(samples[i])), bytes[2 * i + 1] = char(uint8_t(uint16_t(samples[i]) >> 8));
        PutText(w, bytes, sizeof bytes);
    }
}

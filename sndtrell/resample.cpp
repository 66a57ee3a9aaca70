// Resampling for --xo, through libsoxr: its high-quality filter (20 bits,
// linear phase) takes away what the new rate cannot carry before the
// samples are taken at that rate.
#include <algorithm>
#include <cmath>

#include "console.h"
#include "platform.h"
#include "xo.h"

size_t ResampledCount(size_t count, double inrate, double outrate)
{
    return size_t(std::floor(double(count) * outrate / inrate + 0.5));
}

// The samples as they are, a block at a time.
static void PassOn(size_t count, const SampleReader& read, const SampleTaker& take)
{
    std::vector<float> block(std::min(count, SAMPLE_BLOCK));
    for (size_t at = 0; at < count; at += block.size()) {
        const size_t n = std::min(count - at, block.size());
        read(at, n, block.data());
        take(block.data(), n);
    }
}

#if TRELL_SOXR
#include <soxr.h>

#include <new>

const size_t RESAMPLER_ROOM = size_t(4) << 20;

bool CanResample() { return true; }

bool Resample(Console& console, const char* path, size_t count, double inrate, double outrate, const SampleReader& read,
              const SampleTaker& take)
{
    if (inrate == outrate || count == 0) {
        PassOn(count, read, take);
        return true;
    }
    // libsoxr does not check its own allocations: one that failed would
    // crash it. So it starts only where there is room for them, the most it
    // takes (under 1 MiB at the rates here) four times over; else the sound
    // is refused as when any allocation fails.
    uint8_t* room = AllocateBlock(RESAMPLER_ROOM);
    if (!room)
        throw std::bad_alloc();
    FreeBlock(room);
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_t soxr = soxr_create(inrate, outrate, 1, &error, &io, &quality, nullptr);
    if (!soxr)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error ? error : "libsoxr failed");
    // A block in, what it makes out, then the end flushed out (no input),
    // until all are there.
    const size_t total = ResampledCount(count, inrate, outrate);
    std::vector<float> in(std::min(count, SAMPLE_BLOCK)), out(SAMPLE_BLOCK);
    size_t taken = 0, made = 0;
    while (!error && made < total) {
        const size_t give = std::min(in.size(), count - taken);
        if (give)
            read(taken, give, in.data());
        size_t used = 0, done = 0;
        error = soxr_process(soxr, give ? in.data() : nullptr, give, &used, out.data(), std::min(out.size(), total - made),
                             &done);
        take(out.data(), done);
        taken += used;
        made += done;
        if (!give && !done)
            break;  // flushed: what is missing is 0
    }
    soxr_delete(soxr);
    if (error)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error);
    std::fill(out.begin(), out.end(), 0.0f);
    for (size_t n; made < total; made += n)
        take(out.data(), n = std::min(out.size(), total - made));
    return true;
}

#else

bool CanResample() { return false; }

bool Resample(Console& console, const char* path, size_t, double, double, const SampleReader&, const SampleTaker&)
{
    return Refuse(console, path, "this build has no resampler");
}

#endif

// Resampling for --xo, through libsoxr: its high-quality filter (20 bits,
// linear phase; 28 bits in double precision when precise) takes away what
// the new rate cannot carry before the samples are taken at that rate.
#include <algorithm>
#include <cmath>
#include <cstddef>

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

// The count samples read gives, through soxr, whose samples are of type
// Sample, handed to take as floats: a block in, what it makes out, then
// the end flushed out (no input), until all total are there; what is
// missing is 0.
template <typename Sample>
static soxr_error_t Run(soxr_t soxr, size_t count, size_t total, const SampleReader& read, const SampleTaker& take)
{
    std::vector<float> read32(std::min(count, SAMPLE_BLOCK)), out32(SAMPLE_BLOCK);
    std::vector<Sample> in(read32.size()), out(SAMPLE_BLOCK);
    size_t taken = 0, made = 0;
    soxr_error_t error = nullptr;
    while (!error && made < total) {
        const size_t give = std::min(in.size(), count - taken);
        if (give) {
            read(taken, give, read32.data());
            std::copy(read32.begin(), read32.begin() + ptrdiff_t(give), in.begin());
        }
        size_t used = 0, done = 0;
        error = soxr_process(soxr, give ? in.data() : nullptr, give, &used, out.data(), std::min(out.size(), total - made),
                             &done);
        for (size_t i = 0; i < done; i++)
            out32[i] = float(out[i]);
        take(out32.data(), done);
        taken += used;
        made += done;
        if (!give && !done)
            break;  // flushed: what is missing is 0
    }
    std::fill(out32.begin(), out32.end(), 0.0f);
    for (size_t n; !error && made < total; made += n)
        take(out32.data(), n = std::min(out32.size(), total - made));
    return error;
}

bool Resample(Console& console, const char* path, size_t count, double inrate, double outrate, const SampleReader& read,
              const SampleTaker& take, bool precise)
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
    const soxr_io_spec_t io = precise ? soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I)
                                      : soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(precise ? SOXR_VHQ : SOXR_HQ, 0);
    soxr_t soxr = soxr_create(inrate, outrate, 1, &error, &io, &quality, nullptr);
    if (!soxr)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error ? error : "libsoxr failed");
    const size_t total = ResampledCount(count, inrate, outrate);
    error = precise ? Run<double>(soxr, count, total, read, take) : Run<float>(soxr, count, total, read, take);
    soxr_delete(soxr);
    if (error)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error);
    return true;
}

#else

bool CanResample() { return false; }

bool Resample(Console& console, const char* path, size_t, double, double, const SampleReader&, const SampleTaker&, bool)
{
    return Refuse(console, path, "this build has no resampler");
}

#endif

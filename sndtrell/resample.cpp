// Resampling for --xo, through libsoxr: its high-quality filter (20 bits,
// linear phase; 28 bits in double precision when precise) takes away what
// the new rate cannot carry before the samples are taken at that rate.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "console.h"
#include "xo.h"

#if TRELL_SOXR
#include <soxr.h>

bool CanResample() { return true; }

// Resamples in to count samples of out through soxr, whose samples are
// of type Sample, in blocks, then the end flushed out (no input), until
// all are there; what is missing stays 0.
template <typename Sample>
static soxr_error_t Run(soxr_t soxr, const std::vector<float>& in, std::vector<float>& out, size_t count)
{
    const size_t BLOCK = 1 << 16;
    std::vector<Sample> given(BLOCK), made(BLOCK);
    out.assign(count, 0);
    size_t taken = 0, done = 0;
    soxr_error_t error = nullptr;
    while (!error && done < count) {
        const size_t give = std::min(BLOCK, in.size() - taken);
        std::copy(in.begin() + ptrdiff_t(taken), in.begin() + ptrdiff_t(taken + give), given.begin());
        size_t used = 0, got = 0;
        error = soxr_process(soxr, give ? given.data() : nullptr, give, &used, made.data(),
                             std::min(BLOCK, count - done), &got);
        std::copy(made.begin(), made.begin() + ptrdiff_t(got), out.begin() + ptrdiff_t(done));
        taken += used;
        done += got;
        if (!give && !got)
            break;
    }
    return error;
}

bool Resample(Console& console, const char* path, const std::vector<float>& in, double inrate, double outrate,
              std::vector<float>& out, bool precise)
{
    out.clear();
    if (inrate == outrate || in.empty()) {
        out = in;
        return true;
    }
    // As many samples as the sound lasts at the new rate.
    const size_t count = size_t(std::floor(double(in.size()) * outrate / inrate + 0.5));
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = precise ? soxr_io_spec(SOXR_FLOAT64_I, SOXR_FLOAT64_I)
                                      : soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(precise ? SOXR_VHQ : SOXR_HQ, 0);
    soxr_t soxr = soxr_create(inrate, outrate, 1, &error, &io, &quality, nullptr);
    if (!soxr)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error ? error : "libsoxr failed");
    error = precise ? Run<double>(soxr, in, out, count) : Run<float>(soxr, in, out, count);
    soxr_delete(soxr);
    if (error)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error);
    return true;
}

#else

bool CanResample() { return false; }

bool Resample(Console& console, const char* path, const std::vector<float>&, double, double, std::vector<float>&, bool)
{
    return Refuse(console, path, "this build has no resampler");
}

#endif

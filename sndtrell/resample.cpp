// Resampling for --xo, through libsoxr: its high-quality filter (20 bits,
// linear phase) takes away what the new rate cannot carry before the
// samples are taken at that rate.
#include <algorithm>
#include <cmath>

#include "console.h"
#include "xo.h"

#if TRELL_SOXR
#include <soxr.h>

bool CanResample() { return true; }

bool Resample(Console& console, const char* path, const std::vector<float>& in, double inrate, double outrate,
              std::vector<float>& out)
{
    out.clear();
    if (inrate == outrate || in.empty()) {
        out = in;
        return true;
    }
    // As many samples as the sound lasts at the new rate.
    const size_t count = size_t(std::floor(double(in.size()) * outrate / inrate + 0.5));
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_t soxr = soxr_create(inrate, outrate, 1, &error, &io, &quality, nullptr);
    if (!soxr)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error ? error : "libsoxr failed");
    // In blocks, then the end flushed out (no input), until all are there.
    const size_t BLOCK = 1 << 16;
    out.resize(count);
    size_t taken = 0, made = 0;
    while (!error && made < count) {
        const size_t give = std::min(BLOCK, in.size() - taken);
        size_t used = 0, done = 0;
        error = soxr_process(soxr, give ? in.data() + taken : nullptr, give, &used, out.data() + made, count - made,
                             &done);
        taken += used;
        made += done;
        if (!give && !done)
            break;  // flushed: what is missing stays 0
    }
    soxr_delete(soxr);
    if (error)
        return Refuse(console, path, "cannot resample from %.0f Hz: %s", inrate, error);
    return true;
}

#else

bool CanResample() { return false; }

bool Resample(Console& console, const char* path, const std::vector<float>&, double, double, std::vector<float>&)
{
    return Refuse(console, path, "this build has no resampler");
}

#endif

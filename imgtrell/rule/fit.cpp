// Fitting: the picture's colours scaled into the box of --fit, by the box
// filter (each pixel the average of the area it covers, in exact shares,
// rounded down)
// or the nearest pixel, each axis apart.
#include <algorithm>

#include "console.h"
#include "dither.h"
#include "imgtrell.h"
#include "conversion.h"
#include "picture.h"
#include "platform.h"

// What each pixel of an axis scaled from from pixels to to pixels takes,
// for the pixels start, start + 1, ...: its first source pixel and how
// many. The box filter gives pixel i the source span [i x from, (i + 1) x
// from) counted in 1 / to of a source pixel, each source pixel's share of
// it what it overlaps (ShareOf); the nearest, the pixel under its centre,
// whole (all from).
struct Taps {
    int64_t from, to, start;
    bool box;
    std::vector<int64_t> first, count;
};

static Taps TapsOf(int64_t from, int64_t to, int64_t start, int64_t length, bool box)
{
    Taps taps{from, to, start, box, {}, {}};
    for (int64_t i = start; i < start + length; i++) {
        const int64_t low = i * from, high = (i + 1) * from;
        taps.first.push_back(box ? low / to : (2 * i + 1) * from / (2 * to));
        taps.count.push_back(box ? (high - 1) / to - low / to + 1 : 1);
    }
    return taps;
}

// The share of source pixel j in the pixel start + r of the axis.
static inline int64_t ShareOf(const Taps& taps, size_t r, int64_t j)
{
    const int64_t i = taps.start + int64_t(r);
    return taps.box ? std::min((i + 1) * taps.from, (j + 1) * taps.to) - std::max(i * taps.from, j * taps.to) : taps.from;
}

// Each axis: box when it shrinks, nearest when it grows, but for --filter.
static bool Box(Conversion& cv, int64_t from, int64_t to)
{
    return cv.options.filter ? *cv.options.filter == FILTER_BOX : to < from;
}

bool FitColours(Conversion& cv, const char* path, std::vector<uint32_t>& colours, std::vector<uint8_t>& outside)
{
    const int64_t sw = imgwidth, sh = imgheight, bw = cv.options.fitwidth, bh = cv.options.fitheight;
    const FitMode mode = cv.options.fitmode.value_or(FIT_CONTAIN);
    // The scaled size, and where the box lies in it (cover) or it in the box.
    int64_t dw = bw, dh = bh;
    const bool widthfirst = bw * sh <= bh * sw;  // the width meets the box's first as it grows
    if (sw == 0 || sh == 0)
        dw = dh = 0;
    else if (mode == FIT_CONTAIN)
        widthfirst ? dh = std::max<int64_t>(1, sh * bw / sw) : dw = std::max<int64_t>(1, sw * bh / sh);
    else if (mode == FIT_COVER)
        widthfirst ? dw = (sw * bh + sh - 1) / sh : dh = (sh * bw + sw - 1) / sw;
    const int64_t x0 = (bw - dw) / 2, y0 = (bh - dh) / 2;  // negative: the box cut from the scaled picture
    if (mode == FIT_COVER)
        Say(cv.console, "scaled %lld x %lld to %lld x %lld, cut to %lld x %lld from %lld, %lld\n", (long long)sw, (long long)sh,
            (long long)dw, (long long)dh, (long long)bw, (long long)bh, (long long)-x0, (long long)-y0);
    else
        Say(cv.console, "scaled %lld x %lld to %lld x %lld at %lld, %lld\n", (long long)sw, (long long)sh, (long long)dw,
            (long long)dh, (long long)x0, (long long)y0);

    // The box's pixels that the scaled picture covers, columns and rows.
    const int64_t cx0 = std::max<int64_t>(0, x0), cx1 = std::min(bw, x0 + dw);
    const int64_t cy0 = std::max<int64_t>(0, y0), cy1 = std::min(bh, y0 + dh);
    const Taps across = TapsOf(sw, dw, cx0 - x0, std::max<int64_t>(0, cx1 - cx0), Box(cv, sw, dw));
    const Taps down = TapsOf(sh, dh, cy0 - y0, std::max<int64_t>(0, cy1 - cy0), Box(cv, sh, dh));
    // The source picture is held as colours: its bytes are not needed, and
    // the box's are made below.
    FreeBlock(imgbuffer);
    imgbuffer = nullptr;
    std::vector<uint32_t> box(size_t(bw * bh), 0);
    outside.assign(size_t(bw * bh), 1);
    // Each row of the box: its source rows, each summed across into the
    // box's columns by the shares of both axes, a channel at a time.
    const size_t columns = size_t(std::max<int64_t>(0, cx1 - cx0));
    std::vector<uint64_t> sums(4 * columns);
    const uint64_t total = uint64_t(sw) * uint64_t(sh);
    for (int64_t y = cy0; y < cy1; y++) {
        const size_t r = size_t(y - cy0);
        std::fill(sums.begin(), sums.end(), 0);
        for (int64_t k = down.first[r]; k < down.first[r] + down.count[r]; k++) {
            const uint32_t* row = colours.data() + size_t(k) * size_t(sw);
            const uint64_t share = uint64_t(ShareOf(down, r, k));
            for (size_t i = 0; i < columns; i++) {
                uint64_t part[4] = {};
                for (int64_t j = across.first[i]; j < across.first[i] + across.count[i]; j++) {
                    const uint64_t weight = uint64_t(ShareOf(across, i, j));
                    for (int c = 0; c < 4; c++)
                        part[c] += weight * (row[j] >> (8 * c) & 0xFF);
                }
                for (int c = 0; c < 4; c++)
                    sums[4 * i + size_t(c)] += share * part[c];
            }
        }
        for (size_t i = 0; i < columns; i++) {
            uint32_t pixel = 0;
            for (int c = 0; c < 4; c++)
                pixel |= uint32_t(sums[4 * i + size_t(c)] / total) << (8 * c);  // rounded down, as ImageMagick's -scale
            const size_t at = size_t(y * bw + cx0) + i;
            box[at] = pixel;
            outside[at] = 0;
        }
    }
    colours.swap(box);
    if (mode != FIT_CONTAIN || (dw == bw && dh == bh))
        outside.clear();
    imgwidth = int32_t(bw), imgheight = int32_t(bh);
    return AllocatePicture(cv, path);
}

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

// What each pixel of an axis scaled from from pixels to to pixels takes:
// the source pixels and their shares, of a total of from each. The box
// filter gives pixel i the source span [i x from, (i + 1) x from) counted in
// 1 / to of a source pixel; the nearest, the pixel under its centre.
struct Taps {
    std::vector<int64_t> first;   // each pixel's first source pixel
    std::vector<int64_t> count;   // and how many
    std::vector<int64_t> share;   // theirs, one after another
    std::vector<size_t> at;       // where each pixel's shares begin
};

static Taps TapsOf(int64_t from, int64_t to, int64_t start, int64_t length, bool box)
{
    Taps taps;
    for (int64_t i = start; i < start + length; i++) {
        taps.at.push_back(taps.share.size());
        if (!box) {
            taps.first.push_back((2 * i + 1) * from / (2 * to));
            taps.count.push_back(1);
            taps.share.push_back(from);
            continue;
        }
        const int64_t low = i * from, high = (i + 1) * from;
        const int64_t j0 = low / to, j1 = (high - 1) / to;
        taps.first.push_back(j0);
        taps.count.push_back(j1 - j0 + 1);
        for (int64_t j = j0; j <= j1; j++)
            taps.share.push_back(std::min(high, (j + 1) * to) - std::max(low, j * to));
    }
    return taps;
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
    std::vector<uint32_t> box(size_t(bw * bh), 0);
    outside.assign(size_t(bw * bh), 1);
    std::vector<uint64_t> sums(size_t(4 * sw));
    const uint64_t total = uint64_t(sw) * uint64_t(sh);
    for (int64_t y = cy0; y < cy1; y++) {
        // The source rows of this row, each channel summed by its share.
        const size_t r = size_t(y - cy0);
        std::fill(sums.begin(), sums.end(), 0);
        for (int64_t k = 0; k < down.count[r]; k++) {
            const uint32_t* row = colours.data() + size_t(down.first[r] + k) * size_t(sw);
            const uint64_t share = uint64_t(down.share[down.at[r] + size_t(k)]);
            for (int64_t j = 0; j < sw; j++)
                for (int c = 0; c < 4; c++)
                    sums[size_t(4 * j + c)] += share * (row[j] >> (8 * c) & 0xFF);
        }
        for (int64_t x = cx0; x < cx1; x++) {
            const size_t i = size_t(x - cx0);
            uint32_t pixel = 0;
            for (int c = 0; c < 4; c++) {
                uint64_t sum = 0;
                for (int64_t k = 0; k < across.count[i]; k++)
                    sum += uint64_t(across.share[across.at[i] + size_t(k)]) * sums[size_t(4 * (across.first[i] + k) + c)];
                pixel |= uint32_t(sum / total) << (8 * c);  // rounded down, as ImageMagick's -scale
            }
            box[size_t(y * bw + x)] = pixel;
            outside[size_t(y * bw + x)] = 0;
        }
    }
    colours.swap(box);
    if (mode != FIT_CONTAIN || (dw == bw && dh == bh))
        outside.clear();
    FreeBlock(imgbuffer);
    imgbuffer = nullptr;
    imgwidth = int32_t(bw), imgheight = int32_t(bh);
    return AllocatePicture(cv, path);
}

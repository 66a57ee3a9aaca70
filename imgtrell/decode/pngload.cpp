// PNG decoder: decodes the picture row by row through libspng, samples as
// stored, and hands each row over to the pixel rule: palette indices, grey
// levels as indices of their greys, or colour samples.
#include <algorithm>
#include <cstring>

#include "console.h"
#include "decode.h"
#include "imgtrell.h"
#include "picture.h"
#include "conversion.h"
#include "pixels.h"
#include "platform.h"

#ifdef TRELL_PNG
#include <spng.h>

// What libspng may keep of ancillary chunks (text, profiles, unknown
// chunks), each and all together; none of them is read here.
static const size_t CHUNK_LIMIT = size_t(4) << 20;
static const size_t CACHE_LIMIT = size_t(4) << 20;

// Longest row taken, in bytes as stored. The decoding holds up to four rows
// (libspng's current and previous scanlines and, interlaced, its own row
// buffer, besides ours): 8 MiB at most, whatever the sample format.
static const uint64_t MAX_ROW_BYTES = uint64_t(2) << 20;

// Adam7: the first column of each pass and the step between its columns.
static const uint32_t PASS_X0[7] = {0, 4, 0, 2, 0, 1, 0};
static const uint32_t PASS_DX[7] = {8, 8, 4, 4, 2, 2, 1};

// Samples a pixel holds, by colour type (grey, -, RGB, palette, grey and
// alpha, -, RGBA).
static const uint32_t CHANNELS[7] = {1, 0, 3, 1, 2, 0, 4};

// How the decoded rows are handed over.
struct RowPlan {
    spng_ihdr ihdr;
    bool indexed;    // palette indices, or grey levels of 8 bits or fewer
    spng_trns trns;  // the tRNS chunk, where haskey
    bool haskey;     // a grey or RGB colour of tRNS is transparent
};

// The colours of the pixels at columns x, x + dx, ... of a decoded row of
// 8- or 16-bit grey or RGB samples (a 16-bit sample by its high byte), n
// of them, into a run, with alpha 0 for the tRNS colour, compared at the
// full depth.
static void ReadColours(const uint8_t* src, uint64_t x, uint64_t dx, size_t n, const RowPlan& plan, ColourRun& run)
{
    const bool grey = plan.ihdr.color_type == SPNG_COLOR_TYPE_GRAYSCALE;
    const size_t bytes = plan.ihdr.bit_depth / 8, step = (grey ? 1 : 3) * bytes;
    const size_t g = grey ? 0 : bytes, b = grey ? 0 : 2 * bytes;
    auto sample = [bytes](const uint8_t* at) { return bytes == 2 ? uint32_t(at[0] << 8 | at[1]) : uint32_t(at[0]); };
    const uint8_t* p = src + x * step;
    for (size_t i = 0; i < n; i++, p += dx * step) {
        run.red[i] = p[0], run.green[i] = p[g], run.blue[i] = p[b];
        bool key = grey ? sample(p) == plan.trns.gray
                        : sample(p) == plan.trns.red && sample(p + g) == plan.trns.green && sample(p + b) == plan.trns.blue;
        run.alpha[i] = key ? 0 : 255;
    }
    run.hasalpha = true;
}

// Hands over the pixels of one decoded row that the pass has filled:
// columns x0, x0 + dx, ... of image row y. The row holds the samples as
// stored, big-endian and packed most significant first below 8 bits.
static void HandRow(Conversion& cv, const uint8_t* src, uint32_t y, uint32_t x0, uint32_t dx, const RowPlan& plan)
{
    const uint64_t width = uint64_t(imgwidth);
    const uint32_t depth = plan.ihdr.bit_depth;
    const size_t count = x0 < width ? size_t((width - x0 + dx - 1) / dx) : 0;
    if (plan.indexed) {
        PutPackedIndices(cv, y, x0, dx, src, uint64_t(x0) * depth, depth, count);
        return;
    }
    if (plan.haskey) {
        static ColourRun run;
        for (size_t at = 0; at < count; at += COLOUR_RUN) {
            size_t n = std::min(count - at, COLOUR_RUN);
            ReadColours(src, x0 + at * dx, dx, n, plan, run);
            PutColours(cv, y, int64_t(x0 + at * dx), dx, run, n);
        }
        return;
    }
    // Samples of 8 or 16 bits (by the high byte), grey or red, green and
    // blue, then alpha.
    const uint8_t type = plan.ihdr.color_type;
    const size_t bytes = depth / 8, step = CHANNELS[type] * bytes;
    const bool grey = type == SPNG_COLOR_TYPE_GRAYSCALE || type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA;
    const int g = grey ? 0 : int(bytes), b = grey ? 0 : 2 * int(bytes);
    const int a = type == SPNG_COLOR_TYPE_GRAYSCALE_ALPHA ? int(bytes) : type == SPNG_COLOR_TYPE_TRUECOLOR_ALPHA ? 3 * int(bytes) : -1;
    PutSamples(cv, y, x0, dx, src + x0 * step, dx * step, 0, g, b, a, count);
}

// The chunks up to the image data are read before the header line: a
// checksum is checked only as the next chunk is reached, IHDR's too. Then
// the limits of size, before anything large is allocated; *rowsize is the
// size of a stored row.
static bool ReadHeader(Conversion& cv, spng_ctx* ctx, const char* path, spng_ihdr* ihdr, size_t* rowsize)
{
    int err = spng_get_ihdr(ctx, ihdr);
    if (!err)
        err = spng_decode_chunks(ctx);
    if (err)
        return Refuse(cv.console, path, "unreadable PNG: %s", spng_strerror(err));

    const uint32_t pixelbits = CHANNELS[ihdr->color_type] * ihdr->bit_depth;
    imgwidth = int32_t(ihdr->width);
    imgheight = int32_t(ihdr->height);
    PrintHeaderLine(cv, int32_t(pixelbits), 0);
    if (!CheckPixelCount(cv, path, ihdr->width, ihdr->height))
        return false;
    const uint64_t rowbytes = (uint64_t(ihdr->width) * pixelbits + 7) / 8;
    if (rowbytes > MAX_ROW_BYTES)
        return Refuse(cv.console, path, "a row of %u pixels of %u bits takes %llu bytes; at most %llu are read",
                      unsigned(ihdr->width), unsigned(pixelbits), (unsigned long long)rowbytes,
                      (unsigned long long)MAX_ROW_BYTES);
    *rowsize = size_t(rowbytes);
    return true;
}

// A palette picture reads like a 4- or 8-bit BMP: pal holds the PLTE
// entries, an index past them finds black. With tRNS, each entry's alpha
// is the chunk's (opaque past it).
static bool ReadPalette(Conversion& cv, spng_ctx* ctx, const char* path, const RowPlan& plan, IndexedSource& source)
{
    spng_plte plte;
    int err = spng_get_plte(ctx, &plte);
    if (err)
        return Refuse(cv.console, path, "unreadable PNG: %s", spng_strerror(err));
    numcolors = int32_t(plte.n_entries);
    for (uint32_t i = 0; i < 256; i++) {
        const spng_plte_entry& e = plte.entries[i];
        pal[i] = i < plte.n_entries ? 0xFF000000u + e.red * 65536u + e.green * 256u + e.blue : 0;
        uint32_t alpha = plan.haskey && i < plan.trns.n_type3_entries ? plan.trns.type3_alpha[i] : 255;
        source.colours[i] = (pal[i] & 0xFFFFFF) | alpha << 24;
    }
    source.hasalpha = plan.haskey;
    source.palette = true;
    return true;
}

// Grey samples of 8 bits or fewer are indices of their greys: v x 255 /
// (2^depth - 1), transparent where it is the tRNS grey.
static void GreyColours(const RowPlan& plan, IndexedSource& source)
{
    const uint32_t depth = plan.ihdr.bit_depth;
    for (uint32_t v = 0; v < 256; v++) {
        uint32_t grey = Scale(v & ((1u << depth) - 1), depth);
        bool clear = plan.haskey && v == plan.trns.gray;
        source.colours[v] = (clear ? 0u : 0xFF000000u) | grey * 0x010101u;
    }
    source.hasalpha = plan.haskey;
}

// Decodes the rows through one row buffer of rowbytes. Returns libspng's
// error, SPNG_EOI at the end of the image data.
static int DecodeRows(Conversion& cv, spng_ctx* ctx, const RowPlan& plan, uint8_t* row, size_t rowbytes)
{
    // An interlaced row comes once per pass, holding that pass's pixels at
    // their own columns; below 8 bits they are or-ed into the row's bytes.
    const bool interlaced = plan.ihdr.interlace_method != SPNG_INTERLACE_NONE;
    for (;;) {
        spng_row_info info;
        int err = spng_get_row_info(ctx, &info);
        if (err)
            return err;
        if (interlaced)
            std::memset(row, 0, rowbytes);
        err = spng_decode_row(ctx, row, rowbytes);
        if (err && err != SPNG_EOI)
            return err;
        uint32_t pass = interlaced ? uint32_t(info.pass) : 6;
        HandRow(cv, row, info.row_num, PASS_X0[pass], PASS_DX[pass], plan);
        if (err)
            return err;
    }
}

// The plan of a picture: indices (a palette, or grey of 8 bits or fewer),
// or samples, and its tRNS chunk; then the pixels begun. False after
// printing a refusal.
static bool PlanRows(Conversion& cv, spng_ctx* ctx, const char* path, const spng_ihdr& ihdr, RowPlan* plan)
{
    plan->ihdr = ihdr;
    const uint8_t type = ihdr.color_type;
    plan->indexed = type == SPNG_COLOR_TYPE_INDEXED || (type == SPNG_COLOR_TYPE_GRAYSCALE && ihdr.bit_depth <= 8);
    // A tRNS colour is compared with every pixel only when alpha counts.
    plan->haskey = spng_get_trns(ctx, &plan->trns) == 0 && (plan->indexed || AlphaWanted(cv));
    IndexedSource source{};
    if (type == SPNG_COLOR_TYPE_INDEXED && !ReadPalette(cv, ctx, path, *plan, source))
        return false;
    if (type == SPNG_COLOR_TYPE_GRAYSCALE && plan->indexed)
        GreyColours(*plan, source);
    return StartPixels(cv, path, plan->indexed ? &source : nullptr);
}

// Reads the picture through ctx into the picture; false after saying
// the refusal.
static bool DecodeWith(Conversion& cv, spng_ctx* ctx, const uint8_t* data, size_t size, const char* path)
{
    spng_set_png_buffer(ctx, data, size);
    spng_set_chunk_limits(ctx, CHUNK_LIMIT, CACHE_LIMIT);
    spng_ihdr ihdr;
    size_t rowbytes = 0;
    if (!ReadHeader(cv, ctx, path, &ihdr, &rowbytes))
        return false;
    int err = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RAW, SPNG_DECODE_PROGRESSIVE);
    if (err)
        return Refuse(cv.console, path, "unreadable PNG: %s", spng_strerror(err));
    RowPlan plan;
    if (!PlanRows(cv, ctx, path, ihdr, &plan))
        return false;
    uint8_t* row = AllocateBlock(rowbytes);
    if (!row)
        return Refuse(cv.console, path, "cannot allocate %llu bytes for a row of %d pixels",
                      (unsigned long long)rowbytes, imgwidth);
    err = DecodeRows(cv, ctx, plan, row, rowbytes);
    FreeBlock(row);
    // The last rows end the image data, not the file: what follows is read
    // through to IEND, so a bad checksum there is still caught.
    if (err == SPNG_EOI)
        err = spng_decode_chunks(ctx);
    if (err)
        return Refuse(cv.console, path, "unreadable PNG: %s", spng_strerror(err));
    return true;
}

bool DecodePNG(Conversion& cv, const uint8_t* data, size_t size, const char* path)
{
    ClearPicture();
    spng_ctx* ctx = spng_ctx_new(0);
    if (!ctx)
        return Refuse(cv.console, path, "cannot allocate the PNG decoder");
    int loaded = DecodeWith(cv, ctx, data, size, path);
    spng_ctx_free(ctx);
    if (!loaded) {
        FreeBlock(imgbuffer);
        imgbuffer = nullptr;
    }
    return loaded;
}

#else

bool DecodePNG(Conversion& cv, const uint8_t*, size_t, const char* path)
{
    ClearPicture();
    return Refuse(cv.console, path, "this build reads no PNG (it was built with TRELL_PNG=OFF)");
}

#endif

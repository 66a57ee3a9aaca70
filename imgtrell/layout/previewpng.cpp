// The preview of --preview-png: the picture as it was written, as Octo's
// screen shows it, in a PNG of palette colours (8 bits a pixel) through
// libspng's encoder. A bit is Octo's background colour (0) or its fill
// colour (1); a colour index the colour --colors gives it, else the
// picture's own where Octo is told it (--octo-options) or cannot show the
// planes (--planes 4), else Octo's colour of that index. Tiles (--tile),
// or frames (--frame), stand a pixel apart in Octo's colour around the
// screen, and each pixel of the picture is a square of zoom x zoom.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "colours.h"
#include "console.h"
#include "conversion.h"
#include "imgtrell.h"
#include "layout.h"
#include "picture.h"
#include "platform.h"
#include "text.h"


bool PlanPreview(Conversion& cv)
{
    const Options& options = cv.options;
    if (!options.previewpng)
        return true;
    PreviewPlan& plan = cv.preview;
    const Cut& cut = cv.cut;
    const bool frames = options.framewidth > 0;
    plan.unitwidth = !options.tiled ? imgwidth : frames ? cut.framewidth : cut.tilewidth;
    plan.unitheight = !options.tiled ? imgheight : frames ? cut.frameheight : cut.tileheight;
    plan.across = !options.tiled ? 1 : frames ? cut.framecols : cut.width / cut.tilewidth;
    plan.down = !options.tiled ? 1 : frames ? cut.framerows : cut.height / cut.tileheight;
    const int64_t longer = std::max(plan.across * plan.unitwidth, plan.down * plan.unitheight);
    if (plan.across * plan.unitwidth == 0 || plan.down * plan.unitheight == 0)
        return Mismatch(cv.console, "%s: a %d x %d picture has no pixels for --preview-png", cv.path, imgwidth, imgheight);
    plan.zoom = options.previewzoom ? *options.previewzoom : std::max<int64_t>(1, (256 + longer - 1) / longer);
    plan.width = uint64_t(plan.across * plan.unitwidth * plan.zoom + plan.across - 1);
    plan.height = uint64_t(plan.down * plan.unitheight * plan.zoom + plan.down - 1);
    if (plan.width > MAX_PIXELS || plan.height > MAX_PIXELS || plan.width * plan.height > MAX_PIXELS)
        return Mismatch(cv.console, "%s: a preview of %llu x %llu has more than %llu pixels (see --preview-zoom)", cv.path,
                        (unsigned long long)plan.width, (unsigned long long)plan.height, (unsigned long long)MAX_PIXELS);
    return true;
}

#ifdef TRELL_PNG
#include <spng.h>

// Octo's colours: its background, fill, second fill and blend (indices 0
// to 3), and the one around the screen (its quiet colour).
static const uint32_t OCTO_COLOURS[4] = {0x996600, 0xFFCC00, 0xFF6600, 0x662200};
static const uint32_t OCTO_AROUND = 0x000000;

// The colour a pixel's value is shown in.
static uint32_t ShownColour(const Conversion& cv, int index)
{
    const Options& options = cv.options;
    uint32_t rgb;
    if (size_t(index) < options.colors.size())
        return options.colors[size_t(index)];
    if ((!options.octooptions.empty() || options.planes == 4) && IndexColour(cv, index, &rgb) == 1)
        return rgb;
    return index < 4 ? OCTO_COLOURS[index] : OCTO_AROUND;
}

// libspng's output: the bytes go into the file's writer.
static int PutPng(spng_ctx*, void* user, void* bytes, size_t length)
{
    PutText(*static_cast<TextWriter*>(user), static_cast<const char*>(bytes), length);
    return 0;
}

// The row of the preview of picture row y: each unit's pixels zoom times,
// the gap between units.
static void PreviewRow(const Conversion& cv, int64_t y, uint8_t gap, uint8_t* row)
{
    const PreviewPlan& plan = cv.preview;
    const uint8_t* pixels = y < imgheight ? PictureRow(y) : nullptr;
    for (int64_t unit = 0, x = 0; unit < plan.across; unit++) {
        for (int64_t end = x + plan.unitwidth; x < end; x++) {
            const uint8_t value = pixels && x < imgwidth ? pixels[x] : 0;  // the padding of --pad is 0
            std::memset(row, value, size_t(plan.zoom));
            row += plan.zoom;
        }
        if (unit + 1 < plan.across)
            *row++ = gap;
    }
}

void WritePreviewPng(Conversion& cv, TextWriter& w)
{
    const PreviewPlan& plan = cv.preview;
    const int entries = 1 << cv.options.planes;  // the values a pixel may hold; then the gap
    const uint8_t gap = uint8_t(entries);
    spng_plte palette{};
    palette.n_entries = uint32_t(entries + 1);
    for (int i = 0; i <= entries; i++) {
        const uint32_t rgb = i < entries ? ShownColour(cv, i) : OCTO_AROUND;
        palette.entries[i] = {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
    }
    spng_ihdr header{uint32_t(plan.width), uint32_t(plan.height), 8, SPNG_COLOR_TYPE_INDEXED, 0, 0, 0};
    uint8_t* row = AllocateBlock(size_t(plan.width));
    uint8_t* gaprow = AllocateBlock(size_t(plan.width));
    spng_ctx* ctx = row && gaprow ? spng_ctx_new(SPNG_CTX_ENCODER) : nullptr;
    int err = !ctx ? SPNG_EMEM : spng_set_png_stream(ctx, PutPng, &w);
    if (!err)
        err = spng_set_ihdr(ctx, &header);
    if (!err)
        err = spng_set_plte(ctx, &palette);
    if (!err)
        err = spng_encode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_ENCODE_PROGRESSIVE | SPNG_ENCODE_FINALIZE);
    if (gaprow)
        std::memset(gaprow, gap, size_t(plan.width));
    // Each row of the picture zoom times, a row of the gap between units.
    for (int64_t unit = 0; !err && unit < plan.down; unit++) {
        for (int64_t y = unit * plan.unitheight; !err && y < (unit + 1) * plan.unitheight; y++) {
            PreviewRow(cv, y, gap, row);
            for (int64_t k = 0; !err && k < plan.zoom; k++)
                err = spng_encode_row(ctx, row, size_t(plan.width));
        }
        if (!err && unit + 1 < plan.down)
            err = spng_encode_row(ctx, gaprow, size_t(plan.width));
    }
    if (ctx)
        spng_ctx_free(ctx);
    FreeBlock(row);
    FreeBlock(gaprow);
    if (err != SPNG_EOI)
        FailOutput(w, err == SPNG_EMEM ? ENOMEM : EIO);
}

#else

void WritePreviewPng(Conversion&, TextWriter& w) { FailOutput(w, ENOSYS); }

#endif

// imgtrell's half of the page's entry: its main's run, everything kept,
// and the picture as the screen draws it, from the picture the conversion
// leaves (picture.h) and its options.
#include "convert.h"
#include "page.h"
#include "picture.h"

// Octo's colours of the four indices XO-CHIP's two planes draw (background,
// fill, fill 2, blend), then, for the indices of four planes that Octo
// does not show, twelve more of its palette's kind.
static const uint32_t SCREEN_COLOURS[16] = {
    0x996600, 0xffcc00, 0xff6600, 0x662200, 0x000000, 0xffffff, 0x555555, 0xaaaaaa,
    0x0044aa, 0x55aaff, 0x008844, 0x66dd88, 0x880044, 0xff66aa, 0x440088, 0xaa77ff,
};

// The colour a pixel's byte is drawn in: a colour index in the colour
// --colors gives it, or Octo's; a bit in Octo's background or fill; a
// palette index (mode 2) in the picture's own colour, the background where
// it is written as 0 (transparent).
static uint32_t ScreenColour(const Options& options, uint8_t value)
{
    if (ColourIndices(options)) {
        value &= 15;
        return value < options.colors.size() ? options.colors[value] : SCREEN_COLOURS[value];
    }
    if (options.mode != MODE_PALETTE || options.tiled || numcolors == 0)
        return SCREEN_COLOURS[value ? 1 : 0];
    if (value >= numcolors || CheckTransparency(pal[value]))
        return SCREEN_COLOURS[0];
    return pal[value] & 0xFFFFFF;
}

static int64_t RoundUp(int64_t value, int64_t unit) { return (value + unit - 1) / unit * unit; }

// The most pixels drawn: a picture read with a larger --max-pixels is not
// (its 4 bytes a pixel could take what memory the module has left).
const uint64_t MOST_DRAWN = uint64_t(1) << 24;

// The picture converted, padded to whole tiles or frames as the tiles'
// layout pads it (with 0), each pixel in its colour; none when too large.
static void DrawPicture(const Options& options, PagePicture& picture)
{
    int64_t width = imgwidth, height = imgheight;
    if (options.tiled) {
        int64_t tilewidth = options.tilewidth, tileheight = options.tileheight;
        if (options.framewidth == 0 && (options.tileauto || tilewidth == 0))
            AutoTile(imgwidth, imgheight, &tilewidth, &tileheight);
        width = RoundUp(width, options.framewidth ? options.framewidth : tilewidth);
        height = RoundUp(height, options.frameheight ? options.frameheight : tileheight);
        picture.tilewidth = int32_t(tilewidth), picture.tileheight = int32_t(tileheight);
    }
    if (uint64_t(width) * uint64_t(height) > MOST_DRAWN)
        return;
    picture.width = int32_t(width), picture.height = int32_t(height);
    picture.rgba.resize(size_t(width) * size_t(height) * 4);
    uint32_t colours[256];
    for (int v = 0; v < 256; v++)
        colours[v] = ScreenColour(options, uint8_t(v));
    uint8_t* p = picture.rgba.data();
    for (int64_t y = 0; y < height; y++)
        for (int64_t x = 0; x < width; x++, p += 4) {
            const uint32_t rgb = colours[y < imgheight && x < imgwidth ? PictureRow(y)[x] : 0];
            p[0] = uint8_t(rgb >> 16), p[1] = uint8_t(rgb >> 8), p[2] = uint8_t(rgb), p[3] = 255;
        }
}

void RunProgram(int argc, char** argv, bool picture, PageRun& run)
{
    Console console;
    console.program = "imgtrell";
    console.keep = true;
    Options options;
    Result result;
    int status;
    if (TakeArguments(argc, argv, options, console, &status)) {
        result = ConvertPictureFile(options, DELIVER_KEPT);
        status = result.status;
        if (!result.outputs.files.empty() && !PlaceKeptFiles(result.console, result.outputs))
            status = STATUS_FAILED;
        if (picture && status != STATUS_FAILED && imgbuffer)
            DrawPicture(options, run.picture);
    }
    run.status = status;
    run.out = console.out + result.console.out;
    run.err = console.err + result.console.err;
}

// libFuzzer harness: arbitrary bytes through the picture decoders (BMP, or
// PNG by its signature) and the include writer. The first byte picks the
// mode (bits 0-1: 0, 1, 2, or the later options), --alpha (2), --invert
// (3), the rule (4-5) and the threshold (6-7); for the later options a
// second byte picks one of their cuts (--rule ink and --preview-png among
// them); the rest is the file. --max-pixels
// keeps its default, so no unit decodes more than 2^24 pixels.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "convert.h"
#include "decode.h"
#include "conversion.h"
#include "picture.h"

// The lines of a file's text.
static size_t Lines(const Output& output) { return size_t(std::count(output.bytes.begin(), output.bytes.end(), '\n')); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const Mode modes[] = {MODE_VERTICAL, MODE_HORIZONTAL, MODE_PALETTE, MODE_HORIZONTAL};
    static const int thresholds[] = {127, 0, 200, 255};
    Options options;
    options.picture = "fuzz.bmp";
    options.mode = modes[data[0] % 4];
    options.alpha = data[0] & 4;
    options.invert = data[0] & 8;
    options.rule = Rule((data[0] >> 4) & 3);
    options.threshold = thresholds[data[0] >> 6];
    // The fourth mode slot takes a second byte, one of the later options'
    // cuts: sprites, colour indices, dithers and fits; the ink rule with
    // tiles and the PNG preview, and with a fit and a dither.
    const bool later = data[0] % 4 == 3 && size >= 2;
    const int cut = later ? data[1] % 14 : -1;
    if (later) {
        options.rule = RULE_PLAIN, options.threshold.reset(), options.invert = cut == 11;
        options.tiled = cut < 4 || cut == 5;
        options.tileauto = cut == 0;
        options.tilewidth = cut == 2 ? 16 : 8, options.tileheight = cut == 2 ? 16 : cut == 5 ? 8 : 5;
        options.pad = options.tiled && cut > 0;
        options.order = cut == 1 ? ORDER_LRBT : ORDER_TBLR;
        options.labels = cut == 2 ? LABELS_TILE : cut == 3 ? LABELS_FRAME : LABELS_ONE;
        if (cut == 3)
            options.framewidth = options.frameheight = options.tilewidth = options.tileheight = 16, options.xorframes = true;
        options.planes = cut == 4 || cut == 6 ? 2 : cut == 5 ? 4 : 1;
        if (cut == 6 || cut == 7)
            options.colors = cut == 6 ? std::vector<uint32_t>{0, 0xFF0000, 0xFF, 0xFFFFFF} : std::vector<uint32_t>{0x102030, 0xF0E0D0};
        static const int DITHERS[] = {0, 0, 0, 0, 0, 0, DITHER_FLOYD, DITHER_BAYER4, DITHER_FLOYD, DITHER_ATKINSON, 0, DITHER_BAYER8, 0, 0};
        options.dither = Dither(DITHERS[cut]);
        static const int FITS[][3] = {{64, 32, FIT_CONTAIN}, {32, 32, FIT_COVER}, {128, 64, FIT_STRETCH}};
        if (cut >= 8 && cut <= 10)
            options.fitwidth = FITS[cut - 8][0], options.fitheight = FITS[cut - 8][1], options.fitmode = FitMode(FITS[cut - 8][2]);
        if (cut == 10)
            options.filter = FILTER_NEAREST;
        if (cut == 12)
            options.rule = RULE_INK, options.tiled = options.pad = true, options.tilewidth = 8, options.tileheight = 5,
            options.previewpng = "fuzz.png";
        if (cut == 13)
            options.rule = RULE_INK, options.invert = true, options.dither = DITHER_FLOYD, options.fitwidth = 64,
            options.fitheight = 32;
    }
    const uint8_t* file = data + (later ? 2 : 1);
    size_t filesize = size - (later ? 2 : 1);
    const Result result = ConvertPicture(options, file, filesize, DELIVER_KEPT);
    if (result.status != STATUS_CONVERTED)
        return 0;
    if (uint64_t(imgwidth) * uint64_t(imgheight) > options.maxpixels || result.outputs.files.empty())
        std::abort();
    if (later) {
        // A cut that fits the picture writes (a comment line, a label, its
        // lines and the closing empty line at least); every pixel is a bit or
        // an index the planes hold, and a fit has the box's size.
        for (size_t i = 0; i < size_t(imgwidth) * size_t(imgheight); i++)
            if (imgbuffer[i] >= (1u << options.planes))
                std::abort();
        if (options.fitwidth && (imgwidth != options.fitwidth || imgheight != options.fitheight))
            std::abort();
        if (Lines(result.outputs.files[0]) < 3)
            std::abort();
        if (options.previewpng && (result.outputs.files.size() != 2 || result.outputs.files[1].bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0))
            std::abort();
        return 0;
    }
    size_t width = size_t(imgwidth), height = size_t(imgheight);

    unsigned largest = 1;  // the largest value a pixel may store
    BmpHeader h{};
    Console console;
    console.keep = true;
    Conversion cv{options, console, "fuzz.bmp", {}, {}, {}, {}};
    if (file[0] != 'B') {
        // A PNG: IHDR is read, the depth at 24, the colour type at 25. Only a
        // palette picture lists colours, and stores its indices in mode 2.
        bool palette = file[25] == 3;
        if ((!palette && numcolors != 0) || numcolors > 256)
            std::abort();
        largest = options.mode == MODE_PALETTE && palette ? (1u << file[24]) - 1 : 1;
    } else if (ReadBmpHeader(cv, file, filesize, "fuzz.bmp", &h)) {
        // A run-length picture with pixels has the depth of its compression,
        // rows bottom-up, and at most 4096 pixels a byte of the file.
        if ((h.compression == 1 || h.compression == 2) && width * height > 0 &&
            (h.bpp != (h.compression == 1 ? 8u : 4u) || h.height < 0 || width * height > 4096 * filesize))
            std::abort();
        // Palette indices are stored by 4- and 8-bit pictures in mode 2.
        largest = options.mode != MODE_PALETTE ? 1 : h.bpp == 4 ? 15 : h.bpp == 8 ? 255 : 1;
    } else {
        std::abort();  // decoded, yet its header does not read
    }
    // Every pixel is 0 or 1, but for palette indices, and for transparent
    // pixels (255) in mode 2. Reading them all also proves, under the
    // address sanitizer, that the buffer is whole.
    for (size_t i = 0; i < width * height; i++)
        if (imgbuffer[i] > largest && !(options.alpha && options.mode == MODE_PALETTE && imgbuffer[i] == 255))
            std::abort();
    // Comment, label, the data lines of the mode, and the closing empty line.
    size_t datalines = options.mode == MODE_VERTICAL ? (width + 7) / 8 : options.mode == MODE_PALETTE ? height * std::max<size_t>((width + 15) / 16, 1) : height;
    if (Lines(result.outputs.files[0]) != 3 + datalines)
        std::abort();
    if (options.mode == MODE_PALETTE &&
        (result.outputs.files.size() != 2 || Lines(result.outputs.files[1]) != 1 + size_t(numcolors > 0 ? numcolors : 0)))
        std::abort();
    return 0;
}

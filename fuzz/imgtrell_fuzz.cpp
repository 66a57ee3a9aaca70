// libFuzzer harness: arbitrary bytes through the picture decoders (BMP, or
// PNG by its signature) and the include writer, with options drawn from
// the unit and taken by the command line's own scanner (TakeArguments).
// The first byte picks the mode (bits 0-1: 0, 1, 2, or none), --alpha (2),
// --invert (3), the rule (4-5) and the threshold (6-7); the second how many
// of the later options follow (0 to 3), a byte each; the rest is the file.
// The later options include --rule ink and --preview-png. --max-pixels
// keeps its default unless drawn, so no unit decodes more
// than 2^24 pixels.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert.h"
#include "decode.h"
#include "conversion.h"
#include "picture.h"

// The lines of a file's text.
static size_t Lines(const Output& output) { return size_t(std::count(output.bytes.begin(), output.bytes.end(), '\n')); }

// The later options: sprites, colour indices, dithers, fits and the limits
// and syntax around them, one or two arguments each.
static const char* const LATER[][2] = {
    {"--tile", "auto"},      {"--tile", "8x5"},      {"--tile", "16x16"},     {"--tile", "8x16"},
    {"--pad", nullptr},      {"--order", "lrbt"},    {"--order", "btrl"},     {"--frame", "16x16"},
    {"--frame", "32x8"},     {"--stride", "40"},     {"--xor", nullptr},      {"--labels", "tile"},
    {"--labels", "frame"},   {"--labels", "plane"},  {"--planes", "2"},       {"--planes", "4"},
    {"--colors", "000000,ff0000,0000ff,ffffff"},     {"--colors", "102030,f0e0d0"},
    {"--dither", "floyd"},   {"--dither", "atkinson"}, {"--dither", "bayer4"}, {"--dither", "bayer8"},
    {"--fit", "64x32"},      {"--fit", "32x32"},     {"--fit", "128x64"},     {"--fit-mode", "cover"},
    {"--fit-mode", "stretch"}, {"--filter", "nearest"}, {"--max-pixels", "64"}, {"--max-pixels", "4096"},
    {"--syntax", "octo"},    {"--octo-options", "fuzz.json"}, {"--rule", "ink"},  {"--preview-png", "fuzz.png"},
};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size < 2 + size_t(data[1] & 3))
        return 0;
    static const char* const MODES[] = {"0", "1", "2", nullptr};
    static const char* const RULES[] = {nullptr, "blue", "luma", "any"};
    static const char* const THRESHOLDS[] = {nullptr, "0", "200", "255"};
    std::vector<const char*> args = {"imgtrell", "-bq"};
    if (data[0] & 4)
        args.push_back("--alpha");
    if (data[0] & 8)
        args.push_back("--invert");
    if (RULES[(data[0] >> 4) & 3])
        args.insert(args.end(), {"--rule", RULES[(data[0] >> 4) & 3]});
    if (THRESHOLDS[data[0] >> 6])
        args.insert(args.end(), {"-t", THRESHOLDS[data[0] >> 6]});
    const size_t later = data[1] & 3;
    for (size_t i = 0; i < later; i++) {
        const auto& option = LATER[data[2 + i] % (sizeof LATER / sizeof *LATER)];
        args.insert(args.end(), option, option + (option[1] ? 2 : 1));
    }
    args.push_back("fuzz.bmp");
    if (MODES[data[0] % 4])
        args.push_back(MODES[data[0] % 4]);
    Options options;
    Console console;
    console.keep = true;
    int status;
    if (!TakeArguments(int(args.size()), const_cast<char**>(args.data()), options, console, &status))
        return 0;
    const uint8_t* file = data + 2 + later;
    size_t filesize = size - 2 - later;
    const Result result = ConvertPicture(options, file, filesize, DELIVER_KEPT);
    if (result.status != STATUS_BATCH_CONVERTED)
        return 0;
    if (uint64_t(imgwidth) * uint64_t(imgheight) > options.maxpixels || result.outputs.files.empty())
        std::abort();
    const std::string& text = result.outputs.files[0].bytes;
    const bool plain = options.common.syntax == SYNTAX_PLAIN;
    if (options.tiled || ColourIndices(options) || options.dither || options.fitwidth) {
        // A cut that fits the picture writes (a comment line, a label, its
        // lines and the closing empty line at least); every pixel is a bit or
        // an index the planes hold, and a fit has the box's size. Tiles,
        // padded and strided, are no more than --max-pixels allows: in plain
        // text each byte is "#xx".
        for (size_t i = 0; i < size_t(imgwidth) * size_t(imgheight); i++)
            if (imgbuffer[i] >= (1u << options.planes))
                std::abort();
        if (options.fitwidth && (imgwidth != options.fitwidth || imgheight != options.fitheight))
            std::abort();
        if (Lines(result.outputs.files[0]) < 3)
            std::abort();
        if (options.tiled && plain &&
            uint64_t(std::count(text.begin(), text.end(), '#')) * 8 > options.maxpixels * uint64_t(options.planes))
            std::abort();
        if (options.previewpng &&
            (result.outputs.files.size() < 2 || result.outputs.files.back().bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0))
            std::abort();
        return 0;
    }
    size_t width = size_t(imgwidth), height = size_t(imgheight);

    unsigned largest = 1;  // the largest value a pixel may store
    BmpHeader h{};
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
    if (plain && Lines(result.outputs.files[0]) != 3 + datalines)
        std::abort();
    if (plain && options.mode == MODE_PALETTE &&
        (result.outputs.files.size() != 2 || Lines(result.outputs.files[1]) != 1 + size_t(numcolors > 0 ? numcolors : 0)))
        std::abort();
    return 0;
}

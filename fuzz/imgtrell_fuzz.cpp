// libFuzzer harness: arbitrary bytes through the picture decoders (BMP, or
// PNG by its signature) and the include writer. The first byte picks the
// mode; the rest is the file.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "imgtrell.h"

// Writes through an in-memory stream and returns the number of lines.
static size_t WriteAndCount(bool palette)
{
    char* text = nullptr;
    size_t length = 0;
    FILE* out = open_memstream(&text, &length);
    if (!out || (palette ? WritePalData(out) : WritePicData(out, "fuzz.bmp")) != 0)
        std::abort();
    std::fclose(out);
    size_t lines = size_t(std::count(text, text + length, '\n'));
    std::free(text);
    return lines;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The loader's header line and the palette listing are not wanted here.
    if (!std::freopen("/dev/null", "w", stdout))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const int32_t modes[] = {0, 1, 2, 7};
    imgmode = modes[data[0] % 4];
    const uint8_t* file = data + 1;
    size_t filesize = size - 1;
    if (!DecodePicture(file, filesize, "fuzz.bmp"))
        return 0;
    size_t width = size_t(imgwidth), height = size_t(imgheight);

    unsigned largest = 1;  // the largest value a pixel may store
    if (IsPNG(file, filesize)) {
        // IHDR is read: the depth at 24, the colour type at 25. Only a palette
        // picture lists colours, and stores its indices in mode 2.
        bool palette = file[25] == 3;
        if (width * height > size_t(1) << 30 || (!palette && numcolors != 0) || numcolors > 256)
            std::abort();
        largest = imgmode == 2 && palette ? (1u << file[24]) - 1 : 1;
    } else {
        // An OS/2 1.x header (size 12) has its depth at 24 and no compression;
        // a 16-byte one ends before the compression.
        unsigned hsize = file[14] | file[15] << 8 | file[16] << 16 | unsigned(file[17]) << 24;
        unsigned bpp = hsize == 12 ? file[24] | file[25] << 8 : file[28] | file[29] << 8;
        unsigned compression = hsize == 12 || hsize == 16 ? 0 : file[30] | file[31] << 8;
        bool topdown = hsize != 12 && file[25] & 0x80;  // the sign of the height

        // A run-length picture with pixels has the depth of its compression,
        // rows bottom-up, and at most 4096 pixels a byte of the file.
        if ((compression == 1 || compression == 2) && width * height > 0 &&
            (bpp != (compression == 1 ? 8u : 4u) || topdown || width * height > 4096 * filesize))
            std::abort();

        // Palette indices are stored by 4- and 8-bit pictures in mode 2.
        largest = imgmode != 2 ? 1 : bpp == 4 ? 15 : bpp == 8 ? 255 : 1;
    }
    // Every pixel is 0 or 1, but for palette indices in mode 2. Reading them
    // all also proves, under the address sanitizer, that the buffer is whole.
    for (size_t i = 0; i < width * height; i++)
        if (imgbuffer[i] > largest)
            std::abort();
    // Comment, label, the data lines of the mode, and the closing empty line.
    size_t datalines = imgmode == 0 ? (width + 7) / 8 : imgmode == 2 ? height * std::max<size_t>((width + 15) / 16, 1) : height;
    if (WriteAndCount(false) != 3 + datalines)
        std::abort();
    if (imgmode == 2 && WriteAndCount(true) != 1 + size_t(numcolors > 0 ? numcolors : 0))
        std::abort();
    return 0;
}

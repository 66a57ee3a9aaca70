// BMP loader: reads the file whole, takes the header fields at their fixed
// offsets and decodes the stored rows into imgbuffer, one byte per pixel.
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>

#include "imgtrell.h"

int32_t imgmode = 2;
int32_t imgwidth = 0;
int32_t imgheight = 0;
uint8_t* imgbuffer = nullptr;
std::array<uint32_t, 256> pal = {};
int32_t numcolors = 0;

// The whole-file copy; kept until the process ends (or the next load).
static uint8_t* filedata;
static size_t filesize;

// 14-byte file header plus the 40-byte information header.
static const size_t BMP_HEADER_SIZE = 54;

// Largest width or height of a picture whose other side is 0.
static const int32_t MAX_EMPTY_SIDE = 65535;

static uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

static uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Prints "Error: <path>: <cause>" as one line and returns 0 (refused).
static int Refuse(const char* path, const char* format, ...)
{
    std::printf("Error: %s: ", path);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::printf("\n");
    return 0;
}

// The stored value of a colour: 1 when its blue byte is above 127.
static uint8_t BlueBit(uint32_t color) { return (color & 0xFF) > 127 ? 1 : 0; }

void bmp_drawpixel(int32_t x, int32_t y, uint32_t color)
{
    if (x < imgwidth)
        imgbuffer[size_t(y) * size_t(imgwidth) + size_t(x)] = BlueBit(color);
}

void bmp_drawpixel8(int32_t x, int32_t y, uint32_t value)
{
    if (x < imgwidth)
        imgbuffer[size_t(y) * size_t(imgwidth) + size_t(x)] = uint8_t(value);
}

static uint32_t Color555(uint32_t w)
{
    uint32_t red = ((w >> 10) & 31) * 8, green = ((w >> 5) & 31) * 8, blue = (w & 31) * 8;
    return 0xFF000000u + red * 65536 + green * 256 + blue;
}

static uint32_t Color444(uint32_t w)
{
    uint32_t red = ((w >> 8) & 15) * 16, green = ((w >> 4) & 15) * 16, blue = (w & 15) * 16;
    return 0xFF000000u + red * 65536 + green * 256 + blue;
}

static bool SupportedDepth(uint32_t bpp)
{
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Bytes the decoder takes from one stored row; the padding up to the stride
// is skipped and need not be in the file.
static uint64_t RowBytesTaken(uint32_t bpp, uint64_t width)
{
    switch (bpp) {
    case 1: return (width + 7) / 8;
    case 4: return (width + 1) / 2;
    case 8: return width;
    case 15:
    case 16: return 2 * width;
    case 24: return 3 * width;
    default: return 4 * width;
    }
}

// The row decoders. Each fills one image row from one stored row; the
// pixel stores' threshold and index rules, without their per-pixel lookups.

// 1 bit: a set bit stores 0, a clear bit 1, whatever the palette says.
static void DecodeRow1(const uint8_t* src, uint8_t* row, int32_t width)
{
    for (int32_t x = 0; x < width; x += 8) {
        uint8_t bits = *src++;
        for (int32_t i = 0; i < 8 && x + i < width; i++)
            row[x + i] = (bits & (0x80 >> i)) ? 0 : 1;
    }
}

// 4 bits: high nibble first; the index itself in mode 2, else its colour.
static void DecodeRow4(const uint8_t* src, uint8_t* row, int32_t width)
{
    for (int32_t x = 0; x < width; x += 2) {
        uint8_t pair = *src++;
        uint8_t left = pair >> 4, right = pair & 15;
        row[x] = imgmode == 2 ? left : BlueBit(pal[left]);
        if (x + 1 < width)
            row[x + 1] = imgmode == 2 ? right : BlueBit(pal[right]);
    }
}

// 8 bits: the index itself in mode 2, else the stored value of its colour
// (looked up in a table made once per picture).
static void DecodeRow8(const uint8_t* src, uint8_t* row, int32_t width,
                       const uint8_t* indexbits)
{
    if (imgmode == 2) {
        std::memcpy(row, src, size_t(width));
        return;
    }
    for (int32_t x = 0; x < width; x++)
        row[x] = indexbits[src[x]];
}

// 15 and 16 bits: little-endian words, 5-5-5, or 4-4-4 for a 16-bit
// picture with compression 3.
static void DecodeRow16(const uint8_t* src, uint8_t* row, int32_t width, bool rgb444)
{
    for (int32_t x = 0; x < width; x++) {
        uint32_t w = Read16(src + 2 * size_t(x));
        row[x] = BlueBit(rgb444 ? Color444(w) : Color555(w));
    }
}

// 24 bits: blue, green, red. 32 bits: blue, green, red, alpha, or with
// compression 3 alpha, blue, green, red. Only the blue byte decides.
static void DecodeRowBytes(const uint8_t* src, uint8_t* row, int32_t width,
                           size_t pixelbytes, size_t blueat)
{
    src += blueat;
    for (int32_t x = 0; x < width; x++, src += pixelbytes)
        row[x] = BlueBit(*src);
}

static void DecodeRow(uint32_t bpp, uint32_t compression, const uint8_t* src,
                      uint8_t* row, const uint8_t* indexbits)
{
    switch (bpp) {
    case 1: DecodeRow1(src, row, imgwidth); break;
    case 4: DecodeRow4(src, row, imgwidth); break;
    case 8: DecodeRow8(src, row, imgwidth, indexbits); break;
    case 15: DecodeRow16(src, row, imgwidth, false); break;
    case 16: DecodeRow16(src, row, imgwidth, compression == 3); break;
    case 24: DecodeRowBytes(src, row, imgwidth, 3, 0); break;
    case 32: DecodeRowBytes(src, row, imgwidth, 4, compression == 3 ? 1 : 0); break;
    }
}

int DecodeBMP(const uint8_t* data, size_t size, const char* path)
{
    imgwidth = 0;
    imgheight = 0;
    FreeBlock(imgbuffer);
    imgbuffer = nullptr;
    pal.fill(0);
    numcolors = 0;

    if (size < BMP_HEADER_SIZE)
        return Refuse(path, "file too short: %zu bytes, a BMP header takes %zu",
                      size, BMP_HEADER_SIZE);

    uint32_t dataoffset = Read32(data + 10);
    uint32_t infosize = Read32(data + 14);
    int32_t width = int32_t(Read32(data + 18));
    int32_t height = int32_t(Read32(data + 22));
    uint32_t bpp = Read16(data + 28);
    uint32_t compression = Read16(data + 30);
    int32_t colorsused = int32_t(Read32(data + 46));

    if (width < 0)
        return Refuse(path, "width %d is negative", width);
    if (height == INT32_MIN)
        return Refuse(path, "height %d is out of range", height);
    if (!SupportedDepth(bpp))
        return Refuse(path, "%u bits per pixel is not supported (1, 4, 8, 15, 16, 24 or 32)",
                      unsigned(bpp));
    bool topdown = height < 0;
    if (topdown)
        height = -height;
    // A picture without pixels still writes a line per row (or per strip):
    // keep a tiny file from asking for gigabytes of empty lines.
    if ((width == 0 || height == 0) && (width > MAX_EMPTY_SIDE || height > MAX_EMPTY_SIDE))
        return Refuse(path, "a picture of %d x %d has no pixels; an empty picture may measure at most %d",
                      width, height, MAX_EMPTY_SIDE);

    int32_t colors = colorsused;
    if (colors == 0 && bpp == 4)
        colors = 16;
    if (colors == 0 && bpp == 8)
        colors = 256;
    if (colors > 256)
        colors = 256;  // the palette table holds 256
    numcolors = colors;

    uint64_t stride = ((uint64_t(bpp) * uint64_t(width) + 31) >> 3) & ~uint64_t(3);
    imgwidth = width;
    imgheight = height;

    std::printf("w: %d, h: %d,bpp: %d, comp: %d \n", imgwidth, imgheight, int(bpp),
                int(compression));

    // The palette follows the information header, whatever its size; files
    // with a header shorter than the usual 40 bytes are read from 54.
    if ((bpp == 4 || bpp == 8) && numcolors > 0) {
        uint64_t paloffset = infosize >= 40 ? 14 + uint64_t(infosize) : BMP_HEADER_SIZE;
        // The reserved fourth byte of the last entry is skipped, not taken.
        uint64_t palend = paloffset + 4 * uint64_t(numcolors) - 1;
        if (palend > size)
            return Refuse(path, "file too short: %d palette colours at offset %llu need %llu bytes, the file has %zu",
                          numcolors, (unsigned long long)paloffset, (unsigned long long)palend, size);
        const uint8_t* entry = data + paloffset;
        for (int32_t i = 0; i < numcolors; i++, entry += 4)
            pal[size_t(i)] = 0xFF000000u + entry[2] * 65536u + entry[1] * 256u + entry[0];
    }

    if (width > 0 && height > 0) {
        // The last stored row lies furthest into the file: check that one,
        // in a form that cannot overflow.
        uint64_t rowbytes = RowBytesTaken(bpp, uint64_t(width));
        uint64_t fits = 0;  // how many stored rows lie wholly in the file
        if (dataoffset <= size && rowbytes <= size - dataoffset)
            fits = (size - dataoffset - rowbytes) / stride + 1;
        if (fits < uint64_t(height)) {
            uint64_t end = dataoffset + fits * stride + rowbytes;
            return Refuse(path, "file too short: pixel row %llu of %d ends at byte %llu, the file has %zu",
                          (unsigned long long)fits + 1, height, (unsigned long long)end, size);
        }
    }

    uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (pixels > SIZE_MAX || !(imgbuffer = AllocateBlock(size_t(pixels))))
        return Refuse(path, "cannot allocate %llu bytes for a %d x %d picture",
                      (unsigned long long)pixels, width, height);

    uint8_t indexbits[256];
    for (size_t i = 0; i < 256; i++)
        indexbits[i] = BlueBit(pal[i]);

    for (int32_t r = 0; r < height; r++) {
        int32_t y = topdown ? r : height - 1 - r;
        const uint8_t* src = data + dataoffset + size_t(r) * stride;
        DecodeRow(bpp, compression, src, imgbuffer + size_t(y) * size_t(width), indexbits);
    }
    return 1;
}

// Reads the whole stream into filedata. Returns 0 with errno set on a read
// error, or with errno ENOMEM when the file does not fit in memory.
static int ReadWholeFile(FILE* file)
{
    // The size is only a hint: the file may change while it is read.
    // Reading goes on until the end of the stream either way.
    size_t capacity = size_t(1) << 16;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        long end = std::ftell(file);
        if (end > 0 && uint64_t(end) < (uint64_t(1) << 40) && uint64_t(end) < SIZE_MAX / 2)
            capacity = size_t(end) + 1;  // one more byte sees the end in one read
        std::rewind(file);
    }
    FreeBlock(filedata);
    filesize = 0;
    filedata = AllocateBlock(capacity);
    for (;;) {
        if (!filedata) {
            errno = ENOMEM;
            return 0;
        }
        size_t want = capacity - filesize;
        size_t got = std::fread(filedata + filesize, 1, want, file);
        filesize += got;
        if (got < want)
            return std::ferror(file) ? 0 : 1;
        if (capacity > SIZE_MAX / 2) {
            errno = ENOMEM;
            return 0;
        }
        uint8_t* larger = AllocateBlock(capacity * 2);
        if (larger)
            std::memcpy(larger, filedata, filesize);
        FreeBlock(filedata);
        filedata = larger;
        capacity *= 2;
    }
}

int LoadBMP(const char* path)
{
    const char* refusal;
    FILE* file = OpenInput(path, &refusal);
    if (!file)
        return refusal ? Refuse(path, "cannot read: %s", refusal)
                       : Refuse(path, "cannot open: %s", std::strerror(errno));
    int ok = ReadWholeFile(file);
    int cause = errno;
    std::fclose(file);
    if (!ok)
        return Refuse(path, "cannot read: %s", std::strerror(cause));
    return DecodeBMP(filedata, filesize, path);
}

// BMP loader: reads the file whole, takes the header fields at their fixed
// offsets (those of the Windows header, or of the 12-byte OS/2 1.x one)
// and decodes the stored rows, or the run-length stream, into imgbuffer,
// one byte per pixel.
#include <algorithm>
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

// 14-byte file header plus the 12-byte OS/2 1.x core header.
static const size_t CORE_HEADER_SIZE = 26;

// Largest width or height of a picture whose other side is 0.
static const int32_t MAX_EMPTY_SIDE = 65535;

static uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

static uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int Refuse(const char* path, const char* format, ...)
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

static bool SupportedDepth(uint32_t bpp, bool core)
{
    if (core)
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
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
// Columns are counted in 64 bits: stepping past a width near the top of
// the int range cannot overflow.

// 1 bit: a set bit stores 0, a clear bit 1, whatever the palette says.
static void DecodeRow1(const uint8_t* src, uint8_t* row, int64_t width)
{
    for (int64_t x = 0; x < width; x += 8) {
        uint8_t bits = *src++;
        for (int64_t i = 0; i < 8 && x + i < width; i++)
            row[x + i] = (bits & (0x80 >> i)) ? 0 : 1;
    }
}

// 4 bits: high nibble first; the value stored for each index comes from
// the table (the index itself in mode 2, else the threshold of its colour).
static void DecodeRow4(const uint8_t* src, uint8_t* row, int64_t width, const uint8_t* stored)
{
    for (int64_t x = 0; x < width; x += 2) {
        uint8_t pair = *src++;
        row[x] = stored[pair >> 4];
        if (x + 1 < width)
            row[x + 1] = stored[pair & 15];
    }
}

// 8 bits: the value stored for each index, from a table made once per
// picture (the index itself in mode 2, else the threshold of its colour).
static void DecodeRow8(const uint8_t* src, uint8_t* row, int64_t width, const uint8_t* stored)
{
    if (imgmode == 2) {
        std::memcpy(row, src, size_t(width));
        return;
    }
    for (int64_t x = 0; x < width; x++)
        row[x] = stored[src[x]];
}

// 15, 16, 24 and 32 bits: a pixel stores the one bit of its little-endian
// value that is the highest bit of its blue field. That is the blue
// threshold, blue above 127 once scaled to 8 bits, whatever the field's width.
static void DecodeRowBit(const uint8_t* src, uint8_t* row, int64_t width, size_t pixelbytes,
                         uint32_t bluebit)
{
    src += bluebit / 8;
    uint8_t mask = uint8_t(1u << (bluebit % 8));
    for (int64_t x = 0; x < width; x++, src += pixelbytes)
        row[x] = (*src & mask) ? 1 : 0;
}

// The bit of a direct-colour pixel that decides it. 15 bits, and 16 bits
// without compression 3, are 5-5-5 (blue in bits 0-4); 24 and 32 bits are
// the bytes blue, green, red (, alpha). With compression 3 a 16- or 32-bit
// picture takes the blue mask the file declares, at offset 62: inside an
// information header of 52 bytes or more, or right after a 40-byte one
// when the pixels start at 66 or later. Without one, or with a mask of 0
// in the pixel's bits, 16 bits read 4-4-4 and 32 bits alpha, blue, green, red.
static uint32_t BlueFieldTop(uint32_t bpp, uint32_t compression, const uint8_t* data, size_t size,
                             uint32_t infosize, uint32_t dataoffset)
{
    if (compression == 3 && (bpp == 16 || bpp == 32)) {
        bool declared = size >= 66 && (infosize >= 52 || (infosize == 40 && dataoffset >= 66));
        uint32_t mask = declared ? Read32(data + 62) : 0;
        if (bpp == 16)
            mask &= 0xFFFF;
        if (mask == 0)
            return bpp == 16 ? 3 : 15;
        uint32_t top = 0;
        while (mask >>= 1)
            top++;
        return top;
    }
    return bpp == 15 || bpp == 16 ? 4 : 7;
}

static void DecodeRow(uint32_t bpp, const uint8_t* src, uint8_t* row, const uint8_t* stored,
                      uint32_t bluebit)
{
    switch (bpp) {
    case 1: DecodeRow1(src, row, imgwidth); break;
    case 4: DecodeRow4(src, row, imgwidth, stored); break;
    case 8: DecodeRow8(src, row, imgwidth, stored); break;
    case 15:
    case 16: DecodeRowBit(src, row, imgwidth, 2, bluebit); break;
    case 24: DecodeRowBit(src, row, imgwidth, 3, bluebit); break;
    case 32: DecodeRowBit(src, row, imgwidth, 4, bluebit); break;
    }
}

// Run-length pixel data: RLE8 (compression 1, a byte per index) or RLE4
// (compression 2, a nibble per index, high nibble first), read as pairs of
// bytes from the pixel data offset:
//   n > 0, v     a run of n pixels of index v (RLE4: the nibbles of v in turn)
//   0, 0         end of line: on to the first column of the row above
//   0, 1         end of bitmap
//   0, 2, dx, dy move dx columns right and dy rows up
//   0, n >= 3    n indices follow, their bytes padded to an even count
// Rows go bottom-up. The buffer has been set to the value of index 0, which
// every pixel the stream leaves alone keeps; a pixel at or past the width
// is dropped (a run never wraps). Decoding ends at an end of bitmap or as
// soon as the position is past the top row, or past the last column of
// the top row; nothing after that point is read. Refuses (0) a stream that
// needs a byte past the end of the file.
static int DecodeRunLength(const uint8_t* data, size_t size, uint64_t at, bool rle4,
                           const uint8_t* stored, const char* path)
{
    const int64_t width = imgwidth, height = imgheight;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto missing = [&](const char* what, uint64_t start) {
        return Refuse(path, "file too short: the %s at byte %llu needs byte %llu, the file has %zu",
                      what, (unsigned long long)start,
                      (unsigned long long)(start > size ? start : size), size);
    };
    while (y < height && !(y == height - 1 && x >= width)) {
        if (at + 2 > size)
            return missing("run-length pair", at);
        uint32_t count = data[at], code = data[at + 1];
        at += 2;
        uint8_t* row = imgbuffer + size_t(height - 1 - y) * size_t(width);
        int64_t room = x < width ? width - x : 0;  // columns left to store into
        if (count > 0) {
            int64_t n = std::min<int64_t>(count, room);
            uint8_t high = stored[rle4 ? code >> 4 : code], low = stored[rle4 ? code & 15 : code];
            if (high == low)
                std::memset(row + x, high, size_t(n));
            else
                for (int64_t i = 0; i < n; i++)
                    row[x + i] = i % 2 ? low : high;
            x += count;
        } else if (code == 0) {
            x = 0;
            y++;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (at + 2 > size)
                return missing("delta", at);
            x += data[at];
            y += data[at + 1];
            at += 2;
        } else {
            // In the top row the run is read only up to the last column.
            int64_t take = y == height - 1 && code > room ? room : code;
            uint64_t bytes = uint64_t(rle4 ? (take + 1) / 2 : take);
            if (bytes > size - at)
                return missing("absolute run", at);
            // Each index through the pixel stores: itself in mode 2, else its colour.
            int64_t n = std::min(take, room);
            const uint8_t* src = data + at;
            for (int64_t i = 0; i < n; i++) {
                uint8_t index = rle4 ? (src[i / 2] >> (i % 2 ? 0 : 4)) & 15 : src[i];
                if (imgmode == 2)
                    bmp_drawpixel8(int32_t(x + i), int32_t(height - 1 - y), index);
                else
                    bmp_drawpixel(int32_t(x + i), int32_t(height - 1 - y), pal[index]);
            }
            x += code;
            uint64_t runbytes = rle4 ? (code + 1) / 2 : code;
            at += runbytes + runbytes % 2;  // the pad byte is skipped, not read
        }
    }
    return 1;
}

void ClearPicture()
{
    imgwidth = 0;
    imgheight = 0;
    FreeBlock(imgbuffer);
    imgbuffer = nullptr;
    pal.fill(0);
    numcolors = 0;
}

void PrintHeaderLine(int32_t bpp, int32_t compression)
{
    std::printf("w: %d, h: %d,bpp: %d, comp: %d \n", imgwidth, imgheight, bpp, compression);
}

int DecodeBMP(const uint8_t* data, size_t size, const char* path)
{
    ClearPicture();

    if (size < 2)
        return Refuse(path, "file too short: %zu bytes, a BMP header takes %zu",
                      size, BMP_HEADER_SIZE);
    if (data[0] != 'B' || data[1] != 'M') {
        char begins[16];
        size_t n = 0;
        for (size_t i = 0; i < size && i < 4; i++)
            n += size_t(std::snprintf(begins + n, sizeof begins - n, i ? " %02X" : "%02X", data[i]));
        return Refuse(path, "not a BMP file: it begins with %s", begins);
    }
    // A header-size field of 12 is the OS/2 1.x core header.
    bool core = size >= 18 && Read32(data + 14) == 12;
    size_t headersize = core ? CORE_HEADER_SIZE : BMP_HEADER_SIZE;
    if (size < headersize)
        return Refuse(path, "file too short: %zu bytes, a BMP header takes %zu", size, headersize);

    uint32_t dataoffset = Read32(data + 10);
    uint32_t infosize = Read32(data + 14);
    int32_t width, height;
    uint32_t bpp, compression = 0;
    int32_t colorsused = 0;
    uint64_t paloffset = 14 + uint64_t(infosize);
    if (core) {
        // Unsigned 16-bit sides, rows always bottom-up; no compression or
        // colours-used fields.
        width = Read16(data + 18);
        height = Read16(data + 20);
        bpp = Read16(data + 24);
    } else {
        width = int32_t(Read32(data + 18));
        height = int32_t(Read32(data + 22));
        bpp = Read16(data + 28);
        // A header of 16 to 39 bytes (OS/2 2.x writes them cut short) ends
        // before some fields: those read as 0. Shorter ones are read as if
        // they had the 40 bytes, their palette from 54.
        bool cut = infosize >= 16 && infosize < 40;
        if (!cut || paloffset > 30)
            compression = Read16(data + 30);
        if (!cut || paloffset > 46)
            colorsused = int32_t(Read32(data + 46));
        if (infosize < 16)
            paloffset = BMP_HEADER_SIZE;
    }

    if (compression == 4 || compression == 5)
        return Refuse(path, "compression %u (%s) is not supported", unsigned(compression),
                      compression == 4 ? "JPEG or RLE24" : "PNG");
    if (width < 0)
        return Refuse(path, "width %d is negative", width);
    if (height == INT32_MIN)
        return Refuse(path, "height %d is out of range", height);
    if (!SupportedDepth(bpp, core))
        return Refuse(path, "%u bits per pixel is not supported (%s)", unsigned(bpp),
                      core ? "1, 4, 8 or 24 in an OS/2 1.x header" : "1, 4, 8, 15, 16, 24 or 32");
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
    if (core) {
        // All 2^bits entries of 3 bytes, or those that lie wholly before
        // the pixels.
        uint64_t before = dataoffset > CORE_HEADER_SIZE ? (dataoffset - CORE_HEADER_SIZE) / 3 : 0;
        colors = int32_t(std::min<uint64_t>(uint64_t(colors), before));
    }
    numcolors = colors;

    uint64_t stride = ((uint64_t(bpp) * uint64_t(width) + 31) >> 3) & ~uint64_t(3);
    imgwidth = width;
    imgheight = height;

    PrintHeaderLine(int32_t(bpp), int32_t(compression));

    bool runlength = compression == 1 || compression == 2;
    bool haspixels = width > 0 && height > 0;
    if (runlength) {
        uint32_t depth = compression == 1 ? 8 : 4;
        if (bpp != depth)
            return Refuse(path, "compression %u needs %u bits per pixel, not %u", unsigned(compression),
                          unsigned(depth), unsigned(bpp));
        if (topdown && haspixels)
            return Refuse(path, "height -%d is negative (rows top-down), which compression %u does not allow",
                          height, unsigned(compression));
    }

    // The palette follows the information header: entries of blue, green,
    // red and a reserved byte, or of just the three colours after a core
    // header.
    if ((bpp == 4 || bpp == 8) && numcolors > 0) {
        uint64_t entrysize = core ? 3 : 4;
        // The reserved fourth byte of the last entry is skipped, not taken.
        uint64_t palend = paloffset + entrysize * uint64_t(numcolors) - (core ? 0 : 1);
        if (palend > size)
            return Refuse(path, "file too short: %d palette colours at offset %llu need %llu bytes, the file has %zu",
                          numcolors, (unsigned long long)paloffset, (unsigned long long)palend, size);
        const uint8_t* entry = data + paloffset;
        for (int32_t i = 0; i < numcolors; i++, entry += entrysize)
            pal[size_t(i)] = 0xFF000000u + entry[2] * 65536u + entry[1] * 256u + entry[0];
    }

    uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (runlength) {
        // Runs of 255 pixels in two bytes stay far below 4096 pixels a byte;
        // a few bytes must not ask for gigabytes of buffer and of text.
        if ((pixels + 4095) / 4096 > size)
            return Refuse(path, "a run-length picture of %d x %d has %llu pixels; a file of %zu bytes may give at most %llu (4096 a byte)",
                          width, height, (unsigned long long)pixels, size, (unsigned long long)(4096 * uint64_t(size)));
    } else if (haspixels) {
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

    if (pixels > SIZE_MAX || !(imgbuffer = AllocateBlock(size_t(pixels))))
        return Refuse(path, "cannot allocate %llu bytes for a %d x %d picture",
                      (unsigned long long)pixels, width, height);

    // What a palette index stores: itself in mode 2, else the blue
    // threshold of its colour.
    uint8_t stored[256];
    for (size_t i = 0; i < sizeof stored; i++)
        stored[i] = imgmode == 2 ? uint8_t(i) : BlueBit(pal[i]);

    if (runlength) {
        if (!haspixels)
            return 1;
        std::memset(imgbuffer, stored[0], size_t(pixels));
        if (DecodeRunLength(data, size, dataoffset, compression == 2, stored, path))
            return 1;
        FreeBlock(imgbuffer);
        imgbuffer = nullptr;
        return 0;
    }

    uint32_t bluebit = BlueFieldTop(bpp, compression, data, size, infosize, dataoffset);
    for (int64_t r = 0; r < height; r++) {
        int64_t y = topdown ? r : height - 1 - r;
        const uint8_t* src = data + dataoffset + size_t(r) * stride;
        DecodeRow(bpp, src, imgbuffer + size_t(y) * size_t(width), stored, bluebit);
    }
    return 1;
}

// Reads the file's size bytes into filedata; a file that changes meanwhile
// is taken as far as it goes. Returns 0 with errno set on a read error, or
// with errno ENOMEM when the file does not fit in memory.
static int ReadWholeFile(FILE* file, uint64_t size)
{
    FreeBlock(filedata);
    filedata = size < SIZE_MAX ? AllocateBlock(size_t(size)) : nullptr;
    if (!filedata) {
        errno = ENOMEM;
        return 0;
    }
    filesize = std::fread(filedata, 1, size_t(size), file);
    return !std::ferror(file);
}

int DecodePicture(const uint8_t* data, size_t size, const char* path)
{
    return IsPNG(data, size) ? DecodePNG(data, size, path) : DecodeBMP(data, size, path);
}

int LoadBMP(const char* path)
{
    const char* refusal;
    uint64_t size = 0;
    FILE* file = OpenInput(path, &refusal, &size);
    if (!file)
        return refusal ? Refuse(path, "cannot read: %s", refusal)
                       : Refuse(path, "cannot open: %s", std::strerror(errno));
    int ok = ReadWholeFile(file, size);
    int cause = errno;
    std::fclose(file);
    if (!ok)
        return Refuse(path, "cannot read: %s", std::strerror(cause));
    return DecodePicture(filedata, filesize, path);
}

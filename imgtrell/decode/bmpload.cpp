// BMP decoder: takes the header fields at their fixed offsets (those of the
// Windows header, or of the 12-byte OS/2 1.x one), checks them against what
// is read, and hands the stored rows, or the run-length stream, over to the
// pixel rule: indices into the palette, or colour samples.
#include <algorithm>
#include <climits>
#include <cstring>

#include "console.h"
#include "decode.h"
#include "picture.h"
#include "conversion.h"
#include "pixels.h"

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

bool ReadBmpHeader(Conversion& cv, const uint8_t* data, size_t size, const char* path, BmpHeader* header)
{
    if (size < 2)
        return Refuse(cv.console, path, "file too short: %zu bytes, a BMP header takes %zu", size, BMP_HEADER_SIZE);
    if (data[0] != 'B' || data[1] != 'M') {
        char begins[16];
        size_t n = 0;
        for (size_t i = 0; i < size && i < 4; i++)
            n += size_t(std::snprintf(begins + n, sizeof begins - n, i ? " %02X" : "%02X", data[i]));
        return Refuse(cv.console, path, "not a BMP file: it begins with %s", begins);
    }
    // A header-size field of 12 is the OS/2 1.x core header.
    BmpHeader& h = *header;
    h.core = size >= 18 && Read32(data + 14) == 12;
    size_t headersize = h.core ? CORE_HEADER_SIZE : BMP_HEADER_SIZE;
    if (size < headersize)
        return Refuse(cv.console, path, "file too short: %zu bytes, a BMP header takes %zu", size, headersize);

    h.dataoffset = Read32(data + 10);
    h.infosize = Read32(data + 14);
    h.compression = 0;
    h.colorsused = 0;
    h.masks[0] = h.masks[1] = h.masks[2] = h.masks[3] = 0;
    h.paloffset = 14 + uint64_t(h.infosize);
    if (h.core) {
        // Unsigned 16-bit sides, rows always bottom-up; no compression or
        // colours-used fields.
        h.width = Read16(data + 18);
        h.height = Read16(data + 20);
        h.bpp = Read16(data + 24);
        return true;
    }
    h.width = int32_t(Read32(data + 18));
    h.height = int32_t(Read32(data + 22));
    h.bpp = Read16(data + 28);
    // A header of 16 to 39 bytes (OS/2 2.x writes them cut short) ends
    // before some fields: those read as 0. Shorter ones are read as if
    // they had the 40 bytes, their palette from 54.
    bool cut = h.infosize >= 16 && h.infosize < 40;
    if (!cut || h.paloffset > 30)
        h.compression = Read16(data + 30);
    if (!cut || h.paloffset > 46)
        h.colorsused = int32_t(Read32(data + 46));
    if (h.infosize < 16)
        h.paloffset = BMP_HEADER_SIZE;
    bool fields = h.compression == 3 && size >= 66 && (h.infosize >= 52 || (h.infosize == 40 && h.dataoffset >= 66));
    for (int i = 0; fields && i < 3; i++)
        h.masks[i] = Read32(data + 54 + 4 * i);
    if (h.infosize >= 56 && size >= 70)
        h.masks[3] = Read32(data + 66);
    return true;
}

static bool SupportedDepth(uint32_t bpp, bool core)
{
    if (core)
        return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24;
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32;
}

static bool IsRunLength(const BmpHeader& h) { return h.compression == 1 || h.compression == 2; }

// The checks made before the header line is printed.
static bool CheckHeader(Conversion& cv, const BmpHeader& h, const char* path)
{
    if (h.compression == 4 || h.compression == 5)
        return Refuse(cv.console, path, "compression %u (%s) is not supported", unsigned(h.compression),
                      h.compression == 4 ? "JPEG or RLE24" : "PNG");
    if (h.width < 0)
        return Refuse(cv.console, path, "width %d is negative", h.width);
    if (h.height == INT32_MIN)
        return Refuse(cv.console, path, "height %d is out of range", h.height);
    if (!SupportedDepth(h.bpp, h.core))
        return Refuse(cv.console, path, "%u bits per pixel is not supported (%s)", unsigned(h.bpp),
                      h.core ? "1, 4, 8 or 24 in an OS/2 1.x header" : "1, 4, 8, 15, 16, 24 or 32");
    // A picture without pixels still writes a line per row (or per strip):
    // keep a tiny file from asking for gigabytes of empty lines.
    int32_t height = h.height < 0 ? -h.height : h.height;
    if ((h.width == 0 || height == 0) && (h.width > MAX_EMPTY_SIDE || height > MAX_EMPTY_SIDE))
        return Refuse(cv.console, path, "a picture of %d x %d has no pixels; an empty picture may measure at most %d",
                      h.width, height, MAX_EMPTY_SIDE);
    return true;
}

// Whole 3-byte palette entries that lie before the pixels of a core header.
static uint64_t CoreEntries(const BmpHeader& h)
{
    return h.dataoffset > CORE_HEADER_SIZE ? (h.dataoffset - CORE_HEADER_SIZE) / 3 : 0;
}

// The number of palette entries: the colours-used count, or 16 and 256 for
// 4- and 8-bit pictures when it is 0; at most the 256 the table holds. After
// a core header, at most those whole entries that lie before the pixels.
static int32_t PaletteCount(const BmpHeader& h)
{
    int32_t colors = h.colorsused;
    if (colors == 0 && h.bpp == 4)
        colors = 16;
    if (colors == 0 && h.bpp == 8)
        colors = 256;
    if (colors > 256)
        colors = 256;
    if (h.core)
        colors = int32_t(std::min<uint64_t>(uint64_t(colors), CoreEntries(h)));
    return colors;
}

// The palette follows the information header: entries of blue, green, red
// and a reserved byte, or of just the three colours after a core header.
// Read for 4- and 8-bit pictures only.
static bool ReadPalette(Conversion& cv, const uint8_t* data, size_t size, const BmpHeader& h, const char* path)
{
    if ((h.bpp != 4 && h.bpp != 8) || numcolors <= 0)
        return true;
    uint64_t entrysize = h.core ? 3 : 4;
    // The reserved fourth byte of the last entry is skipped, not taken.
    uint64_t palend = h.paloffset + entrysize * uint64_t(numcolors) - (h.core ? 0 : 1);
    if (palend > size)
        return Refuse(cv.console, path, "file too short: %d palette colours at offset %llu need %llu bytes, the file has %zu",
                      numcolors, (unsigned long long)h.paloffset, (unsigned long long)palend, size);
    const uint8_t* entry = data + h.paloffset;
    for (int32_t i = 0; i < numcolors; i++, entry += entrysize)
        pal[size_t(i)] = 0xFF000000u + entry[2] * 65536u + entry[1] * 256u + entry[0];
    return true;
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

static uint64_t Stride(const BmpHeader& h) { return ((uint64_t(h.bpp) * uint64_t(h.width) + 31) >> 3) & ~uint64_t(3); }

// A run-length picture has the depth of its compression and, unless it
// is empty, its rows bottom-up. Checked after the header line.
static bool CheckRunLength(Conversion& cv, const BmpHeader& h, const char* path)
{
    if (!IsRunLength(h))
        return true;
    uint32_t depth = h.compression == 1 ? 8 : 4;
    if (h.bpp != depth)
        return Refuse(cv.console, path, "compression %u needs %u bits per pixel, not %u", unsigned(h.compression),
                      unsigned(depth), unsigned(h.bpp));
    if (h.height < 0 && imgwidth > 0 && imgheight > 0)
        return Refuse(cv.console, path, "height -%d is negative (rows top-down), which compression %u does not allow",
                      imgheight, unsigned(h.compression));
    return true;
}

// The checks of the pixel data, made after the palette is read: that the
// run-length stream may give the picture, or that every stored row lies in
// the file.
static bool CheckPixelData(Conversion& cv, const BmpHeader& h, size_t size, const char* path)
{
    const uint64_t width = uint64_t(imgwidth), height = uint64_t(imgheight), pixels = width * height;
    if (IsRunLength(h)) {
        // Runs of 255 pixels in two bytes stay far below 4096 pixels a byte;
        // a few bytes must not ask for gigabytes of buffer and of text.
        if ((pixels + 4095) / 4096 > size)
            return Refuse(cv.console, path, "a run-length picture of %d x %d has %llu pixels; a file of %zu bytes may give at most %llu (4096 a byte)",
                          imgwidth, imgheight, (unsigned long long)pixels, size, (unsigned long long)(4096 * uint64_t(size)));
        return true;
    }
    if (pixels == 0)
        return true;
    // The last stored row lies furthest into the file: check that one, in a
    // form that cannot overflow.
    uint64_t rowbytes = RowBytesTaken(h.bpp, width), stride = Stride(h);
    uint64_t fits = 0;  // how many stored rows lie wholly in the file
    if (h.dataoffset <= size && rowbytes <= size - h.dataoffset)
        fits = (size - h.dataoffset - rowbytes) / stride + 1;
    if (fits < height) {
        uint64_t end = h.dataoffset + fits * stride + rowbytes;
        return Refuse(cv.console, path, "file too short: pixel row %llu of %d ends at byte %llu, the file has %zu",
                      (unsigned long long)fits + 1, imgheight, (unsigned long long)end, size);
    }
    return true;
}

// The two colours of a 1-bit picture: bit b is palette entry b, black where
// the file has none. Without --rule the bits decide by themselves (a clear
// bit is 1); the colours still tell the colour key.
static void BitColours(const uint8_t* data, size_t size, const BmpHeader& h, IndexedSource& source)
{
    uint64_t entrysize = h.core ? 3 : 4;
    int64_t entries = h.colorsused < 0 ? 0 : h.colorsused == 0 ? 2 : std::min<int64_t>(h.colorsused, 2);
    if (h.core)
        entries = std::min<int64_t>(entries, int64_t(CoreEntries(h)));
    for (int b = 0; b < 2; b++) {
        uint64_t at = h.paloffset + entrysize * uint64_t(b);
        source.colours[b] = 0xFF000000u;
        if (b < entries && at + 3 <= size)
            source.colours[b] += data[at + 2] * 65536u + data[at + 1] * 256u + data[at];
    }
    source.fixedbits = true;
}

// One channel of a direct-colour pixel: the bits of a mask, scaled to
// 0-255 as v x 255 / (2^n - 1) for a field the file declares, or shifted
// up to 8 bits for the fixed layouts (5-5-5 times 8, 4-4-4 times 16).
struct Field {
    uint32_t mask, shift, bits;
    bool declared;
};

static Field FieldOf(uint32_t mask, bool declared)
{
    Field f = {mask, 0, 0, declared};
    while (mask && !(mask >> f.shift & 1))
        f.shift++;
    for (uint32_t top = f.shift; top < 32 && (mask >> top); top++)
        f.bits = top - f.shift + 1;
    return f;
}

// A field wider than 8 bits gives its top 8 bits rather than the scaled
// value, which for such a field can round 2^(n-1) down to 127: its top bit
// still decides at the threshold 127, as without a rule.
static uint8_t Channel(uint32_t pixel, const Field& f)
{
    uint32_t v = (pixel & f.mask) >> f.shift;
    if (f.bits > 8)
        return uint8_t(v >> (f.bits - 8));
    return f.declared ? Scale(v, f.bits) : f.bits == 8 ? uint8_t(v) : uint8_t(v << (8 - f.bits));
}

// The fields of red, green, blue and alpha of a 15-, 16-, 24- or 32-bit
// picture; alpha only where the file declares a mask of it. 15 bits, and
// 16 bits without compression 3, are 5-5-5; 24 and 32 bits are the bytes
// blue, green, red (, alpha). With compression 3 a 16- or 32-bit picture
// takes the masks the file declares; without them, or with a blue mask of
// 0 in the pixel's bits, 16 bits read 4-4-4 and 32 bits alpha, blue,
// green, red.
static void ColourFields(const BmpHeader& h, Field fields[4])
{
    uint32_t width = h.bpp == 32 ? 0xFFFFFFFFu : h.bpp == 24 ? 0xFFFFFFu : 0xFFFF;
    static const uint32_t FIXED[][3] = {{0x7C00, 0x03E0, 0x001F},           // 5-5-5
                                        {0x0F00, 0x00F0, 0x000F},           // 4-4-4
                                        {0xFF0000, 0xFF00, 0xFF},           // blue, green, red(, alpha)
                                        {0xFF000000, 0xFF0000, 0xFF00}};    // alpha, blue, green, red
    bool declared = h.compression == 3 && (h.bpp == 16 || h.bpp == 32) && (h.masks[2] & width) != 0;
    int fixed = h.bpp == 15 || (h.bpp == 16 && h.compression != 3) ? 0 : h.bpp == 16 ? 1
                : h.bpp == 32 && h.compression == 3 ? 3 : 2;
    for (int i = 0; i < 3; i++)
        fields[i] = FieldOf(declared ? h.masks[i] & width : FIXED[fixed][i], declared);
    fields[3] = FieldOf(h.bpp == 16 || h.bpp == 32 ? h.masks[3] & width : 0, true);
}

// Whether every field is a byte of the pixel (8 bits at a byte's place),
// and which byte: then the pixels are handed over as samples as they are.
// A missing alpha field has the offset -1.
static bool ByteOffsets(const BmpHeader& h, const Field fields[4], int offsets[4])
{
    if (h.bpp != 24 && h.bpp != 32)
        return false;
    for (int i = 0; i < 4; i++) {
        offsets[i] = fields[i].bits == 8 && fields[i].shift % 8 == 0 ? int(fields[i].shift / 8) : -1;
        if (offsets[i] < 0 && (i < 3 || fields[i].mask != 0))
            return false;
    }
    return true;
}

// A stored row of 15, 16 or 32 bits with fields of other widths: read by
// its fields, a run of pixels at a time.
static void PutFieldRow(Conversion& cv, int64_t y, const uint8_t* src, int64_t width, uint32_t bpp, const Field fields[4])
{
    static ColourRun run;
    run.hasalpha = fields[3].mask != 0;
    const size_t bytes = bpp == 15 ? 2 : bpp / 8;
    for (int64_t x0 = 0; x0 < width; x0 += int64_t(COLOUR_RUN)) {
        size_t n = size_t(std::min<int64_t>(width - x0, int64_t(COLOUR_RUN)));
        const uint8_t* p = src + size_t(x0) * bytes;
        for (size_t i = 0; i < n; i++, p += bytes) {
            uint32_t pixel = bytes == 2 ? Read16(p) : Read32(p);
            run.red[i] = Channel(pixel, fields[0]);
            run.green[i] = Channel(pixel, fields[1]);
            run.blue[i] = Channel(pixel, fields[2]);
            run.alpha[i] = Channel(pixel, fields[3]);
        }
        PutColours(cv, y, x0, 1, run, n);
    }
}

// The stored rows, each one stride after the previous, the first at the
// pixel data offset; bottom-up unless the height is negative.
static void DecodeRows(Conversion& cv, const uint8_t* data, const BmpHeader& h)
{
    const int64_t width = imgwidth, height = imgheight;
    const uint64_t stride = Stride(h);
    Field fields[4];
    ColourFields(h, fields);
    int offsets[4];
    const bool samples = ByteOffsets(h, fields, offsets);
    for (int64_t r = 0; r < height; r++) {
        int64_t y = h.height < 0 ? r : height - 1 - r;
        const uint8_t* src = data + h.dataoffset + size_t(r) * stride;
        if (h.bpp <= 8)
            PutPackedIndices(cv, y, 0, 1, src, 0, h.bpp, size_t(width));
        else if (samples)
            PutSamples(cv, y, 0, 1, src, h.bpp / 8, offsets[0], offsets[1], offsets[2], offsets[3], size_t(width));
        else
            PutFieldRow(cv, y, src, width, h.bpp, fields);
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
// Rows go bottom-up. Every pixel the stream leaves alone is index 0; a
// pixel at or past the width is dropped (a run never wraps). Decoding ends
// at an end of bitmap or as soon as the position is past the top row, or
// past the last column of the top row; nothing after that point is read.
// Refuses (false) a stream that needs a byte past the end of the file.
static bool DecodeRunLength(Conversion& cv, const uint8_t* data, size_t size, uint64_t at, bool rle4, const char* path)
{
    const int64_t width = imgwidth, height = imgheight;
    int64_t x = 0, y = 0;  // y counts rows from the bottom
    auto missing = [&](const char* what, uint64_t start) {
        return Refuse(cv.console, path, "file too short: the %s at byte %llu needs byte %llu, the file has %zu",
                      what, (unsigned long long)start,
                      (unsigned long long)(start > size ? start : size), size);
    };
    FillIndex(cv, 0);
    while (y < height && !(y == height - 1 && x >= width)) {
        if (at + 2 > size)
            return missing("run-length pair", at);
        uint32_t count = data[at], code = data[at + 1];
        at += 2;
        int64_t room = x < width ? width - x : 0;  // columns left to store into
        if (count > 0) {
            int64_t n = std::min<int64_t>(count, room);
            PutIndexRun(cv, height - 1 - y, x, uint8_t(rle4 ? code >> 4 : code), uint8_t(rle4 ? code & 15 : code), size_t(n));
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
            PutPackedIndices(cv, height - 1 - y, x, 1, data + at, 0, rle4 ? 4 : 8, size_t(std::min(take, room)));
            x += code;
            uint64_t runbytes = rle4 ? (code + 1) / 2 : code;
            at += runbytes + runbytes % 2;  // the pad byte is skipped, not read
        }
    }
    return true;
}

bool DecodeBMP(Conversion& cv, const uint8_t* data, size_t size, const char* path)
{
    ClearPicture();
    BmpHeader h{};
    if (!ReadBmpHeader(cv, data, size, path, &h) || !CheckHeader(cv, h, path))
        return false;
    numcolors = PaletteCount(h);
    imgwidth = h.width;
    imgheight = h.height < 0 ? -h.height : h.height;
    PrintHeaderLine(cv, int32_t(h.bpp), int32_t(h.compression));
    // What the file holds is checked first; then its size against
    // --max-pixels, before the picture is allocated.
    if (!CheckRunLength(cv, h, path) || !ReadPalette(cv, data, size, h, path) || !CheckPixelData(cv, h, size, path) ||
        !CheckPixelCount(cv, path, uint64_t(imgwidth), uint64_t(imgheight)))
        return false;

    // 4 and 8 bits are palette pictures; 1 bit has two colours of its own.
    IndexedSource source{};
    std::copy(pal.begin(), pal.end(), source.colours);
    source.palette = h.bpp == 4 || h.bpp == 8;
    if (h.bpp == 1)
        BitColours(data, size, h, source);
    if (!StartPixels(cv, path, h.bpp <= 8 ? &source : nullptr))
        return false;
    if (!IsRunLength(h)) {
        DecodeRows(cv, data, h);
        return true;
    }
    if (uint64_t(imgwidth) * uint64_t(imgheight) == 0 ||
        DecodeRunLength(cv, data, size, h.dataoffset, h.compression == 2, path))
        return true;
    ClearPicture();
    return false;
}

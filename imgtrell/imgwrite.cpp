// Image include writer: picdata.inc with the picture, and picpal.inc with
// the palette in palette mode.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "imgtrell.h"

static const char HEX_DIGITS[] = "0123456789abcdef";

// Values are written in groups of at most 16 (a palette-mode line); this is
// the most one group takes, with the line break and "DB " after it.
static const size_t GROUP_ROOM = 16 * 4 + 4;

// Four lowercase hex digits.
static void PutWord(char* p, uint32_t word)
{
    for (int i = 3; i >= 0; i--, word >>= 4)
        p[i] = HEX_DIGITS[word & 15];
}

int CheckTransparency(uint32_t color)
{
    uint32_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
    return red > 240 && green < 16 && blue > 240 ? 1 : 0;
}

// Packs columns x to x + 7 of an image row into one byte, column x in the
// most significant bit; a non-zero pixel is a set bit, columns past the
// width are 0. Column and row counters here and below are 64 bits wide:
// stepping one past a width near the int32 limit must not wrap.
static uint8_t PackByte(const uint8_t* row, int64_t x)
{
    int64_t count = std::min<int64_t>(imgwidth - x, 8);
    uint8_t byte = 0;
    for (int64_t i = 0; i < count; i++)
        byte = uint8_t(byte | (row[x + i] != 0) << (7 - i));
    return byte;
}

static const uint8_t* ImageRow(int64_t y) { return imgbuffer + size_t(y) * size_t(imgwidth); }

// Mode 0: one line per strip of eight columns, one byte per image row.
// The strips are packed first, each into its own run of bytes, in bands of
// 64 rows: the rows read and the strip bytes written then stay in cache,
// where walking down a strip of a large picture would miss on every row.
static void PutVertical()
{
    size_t strips = (size_t(imgwidth) + 7) / 8, height = size_t(imgheight);
    uint8_t* packed = AllocateBlock(strips * height);
    if (!packed) {
        FailOutput(ENOMEM);
        return;
    }
    for (size_t band = 0; band < height; band += 64) {
        size_t end = std::min<size_t>(band + 64, height);
        for (size_t strip = 0; strip < strips; strip++)
            for (size_t y = band; y < end; y++)
                packed[strip * height + y] = PackByte(ImageRow(int64_t(y)), int64_t(8 * strip));
    }
    for (size_t strip = 0; strip < strips; strip++) {
        const uint8_t* column = packed + strip * height;
        PutText("DB ", 3);
        for (size_t y = 0; y < height; y += 16) {
            size_t count = std::min<size_t>(height - y, 16);
            char* p = Room(GROUP_ROOM);
            for (size_t i = 0; i < count; i++)
                p = PutValue(p, column[y + i]);
            Advance(p);
        }
        PutText("\n", 1);
    }
    FreeBlock(packed);
}

// Mode 1, and every mode but 0 and 2: one line per image row.
static void PutHorizontal()
{
    int64_t bytes = (int64_t(imgwidth) + 7) / 8;
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = ImageRow(y);
        PutText("DB ", 3);
        for (int64_t b = 0; b < bytes; b += 16) {
            int64_t count = std::min<int64_t>(bytes - b, 16);
            char* p = Room(GROUP_ROOM);
            for (int64_t i = 0; i < count; i++)
                p = PutValue(p, PackByte(row, 8 * (b + i)));
            Advance(p);
        }
        PutText("\n", 1);
    }
}

// The value mode 2 writes for each pixel byte: 0 for the colour key, else
// the byte plus one, kept to 8 bits.
static void PaletteValues(uint8_t value[256])
{
    for (size_t p = 0; p < 256; p++)
        value[p] = CheckTransparency(pal[p]) ? 0 : uint8_t(p + 1);
}

// Mode 2: one value per pixel, 16 to a line.
static void PutPalette()
{
    uint8_t value[256];
    PaletteValues(value);
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = ImageRow(y);
        PutText("DB ", 3);
        for (int64_t x = 0; x < imgwidth; x += 16) {
            int64_t count = std::min<int64_t>(imgwidth - x, 16);
            char* p = Room(GROUP_ROOM);
            for (int64_t i = 0; i < count; i++)
                p = PutValue(p, value[row[x + i]]);
            if (x + 16 < imgwidth)  // more of this row follows
                p = static_cast<char*>(std::memcpy(p, "\nDB ", 4)) + 4;
            Advance(p);
        }
        PutText("\n", 1);
    }
}

int WritePicData(FILE* out, const char* path)
{
    StartOutput(out);
    char size[40];
    std::snprintf(size, sizeof size, " - %d x %d\n", imgwidth, imgheight);
    PutString(";image: ");
    PutString(CommentText(path).c_str());
    PutString(size);
    PutString(options.label ? options.label : "IMGDATA");
    PutString(":\n");
    if (options.imgmode == 2)
        PutPalette();
    else if (options.imgmode == 0)
        PutVertical();
    else
        PutHorizontal();
    PutText("\n", 1);
    return FinishOutput();
}

int WritePalData(FILE* out)
{
    StartOutput(out);
    PutString(options.label ? (options.label + std::string("_PAL:\n")).c_str() : "PALDATA:\n");
    for (int32_t i = 0; i < numcolors; i++) {
        uint32_t color = pal[size_t(i)];
        Say("%08x\n", unsigned(color));
        char* p = Room(15);
        std::memcpy(p, "DW #0000,#0000\n", 15);
        PutWord(p + 4, color >> 16);
        PutWord(p + 10, color & 0xFFFF);
        Advance(p + 15);
    }
    return FinishOutput();
}

void PrintPreview()
{
    uint8_t value[256];
    PaletteValues(value);
    std::string line;
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = ImageRow(y);
        line.assign(size_t(imgwidth) + 1, '\n');
        for (int64_t x = 0; x < imgwidth; x++)
            line[size_t(x)] = (options.imgmode == 2 ? value[row[x]] : row[x]) ? '#' : '.';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

int WriteImageFiles(const char* path)
{
    const char* const names[] = {options.output.c_str(), options.palette.c_str()};
    FILE* out = StartIncludeFile(0, names[0]);
    if (!out || !EndIncludeFile(0, names[0], out, WritePicData(out, path)))
        return 0;
    int count = options.imgmode == 2 ? 2 : 1;
    if (count == 2) {
        out = StartIncludeFile(1, names[1]);
        if (!out || !EndIncludeFile(1, names[1], out, WritePalData(out))) {
            RemoveTempOutput(0);
            return 0;
        }
    }
    // Both files or neither.
    return PlaceIncludeFiles(count, names);
}

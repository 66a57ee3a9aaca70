// The loaded picture: its globals, the pixel rule that decides what each
// pixel stores, and the table of formats through which a file reaches its
// decoder.
#include <cstring>

#include "imgtrell.h"

Options options;

int32_t imgwidth = 0;
int32_t imgheight = 0;
uint8_t* imgbuffer = nullptr;
std::array<uint32_t, 256> pal = {};
int32_t numcolors = 0;

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
    Say("w: %d, h: %d,bpp: %d, comp: %d \n", imgwidth, imgheight, bpp, compression);
}

PixelRule RuleOfOptions()
{
    PixelRule rule;
    rule.indices = options.imgmode == 2;
    return rule;
}

uint8_t ColourBit(const PixelRule&, uint32_t color) { return (color & 0xFF) > 127 ? 1 : 0; }

void IndexTable(const PixelRule& rule, uint8_t table[256])
{
    for (size_t i = 0; i < 256; i++)
        table[i] = rule.indices ? uint8_t(i) : ColourBit(rule, pal[i]);
}

void bmp_drawpixel8(int32_t x, int32_t y, uint32_t value)
{
    if (x < imgwidth)
        imgbuffer[size_t(y) * size_t(imgwidth) + size_t(x)] = uint8_t(value);
}

// The formats read, each known by the bytes a file of it begins with.
struct PictureFormat {
    const char* signature;
    size_t length;
    int (*decode)(const uint8_t* data, size_t size, const char* path, const PixelRule& rule);
};
// PNG's eight bytes are tried first. BMP's "BM" comes last, since its
// decoder is also the one of last resort: its refusal names what a file of
// no format here begins with.
static const PictureFormat FORMATS[] = {
    {"\x89PNG\r\n\x1a\n", 8, DecodePNG},
    {"BM", 2, DecodeBMP},
};

// The format a file's first bytes tell, or none.
static const PictureFormat* FormatOf(const uint8_t* data, size_t size)
{
    for (const PictureFormat& format : FORMATS)
        if (size >= format.length && std::memcmp(data, format.signature, format.length) == 0)
            return &format;
    return nullptr;
}

int DecodePicture(const uint8_t* data, size_t size, const char* path, const PixelRule& rule)
{
    const PictureFormat* format = FormatOf(data, size);
    return format ? format->decode(data, size, path, rule) : DecodeBMP(data, size, path, rule);
}

int LoadPicture(const char* path)
{
    uint8_t head[8];
    uint64_t filesize;
    long got = ReadInputHead(path, head, sizeof head, &filesize);
    if (got < 0)
        return 0;
    // A file of no format here is refused from its first bytes.
    const PictureFormat* format = FormatOf(head, size_t(got));
    if (!format) {
        CloseInput();
        return DecodeBMP(head, size_t(got), path, RuleOfOptions());
    }
    size_t size = 0;
    const uint8_t* data = ReadInputFile(path, &size);
    return data ? format->decode(data, size, path, RuleOfOptions()) : 0;
}

// The loaded picture: its globals, the pixel rule that decides what each
// pixel stores, and the table of formats through which a file reaches its
// decoder.
#include <algorithm>
#include <cstring>
#include <string>

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
    bitrule = false;
}

void PrintHeaderLine(int32_t bpp, int32_t compression)
{
    Say("w: %d, h: %d,bpp: %d, comp: %d \n", imgwidth, imgheight, bpp, compression);
}

bool bitrule = false;

// The tables of a rule's value. Luma: (299 R + 587 G + 114 B + 500) / 1000
// > t, that is 299 R + 587 G + 114 B >= 1000 t + 500; any: at least one
// sample above t; blue: blue >= t + 1. The value stays below 2^18, so the
// colour key's flags above it never meet a carry.
static void Weigh(PixelRule& rule)
{
    const uint32_t t = uint32_t(rule.threshold);
    for (uint32_t v = 0; v < 256; v++) {
        uint32_t* w[3] = {&rule.weights[0][v], &rule.weights[1][v], &rule.weights[2][v]};
        if (rule.value == RULE_LUMA)
            *w[0] = 299 * v, *w[1] = 587 * v, *w[2] = 114 * v;
        else if (rule.value == RULE_ANY)
            *w[0] = *w[1] = *w[2] = v > t ? 1 : 0;
        else
            *w[0] = *w[1] = 0, *w[2] = v;
        if (rule.alpha)
            *w[0] |= uint32_t(v > 240) << 24, *w[1] |= uint32_t(v < 16) << 25, *w[2] |= uint32_t(v > 240) << 26;
    }
    rule.least = rule.value == RULE_LUMA ? 1000 * t + 500 : rule.value == RULE_ANY ? 1 : t + 1;
}

PixelRule RuleOfOptions()
{
    PixelRule rule;
    rule.indices = options.imgmode == 2;
    rule.value = options.rule == RULE_PLAIN ? RULE_BLUE : options.rule;
    rule.threshold = options.threshold;
    rule.invert = options.invert;
    rule.alpha = options.alpha;
    rule.transparent = rule.indices ? 255 : 0;
    rule.bycolour = options.rule != RULE_PLAIN;
    rule.plain = rule.value == RULE_BLUE && rule.threshold == 127 && !rule.invert && !rule.alpha;
    Weigh(rule);
    return rule;
}

// The byte of a pixel whose samples weigh sum. The loops below pass the
// rule's fields as values: the bytes they store could otherwise be the
// rule's, and every field would be read again for every pixel.
static inline uint8_t Decide(uint32_t sum, uint32_t least, uint32_t invert, uint8_t transparent)
{
    uint8_t bit = uint8_t(((sum & 0xFFFFFF) >= least) ^ invert);
    return (sum >> 24) == 7 ? transparent : bit;
}

std::string RuleText(const PixelRule& rule)
{
    static const char* const VALUES[] = {"", "blue", "luma", "red, green or blue"};
    std::string text = "a pixel is 1 when ";
    if (rule.alpha)
        text += "it is opaque and ";
    if (bitrule)
        return text + "its bit is " + (rule.invert ? "1" : "0");
    std::string threshold = std::to_string(rule.threshold);
    return text + "its " + VALUES[rule.value] + " is " + (rule.invert ? threshold + " or below" : "above " + threshold);
}

uint8_t Scale(uint32_t v, uint32_t bits)
{
    return bits == 0 ? 0 : uint8_t(uint64_t(v) * 255 / ((uint64_t(1) << bits) - 1));
}

uint8_t ColourValue(const PixelRule& rule, uint32_t color, bool hasalpha)
{
    if (rule.alpha && hasalpha && (color >> 24) < 128)
        return rule.transparent;
    return Decide(rule.weights[0][(color >> 16) & 0xFF] + rule.weights[1][(color >> 8) & 0xFF] +
                      rule.weights[2][color & 0xFF],
                  rule.least, rule.invert, rule.transparent);
}

void IndexTable(const PixelRule& rule, const uint32_t* colors, bool hasalpha, uint8_t table[256])
{
    for (size_t i = 0; i < 256; i++) {
        if (!rule.indices)
            table[i] = ColourValue(rule, colors[i], hasalpha);
        else if (rule.alpha && ColourValue(rule, colors[i], hasalpha) == rule.transparent)
            table[i] = rule.transparent;
        else
            table[i] = uint8_t(i);
    }
}

void StoreColours(const PixelRule& rule, const ColourRun& run, size_t count, uint8_t* out)
{
    const uint32_t *wr = rule.weights[0], *wg = rule.weights[1], *wb = rule.weights[2];
    const uint32_t least = rule.least, invert = rule.invert;
    const uint8_t clear = rule.transparent;
    for (size_t x = 0; x < count; x++)
        out[x] = Decide(wr[run.red[x]] + wg[run.green[x]] + wb[run.blue[x]], least, invert, clear);
    if (rule.alpha && run.hasalpha)
        for (size_t x = 0; x < count; x++)
            out[x] = run.alpha[x] < 128 ? clear : out[x];
}

void StoreSamples(const PixelRule& rule, const uint8_t* p, size_t step, int red, int green, int blue, int alpha,
                  size_t count, uint8_t* out)
{
    const uint32_t *wr = rule.weights[0], *wg = rule.weights[1], *wb = rule.weights[2];
    const uint32_t least = rule.least, invert = rule.invert;
    const uint8_t clear = rule.transparent;
    for (size_t x = 0; x < count; x++)
        out[x] = Decide(wr[p[x * step + red]] + wg[p[x * step + green]] + wb[p[x * step + blue]], least, invert, clear);
    if (rule.alpha && alpha >= 0)
        for (size_t x = 0; x < count; x++)
            out[x] = p[x * step + alpha] < 128 ? clear : out[x];
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

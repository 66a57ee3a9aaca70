#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "imgtrell.h"

namespace {

struct Loaded {
    int result;
    std::string console;
};

Loaded Decode(const std::vector<uint8_t>& bytes, int32_t mode = 1)
{
    imgmode = mode;
    testing::internal::CaptureStdout();
    int result = DecodeBMP(bytes.data(), bytes.size(), "t.bmp");
    return {result, testing::internal::GetCapturedStdout()};
}

// The image buffer as text, one character per pixel, rows joined by '/'.
std::string Pixels()
{
    std::string s;
    for (int32_t y = 0; y < imgheight; y++) {
        if (y)
            s += '/';
        for (int32_t x = 0; x < imgwidth; x++)
            s += char('0' + imgbuffer[size_t(y) * size_t(imgwidth) + size_t(x)]);
    }
    return s;
}

BmpFields OneBit(int32_t width, int32_t height, std::vector<std::vector<uint8_t>> rows)
{
    BmpFields f;
    f.width = width;
    f.height = height;
    f.bpp = 1;
    f.colorsused = 2;
    f.palette = {0x000000, 0xFFFFFF};
    f.rows = std::move(rows);
    return f;
}

TEST(LoadBMP, OneBitRowOrderFollowsTheHeightSign)
{
    auto up = Decode(MakeBMP(OneBit(8, 2, {{0xFF}, {0x00}})));
    EXPECT_EQ(up.result, 1);
    EXPECT_EQ(up.console, "w: 8, h: 2,bpp: 1, comp: 0 \n");
    EXPECT_EQ(Pixels(), "11111111/00000000");  // stored first = bottom row

    auto down = Decode(MakeBMP(OneBit(8, -2, {{0xFF}, {0x00}})));
    EXPECT_EQ(down.console, "w: 8, h: 2,bpp: 1, comp: 0 \n");
    EXPECT_EQ(Pixels(), "00000000/11111111");
}

TEST(LoadBMP, OneBitIgnoresPaletteAndSkipsStridePadding)
{
    // 12 wide: two pixel bytes and two padding bytes per row; the four bits
    // past the width are dropped. A white index 0 changes nothing.
    BmpFields f = OneBit(12, -2, {{0x80, 0x1F, 0xEE, 0xEE}, {0x00, 0x0F, 0xEE, 0xEE}});
    f.palette = {0xFFFFFF, 0x000000};
    Decode(MakeBMP(f));
    EXPECT_EQ(Pixels(), "011111111110/111111111111");
}

TEST(LoadBMP, HeaderLineIsTheSameForBothRowOrders)
{
    std::vector<std::vector<uint8_t>> rows(32, std::vector<uint8_t>(8, 0));
    EXPECT_EQ(Decode(MakeBMP(OneBit(64, 32, rows))).console, "w: 64, h: 32,bpp: 1, comp: 0 \n");
    EXPECT_EQ(Decode(MakeBMP(OneBit(64, -32, rows))).console, "w: 64, h: 32,bpp: 1, comp: 0 \n");
}

BmpFields FourBit(int32_t width, std::vector<uint8_t> row)
{
    BmpFields f;
    f.width = width;
    f.height = 1;
    f.bpp = 4;
    for (uint32_t i = 0; i < 16; i++)
        f.palette.push_back(i % 2 ? 0x0000FF : 0xFFFF00);  // odd indices blue
    f.rows = {std::move(row)};
    return f;
}

TEST(LoadBMP, FourBitStoresIndicesInPaletteModeElseTheBlueThreshold)
{
    BmpFields f = FourBit(5, {0x12, 0x3F, 0xA7});
    Decode(MakeBMP(f), 2);
    std::vector<uint8_t> expect = {1, 2, 3, 15, 10};
    EXPECT_EQ(Buffer(), expect);  // the low nibble of the last byte is dropped
    Decode(MakeBMP(f), 0);
    EXPECT_EQ(Pixels(), "10110");
}

TEST(LoadBMP, PaletteSizeFollowsColoursUsed)
{
    struct Case {
        uint16_t bpp;
        int32_t colorsused;
        int32_t expected;
    };
    const Case cases[] = {{4, 0, 16}, {4, 5, 5}, {4, 20, 20}, {8, 0, 256}, {8, 300, 256},
                          {8, -3, -3}, {24, 0, 0}, {24, 7, 7}, {1, 300, 256}};
    for (const Case& c : cases) {
        BmpFields f;
        f.width = 1;
        f.bpp = c.bpp;
        f.colorsused = c.colorsused;
        for (uint32_t i = 0; i < 256; i++)
            f.palette.push_back(0x010101 * i);
        f.rows = {{0, 0, 0, 0}};
        Decode(MakeBMP(f));
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, colours used " << c.colorsused);
        EXPECT_EQ(numcolors, c.expected);
        int32_t loaded = (c.bpp == 4 || c.bpp == 8) && c.expected > 0 ? c.expected : 0;
        for (int32_t i = 0; i < 256; i++)
            EXPECT_EQ(pal[size_t(i)], i < loaded ? 0xFF000000u + 0x010101u * uint32_t(i) : 0u) << i;
    }
}

TEST(LoadBMP, PaletteFollowsTheInformationHeader)
{
    // Headers of 108 and 124 bytes put the palette further on; one shorter
    // than 40 bytes is read from the usual place.
    for (uint32_t infosize : {12u, 40u, 108u, 124u}) {
        BmpFields f;
        f.infosize = infosize;
        f.width = 2;
        f.bpp = 8;
        f.colorsused = 2;
        f.palette = {0x12ABCD, 0x345678};
        f.rows = {{1, 0}};
        Decode(MakeBMP(f));
        EXPECT_EQ(pal[0], 0xFF12ABCDu) << infosize;
        EXPECT_EQ(pal[1], 0xFF345678u) << infosize;
        EXPECT_EQ(Pixels(), "01");
    }
}

TEST(LoadBMP, EightBitIndicesAndThresholdsOfTheirColours)
{
    BmpFields f;
    f.width = 4;
    f.bpp = 8;
    f.colorsused = 8;
    f.palette = {0, 0, 0, 0, 0, 0, 0, 0x000080};
    f.rows = {{7, 0, 9, 255}};
    Decode(MakeBMP(f), 2);
    std::vector<uint8_t> raw = {7, 0, 9, 255};
    EXPECT_EQ(Buffer(), raw);
    Decode(MakeBMP(f), 0);
    EXPECT_EQ(Pixels(), "1000");  // indices past the count find colour 0
}

TEST(LoadBMP, DirectColourDepthsThresholdTheBlueTheyForm)
{
    struct Case {
        uint16_t bpp;
        uint32_t compression;
        std::vector<uint8_t> pixel;
        uint8_t stored;
    };
    const Case cases[] = {
        {24, 0, {0x80, 0x00, 0x00}, 1},   // blue 128
        {24, 0, {0x7F, 0xFF, 0xFF}, 0},   // blue 127, red and green play no part
        {15, 0, {0x10, 0x00}, 1},         // 5-5-5 blue 16 * 8 = 128
        {15, 0, {0xEF, 0xFF}, 0},         // blue 15 * 8 = 120
        {16, 0, {0x0F, 0x0F}, 0},         // 5-5-5: blue 120
        {16, 3, {0x0F, 0x0F}, 1},         // 4-4-4: blue 240
        {16, 3, {0xF7, 0xFF}, 0},         // 4-4-4: blue 7 * 16 = 112
        {32, 0, {0x80, 0x20, 0x30, 0x40}, 1},  // blue, green, red, alpha
        {32, 3, {0x80, 0x20, 0x30, 0x40}, 0},  // alpha, blue, green, red
        {32, 3, {0x10, 0x90, 0x30, 0x40}, 1},
        {32, 0x10003, {0x10, 0x90, 0, 0}, 1},  // only the low 16 bits count
    };
    for (const Case& c : cases) {
        BmpFields f;
        f.width = 1;
        f.bpp = c.bpp;
        f.compression = c.compression;
        f.rows = {c.pixel};
        SCOPED_TRACE(testing::Message() << c.bpp << " bpp, compression " << c.compression);
        for (int32_t mode : {0, 2}) {
            ASSERT_EQ(Decode(MakeBMP(f), mode).result, 1);
            EXPECT_EQ(imgbuffer[0], c.stored);
        }
    }
}

TEST(LoadBMP, BitFieldsTakeTheBlueMaskTheFileDeclares)
{
    // One pixel with compression 3; the blue mask at offset 62, inside the
    // information header or after a 40-byte one.
    struct Case {
        const char* what;
        uint16_t bpp;
        uint32_t infosize, offset, bluemask;
        std::vector<uint8_t> pixel;
        uint8_t stored;
    };
    const Case cases[] = {
        {"BGRA, blue 128", 32, 124, 138, 0x000000FF, {0x80, 0x00, 0x00, 0x00}, 1},
        {"BGRA, blue 127", 32, 124, 138, 0x000000FF, {0x7F, 0xFF, 0xFF, 0xFF}, 0},
        {"10-10-10-2, blue 512 of 1023", 32, 124, 138, 0x000003FF, {0x00, 0x02, 0x00, 0x00}, 1},
        {"565 in a 52-byte header, blue 16", 16, 52, 66, 0x001F, {0x10, 0x00}, 1},
        {"565 in a 52-byte header, blue 15", 16, 52, 66, 0x001F, {0xEF, 0xFF}, 0},
        {"565 after a 40-byte header", 16, 40, 66, 0x001F, {0x10, 0x00}, 1},
        {"pixels at 65: no masks, 4-4-4", 16, 40, 65, 0x001F, {0x10, 0x00}, 0},
        {"zero blue mask: alpha first", 32, 124, 138, 0, {0x00, 0x80, 0x00, 0x00}, 1},
        {"16-bit mask above bit 15: 4-4-4", 16, 124, 138, 0x001F0000, {0x08, 0x00}, 1},
    };
    for (const Case& c : cases) {
        BmpFields f;
        f.width = 1;
        f.bpp = c.bpp;
        f.compression = 3;
        f.infosize = c.infosize;
        f.dataoffset = c.offset;
        std::vector<uint8_t> bytes = MakeBMP(f);
        bytes.resize(std::max<size_t>(bytes.size(), 66));
        Put32(bytes, 62, c.bluemask);
        bytes.resize(c.offset);
        bytes.insert(bytes.end(), c.pixel.begin(), c.pixel.end());
        ASSERT_EQ(Decode(bytes).result, 1) << c.what;
        EXPECT_EQ(imgbuffer[0], c.stored) << c.what;
    }
}

// A run-length picture: 16 colours, the even ones (index 0 too) blue, then
// the stream at byte 118.
std::vector<uint8_t> RunLength(uint16_t bpp, int32_t width, int32_t height, std::vector<uint8_t> stream)
{
    BmpFields f;
    f.width = width;
    f.height = height;
    f.bpp = bpp;
    f.compression = bpp == 8 ? 1 : 2;
    f.colorsused = 16;
    for (uint32_t i = 0; i < 16; i++)
        f.palette.push_back(i % 2 ? 0xFFFF00 : 0x0000FF);
    std::vector<uint8_t> bytes = MakeBMP(f);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

TEST(LoadBMP, RunLengthStreams)
{
    // Each stream gives the pixels (top row first, indices in mode 2), or
    // the cause of its refusal.
    struct Case {
        uint16_t bpp;
        int32_t width, height;
        std::vector<uint8_t> stream;
        std::string expect;
        int32_t mode;
    };
    const std::string limit(4096 * 120, '0');  // 120 bytes: header, palette, end of bitmap
    const Case cases[] = {
        {8, 3, 2, {2, 5, 1, 7, 0, 0, 3, 4, 0, 1}, "444/557", 2},
        {8, 3, 2, {5, 6, 0, 0, 1, 2, 0, 1}, "200/666", 2},                  // a run never wraps
        {8, 4, 3, {1, 1, 0, 2, 2, 1, 1, 3, 0, 1}, "0000/0003/1000", 2},     // delta
        {8, 2, 2, {1, 4, 0, 2, 0, 5}, "00/40", 2},                          // delta past the top ends it
        {8, 2, 2, {2, 3, 0, 0, 2, 5}, "55/33", 2},                          // the top right ends it
        {8, 4, 1, {0, 3, 1, 2, 3, 9, 1, 4}, "1234", 2},                     // pad byte skipped
        {8, 2, 2, {0, 3, 1, 2, 3, 0, 0, 0, 1, 4, 0, 1}, "40/12", 2},        // absolute run past the width
        {8, 2, 1, {0, 5, 7, 8}, "78", 2},                                   // its rest not needed
        {4, 5, 2, {5, 0x12, 0, 0, 3, 0x34, 0, 1}, "34300/12121", 2},
        {4, 6, 1, {0, 5, 0x12, 0x34, 0x50, 0x99, 1, 0x60}, "123456", 2},    // pad byte skipped
        {4, 3, 3, {0, 2, 1, 1, 2, 0x56, 0, 0, 1, 0x70, 0, 1}, "700/056/000", 2},
        {4, 3, 1, {0, 6, 0x12, 0x34}, "123", 2},                            // its rest not needed
        {8, 3, 2, {1, 3, 0, 1}, "111/011", 1},  // unset pixels are index 0, blue
        {4, 4, 1, {4, 0x21}, "1010", 1},
        {8, 0, -3, {}, "//", 2},                // top-down without pixels: nothing read
        {8, 4096 * 120, 1, {0, 1}, limit, 2},   // 4096 pixels a byte
        {8, 4096 * 120 + 1, 1, {0, 1},
         "a run-length picture of 491521 x 1 has 491521 pixels; a file of 120 bytes may give at most 491520 (4096 a byte)", 2},
        {8, 2, 2, {2, 1, 0}, "file too short: the run-length pair at byte 120 needs byte 121, the file has 121", 2},
        {8, 4, 1, {0, 3, 1, 2, 3}, "file too short: the run-length pair at byte 124 needs byte 124, the file has 123", 2},
        {4, 4, 2, {0, 2, 1}, "file too short: the delta at byte 120 needs byte 121, the file has 121", 2},
        {8, 4, 2, {0, 4, 1, 2, 3}, "file too short: the absolute run at byte 120 needs byte 123, the file has 123", 2},
        {4, 6, 1, {0, 5, 0x12, 0x34}, "file too short: the absolute run at byte 120 needs byte 122, the file has 122", 2},
    };
    for (const Case& c : cases) {
        auto loaded = Decode(RunLength(c.bpp, c.width, c.height, c.stream), c.mode);
        SCOPED_TRACE(testing::Message() << c.bpp << " bits, " << c.width << " x " << c.height);
        if (loaded.result)
            EXPECT_EQ(Pixels(), c.expect);
        else
            EXPECT_EQ(loaded.console.substr(loaded.console.find("Error: t.bmp: ") + 14), c.expect + "\n");
    }
}

TEST(LoadBMP, FifteenBitStrideComesFromFifteenBits)
{
    // 17 pixels of 15 bits round to a 32-byte stride although a row takes
    // 34 bytes: the second row starts inside the first (at 36 if it were
    // read as 16 bits). Bytes 32-33 hold a blue pixel, the rest after them 0.
    BmpFields f;
    f.width = 17;
    f.height = -2;
    f.bpp = 15;
    std::vector<uint8_t> bytes = MakeBMP(f);
    for (int i = 0; i < 17; i++)
        bytes.insert(bytes.end(), {0x10, 0x00});
    bytes.resize(bytes.size() + 32, 0);
    Decode(bytes);
    EXPECT_EQ(Pixels(), std::string(17, '1') + "/1" + std::string(16, '0'));
}

TEST(LoadBMP, PaletteNeedsNotItsLastReservedByte)
{
    // One 8-bit pixel taken from the header itself (offset 0: 'B', index
    // 66) and a palette of two colours that ends the file.
    BmpFields f;
    f.width = 1;
    f.bpp = 8;
    f.colorsused = 2;
    f.palette = {0x000000, 0x0000FF};
    f.dataoffset = 0;
    std::vector<uint8_t> bytes = MakeBMP(f);
    bytes.resize(54 + 8 - 1);
    EXPECT_EQ(Decode(bytes).result, 1);
    EXPECT_EQ(pal[1], 0xFF0000FFu);
    bytes.pop_back();
    EXPECT_EQ(Decode(bytes).console,
              "w: 1, h: 1,bpp: 8, comp: 0 \n"
              "Error: t.bmp: file too short: 2 palette colours at offset 54 need 61 bytes, the file has 60\n");
}

TEST(LoadBMP, FullThirtyTwoBitPixelOffset)
{
    BmpFields f;
    f.width = 1;
    f.rows = {{0xFF, 0, 0}};
    f.dataoffset = 0x10000 + 54;  // the low 16 bits alone would point at 54
    std::vector<uint8_t> bytes = MakeBMP(f);
    bytes[54] = 0x00;
    EXPECT_EQ(Decode(bytes).result, 1);
    EXPECT_EQ(Pixels(), "1");
}

TEST(LoadBMP, ZeroSizedPicturesTakeNoPixelBytes)
{
    BmpFields f;
    f.width = 0;
    f.height = 5;
    f.dataoffset = 4000;  // past the end, but nothing is read from there
    std::vector<uint8_t> bytes = MakeBMP(f);
    bytes.resize(54);
    EXPECT_EQ(Decode(bytes).result, 1);
    EXPECT_EQ(imgheight, 5);
    EXPECT_TRUE(Buffer().empty());
    Put32(bytes, 18, 65535);  // the widest empty picture
    Put32(bytes, 22, 0);
    EXPECT_EQ(Decode(bytes).result, 1);
}

TEST(LoadBMP, LastRowNeedsOnlyTheBytesItTakes)
{
    // Three 24-bit pixels take 9 bytes of a 12-byte stride; a file that ends
    // right after them is whole, one byte less is not.
    BmpFields f;
    f.width = 3;
    f.height = 2;
    f.rows = {std::vector<uint8_t>(12, 0xFF), std::vector<uint8_t>(12, 0)};
    std::vector<uint8_t> bytes = MakeBMP(f);
    bytes.resize(bytes.size() - 3);
    EXPECT_EQ(Decode(bytes).result, 1);
    bytes.pop_back();
    auto refused = Decode(bytes);
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.console, "w: 3, h: 2,bpp: 24, comp: 0 \n"
                               "Error: t.bmp: file too short: pixel row 2 of 2 ends at byte 75, the file has 74\n");
}

TEST(LoadBMP, RefusesWhatItCannotDecode)
{
    auto header = [](void (*edit)(std::vector<uint8_t>&)) {
        BmpFields f;
        f.width = 2;
        f.height = 2;
        f.bpp = 8;
        f.colorsused = 4;
        f.palette = {1, 2, 3, 4};
        f.rows = {{0, 1}, {2, 3}};
        std::vector<uint8_t> b = MakeBMP(f);
        edit(b);
        return b;
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* console;
    };
    const Case cases[] = {
        {"empty", {}, "Error: t.bmp: file too short: 0 bytes, a BMP header takes 54\n"},
        {"53 bytes", header([](std::vector<uint8_t>& b) { b.resize(53); }),
         "Error: t.bmp: file too short: 53 bytes, a BMP header takes 54\n"},
        {"negative width", header([](std::vector<uint8_t>& b) { Put32(b, 18, uint32_t(-2)); }),
         "Error: t.bmp: width -2 is negative\n"},
        {"lowest height", header([](std::vector<uint8_t>& b) { Put32(b, 22, 0x80000000u); }),
         "Error: t.bmp: height -2147483648 is out of range\n"},
        {"2 bpp", header([](std::vector<uint8_t>& b) { b[28] = 2; }),
         "Error: t.bmp: 2 bits per pixel is not supported (1, 4, 8, 15, 16, 24 or 32)\n"},
        {"0 bpp", header([](std::vector<uint8_t>& b) { b[28] = 0; }),
         "Error: t.bmp: 0 bits per pixel is not supported (1, 4, 8, 15, 16, 24 or 32)\n"},
        {"48 bpp", header([](std::vector<uint8_t>& b) { b[28] = 48; }),
         "Error: t.bmp: 48 bits per pixel is not supported (1, 4, 8, 15, 16, 24 or 32)\n"},
        {"palette past the end", header([](std::vector<uint8_t>& b) { Put32(b, 46, 40); }),
         "w: 2, h: 2,bpp: 8, comp: 0 \n"
         "Error: t.bmp: file too short: 40 palette colours at offset 54 need 213 bytes, the file has 78\n"},
        {"header size points the palette away",
         header([](std::vector<uint8_t>& b) { Put32(b, 14, 0xFFFFFFF0u); }),
         "w: 2, h: 2,bpp: 8, comp: 0 \n"
         "Error: t.bmp: file too short: 4 palette colours at offset 4294967294 need 4294967309 bytes, the file has 78\n"},
        {"pixels past the end", header([](std::vector<uint8_t>& b) { b.resize(74); }),
         "w: 2, h: 2,bpp: 8, comp: 0 \n"
         "Error: t.bmp: file too short: pixel row 2 of 2 ends at byte 76, the file has 74\n"},
        {"pixel offset past the end", header([](std::vector<uint8_t>& b) { Put32(b, 10, 0xFFFFFFFFu); }),
         "w: 2, h: 2,bpp: 8, comp: 0 \n"
         "Error: t.bmp: file too short: pixel row 1 of 2 ends at byte 4294967297, the file has 78\n"},
        {"empty picture too tall", header([](std::vector<uint8_t>& b) {
             Put32(b, 18, 0);
             Put32(b, 22, uint32_t(-65536));
         }),
         "Error: t.bmp: a picture of 0 x 65536 has no pixels; an empty picture may measure at most 65535\n"},
        {"empty picture too wide", header([](std::vector<uint8_t>& b) {
             Put32(b, 18, 0x7FFFFFFF);
             Put32(b, 22, 0);
         }),
         "Error: t.bmp: a picture of 2147483647 x 0 has no pixels; an empty picture may measure at most 65535\n"},
        {"compression 1 with 4 bits", header([](std::vector<uint8_t>& b) { b[28] = 4; b[30] = 1; }),
         "w: 2, h: 2,bpp: 4, comp: 1 \n"
         "Error: t.bmp: compression 1 needs 8 bits per pixel, not 4\n"},
        {"compression 2 with 8 bits", header([](std::vector<uint8_t>& b) { b[30] = 2; }),
         "w: 2, h: 2,bpp: 8, comp: 2 \n"
         "Error: t.bmp: compression 2 needs 4 bits per pixel, not 8\n"},
        {"run-length top-down", header([](std::vector<uint8_t>& b) { b[30] = 1; Put32(b, 22, uint32_t(-2)); }),
         "w: 2, h: 2,bpp: 8, comp: 1 \n"
         "Error: t.bmp: height -2 is negative (rows top-down), which compression 1 does not allow\n"},
        {"run-length pixels at the end", header([](std::vector<uint8_t>& b) { b[30] = 1; Put32(b, 10, 78); }),
         "w: 2, h: 2,bpp: 8, comp: 1 \n"
         "Error: t.bmp: file too short: the run-length pair at byte 78 needs byte 78, the file has 78\n"},
        {"run-length pixels past the end", header([](std::vector<uint8_t>& b) { b[30] = 1; Put32(b, 10, ~0u); }),
         "w: 2, h: 2,bpp: 8, comp: 1 \n"
         "Error: t.bmp: file too short: the run-length pair at byte 4294967295 needs byte 4294967295, the file has 78\n"},
        {"largest sizes", header([](std::vector<uint8_t>& b) {
             Put32(b, 18, 0x7FFFFFFF);
             Put32(b, 22, 0x7FFFFFFF);
             b[28] = 32;
         }),
         "w: 2147483647, h: 2147483647,bpp: 32, comp: 0 \n"
         "Error: t.bmp: file too short: pixel row 1 of 2147483647 ends at byte 8589934658, the file has 78\n"},
    };
    for (const Case& c : cases) {
        auto loaded = Decode(c.bytes);
        EXPECT_EQ(loaded.result, 0) << c.what;
        EXPECT_EQ(loaded.console, c.console) << c.what;
    }
}

TEST(LoadBMP, ReportsFilesItCannotRead)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadBMP("no/such/file.bmp"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: no/such/file.bmp: cannot open: No such file or directory\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadBMP("."), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: .: cannot read: Is a directory\n");
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadBMP("/dev/zero"), 0);  // would never end
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Error: /dev/zero: cannot read: not a regular file\n");
}

TEST(LoadBMP, ReadsTheFileWhole)
{
    BmpFields f;
    f.width = 300;
    f.height = -200;
    f.rows.assign(200, std::vector<uint8_t>(900, 0));
    f.rows[199][0] = 0xFF;  // bottom-left pixel blue
    std::vector<uint8_t> bytes = MakeBMP(f);
    std::string path = testing::TempDir() + "whole.bmp";
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    imgmode = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadBMP(path.c_str()), 1);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(imgbuffer[199u * 300u], 1);
    EXPECT_EQ(imgbuffer[199u * 300u + 1], 0);
    std::remove(path.c_str());
}

TEST(PixelStores, DropColumnsPastTheWidth)
{
    imgwidth = 2;
    imgheight = 2;
    SetBuffer({9, 9, 9, 9});
    bmp_drawpixel(1, 1, 0xFF000080);
    bmp_drawpixel(0, 1, 0xFFFFFF7F);
    bmp_drawpixel8(0, 0, 0x1FF);
    bmp_drawpixel8(2, 0, 5);  // past the width: dropped
    bmp_drawpixel(2, 0, 0xFF);
    std::vector<uint8_t> expect = {0xFF, 9, 0, 1};
    EXPECT_EQ(Buffer(), expect);
}

}  // namespace

// The layouts: eight pixels packed into a byte, whole or at the end of a
// row, and each mode's lines of a picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "imgtrell.h"
#include "layout.h"
#include "picture.h"

namespace {

TEST(Layout, EightPixelsPackIntoAByteColumnXFirst)
{
    std::mt19937 random(7);
    std::vector<uint8_t> row(24);
    for (int trial = 0; trial < 2000; trial++) {
        for (uint8_t& pixel : row)
            pixel = random() % 3 ? 0 : uint8_t(random());  // any byte that is not 0 is a set bit
        int64_t width = int64_t(random() % 25), x = width ? int64_t(random() % uint64_t(width)) : 0;
        uint8_t expected = 0;
        for (int64_t i = 0; i < 8 && x + i < width; i++)
            expected = uint8_t(expected | (row[size_t(x + i)] != 0) << (7 - i));
        ASSERT_EQ(PackByte(row.data(), x, width), expected) << "x " << x << " of " << width;
    }
}

// A 20 x 3 picture of indices: row y, column x holds (x + y) % 4 (mode 1
// and 0 see 0 as a clear bit), palette entry 3 the colour key.
TEST(Layout, EachModeWritesItsLines)
{
    std::vector<uint8_t> pixels(60);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = uint8_t((i % 20 + i / 20) % 4);
    imgbuffer = pixels.data(), imgwidth = 20, imgheight = 3;
    pal.fill(0xFF000000);
    pal[3] = 0xFFFF00FF;
    options.common.syntax = 0;
    const char* expected[] = {
        // strips: each of the three a line of a byte per row
        "DB #77,#ee,#dd,\nDB #77,#ee,#dd,\nDB #70,#e0,#d0,\n",
        // rows: each a line of three bytes
        "DB #77,#77,#70,\nDB #ee,#ee,#e0,\nDB #dd,#dd,#d0,\n",
        // palette bytes: index + 1, the key 0, 16 to a line
        "DB #01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,\nDB #01,#02,#03,#00,\n"
        "DB #02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,\nDB #02,#03,#00,#01,\n"
        "DB #03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,\nDB #03,#00,#01,#02,\n"};
    for (Mode mode : {MODE_VERTICAL, MODE_HORIZONTAL, MODE_PALETTE}) {
        options.mode = mode;
        FILE* out = std::tmpfile();
        ASSERT_EQ(WritePicData(out, "p"), 0);
        std::string text(4096, '\0');
        std::rewind(out);
        text.resize(std::fread(&text[0], 1, text.size(), out));
        std::fclose(out);
        EXPECT_EQ(text, std::string(";image: p - 20 x 3\nIMGDATA:\n") + expected[mode] + "\n") << mode;
    }
    imgbuffer = nullptr;
}

}  // namespace

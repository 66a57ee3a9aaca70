// The layouts: eight pixels packed into a byte, whole or at the end of a
// row, and each mode's lines of a picture.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "conversion.h"
#include "imgtrell.h"
#include "layout.h"
#include "picture.h"

namespace {

// The include text of the picture "p", as the conversion's first file
// holds it, or "failed".
std::string PicData(const Options& options)
{
    Console console;
    console.keep = true;
    Conversion cv{options, console, "p", {}, {}, {}, {}};
    Outputs outputs;
    if (!PlanLayout(cv) || !WriteOutputs(cv, outputs))
        return "failed";
    return outputs.files[0].bytes;
}

// Each pixel a colour index of 4 bits: its bit of the plane packed.
TEST(Layout, EightPixelsPackIntoAByteColumnXFirst)
{
    std::mt19937 random(7);
    std::vector<uint8_t> row(24);
    for (int trial = 0; trial < 2000; trial++) {
        for (uint8_t& pixel : row)
            pixel = uint8_t(random() % 16);
        int64_t width = int64_t(random() % 25), x = width ? int64_t(random() % uint64_t(width)) : 0;
        int plane = int(random() % 4);
        uint8_t expected = 0;
        for (int64_t i = 0; i < 8 && x + i < width; i++)
            expected = uint8_t(expected | ((row[size_t(x + i)] >> plane) & 1) << (7 - i));
        ASSERT_EQ(PackByte(row.data(), x, width, plane), expected) << "x " << x << " of " << width << ", plane " << plane;
    }
}

// A 20 x 3 picture: row y, column x holds (x + y) % 4, a colour index of
// two planes, or a palette index (entry 3 the colour key); a bit is plane 0.
TEST(Layout, EachModeWritesItsLines)
{
    std::vector<uint8_t> pixels(60);
    for (size_t i = 0; i < pixels.size(); i++)
        pixels[i] = uint8_t((i % 20 + i / 20) % 4);
    imgbuffer = pixels.data(), imgwidth = 20, imgheight = 3;
    pal.fill(0xFF000000);
    pal[3] = 0xFFFF00FF;
    Options options;
    const char* expected[] = {
        // strips: each of the three a line of a byte per row
        "DB #55,#aa,#55,\nDB #55,#aa,#55,\nDB #50,#a0,#50,\n",
        // rows: each a line of three bytes
        "DB #55,#55,#50,\nDB #aa,#aa,#a0,\nDB #55,#55,#50,\n",
        // palette bytes: index + 1, the key 0, 16 to a line
        "DB #01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,\nDB #01,#02,#03,#00,\n"
        "DB #02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,\nDB #02,#03,#00,#01,\n"
        "DB #03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,#03,#00,#01,#02,\nDB #03,#00,#01,#02,\n"};
    for (Mode mode : {MODE_VERTICAL, MODE_HORIZONTAL, MODE_PALETTE}) {
        options.mode = mode;
        EXPECT_EQ(PicData(options), std::string(";image: p - 20 x 3\nIMGDATA:\n") + expected[mode] + "\n") << mode;
    }
    // Two planes, plane 1's rows first, a label before plane 2's.
    options.mode = MODE_HORIZONTAL, options.planes = 2, options.labels = LABELS_PLANE;
    EXPECT_EQ(PicData(options), std::string(";image: p - 20 x 3\nIMGDATA:\n") + expected[1] +
                        "IMGDATA_P2:\nDB #33,#33,#30,\nDB #66,#66,#60,\nDB #cc,#cc,#c0,\n\n");
    imgbuffer = nullptr;
}

}  // namespace

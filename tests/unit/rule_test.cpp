// The pixel rule's tables: each value at its threshold, the colour key at
// its edges, alpha either side of 128, invert, and the bytes of mode 2.
#include <gtest/gtest.h>

#include "conversion.h"
#include "imgtrell.h"
#include "picture.h"
#include "ink.h"
#include "pixels.h"

namespace {

struct RuleCase {
    Rule rule;
    int threshold;
    bool invert, alpha;
    Mode mode;
    uint32_t colour;
    bool hasalpha;
    uint8_t stored;
};

Options OptionsOf(const RuleCase& c)
{
    Options options;
    options.rule = c.rule, options.threshold = c.threshold, options.invert = c.invert, options.alpha = c.alpha;
    options.mode = c.mode;
    return options;
}

PixelRule RuleOf(const RuleCase& c) { return RuleOfOptions(OptionsOf(c)); }

TEST(PixelRule, ColoursAtTheEdgesOfEachRule)
{
    const Mode H = MODE_HORIZONTAL, P = MODE_PALETTE;
    const RuleCase cases[] = {
        {RULE_PLAIN, 127, false, false, H, 0xFF000080, false, 1},  // blue 128
        {RULE_PLAIN, 127, false, false, H, 0xFFFFFF7F, false, 0},  // blue 127, whatever red and green
        {RULE_LUMA, 149, false, false, H, 0xFF00FF00, false, 1},   // green 255: luma 150
        {RULE_LUMA, 150, false, false, H, 0xFF00FF00, false, 0},
        {RULE_LUMA, 75, false, false, H, 0xFFFF0000, false, 1},    // red 255: luma 76
        {RULE_LUMA, 76, false, false, H, 0xFFFF0000, false, 0},
        {RULE_LUMA, 28, false, false, H, 0xFF0000FF, false, 1},    // blue 255: luma 29
        {RULE_LUMA, 29, false, false, H, 0xFF0000FF, false, 0},
        {RULE_ANY, 200, false, false, H, 0xFF10C910, false, 1},    // green 201
        {RULE_ANY, 201, false, false, H, 0xFFC9C9C9, false, 0},
        {RULE_BLUE, 127, true, false, H, 0xFF000080, false, 0},    // inverted
        {RULE_BLUE, 127, true, true, H, 0xFFF10FF1, false, 0},     // the colour key stays 0
        {RULE_BLUE, 127, false, true, P, 0xFFF10FF1, false, 255},  // and is 255 in mode 2
        {RULE_BLUE, 127, false, true, P, 0xFFF00FFF, false, 1},    // red 240: no key
        {RULE_BLUE, 127, false, true, P, 0xFFFF10FF, false, 1},    // green 16: no key
        {RULE_BLUE, 127, false, true, P, 0xFFFF00F0, false, 1},    // blue 240: no key
        {RULE_BLUE, 127, false, true, P, 0x7F0000FF, true, 255},   // alpha 127 is transparent
        {RULE_BLUE, 127, false, true, P, 0x800000FF, true, 1},     // 128 is not
        {RULE_BLUE, 127, false, true, P, 0x000000FF, false, 1},    // alpha the file does not give
        {RULE_BLUE, 127, false, false, P, 0x000000FF, true, 1},    // alpha without --alpha
    };
    for (const RuleCase& c : cases)
        EXPECT_EQ(ColourValue(RuleOf(c), c.colour, c.hasalpha), c.stored) << std::hex << c.colour << " t " << std::dec
                                                                           << c.threshold;
}

// The same colours reach the picture alike as samples and as runs of colour
// planes; alpha 127 and 128, and the colour key, under --alpha.
TEST(PixelRule, SamplesAndColourRunsStoreAlike)
{
    const Options options = OptionsOf({RULE_LUMA, 100, false, true, MODE_HORIZONTAL, 0, false, 0});
    Console console;
    Conversion cv{options, console, "t", {}, {}, {}, {}};
    imgwidth = 4, imgheight = 2;
    ASSERT_TRUE(StartPixels(cv, "t", nullptr));
    const uint8_t samples[] = {200, 200, 200, 127, 200, 200, 200, 128, 255, 0, 255, 255, 10, 10, 10, 255};
    PutSamples(cv, 0, 0, 1, samples, 4, 0, 1, 2, 3, 4);
    static ColourRun run;
    for (int i = 0; i < 4; i++)
        run.red[i] = samples[4 * i], run.green[i] = samples[4 * i + 1], run.blue[i] = samples[4 * i + 2],
        run.alpha[i] = samples[4 * i + 3];
    run.hasalpha = true;
    PutColours(cv, 1, 0, 1, run, 4);
    for (int y = 0; y < 2; y++)
        EXPECT_EQ(std::vector<uint8_t>(PictureRow(y), PictureRow(y) + 4), std::vector<uint8_t>({0, 1, 0, 0})) << y;
    ClearPicture();
}

// Samples held for a fit, in the steps of an interlaced pass (every other
// column, from the first or the second): each pixel lands in its column.
// And samples stored in such steps, and colour runs shorter than the row,
// set their own pixels only.
TEST(PixelRule, PixelsInStepsLandInTheirColumnsOnly)
{
    Options options = OptionsOf({RULE_BLUE, 127, false, false, MODE_HORIZONTAL, 0, false, 0});
    options.fitwidth = 4, options.fitheight = 1;
    Console console;
    // Blue, green, red: black and blue in columns 0 and 2, blue in 1 and 3.
    const uint8_t samples[] = {0, 0, 0, 200, 0, 0, 200, 0, 0, 200, 0, 0};
    for (int pass = 0; pass < 2; pass++) {
        if (pass == 1)
            options.fitwidth = options.fitheight = 0, options.planes = 2, options.colors = {0x000000, 0x0000FF};
        Conversion cv{options, console, "t", {}, {}, {}, {}};
        imgwidth = 4, imgheight = pass + 1;
        ASSERT_TRUE(StartPixels(cv, "t", nullptr));
        if (pass == 1) {  // black, blue, blue: two at a time, the right half first
            static ColourRun run;
            run.hasalpha = false;
            for (int i = 0; i < 4; i++)
                run.red[i] = run.green[i] = 0, run.blue[i] = i == 0 ? 0 : 255;
            PutColours(cv, 0, 2, 1, run, 2);
            PutColours(cv, 0, 0, 1, run, 2);
        }
        PutSamples(cv, pass, 0, 2, samples, 3, 2, 1, 0, -1, 2);
        PutSamples(cv, pass, 1, 2, samples + 6, 3, 2, 1, 0, -1, 2);
        ASSERT_TRUE(FitPicture(cv) && FinishPixels(cv));
        EXPECT_EQ(std::vector<uint8_t>(PictureRow(pass), PictureRow(pass) + 4), std::vector<uint8_t>({0, 1, 1, 1}));
        if (pass == 1) {
            EXPECT_EQ(std::vector<uint8_t>(PictureRow(0), PictureRow(0) + 4), std::vector<uint8_t>({0, 1, 0, 1}));
        }
        ClearPicture();
    }
}

// The census of a run without --rule against a count of its own, pixel by
// pixel: a picture of rows longer than a block of keys, of 16 colours (the
// most it holds) and of 17, handed over as a BMP's rows, as a PNG's samples
// in two passes (even columns, then odd), and as runs of colour planes.
TEST(InkCensus, CountsAsEachPixelCounts)
{
    const int width = 1100, height = 3;
    for (int colours : {16, 17})
        for (int way = 0; way < 3; way++) {
            Options options;
            options.mode = MODE_HORIZONTAL;
            Console console;
            Conversion cv{options, console, "t", {}, {}, {}, {}};
            imgwidth = width, imgheight = height;
            ASSERT_TRUE(StartPixels(cv, "t", nullptr));
            // Colour c is (c * 16, 255 - c * 15, c * 9): its blue is above 127 from c = 15 on.
            auto index = [&](int x, int y) { return x == 0 || y == 0 ? 1 : (x / 50 + y) % colours; };
            auto rgb = [](int c) { return std::vector<uint8_t>{uint8_t(c * 16), uint8_t(255 - c * 15), uint8_t(c * 9)}; };
            for (int y = 0; y < height; y++) {
                std::vector<uint8_t> row;
                for (int x = 0; x < width; x++)
                    for (uint8_t v : rgb(index(x, y)))
                        row.push_back(v);
                if (way == 0)
                    PutSamples(cv, y, 0, 1, row.data(), 3, 0, 1, 2, -1, width);
                for (int pass = 0; way == 1 && pass < 2; pass++)
                    PutSamples(cv, y, pass, 2, row.data() + 3 * pass, 6, 0, 1, 2, -1, width / 2);
                static ColourRun run;
                for (int at = 0; way == 2 && at < width; at += int(COLOUR_RUN)) {
                    const int n = std::min(width - at, int(COLOUR_RUN));
                    for (int i = 0; i < n; i++)
                        run.red[i] = row[3 * (at + i)], run.green[i] = row[3 * (at + i) + 1], run.blue[i] = row[3 * (at + i) + 2];
                    run.hasalpha = false;
                    PutColours(cv, y, at, 1, run, size_t(n));
                }
            }
            ASSERT_TRUE(FinishPixels(cv));
            // Colour 1 has the whole left column and top row: the background.
            uint64_t read0ink = 0, read1background = 0;
            for (int y = 0; y < height; y++)
                for (int x = 0; x < width; x++) {
                    const bool bit = rgb(index(x, y))[2] > 127, ink = index(x, y) != 1;
                    read0ink += !bit && ink, read1background += bit && !ink;
                }
            const InkCheck check = CheckInk(cv);
            const bool counted = colours <= int(CENSUS_COLOURS);
            EXPECT_EQ(check.inkread0, counted ? read0ink : 0) << colours << " colours, way " << way;
            EXPECT_EQ(check.backgroundread1, counted ? read1background : 0) << colours << " colours, way " << way;
            ClearPicture();
        }
}

}  // namespace

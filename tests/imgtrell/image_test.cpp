// What the golden cases cannot reach: output far past the writer's 1 MiB
// buffer in every mode (megabytes of expected text), a full disk, and a
// block larger than the small inputs of the golden cases.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "imgtrell.h"
#include "layout.h"
#include "picture.h"
#include "platform.h"

namespace {

// Every pixel 1 (index 1 in mode 2): each mode's lines are the same value over and over.
TEST(Image, LongOutputInEveryModeAFullDiskAndALargeBlock)
{
    const int32_t width = 2048, height = 1100;
    std::vector<uint8_t> pixels(size_t(width) * height, 1);
    imgbuffer = pixels.data();
    imgwidth = width;
    pal.fill(0);
    auto repeat = [](const std::string& text, int32_t times) { std::string all; while (times-- > 0) all += text; return all; };
    // Each mode's lines, and the values a line holds.
    const int32_t lines[] = {width / 8, height, height * width / 16}, values[] = {height, width / 8, 16};
    for (int32_t mode : {0, 1, 2}) {
        options.mode = Mode(mode == 0 ? MODE_VERTICAL : mode == 1 ? MODE_HORIZONTAL : MODE_PALETTE);
        imgheight = height;
        std::string expect = ";image: a.bmp - 2048 x 1100\nIMGDATA:\n" +
                             repeat("DB " + repeat(mode == 2 ? "#02," : "#ff,", values[mode]) + "\n", lines[mode]) + "\n";
        FILE* out = std::tmpfile();
        ASSERT_EQ(WritePicData(out, "a.bmp"), 0);
        std::string text(expect.size() + 1, '\0');
        std::rewind(out);
        text.resize(std::fread(&text[0], 1, text.size(), out));
        std::fclose(out);
        EXPECT_TRUE(text == expect) << "mode " << mode << ": " << text.size() << " bytes, expected " << expect.size();

        // A full disk fails at the first full buffer, or for one row at the final flush.
        for (int32_t rows : {height, 1}) {
            imgheight = rows;
            FILE* full = std::fopen("/dev/full", "w");
            errno = 0;
            EXPECT_EQ(WritePicData(full, "a.bmp"), -1);
            EXPECT_EQ(errno, ENOSPC);
            std::fclose(full);
        }
    }
    imgbuffer = nullptr;

    // A block of 2 MiB or more is rounded to whole huge pages: up, never down; a whole number of them is kept.
    for (size_t size : {size_t(2) << 20, size_t(4) << 20, (size_t(4) << 20) + 1}) {
        uint8_t* block = AllocateBlock(size);
        ASSERT_NE(block, nullptr);
        block[size - 1] = 1;
        FreeBlock(block);
    }
}

}  // namespace

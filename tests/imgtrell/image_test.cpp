// What the golden cases cannot reach: output far past the writer's 1 MiB
// buffer in every mode, a full disk, and the run-length size limit at its
// edge (a picture that large would make megabytes of expected text).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "imgtrell.h"

namespace {

// Every pixel 1 (index 1 in mode 2): each mode's lines are the same value over and over.
TEST(Image, LongOutputInEveryModeAndAFullDisk)
{
    const int32_t width = 2048, height = 1100;
    std::vector<uint8_t> pixels(size_t(width) * height, 1);
    imgbuffer = pixels.data();
    imgwidth = width;
    imgheight = height;
    pal.fill(0);
    struct Case {
        int32_t mode;
        int32_t lines, values;  // values a line holds
        const char* value;
    };
    const Case cases[] = {{0, width / 8, height, "#ff,"}, {1, height, width / 8, "#ff,"}, {2, height * width / 16, 16, "#02,"}};
    for (const Case& c : cases) {
        imgmode = c.mode;
        std::string line = "DB ";
        for (int32_t i = 0; i < c.values; i++)
            line += c.value;
        line += "\n";
        std::string expect = ";image: a.bmp - 2048 x 1100\nIMGDATA:\n";
        for (int32_t i = 0; i < c.lines; i++)
            expect += line;
        expect += "\n";
        FILE* out = std::tmpfile();
        ASSERT_EQ(WritePicData(out, "a.bmp"), 0);
        std::string text(expect.size() + 1, '\0');
        std::rewind(out);
        text.resize(std::fread(&text[0], 1, text.size(), out));
        std::fclose(out);
        EXPECT_TRUE(text == expect) << "mode " << c.mode << ": " << text.size() << " bytes, expected " << expect.size();

        // A full disk fails at the first full buffer, or for one row at the final flush.
        for (int32_t rows : {height, 1}) {
            imgheight = rows;
            FILE* full = std::fopen("/dev/full", "w");
            errno = 0;
            EXPECT_EQ(WritePicData(full, "a.bmp"), -1);
            EXPECT_EQ(errno, ENOSPC);
            std::fclose(full);
        }
        imgheight = height;
    }
    imgbuffer = nullptr;
}

// A 60-byte RLE8 file (one palette colour, then an end of bitmap) may give
// 4096 pixels a byte: 245760, and not one more.
TEST(Image, RunLengthPicturesAtMost4096PixelsAByte)
{
    uint8_t file[60] = {'B', 'M', 60, 0, 0, 0, 0, 0, 0, 0, 58, 0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                        1, 0, 8, 0, 1, 0, 0, 0};
    file[46] = 1;  // colours used
    file[59] = 1;  // 0, 1: end of bitmap
    imgmode = 2;
    for (uint32_t width : {245760u, 245761u}) {
        for (int i = 0; i < 4; i++)
            file[18 + i] = uint8_t(width >> 8 * i);
        testing::internal::CaptureStdout();
        int loaded = DecodeBMP(file, sizeof file, "r.bmp");
        std::string console = testing::internal::GetCapturedStdout();
        EXPECT_EQ(loaded, width == 245760u) << console;
        if (loaded)
            EXPECT_EQ(std::vector<uint8_t>(imgbuffer, imgbuffer + width), std::vector<uint8_t>(width, 0));
        else
            EXPECT_EQ(console, "w: 245761, h: 1,bpp: 8, comp: 1 \nError: r.bmp: a run-length picture of 245761 x 1 has "
                               "245761 pixels; a file of 60 bytes may give at most 245760 (4096 a byte)\n");
    }
}

// The pixel stores drop a column at or past the width.
TEST(Image, PixelStores)
{
    std::vector<uint8_t> pixels(4, 9);
    imgbuffer = pixels.data();
    imgwidth = 2;
    bmp_drawpixel(0, 1, 0xFF000080);  // blue 128
    bmp_drawpixel(1, 0, 0xFFFFFF7F);  // blue 127
    bmp_drawpixel8(1, 1, 0x1FF);      // the low 8 bits
    bmp_drawpixel8(2, 0, 5);
    bmp_drawpixel(2, 1, 0xFF);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{9, 0, 1, 0xFF}));
    imgbuffer = nullptr;
}

TEST(Image, RefusesWhatIsNotAPlainFile)
{
    for (const char* path : {".", "/dev/zero"}) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(LoadBMP(path), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  std::string("Error: ") + path + ": cannot read: " + (path[1] ? "not a regular file" : "Is a directory") + "\n");
    }
}

}  // namespace

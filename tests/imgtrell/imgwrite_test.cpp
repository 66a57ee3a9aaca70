#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "bmp_builder.h"
#include "imgtrell.h"

namespace {

void SetImage(int32_t mode, int32_t width, int32_t height, std::vector<uint8_t> pixels)
{
    imgmode = mode;
    imgwidth = width;
    imgheight = height;
    SetBuffer(pixels);
    pal.fill(0);
    numcolors = 0;
}

std::string ReadBack(FILE* file)
{
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += char(c);
    std::fclose(file);
    return text;
}

std::string PicData()
{
    FILE* file = std::tmpfile();
    EXPECT_EQ(WritePicData(file, "a.bmp"), 0);
    return ReadBack(file);
}

// What follows the comment line and the label.
std::string DataLines()
{
    std::string text = PicData();
    size_t start = text.find("IMGDATA:\n");
    EXPECT_NE(start, std::string::npos);
    EXPECT_EQ(text.back(), '\n');
    return text.substr(start + 9, text.size() - start - 10);
}

TEST(WritePicData, WholeFile)
{
    SetImage(1, 8, 2, {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1});
    EXPECT_EQ(PicData(), ";image: a.bmp - 8 x 2\nIMGDATA:\nDB #ff,\nDB #81,\n\n");
}

TEST(WritePicData, LinesForEachModeAndSize)
{
    struct Case {
        int32_t mode, width, height;
        std::vector<uint8_t> pixels;
        const char* lines;
    };
    std::vector<uint8_t> eight_by_two = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1};
    std::vector<uint8_t> sixteen(16, 0);
    sixteen[0] = sixteen[15] = 1;
    std::vector<uint8_t> twelve_by_two(24, 1);
    twelve_by_two[13] = 0;
    const Case cases[] = {
        {1, 8, 2, eight_by_two, "DB #ff,\nDB #81,\n"},
        {0, 8, 2, eight_by_two, "DB #ff,#81,\n"},
        {0, 16, 1, sixteen, "DB #80,\nDB #01,\n"},
        {1, 16, 1, sixteen, "DB #80,#01,\n"},
        {1, 12, 2, twelve_by_two, "DB #ff,#f0,\nDB #bf,#f0,\n"},
        {0, 12, 2, twelve_by_two, "DB #ff,#bf,\nDB #f0,#f0,\n"},
        {7, 12, 2, twelve_by_two, "DB #ff,#f0,\nDB #bf,#f0,\n"},   // any other mode:
        {-1, 12, 2, twelve_by_two, "DB #ff,#f0,\nDB #bf,#f0,\n"},  // horizontal
        {1, 1, 1, {5}, "DB #80,\n"},
        {0, 0, 2, {}, ""},
        {1, 0, 2, {}, "DB \nDB \n"},
        {2, 0, 2, {}, "DB \nDB \n"},
        {0, 17, 0, {}, "DB \nDB \nDB \n"},
        {1, 17, 0, {}, ""},
        {2, 17, 0, {}, ""},
        {2, 1, 1, {0}, "DB #01,\n"},
        {2, 16, 1, std::vector<uint8_t>(16, 1), "DB #02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,#02,\n"},
        {2, 17, 1, std::vector<uint8_t>(17, 0),
         "DB #01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,#01,\nDB #01,\n"},
    };
    for (const Case& c : cases) {
        SetImage(c.mode, c.width, c.height, c.pixels);
        EXPECT_EQ(DataLines(), c.lines) << "mode " << c.mode << ", " << c.width << " x " << c.height;
    }
}

TEST(WritePicData, PaletteModeRowsOfThirtyTwoTakeTwoFullLines)
{
    SetImage(2, 32, 2, std::vector<uint8_t>(64, 1));
    std::string line = "DB ";
    for (int i = 0; i < 16; i++)
        line += "#02,";
    line += "\n";
    EXPECT_EQ(DataLines(), line + line + line + line);
}

TEST(WritePicData, PaletteModeMapsThroughTheColourKey)
{
    SetImage(2, 5, 1, {0, 3, 255, 1, 254});
    pal[0] = 0xFFFF00FF;    // magenta: transparent
    pal[3] = 0xFF102030;    // index 3 -> 4
    pal[255] = 0xFF000000;  // index 255 wraps to 0
    pal[254] = 0x00F10FF1;  // transparent whatever the alpha
    EXPECT_EQ(DataLines(), "DB #00,#04,#00,#02,#00,\n");
}

TEST(CheckTransparency, Boundaries)
{
    struct Case {
        uint32_t color;
        int transparent;
    };
    const Case cases[] = {
        {0xFFFF00FF, 1}, {0x00FF00FF, 1}, {0xFFF10FF1, 1}, {0xFFF000FF, 0},
        {0xFFFF00F0, 0}, {0xFFFF10FF, 0}, {0xFFFF0FFF, 1}, {0x00000000, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckTransparency(c.color), c.transparent) << std::hex << c.color;
}

TEST(WritePalData, OneLinePerColourAndItsConsoleLine)
{
    struct Case {
        int32_t count;
        const char* file;
        const char* console;
    };
    const Case cases[] = {
        {2, "PALDATA:\nDW #ff12,#abcd\nDW #0000,#0000\n", "ff12abcd\n00000000\n"},
        {0, "PALDATA:\n", ""},
        {-4, "PALDATA:\n", ""},
    };
    for (const Case& c : cases) {
        SetImage(2, 0, 0, {});
        pal[0] = 0xFF12ABCD;
        numcolors = c.count;
        FILE* file = std::tmpfile();
        testing::internal::CaptureStdout();
        EXPECT_EQ(WritePalData(file), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.console);
        EXPECT_EQ(ReadBack(file), c.file);
    }
}

TEST(WritePicData, LongOutputSpansManyBuffers)
{
    // 300 x 300 in palette mode is about 480 KB of text.
    SetImage(2, 300, 300, std::vector<uint8_t>(90000, 7));
    std::string text = PicData();
    std::string row = "DB ";
    for (int x = 0; x < 300; x++)
        row += x % 16 == 15 && x != 299 ? "#08,\nDB " : "#08,";
    row += "\n";
    std::string expect = ";image: a.bmp - 300 x 300\nIMGDATA:\n";
    for (int y = 0; y < 300; y++)
        expect += row;
    EXPECT_EQ(text, expect + "\n");
}

TEST(WritePicData, ReportsAFullDisk)
{
    SetImage(2, 300, 300, std::vector<uint8_t>(90000, 7));
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_TRUE(full);
    errno = 0;
    EXPECT_EQ(WritePicData(full, "a.bmp"), -1);
    EXPECT_EQ(errno, ENOSPC);
    std::fclose(full);
}

// Runs WriteImageFiles in a fresh folder; returns the files left there.
struct FolderRun {
    int result;
    std::string console;
    std::set<std::string> files;
    std::string picdata;  // what picdata.inc holds afterwards
};

FolderRun WriteInFreshFolder(void (*prepare)())
{
    std::string dir = testing::TempDir() + "imgwriteXXXXXX";
    EXPECT_TRUE(mkdtemp(&dir[0]));
    char cwd[4096];
    EXPECT_TRUE(getcwd(cwd, sizeof cwd));
    EXPECT_EQ(chdir(dir.c_str()), 0);
    if (prepare)
        prepare();
    testing::internal::CaptureStdout();
    FolderRun run;
    run.result = WriteImageFiles("a.bmp");
    run.console = testing::internal::GetCapturedStdout();
    DIR* folder = opendir(".");
    while (dirent* entry = readdir(folder))
        if (entry->d_name[0] != '.')
            run.files.insert(entry->d_name);
    closedir(folder);
    if (FILE* data = std::fopen("picdata.inc", "r"))
        run.picdata = ReadBack(data);
    EXPECT_EQ(std::system(("rm -rf '" + dir + "'").c_str()), 0);
    EXPECT_EQ(chdir(cwd), 0);
    return run;
}

TEST(WriteImageFiles, WritesTheFilesOfTheMode)
{
    SetImage(2, 2, 1, {0, 1});
    numcolors = 1;
    FolderRun palette = WriteInFreshFolder(nullptr);
    EXPECT_EQ(palette.result, 1);
    EXPECT_EQ(palette.console, "00000000\n");
    EXPECT_EQ(palette.files, (std::set<std::string>{"picdata.inc", "picpal.inc"}));

    imgmode = 0;
    FolderRun vertical = WriteInFreshFolder(nullptr);
    EXPECT_EQ(vertical.result, 1);
    EXPECT_EQ(vertical.files, std::set<std::string>{"picdata.inc"});
}

TEST(WriteImageFiles, LeavesNoTemporaryFileWhenItCannotReplace)
{
    SetImage(2, 2, 1, {0, 1});
    FolderRun run = WriteInFreshFolder([] { mkdir("picdata.inc", 0755); });
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.console, "Error: cannot replace picdata.inc: Is a directory\n");
    EXPECT_EQ(run.files, std::set<std::string>{"picdata.inc"});
}

}  // namespace

namespace {

void OldPicdataAndPalFolder()
{
    FILE* old = std::fopen("picdata.inc", "w");
    std::fputs("old\n", old);
    std::fclose(old);
    mkdir("picpal.inc", 0755);
}

TEST(WriteImageFiles, WritesBothFilesOrNeither)
{
    SetImage(2, 2, 1, {0, 1});
    FolderRun kept = WriteInFreshFolder(OldPicdataAndPalFolder);
    EXPECT_EQ(kept.result, 0);
    EXPECT_EQ(kept.console, "Error: cannot replace picpal.inc: Is a directory\n");
    EXPECT_EQ(kept.files, (std::set<std::string>{"picdata.inc", "picpal.inc"}));
    EXPECT_EQ(kept.picdata, "old\n");

    FolderRun none = WriteInFreshFolder([] { mkdir("picpal.inc", 0755); });
    EXPECT_EQ(none.result, 0);
    EXPECT_EQ(none.files, std::set<std::string>{"picpal.inc"});

    // A symbolic link to nowhere is put back as it was: picdata.inc is
    // there, and it is not a file that can be read.
    FolderRun link = WriteInFreshFolder([] {
        mkdir("picpal.inc", 0755);
        EXPECT_EQ(symlink("nowhere", "picdata.inc"), 0);
    });
    EXPECT_EQ(link.result, 0);
    EXPECT_EQ(link.files, (std::set<std::string>{"picdata.inc", "picpal.inc"}));
    EXPECT_EQ(link.picdata, "");
}

}  // namespace

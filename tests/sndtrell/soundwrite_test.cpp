// Sound include writer: the exact sound.inc text, the six-byte header's
// truncation, write errors, and the file put in place.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "sndtrell.h"
#include "wavbytes.h"

namespace {

void SetSound(int32_t rate, const Bytes& samples)
{
    samplerate = rate;
    soundsize = int32_t(samples.size());
    soundbuffer = samples.data();
}

// Runs the stream writer into a temporary file and returns what it wrote.
std::string Written(const char* path)
{
    FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    EXPECT_EQ(WriteSoundData(f, path), 0);
    std::string text;
    std::rewind(f);
    char block[1 << 16];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, f)) > 0)
        text.append(block, got);
    std::fclose(f);
    return text;
}

// Data lines written the plain way, to compare long outputs with.
std::string DataText(const Bytes& samples)
{
    std::string text = "DB ";
    char value[8];
    for (size_t i = 0; i < samples.size(); i++) {
        std::snprintf(value, sizeof value, "#%02x,", unsigned(samples[i]));
        text += value;
        if (i % 16 == 15)
            text += "\nDB ";
    }
    return text;
}

TEST(WriteSoundData, LineBreaksEvery16Values)
{
    const std::string row0 = "#00,#01,#02,#03,#04,#05,#06,#07,#08,#09,#0a,#0b,#0c,#0d,#0e,#0f,";
    struct {
        size_t length;
        std::string data;
    } cases[] = {
        {0, "DB "},
        {1, "DB #00,"},
        {15, "DB #00,#01,#02,#03,#04,#05,#06,#07,#08,#09,#0a,#0b,#0c,#0d,#0e,"},
        {16, "DB " + row0 + "\nDB "},
        {17, "DB " + row0 + "\nDB #10,"},
        {20, "DB " + row0 + "\nDB #10,#11,#12,#13,"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        Bytes samples = Counting(c.length);
        SetSound(22050, samples);
        char size[3];
        std::snprintf(size, sizeof size, "%02zx", c.length);
        EXPECT_EQ(Written("a.wav"), "; Name: a.wav, size: " + std::to_string(c.length) +
                                        ", Hz: 22050\nSOUNDDATA:\nDB #56,#22,#00,#00,#" + size +
                                        ",#00,\n\n" + c.data);
    }
}

// Only the low 16 bits of the rate and the low 24 bits of the length are
// written; the comment shows the whole numbers.
TEST(WriteSoundData, HeaderKeepsLowBits)
{
    Bytes samples(0x01000005, 0xA5);
    SetSound(70000, samples);
    std::string text = Written("big.wav");
    const std::string head = "; Name: big.wav, size: 16777221, Hz: 70000\nSOUNDDATA:\n"
                             "DB #11,#70,#00,#00,#05,#00,\n\nDB ";
    EXPECT_EQ(text.substr(0, head.size()), head);
    size_t lines = samples.size() / 16;
    EXPECT_EQ(text.size(), head.size() + lines * (16 * 4 + 4) + 5 * 4);
    const std::string tail = "#a5,\nDB #a5,#a5,#a5,#a5,#a5,";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

// Every byte value in lowercase hex, and output long enough to fill the
// writer's buffer several times.
TEST(WriteSoundData, ManyValues)
{
    Bytes samples(300007);
    uint32_t x = 12345;
    for (auto& b : samples) {
        x = x * 1103515245u + 12345u;
        b = uint8_t(x >> 16);
    }
    for (size_t i = 0; i < 256; i++)
        samples[i] = uint8_t(i);
    SetSound(-1, samples);
    EXPECT_EQ(Written("r.wav"), "; Name: r.wav, size: 300007, Hz: -1\nSOUNDDATA:\n"
                                "DB #ff,#ff,#04,#93,#e7,#00,\n\n" + DataText(samples));
}

// What the run writes after a refused load: size 0 and the rate kept.
TEST(WriteSoundData, RefusedLoad)
{
    samplerate = 8000;
    soundsize = 0;
    soundbuffer = nullptr;
    EXPECT_EQ(Written("x.wav"), "; Name: x.wav, size: 0, Hz: 8000\nSOUNDDATA:\n"
                                "DB #1f,#40,#00,#00,#00,#00,\n\nDB ");
}

// A full device fails at the final flush for a short text and at the first
// block for a long one; a later write to a good stream is not affected.
TEST(WriteSoundData, WriteErrorIsReported)
{
    FILE* probe = std::fopen("/dev/full", "w");
    if (!probe)
        GTEST_SKIP() << "no /dev/full";
    std::fclose(probe);
    for (size_t length : {0, 4, 100000}) {
        SCOPED_TRACE(length);
        Bytes samples = Counting(length);
        SetSound(8000, samples);
        FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        errno = 0;
        EXPECT_EQ(WriteSoundData(full, "a.wav"), -1);
        EXPECT_EQ(errno, ENOSPC);
        std::fclose(full);
        std::string text = Written("a.wav"), data = DataText(samples);
        EXPECT_EQ(text.substr(text.size() - data.size()), data);
    }
}

class WriteSoundFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        olddir = cwd;
        std::string pattern = testing::TempDir() + "sndwriteXXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override
    {
        for (const std::string& name : Files())
            std::remove(name.c_str());
        EXPECT_EQ(chdir(olddir.c_str()), 0);
        rmdir(dir.c_str());
    }
    static std::vector<std::string> Files()
    {
        std::vector<std::string> names;
        DIR* d = opendir(".");
        while (dirent* e = readdir(d))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(d);
        return names;
    }
    std::string olddir, dir;
};

TEST_F(WriteSoundFileTest, ReplacesAnEarlierFileAndLeavesNothingElse)
{
    std::ofstream("sound.inc") << "an earlier sound.inc that is longer than the new one\n"
                                  "an earlier sound.inc that is longer than the new one\n";
    Bytes samples = Counting(2);
    SetSound(8000, samples);
    testing::internal::CaptureStdout();
    EXPECT_EQ(WriteSoundFile("a.wav"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    std::stringstream text;
    text << std::ifstream("sound.inc").rdbuf();
    EXPECT_EQ(text.str(), "; Name: a.wav, size: 2, Hz: 8000\nSOUNDDATA:\n"
                          "DB #1f,#40,#00,#00,#02,#00,\n\nDB #00,#01,");
    EXPECT_EQ(Files(), std::vector<std::string>{"sound.inc"});
}

}  // namespace

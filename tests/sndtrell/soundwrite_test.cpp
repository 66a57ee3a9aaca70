// Sound include writer: the exact sound.inc text, the six-byte header's
// truncation, and write errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>

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

// A full device fails at the final flush for a short text and at the first
// block for a long one; a later write to a good stream is not affected.
TEST(WriteSoundData, WriteErrorIsReported)
{
    for (size_t length : {0, 100000}) {
        SCOPED_TRACE(length);
        Bytes samples = Counting(length);
        SetSound(8000, samples);
        FILE* full = std::fopen("/dev/full", "w");
        if (!full)
            GTEST_SKIP() << "no /dev/full";
        errno = 0;
        EXPECT_EQ(WriteSoundData(full, "a.wav"), -1);
        EXPECT_EQ(errno, ENOSPC);
        std::fclose(full);
        std::string text = Written("a.wav"), data = DataText(samples);
        EXPECT_EQ(text.substr(text.size() - data.size()), data);
    }
}

}  // namespace

// What the golden cases cannot reach: a sound too long for one output
// buffer (megabytes of expected text), and a full disk.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "sndtrell.h"

namespace {

// 300007 bytes of data give about 1.5 MiB of text: the writer's buffer is
// emptied at its very edge more than once.
TEST(Sound, LongSoundWrittenExactlyAndAFullDisk)
{
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0, 0, 0, 0, 1, 0, 8, 0, 'd', 'a', 't', 'a',
                                0xE7, 0x93, 0x04, 0};
    std::string expect = "; Name: l.wav, size: 300007, Hz: 44100\nSOUNDDATA:\nDB #ac,#44,#04,#93,#e7,#00,\n\nDB ";
    for (size_t i = 0; i < 300007; i++) {
        wav.push_back(uint8_t(i * 7 + i / 256));
        char value[5];
        std::snprintf(value, sizeof value, "#%02x,", wav.back());
        expect += i % 16 == 15 ? value + std::string("\nDB ") : value;
    }
    testing::internal::CaptureStdout();
    EXPECT_EQ(DecodeWAV(wav.data(), wav.size(), "l.wav"), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "size: 300007, rate: 44100, bits: 8, numchannels: 1\n");
    FILE* out = std::tmpfile();
    ASSERT_EQ(WriteSoundData(out, "l.wav"), 0);
    std::string text(expect.size() + 1, '\0');
    std::rewind(out);
    text.resize(std::fread(&text[0], 1, text.size(), out));
    std::fclose(out);
    EXPECT_TRUE(text == expect) << "written " << text.size() << " bytes, expected " << expect.size();

    // A full disk fails at the first full buffer, or at the final flush.
    for (int32_t size : {soundsize, 0}) {
        soundsize = size;
        FILE* full = std::fopen("/dev/full", "w");
        ASSERT_TRUE(full);
        errno = 0;
        EXPECT_EQ(WriteSoundData(full, "l.wav"), -1);
        EXPECT_EQ(errno, ENOSPC);
        std::fclose(full);
    }
}

}  // namespace

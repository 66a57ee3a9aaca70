// WAV loader: the canonical layout loads, every other layout is refused
// with the right message and the right state left behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <utility>

#include "sndtrell.h"
#include "wavbytes.h"

namespace {

struct Outcome {
    int result;
    std::string console;
};

Outcome Decode(const Bytes& bytes, const char* path = "x.wav")
{
    testing::internal::CaptureStdout();
    int result = DecodeWAV(bytes.data(), bytes.size(), path);
    return {result, testing::internal::GetCapturedStdout()};
}

Outcome Load(const std::string& path)
{
    testing::internal::CaptureStdout();
    int result = LoadWAV(path.c_str());
    return {result, testing::internal::GetCapturedStdout()};
}

// Leaves the globals as a successful load does, so that a later refusal
// must clear them.
void LoadSomething(const Bytes& keep)
{
    testing::internal::CaptureStdout();
    ASSERT_EQ(DecodeWAV(keep.data(), keep.size(), "prime.wav"), 1);
    testing::internal::GetCapturedStdout();
    ASSERT_NE(soundbuffer, nullptr);
}

Bytes Buffer() { return soundbuffer ? Bytes(soundbuffer, soundbuffer + soundsize) : Bytes(); }

// The data length field decides how much is taken, up to the file's end.
TEST(DecodeWAV, DataLengths)
{
    for (size_t n : {0, 1, 15, 16, 17, 20}) {
        SCOPED_TRACE(n);
        Bytes wav = CanonicalWAV(Counting(n), 22050);
        Outcome run = Decode(wav);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.console, "size: " + std::to_string(n) + ", rate: 22050, bits: 8, numchannels: 1\n");
        EXPECT_EQ(soundsize, int32_t(n));
        EXPECT_EQ(Buffer(), Counting(n));
    }
}

TEST(DecodeWAV, RateIsTheLittleEndianField)
{
    const std::pair<const char*, int32_t> cases[] = {{"\x22\x56\0\0", 22050}, {"\x70\x11\x01\0", 70000}};
    for (const auto& c : cases) {
        Bytes wav = CanonicalWAV(Counting(4));
        std::memcpy(&wav[24], c.first, 4);
        EXPECT_EQ(Decode(wav).result, 1);
        EXPECT_EQ(samplerate, c.second);
    }
}

// Bits and channels are printed as unsigned 16-bit values and change
// nothing in what is taken.
TEST(DecodeWAV, SuccessLineShowsBitsAndChannels)
{
    Bytes wav = CanonicalWAV(Counting(8), 44100, 2, 16);
    EXPECT_EQ(Decode(wav).console, "size: 8, rate: 44100, bits: 16, numchannels: 2\n");
    EXPECT_EQ(Buffer(), Counting(8));

    Put16(wav, 22, 0xFFFF);
    Put16(wav, 34, 0x8000);
    EXPECT_EQ(Decode(wav).console, "size: 8, rate: 44100, bits: 32768, numchannels: 65535\n");
}

// Only the three letters of the fmt chunk name count; the RIFF length, fmt
// length, byte rate, block alignment and bytes after the data are not read.
TEST(DecodeWAV, UncheckedBytesDoNotMatter)
{
    const std::function<void(Bytes&)> changes[] = {
        [](Bytes& b) { b[15] = 0; },
        [](Bytes& b) { b[15] = 'X'; },
        [](Bytes& b) { Put32(b, 4, 0); },
        [](Bytes& b) { Put32(b, 4, 0xFFFFFFFF); },
        [](Bytes& b) { Put32(b, 16, 40); },
        [](Bytes& b) {
            Put32(b, 28, 0);
            Put16(b, 32, 0);
        },
        [](Bytes& b) { b.resize(b.size() + 8, 0xEE); },
    };
    for (size_t i = 0; i < std::size(changes); i++) {
        SCOPED_TRACE(i);
        Bytes wav = CanonicalWAV(Counting(5), 11025);
        changes[i](wav);
        Outcome run = Decode(wav);
        EXPECT_EQ(run.result, 1);
        EXPECT_EQ(run.console, "size: 5, rate: 11025, bits: 8, numchannels: 1\n");
        EXPECT_EQ(Buffer(), Counting(5));
    }
}

// A canonical 8000 Hz file with extra bytes before its data chunk.
Bytes WithBeforeData(const std::string& extra)
{
    Bytes canon = CanonicalWAV(Counting(4), 8000);
    std::string text(canon.begin(), canon.begin() + 36);
    text += extra;
    text.append(canon.begin() + 36, canon.end());
    return Bytes(text.begin(), text.end());
}

// A LIST chunk between fmt and data, as some editors write.
Bytes WithListChunk() { return WithBeforeData(std::string("LIST\x0e\0\0\0INFOISFT\2\0\0\0x\0", 22)); }

// An 18-byte fmt chunk: the data tag is at 38.
Bytes WithLongFmt()
{
    Bytes wav = WithBeforeData(std::string(2, '\0'));
    Put32(wav, 16, 18);
    return wav;
}

Bytes Changed(std::function<void(Bytes&)> change, size_t samples = 20)
{
    Bytes wav = CanonicalWAV(Counting(samples), 8000);
    change(wav);
    return wav;
}

TEST(DecodeWAV, Refusals)
{
    struct {
        const char* name;
        Bytes wav;
        const char* console;
        int32_t rate;  // what samplerate is left at
    } cases[] = {
        {"empty file", {}, "Error: x.wav: file too short: 0 bytes, a WAV header takes 44\n", 0},
        {"shorter than the header", Changed([](Bytes& b) { b.resize(43); }),
         "Error: x.wav: file too short: 43 bytes, a WAV header takes 44\n", 0},
        {"RIFF tag", Changed([](Bytes& b) { PutTag(b, 0, "RIFX"); }), "No WAV file", 0},
        {"form type", Changed([](Bytes& b) { PutTag(b, 8, "AVI "); }), "No WAV file", 0},
        {"no fmt at 12", Changed([](Bytes& b) { PutTag(b, 12, "LIST"); }),
         "Error: x.wav: the chunk at offset 12 is \"LIST\", not \"fmt \": chunks are not walked\n", 0},
        {"floating point", Changed([](Bytes& b) { Put16(b, 20, 3); }), "Not PCM signed", 8000},
        {"extensible", Changed([](Bytes& b) { Put16(b, 20, 0xFFFE); }), "Not PCM signed", 8000},
        {"format tag high byte", Changed([](Bytes& b) { Put16(b, 20, 0x0101); }), "Not PCM signed", 8000},
        {"LIST before data", WithListChunk(),
         "Error: x.wav: the chunk at offset 36 is \"LIST\", not \"data\": chunks are not walked\n", 8000},
        // Unprintable bytes, the quote and the backslash are shown as \xNN.
        {"18-byte fmt", WithLongFmt(),
         "Error: x.wav: the chunk at offset 36 is \"\\x00\\x00da\", not \"data\": chunks are not walked\n", 8000},
        {"quote, backslash, high byte", Changed([](Bytes& b) { PutTag(b, 36, "\"\\\x80~"); }),
         "Error: x.wav: the chunk at offset 36 is \"\\x22\\x5c\\x80~\", not \"data\": chunks are not walked\n",
         8000},
        {"data one byte past the end", Changed([](Bytes& b) { Put32(b, 40, 21); }),
         "Error: x.wav: file too short: the data chunk of 21 bytes at offset 44 ends at byte 65, "
         "the file has 64\n",
         8000},
        {"data past a file of header only", Changed([](Bytes& b) { Put32(b, 40, 1); }, 0),
         "Error: x.wav: file too short: the data chunk of 1 bytes at offset 44 ends at byte 45, "
         "the file has 44\n",
         8000},
        {"largest positive length", Changed([](Bytes& b) { Put32(b, 40, 0x7FFFFFFF); }),
         "Error: x.wav: file too short: the data chunk of 2147483647 bytes at offset 44 ends at byte "
         "2147483691, the file has 64\n",
         8000},
        {"negative length", Changed([](Bytes& b) { Put32(b, 40, 0x80000000); }),
         "Error: x.wav: file too short: the data chunk of 2147483648 bytes at offset 44 ends at byte "
         "2147483692, the file has 64\n",
         8000},
    };
    Bytes keep = CanonicalWAV(Counting(3), 44100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoadSomething(keep);
        Outcome run = Decode(c.wav);
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.console, c.console);
        EXPECT_EQ(samplerate, c.rate);
        EXPECT_EQ(soundsize, 0);
        EXPECT_EQ(soundbuffer, nullptr);
    }
}

class LoadWAVFile : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = testing::TempDir() + "sndloadXXXXXX";
        ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override
    {
        std::remove((dir + "a.wav").c_str());
        rmdir(dir.c_str());
    }
    void Write(const Bytes& bytes)
    {
        FILE* f = std::fopen((dir + "a.wav").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        ASSERT_EQ(std::fclose(f), 0);
    }
    std::string dir;
};

// Larger than the first block read, so the rest comes in a second read.
TEST_F(LoadWAVFile, ReadsTheWholeFile)
{
    Bytes samples = Counting(200000);
    Write(CanonicalWAV(samples, 44100));
    Outcome run = Load(dir + "a.wav");
    EXPECT_EQ(run.result, 1);
    EXPECT_EQ(run.console, "size: 200000, rate: 44100, bits: 8, numchannels: 1\n");
    EXPECT_EQ(Buffer(), samples);
}

TEST_F(LoadWAVFile, FileThatCannotBeLoaded)
{
    struct {
        std::string path;
        std::string cause;
    } cases[] = {
        {dir + "missing.wav", "cannot open: No such file or directory"},
        {dir, "cannot read: Is a directory"},
        {"/dev/zero", "cannot read: not a regular file"},  // would never end
    };
    Bytes keep = CanonicalWAV(Counting(3), 44100);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        LoadSomething(keep);
        Outcome run = Load(c.path);
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.console, "Error: " + c.path + ": " + c.cause + "\n");
        EXPECT_EQ(samplerate, 0);
        EXPECT_EQ(soundsize, 0);
        EXPECT_EQ(soundbuffer, nullptr);
    }
}

}  // namespace

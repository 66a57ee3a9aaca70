// WAV loader: reads the file whole and takes the fields of the canonical
// 44-byte layout from their fixed offsets. Chunks are not walked: "fmt" must
// sit at offset 12 and "data" at offset 36, so a file with any other chunk
// before the data, or a longer fmt chunk, is refused.
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#include "sndtrell.h"

int32_t soundsize = 0;
int32_t samplerate = 0;
const uint8_t* soundbuffer = nullptr;

// The whole-file block; kept until the process ends, since soundbuffer
// points into it.
static uint8_t* filedata;
static size_t filesize;

// RIFF header (12), fmt chunk of 16 bytes with its name and length (24),
// data chunk name and length (8).
static const size_t WAV_HEADER_SIZE = 44;

static uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

static uint32_t Read32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static bool HasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, std::strlen(tag)) == 0; }

// The four bytes of a chunk name as printable text for a message: a byte
// outside printable ASCII, a quote or a backslash is written \xNN.
static std::string ShowTag(const uint8_t* p)
{
    std::string text;
    for (int i = 0; i < 4; i++) {
        if (p[i] >= 0x20 && p[i] < 0x7f && p[i] != '"' && p[i] != '\\') {
            text += char(p[i]);
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", unsigned(p[i]));
            text += escaped;
        }
    }
    return text;
}

// Prints "Error: <path>: <cause>" as one line and returns 0 (refused).
static int Refuse(const char* path, const char* format, ...)
{
    std::printf("Error: %s: ", path);
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::printf("\n");
    return 0;
}

int DecodeWAV(const uint8_t* data, size_t size, const char* path)
{
    soundsize = 0;
    samplerate = 0;
    soundbuffer = nullptr;

    if (size < WAV_HEADER_SIZE)
        return Refuse(path, "file too short: %zu bytes, a WAV header takes %zu", size, WAV_HEADER_SIZE);

    // These two messages end without a line break: the next console line
    // continues on the same line.
    if (!HasTag(data, "RIFF") || !HasTag(data + 8, "WAVE")) {
        std::printf("No WAV file");
        return 0;
    }
    // Only three letters: the chunk name's fourth byte may be anything.
    if (!HasTag(data + 12, "fmt"))
        return Refuse(path, "the chunk at offset 12 is \"%s\", not \"fmt \": chunks are not walked",
                      ShowTag(data + 12).c_str());
    // Taken before the format test, so a refused format keeps the rate.
    samplerate = int32_t(Read32(data + 24));
    if (Read16(data + 20) != 1) {
        std::printf("Not PCM signed");
        return 0;
    }
    if (!HasTag(data + 36, "data"))
        return Refuse(path, "the chunk at offset 36 is \"%s\", not \"data\": chunks are not walked",
                      ShowTag(data + 36).c_str());

    // A length negative as a signed number reaches past any file.
    uint32_t length = Read32(data + 40);
    if (length > uint32_t(INT32_MAX) || length > size - WAV_HEADER_SIZE)
        return Refuse(path, "file too short: the data chunk of %lu bytes at offset %zu ends at byte %llu, the file has %zu",
                      (unsigned long)length, WAV_HEADER_SIZE,
                      (unsigned long long)WAV_HEADER_SIZE + length, size);

    soundsize = int32_t(length);
    soundbuffer = data + WAV_HEADER_SIZE;
    std::printf("size: %d, rate: %d, bits: %d, numchannels: %d\n", int(soundsize), int(samplerate),
                int(Read16(data + 34)), int(Read16(data + 22)));
    return 1;
}

// Reads the file's size bytes into filedata; a file that changes meanwhile
// is taken as far as it goes. Returns 0 with errno set on a read error, or
// with errno ENOMEM when the file does not fit in memory.
static int ReadWholeFile(FILE* file, uint64_t size)
{
    FreeBlock(filedata);
    filedata = size < SIZE_MAX ? AllocateBlock(size_t(size)) : nullptr;
    if (!filedata) {
        errno = ENOMEM;
        return 0;
    }
    filesize = std::fread(filedata, 1, size_t(size), file);
    return !std::ferror(file);
}

int LoadWAV(const char* path)
{
    soundsize = 0;
    samplerate = 0;
    soundbuffer = nullptr;

    const char* refusal;
    uint64_t size = 0;
    FILE* file = OpenInput(path, &refusal, &size);
    if (!file)
        return refusal ? Refuse(path, "cannot read: %s", refusal)
                       : Refuse(path, "cannot open: %s", std::strerror(errno));
    int ok = ReadWholeFile(file, size);
    int cause = errno;
    std::fclose(file);
    if (!ok)
        return Refuse(path, "cannot read: %s", std::strerror(cause));
    return DecodeWAV(filedata, filesize, path);
}

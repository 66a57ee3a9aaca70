// Builds WAV files in memory for the tests: the canonical 44-byte layout,
// with helpers to patch single fields afterwards.
#ifndef WAVBYTES_H
#define WAVBYTES_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

inline void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

inline void PutTag(Bytes& b, size_t at, const char* tag) { std::memcpy(&b[at], tag, 4); }

// A canonical PCM file: RIFF header, 16-byte fmt chunk, data chunk.
inline Bytes CanonicalWAV(const Bytes& samples, uint32_t rate = 22050, uint16_t channels = 1,
                          uint16_t bits = 8)
{
    Bytes b(44 + samples.size());
    PutTag(b, 0, "RIFF");
    Put32(b, 4, uint32_t(36 + samples.size()));
    PutTag(b, 8, "WAVE");
    PutTag(b, 12, "fmt ");
    Put32(b, 16, 16);
    Put16(b, 20, 1);
    Put16(b, 22, channels);
    Put32(b, 24, rate);
    uint16_t align = uint16_t(channels * ((bits + 7) / 8));
    Put32(b, 28, rate * align);
    Put16(b, 32, align);
    Put16(b, 34, bits);
    PutTag(b, 36, "data");
    Put32(b, 40, uint32_t(samples.size()));
    std::copy(samples.begin(), samples.end(), b.begin() + 44);
    return b;
}

// The bytes 00, 01, 02, ... (wrapping at 256).
inline Bytes Counting(size_t n)
{
    Bytes b(n);
    for (size_t i = 0; i < n; i++)
        b[i] = uint8_t(i);
    return b;
}

#endif

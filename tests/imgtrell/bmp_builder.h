// Builds BMP files in memory for the tests.
#ifndef BMP_BUILDER_H
#define BMP_BUILDER_H

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "imgtrell.h"

struct BmpFields {
    int32_t width = 8;
    int32_t height = 1;
    uint16_t bpp = 24;
    uint32_t compression = 0;
    int32_t colorsused = 0;
    uint32_t infosize = 40;
    std::vector<uint32_t> palette;           // 0xRRGGBB, stored blue, green, red, 0
    std::vector<std::vector<uint8_t>> rows;  // in file order, each padded to the stride
    int64_t dataoffset = -1;                 // -1: right after the palette
};

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

inline std::vector<uint8_t> MakeBMP(const BmpFields& f)
{
    size_t header = 14 + (f.infosize < 40 ? 40 : f.infosize);
    std::vector<uint8_t> b(header, 0);
    b[0] = 'B';
    b[1] = 'M';
    for (uint32_t c : f.palette) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c >> 16));
        b.push_back(0);
    }
    size_t offset = f.dataoffset < 0 ? b.size() : size_t(f.dataoffset);
    b.resize(offset > b.size() ? offset : b.size(), 0);
    size_t stride = ((size_t(f.bpp) * size_t(f.width < 0 ? 0 : f.width) + 31) >> 3) & ~size_t(3);
    for (size_t r = 0; r < f.rows.size(); r++) {
        size_t at = offset + r * stride;
        if (b.size() < at + stride)
            b.resize(at + stride, 0);
        for (size_t i = 0; i < f.rows[r].size(); i++)
            b[at + i] = f.rows[r][i];
    }
    Put32(b, 2, uint32_t(b.size()));
    Put32(b, 10, uint32_t(offset));
    Put32(b, 14, f.infosize);
    Put32(b, 18, uint32_t(f.width));
    Put32(b, 22, uint32_t(f.height));
    b[26] = 1;
    b[28] = uint8_t(f.bpp);
    b[29] = uint8_t(f.bpp >> 8);
    Put32(b, 30, f.compression);
    Put32(b, 46, uint32_t(f.colorsused));
    return b;
}

// Replaces the image buffer with a copy of the given pixels.
inline void SetBuffer(const std::vector<uint8_t>& pixels)
{
    FreeBlock(imgbuffer);
    imgbuffer = AllocateBlock(pixels.size());
    std::copy(pixels.begin(), pixels.end(), imgbuffer);
}

// The image buffer, imgwidth x imgheight bytes.
inline std::vector<uint8_t> Buffer()
{
    return std::vector<uint8_t>(imgbuffer, imgbuffer + size_t(imgwidth) * size_t(imgheight));
}

#endif

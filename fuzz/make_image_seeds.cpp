// Writes the seed corpus of the image fuzzer: small valid files of every
// depth, row order and mode, run-length streams and bit-field files with
// masks, made with the builder the unit tests use.
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_builder.h"

static void Save(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

static void ImageSeeds(const std::string& folder)
{
    const uint16_t depths[] = {1, 4, 8, 15, 16, 24, 32};
    const int32_t widths[] = {1, 5, 12, 17};
    int n = 0;
    for (uint16_t bpp : depths)
        for (int32_t width : widths)
            for (int32_t height : {3, -3})
                for (uint32_t compression : {0u, 3u}) {
                    BmpFields f;
                    f.width = width;
                    f.height = height;
                    f.bpp = bpp;
                    f.compression = compression;
                    if (bpp == 4 || bpp == 8) {
                        f.colorsused = width + 2;
                        for (int32_t i = 0; i < f.colorsused; i++)
                            f.palette.push_back(i % 3 ? 0xFF00FF : 0x1080F0 * uint32_t(i));
                    }
                    size_t stride = ((size_t(bpp) * size_t(width) + 31) >> 3) & ~size_t(3);
                    for (int r = 0; r < 3; r++) {
                        std::vector<uint8_t> row(stride);
                        for (size_t i = 0; i < stride; i++)
                            row[i] = uint8_t(i * 37 + size_t(r) * 101);
                        f.rows.push_back(row);
                    }
                    std::vector<uint8_t> bytes = MakeBMP(f);
                    bytes.insert(bytes.begin(), uint8_t(n % 4));  // the mode byte
                    Save(folder + "/seed" + std::to_string(n++) + ".bmp", bytes);
                }
}

// Run-length streams with every escape (runs, end of line, delta, absolute
// runs with and without a pad byte, end of bitmap), and bit-field files
// that declare their masks inside the header or after a 40-byte one.
static void RunLengthAndMaskSeeds(const std::string& folder)
{
    const std::vector<uint8_t> streams[] = {
        {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 0, 2, 1, 1, 2, 5, 0, 0, 255, 7, 0, 1},
        {3, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 0, 2, 1, 1, 2, 0x5A, 0, 0, 255, 0x7F, 0, 1},
    };
    int n = 0;
    for (uint16_t bpp : {8, 4})
        for (int32_t width : {1, 5, 12})
            for (int32_t height : {1, 3}) {
                BmpFields f;
                f.width = width;
                f.height = height;
                f.bpp = bpp;
                f.compression = bpp == 8 ? 1 : 2;
                f.colorsused = 6;
                f.palette = {0xFF00FF, 0x0000FF, 0xFFFFFF, 0, 0x123480, 0x00007F};
                std::vector<uint8_t> bytes = MakeBMP(f);
                const std::vector<uint8_t>& stream = streams[bpp == 8 ? 0 : 1];
                bytes.insert(bytes.end(), stream.begin(), stream.end());
                bytes.insert(bytes.begin(), uint8_t(n % 4));
                Save(folder + "/rle" + std::to_string(n++) + ".bmp", bytes);
            }
    struct Masks {
        uint16_t bpp;
        uint32_t infosize, red, green, blue;
    };
    const Masks masks[] = {{16, 124, 0xF800, 0x07E0, 0x001F}, {16, 52, 0x7C00, 0x03E0, 0x001F},
                           {16, 40, 0xF800, 0x07E0, 0x001F}, {32, 124, 0xFF0000, 0xFF00, 0xFF},
                           {32, 40, 0x3FF00000, 0xFFC00, 0x3FF}, {32, 56, 0xFF, 0xFF00, 0xFF0000}};
    for (const Masks& m : masks) {
        BmpFields f;
        f.width = 5;
        f.height = 3;
        f.bpp = m.bpp;
        f.compression = 3;
        f.infosize = m.infosize;
        f.dataoffset = m.infosize == 40 ? 66 : -1;
        size_t stride = ((size_t(m.bpp) * 5 + 31) >> 3) & ~size_t(3);
        for (int r = 0; r < 3; r++) {
            std::vector<uint8_t> row(stride);
            for (size_t i = 0; i < stride; i++)
                row[i] = uint8_t(i * 53 + size_t(r) * 71);
            f.rows.push_back(row);
        }
        std::vector<uint8_t> bytes = MakeBMP(f);
        Put32(bytes, 54, m.red);
        Put32(bytes, 58, m.green);
        Put32(bytes, 62, m.blue);
        bytes.insert(bytes.begin(), uint8_t(n % 4));
        Save(folder + "/masks" + std::to_string(n++) + ".bmp", bytes);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_image_seeds FOLDER\n");
        return 1;
    }
    ImageSeeds(argv[1]);
    RunLengthAndMaskSeeds(argv[1]);
    return 0;
}

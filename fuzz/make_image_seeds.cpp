// Writes the seed corpus of the image fuzzer: small valid files of every
// depth, row order and mode, made with the builder the unit tests use.
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

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_image_seeds FOLDER\n");
        return 1;
    }
    ImageSeeds(argv[1]);
    return 0;
}

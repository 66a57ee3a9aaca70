// Writes the seed corpus of the sound fuzzer: canonical files of several
// lengths and formats, and the layouts the loader refuses, made with the
// builder the unit tests use.
#include <cstdio>
#include <string>
#include <vector>

#include "wavbytes.h"

static void Save(const std::string& path, const Bytes& bytes)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_sound_seeds FOLDER\n");
        return 1;
    }
    std::string folder = argv[1];
    std::vector<Bytes> seeds;
    for (size_t length : {0, 1, 15, 16, 17, 100})
        seeds.push_back(CanonicalWAV(Counting(length)));
    seeds.push_back(CanonicalWAV(Counting(64), 70000, 2, 16));
    seeds.push_back(CanonicalWAV(Counting(48), 44100, 2, 24));

    Bytes floating = CanonicalWAV(Counting(32));
    Put16(floating, 20, 3);
    seeds.push_back(floating);
    Bytes extensible = CanonicalWAV(Counting(32));
    Put16(extensible, 20, 0xFFFE);
    seeds.push_back(extensible);
    Bytes rifx = CanonicalWAV(Counting(8));
    PutTag(rifx, 0, "RIFX");
    seeds.push_back(rifx);
    // A LIST chunk between fmt and data.
    Bytes list = CanonicalWAV(Counting(8));
    Bytes chunk = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    list.insert(list.begin() + 36, chunk.begin(), chunk.end());
    seeds.push_back(list);
    // An 18-byte fmt chunk.
    Bytes fmt18 = CanonicalWAV(Counting(8));
    Put32(fmt18, 16, 18);
    fmt18.insert(fmt18.begin() + 36, {0, 0});
    seeds.push_back(fmt18);
    // A data length past the end.
    Bytes truncated = CanonicalWAV(Counting(40));
    truncated.resize(60);
    seeds.push_back(truncated);

    for (size_t i = 0; i < seeds.size(); i++)
        Save(folder + "/seed" + std::to_string(i) + ".wav", seeds[i]);
    return 0;
}

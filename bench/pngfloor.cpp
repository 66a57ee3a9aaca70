// The floor of bench/run for a PNG picture: libspng alone reads the file
// into memory, decodes every row into one row buffer (progressive decoding,
// samples as stored), and then as many bytes as the converter writes for
// the picture go to a file in 1 MiB blocks.
#include <spng.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

static int Fail(const char* what, int err)
{
    std::fprintf(stderr, "pngfloor: %s: %s\n", what, err ? spng_strerror(err) : "failed");
    return 2;
}

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: pngfloor PICTURE.png BYTES OUTPUT\n");
        return 2;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (!in)
        return Fail(argv[1], 0);
    std::vector<unsigned char> file;
    unsigned char block[1 << 16];
    for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;)
        file.insert(file.end(), block, block + n);
    std::fclose(in);

    spng_ctx* ctx = spng_ctx_new(0);
    size_t size = 0;
    spng_ihdr ihdr{};
    int err = spng_set_png_buffer(ctx, file.data(), file.size());
    if (!err)
        err = spng_get_ihdr(ctx, &ihdr);
    if (!err)
        err = spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
    if (!err)
        err = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE);
    if (err)
        return Fail(argv[1], err);
    std::vector<unsigned char> row(size / ihdr.height);
    unsigned long long sum = 0;  // keeps the decoding from being optimised away
    while ((err = spng_decode_row(ctx, row.data(), row.size())) == 0 || err == SPNG_EOI) {
        sum += row[0];
        if (err == SPNG_EOI)
            break;
    }
    if (err != SPNG_EOI)
        return Fail(argv[1], err);
    spng_ctx_free(ctx);

    std::FILE* out = std::fopen(argv[3], "wb");
    if (!out)
        return Fail(argv[3], 0);
    std::vector<char> zeros(1 << 20, char(sum & 1));
    for (unsigned long long left = std::strtoull(argv[2], nullptr, 10); left > 0;) {
        size_t n = left < zeros.size() ? size_t(left) : zeros.size();
        if (std::fwrite(zeros.data(), 1, n, out) != n)
            return Fail(argv[3], 0);
        left -= n;
    }
    return std::fclose(out) == 0 ? 0 : Fail(argv[3], 0);
}

// The table of formats through which a file reaches its decoder.
#include <cstring>

#include "decode.h"
#include "input.h"
#include "pixels.h"

// The formats read, each known by the bytes a file of it begins with.
struct PictureFormat {
    const char* signature;
    size_t length;
    int (*decode)(const uint8_t* data, size_t size, const char* path);
};
// PNG's eight bytes are tried first. BMP's "BM" comes last, since its
// decoder is also the one of last resort: its refusal names what a file of
// no format here begins with.
static const PictureFormat FORMATS[] = {
    {"\x89PNG\r\n\x1a\n", 8, DecodePNG},
    {"BM", 2, DecodeBMP},
};

// The format a file's first bytes tell, or none.
static const PictureFormat* FormatOf(const uint8_t* data, size_t size)
{
    for (const PictureFormat& format : FORMATS)
        if (size >= format.length && std::memcmp(data, format.signature, format.length) == 0)
            return &format;
    return nullptr;
}

int DecodePicture(const uint8_t* data, size_t size, const char* path)
{
    const PictureFormat* format = FormatOf(data, size);
    return (format ? format->decode(data, size, path) : DecodeBMP(data, size, path)) && FinishPixels(path);
}

int LoadPicture(const char* path)
{
    uint8_t head[8];
    uint64_t filesize;
    long got = ReadInputHead(path, head, sizeof head, &filesize);
    if (got < 0)
        return 0;
    // A file of no format here is refused from its first bytes.
    const PictureFormat* format = FormatOf(head, size_t(got));
    if (!format) {
        CloseInput();
        return DecodeBMP(head, size_t(got), path);
    }
    size_t size = 0;
    const uint8_t* data = ReadInputFile(path, &size);
    return data && format->decode(data, size, path) && FinishPixels(path);
}

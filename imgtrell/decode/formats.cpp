// The table of formats through which a file reaches its decoder.
#include <cstring>

#include "conversion.h"
#include "decode.h"

// The formats read, each known by the bytes a file of it begins with.
struct PictureFormat {
    const char* signature;
    size_t length;
    bool (*decode)(Conversion& cv, const uint8_t* data, size_t size, const char* path);
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

bool KnownPictureFormat(const uint8_t* head, size_t size) { return FormatOf(head, size) != nullptr; }

bool DecodePicture(Conversion& cv, const uint8_t* data, size_t size)
{
    const PictureFormat* format = FormatOf(data, size);
    return format ? format->decode(cv, data, size, cv.path) : DecodeBMP(cv, data, size, cv.path);
}

// The decoders: each reads a picture held in memory into the picture,
// through the pixel rule, and says its header line or the line of its
// refusal; the table of formats picks one by a file's first bytes.
#ifndef IMGTRELL_DECODE_H
#define IMGTRELL_DECODE_H

#include <cstddef>
#include <cstdint>

struct Conversion;

// Whether a file that begins with these bytes is of a format read here
// (PNG's eight bytes are the longest signature): a file of none is refused
// from its first bytes alone, without being read whole.
const size_t SIGNATURE_BYTES = 8;
bool KnownPictureFormat(const uint8_t* head, size_t size);
// Decodes the picture held in memory by the format its first bytes tell,
// into the picture through the pixel rule; false when it was refused.
bool DecodePicture(Conversion& cv, const uint8_t* data, size_t size);

// The BMP decoder (bmpload.cpp), and the header fields it reads, as the
// file gives them.
struct BmpHeader {
    uint32_t dataoffset;   // offset 10: where the stored rows begin
    uint32_t infosize;     // offset 14: the information header's size
    bool core;             // an OS/2 1.x header (size 12): 16-bit sides
    int32_t width;
    int32_t height;        // negative: rows stored top row first
    uint32_t bpp;
    uint32_t compression;  // its low 16 bits; 0 where the header lacks it
    int32_t colorsused;    // 0 where the header lacks it
    uint64_t paloffset;    // where the palette begins
    // Bit fields: the masks of red, green, blue (offsets 54, 58 and 62) and
    // alpha (66), 0 where the file declares none. The colour masks count
    // with compression 3, in an information header of 52 bytes or more or
    // right after a 40-byte one with the pixels at 66 or later; the alpha
    // mask in one of 56 bytes or more.
    uint32_t masks[4];
};
// Reads the header of a file that begins with "BM"; refuses (false) any
// other file, or one too short for its header.
bool ReadBmpHeader(Conversion& cv, const uint8_t* data, size_t size, const char* path, BmpHeader* header);
bool DecodeBMP(Conversion& cv, const uint8_t* data, size_t size, const char* path);
// The PNG decoder (pngload.cpp).
bool DecodePNG(Conversion& cv, const uint8_t* data, size_t size, const char* path);

#endif

// Image converter state and operations: a BMP or PNG is decoded into the
// picture globals below, then written out as assembler include text.
#ifndef IMGTRELL_H
#define IMGTRELL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "inout.h"
#include "platform.h"

#define PROGRAM_NAME "imgtrell"

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,            // usage, help or version shown
    STATUS_BATCH_CONVERTED = 0,  // picture converted, with --batch
    STATUS_CONVERTED = 1,        // picture converted
    STATUS_FAILED = 2            // input refused, output not written, or a usage error
};

// A PNG declares its size in a few bytes: by default one of more than
// 2^24 pixels (4096 x 4096) is refused before anything large is allocated;
// --max-pixels raises the limit up to 2^30, a gigabyte of picture.
const uint64_t DEFAULT_MAX_PIXELS = uint64_t(1) << 24;
const uint64_t MAX_PIXELS = uint64_t(1) << 30;

// What the command line asks for: filled by main before the picture is
// loaded, read by the loader's pixel rule, the writer and the console.
struct Options {
    // The path: the first argument that is no option.
    const char* picture = nullptr;
    // The mode argument after the picture: 0 vertical strips, 1 horizontal
    // rows (as any other number), 2 palette indices.
    int32_t imgmode = 2;
    // -o, --output: the include file of the picture.
    std::string output = "picdata.inc";
    // -p, --palette: the include file of the palette (mode 2); with -o
    // alone, beside the output, named after it.
    std::string palette = "picpal.inc";
    // -l, --label: the label of the picture, and with "_PAL" of the
    // palette; none: IMGDATA and PALDATA.
    const char* label = nullptr;
    // -b, --batch: no key wait, status 0 when converted.
    bool batch = false;
    // -q, --quiet: nothing on standard output; the line of a refusal or a
    // failure on standard error.
    bool quiet = false;
    // --max-pixels: the most pixels a PNG may declare, up to MAX_PIXELS.
    uint64_t maxpixels = DEFAULT_MAX_PIXELS;
};
extern Options options;

// The picture (picture.cpp), filled by a decoder.
extern int32_t imgwidth;
extern int32_t imgheight;  // always positive, whatever the stored row order
// imgwidth x imgheight bytes, one per pixel, row-major, row 0 the top row
// of the picture: what the pixel rule stores for each pixel, 0/1 or a
// palette index. Null until a picture is loaded.
extern uint8_t* imgbuffer;
// Palette colours as ARGB (alpha in bits 24-31, blue in bits 0-7).
extern std::array<uint32_t, 256> pal;
extern int32_t numcolors;

// How a decoder turns what a file holds into the byte the picture stores.
struct PixelRule {
    bool indices;  // a palette picture stores its palette indices (mode 2)
};
// The rule the options ask for.
PixelRule RuleOfOptions();
// The byte a colour stores: 1 when its blue is above 127, else 0.
uint8_t ColourBit(const PixelRule& rule, uint32_t color);
// The byte each palette index stores, from pal: the index itself, or the
// bit of its colour.
void IndexTable(const PixelRule& rule, uint8_t table[256]);

// Pixel stores. x is the column, y the image row (0 = top); a column at or
// past imgwidth is dropped.
void bmp_drawpixel(int32_t x, int32_t y, uint32_t color);
void bmp_drawpixel8(int32_t x, int32_t y, uint32_t value);

// Reads the picture at path whole and decodes it into the picture globals
// by the format its first bytes tell. Prints the header line, or one line
// naming the file and the cause of a refusal. Returns 1 when the picture
// was loaded, 0 when it was refused.
int LoadPicture(const char* path);
// Decodes a picture held in memory as LoadPicture does; path is used only
// in messages.
int DecodePicture(const uint8_t* data, size_t size, const char* path, const PixelRule& rule);

// Shared by the decoders: empties the picture; prints the header line.
void ClearPicture();
void PrintHeaderLine(int32_t bpp, int32_t compression);

// The BMP decoder (bmpload.cpp). The header fields it reads, as the file
// gives them.
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
};
// Reads the header of a file that begins with "BM"; refuses (0) any other
// file, or one too short for its header.
int ReadBmpHeader(const uint8_t* data, size_t size, const char* path, BmpHeader* header);
int DecodeBMP(const uint8_t* data, size_t size, const char* path, const PixelRule& rule);
// The PNG decoder (pngload.cpp).
int DecodePNG(const uint8_t* data, size_t size, const char* path, const PixelRule& rule);

// 1 when the ARGB colour is the magenta colour key, else 0.
int CheckTransparency(uint32_t color);

// Write the include text to an open stream. They return 0 when every byte
// was written, -1 on a write error (errno tells the cause).
int WritePicData(FILE* out, const char* path);
int WritePalData(FILE* out);

// Writes the picture's include file (and the palette's in mode 2) through
// temporary files, so a failed write leaves earlier files intact.
// Prints the palette colours; prints one line and returns 0 on failure.
int WriteImageFiles(const char* path);

#endif

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

// What a pixel rule thresholds: blue, the luma of the colour, or the
// largest of red, green and blue.
enum { RULE_PLAIN, RULE_BLUE, RULE_LUMA, RULE_ANY };
// Their names, as --rule takes them.
static const char* const RULE_NAMES[] = {"", "blue", "luma", "any"};

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
    bool outputgiven = false;
    // -p, --palette: the include file of the palette (mode 2); with -o
    // alone, beside the output, named after it.
    std::string palette = "picpal.inc";
    bool palettegiven = false;
    // -l, --label: the label of the picture, and with "_PAL" of the
    // palette; none: IMGDATA and PALDATA.
    const char* label = nullptr;
    // -b, --batch: no key wait, status 0 when converted.
    bool batch = false;
    // -q, --quiet: nothing on standard output; the line of a refusal or a
    // failure on standard error.
    bool quiet = false;
    // --syntax: SYNTAX_PLAIN, SYNTAX_OCTO or SYNTAX_STRICT.
    int syntax = SYNTAX_PLAIN;
    // --max-pixels: the most pixels a PNG may declare, up to MAX_PIXELS.
    uint64_t maxpixels = DEFAULT_MAX_PIXELS;
    // --rule: what a pixel's colour is thresholded on; RULE_PLAIN (none
    // given) is blue, and a 1-bit BMP by its bits, not its colours.
    int rule = RULE_PLAIN;
    // -t, --threshold: a pixel is 1 when its value is above it.
    int threshold = 127;
    // --invert: 0 and 1 swap, but for transparent pixels.
    bool invert = false;
    // --alpha: transparent pixels are 0.
    bool alpha = false;
    // --preview: the picture as # and . on standard output.
    bool preview = false;
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

// How a decoder turns what a file holds into the byte the picture stores:
// a palette picture in mode 2 its palette index; any other pixel 0 or 1 by
// the value of its colour against the threshold.
struct PixelRule {
    bool indices;        // a palette picture stores its palette indices (mode 2)
    int value;           // what is thresholded: RULE_BLUE, RULE_LUMA or RULE_ANY
    int threshold;       // a pixel is 1 when its value is above it
    bool invert;         // 0 and 1 swap, but for transparent pixels
    bool alpha;          // a transparent pixel stores the byte below
    uint8_t transparent; // 0, or in mode 2 255, which is written as 0 too
    bool bycolour;       // a 1-bit BMP is read by its palette colours
    bool plain;          // blue above 127, nothing else: the plain run's rule
    // The value by table: the weights of each red, green and blue sample
    // add up to a sum that is at least least when the bit is 1; with
    // --alpha, bits 24 to 26 of the sum are all set for the colour key.
    uint32_t weights[3][256];
    uint32_t least;
};
// The rule the options ask for.
PixelRule RuleOfOptions();
// The byte a colour stores; hasalpha: its alpha is the file's, else it is
// opaque whatever its top byte.
uint8_t ColourValue(const PixelRule& rule, uint32_t color, bool hasalpha);
// The byte each palette index stores: the index itself in mode 2 (or the
// transparent byte), else what its colour stores.
void IndexTable(const PixelRule& rule, const uint32_t* colors, bool hasalpha, uint8_t table[256]);
// A run of pixels given as planes of red, green, blue and alpha samples,
// COLOUR_RUN at a time, and the bytes they store. Without a plane of alpha
// every pixel is opaque.
const size_t COLOUR_RUN = 1024;
struct ColourRun {
    uint8_t red[COLOUR_RUN], green[COLOUR_RUN], blue[COLOUR_RUN], alpha[COLOUR_RUN];
    bool hasalpha;
};
void StoreColours(const PixelRule& rule, const ColourRun& run, size_t count, uint8_t* out);
// The bytes of count pixels of 8-bit samples (or the high bytes of 16-bit
// ones) interleaved step bytes apart from p: red, green and blue at the
// offsets red, green, blue, and alpha at alpha (negative: opaque).
void StoreSamples(const PixelRule& rule, const uint8_t* p, size_t step, int red, int green, int blue, int alpha,
                  size_t count, uint8_t* out);
// A value scaled to 0-255 from bits bits: v x 255 / (2^bits - 1).
uint8_t Scale(uint32_t v, uint32_t bits);

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
// Set by a decoder that stored the bits of a 1-bit BMP by the fixed rule (a
// clear bit is 1), not by their colours.
extern bool bitrule;
// The rule the pixels were stored by, for messages: "a pixel is 1 when its
// blue is above 127".
std::string RuleText(const PixelRule& rule);

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
    // Bit fields: the masks of red, green, blue (offsets 54, 58 and 62) and
    // alpha (66), 0 where the file declares none. The colour masks count
    // with compression 3, in an information header of 52 bytes or more or
    // right after a 40-byte one with the pixels at 66 or later; the alpha
    // mask in one of 56 bytes or more.
    uint32_t masks[4];
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

// Prints the picture as it was written, on standard output: one line per
// row, "#" where the value written is not 0, "." where it is.
void PrintPreview();

// Writes the picture's include file (and the palette's in mode 2) through
// temporary files, so a failed write leaves earlier files intact.
// Prints the palette colours; prints one line and returns 0 on failure.
int WriteImageFiles(const char* path);

#endif

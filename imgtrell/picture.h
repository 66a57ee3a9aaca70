// The picture: its size, its bytes (one per pixel, what the pixel rule
// stored) and its palette, filled by a decoder, read by the layouts.
#ifndef IMGTRELL_PICTURE_H
#define IMGTRELL_PICTURE_H

#include <array>
#include <cstddef>
#include <cstdint>

struct Conversion;

extern int32_t imgwidth;
extern int32_t imgheight;  // always positive, whatever the stored row order
// imgwidth x imgheight bytes, one per pixel, row-major, row 0 the top row
// of the picture: what the pixel rule stores for each pixel, 0/1 or a
// palette index. Null until a picture is loaded.
extern uint8_t* imgbuffer;
// The palette the palette file lists, as ARGB (alpha in bits 24-31, blue
// in bits 0-7), and its count of colours.
extern std::array<uint32_t, 256> pal;
extern int32_t numcolors;

// Empties the picture.
void ClearPicture();
// The header line of the picture: its size, depth and compression.
void PrintHeaderLine(Conversion& cv, int32_t bpp, int32_t compression);
// Refuses (false) a picture of more pixels than --max-pixels allows, before
// anything large is allocated for it; else 1.
bool CheckPixelCount(Conversion& cv, const char* path, uint64_t width, uint64_t height);
// Allocates imgbuffer for the picture's size; false after the refusal.
bool AllocatePicture(Conversion& cv, const char* path);
// The refusal of a stage that ran out of memory (doing: "fit"): "cannot
// allocate the memory to fit a 320 x 200 picture". Returns false.
bool RefuseMemory(Conversion& cv, const char* path, const char* doing);
// The row y of imgbuffer.
inline uint8_t* PictureRow(int64_t y) { return imgbuffer + size_t(y) * size_t(imgwidth); }

// 1 when the ARGB colour is the magenta colour key (red above 240, green
// below 16, blue above 240), else 0.
int CheckTransparency(uint32_t color);

// A value scaled to 0-255 from bits bits: v x 255 / (2^bits - 1).
uint8_t Scale(uint32_t v, uint32_t bits);

#endif

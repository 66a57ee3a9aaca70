// Dithering and fitting: what the pixel rule does with pixels held until
// the picture is whole.
#ifndef IMGTRELL_DITHER_H
#define IMGTRELL_DITHER_H

#include <cstdint>
#include <vector>

struct Conversion;

// The values in imgbuffer (the rule's, 0 to 255) made bits by --dither (or
// the threshold alone): a Bayer dither of n x n makes a value g 1 when
// floor(g x (n^2 + 1) / 255) > M[y mod n][x mod n]; Floyd-Steinberg and
// Atkinson make a pixel 1 when its value and the error it took are above
// the threshold, and pass its error on, each share rounded down, in
// sixteenths (7 right, 3, 5 and 1 below) or eighths (two right, three
// below, one two below). Then the bits swap with invert, and a pixel clear is 0: neither
// taking nor passing on error.
void DitherValues(Conversion& cv, int threshold, bool invert, const std::vector<uint8_t>& clear);
// The colours (ARGB) of the picture each made the colour --colors lists
// that --dither picks: the nearest to the colour and the error it took, the
// error passed on each of red, green and blue apart; a Bayer dither adds
// (M + 1/2) / n^2 - 1/2 of 255 / (colours - 1) to each channel. A pixel
// transparent, or outside, neither takes nor passes on error.
void DitherColours(Conversion& cv, std::vector<uint32_t>& colours, const std::vector<uint8_t>& outside);

// The picture's colours scaled into the box of --fit (fit.cpp), the
// picture then of the box's size; outside marks the rest of the box that
// contain leaves. Prints what was done ("scaled 320 x 200 to 51 x 32 at
// 6, 0"); false after the line of a refusal.
bool FitColours(Conversion& cv, const char* path, std::vector<uint32_t>& colours, std::vector<uint8_t>& outside);

#endif

// Layouts: which of the picture's bytes form each line of values, and in
// what order; the syntax of the output writes them (text.h). One file per
// layout, and one row of the table of layouts in imgwrite.cpp.
#ifndef IMGTRELL_LAYOUT_H
#define IMGTRELL_LAYOUT_H

#include <cstdint>
#include <cstdio>

// Mode 0 (strips.cpp): a line per strip of 8 columns, one byte per row;
// of the bits of a plane (0 for a bit a pixel).
void PutStrips(int plane);
// Mode 1 (rows.cpp): a line per row, one byte per 8 columns.
void PutRows(int plane);
// Mode 2 (palettebytes.cpp): a byte per pixel, 16 to a line; and the value
// written for each byte the picture holds: 0 for the magenta colour key,
// else the byte plus one, kept to 8 bits.
void PutPaletteBytes(int);
void PaletteValues(uint8_t value[256]);
// Tiles (tiles.cpp), with --tile or --frame: the cut of the picture
// planned (0 after the line of a picture that is no whole number of tiles
// or frames, or a label too long), its comment lines, its lines (each tile
// plane 1's rows, then plane 2's, ...), and the preview with a blank column
// and row between tiles.
int PlanTiles(const char* path);
void PutTileComments();
void PutTiles(int);
void PreviewTiles();

// Packs bit plane of columns x to x + 7 of an image row into one byte,
// column x in the most significant bit, columns past the width 0 (a pixel
// of a bit is 0 or 1: its plane 0). Counters are 64 bits wide: stepping one
// past a width near the int32 limit must not wrap. Eight whole columns are
// packed at once: each byte's bit moved to its lowest, then the eight bits
// gathered into the top byte of a product, where no two of them meet or
// carry.
inline uint8_t PackByte(const uint8_t* row, int64_t x, int64_t width, int plane = 0)
{
    const uint8_t* p = row + x;
    if (width - x >= 8) {
        uint64_t v = 0;
        for (int i = 7; i >= 0; i--)
            v = v << 8 | p[i];  // column x + i in byte i
        return uint8_t((((v >> plane) & 0x0101010101010101u) * 0x8040201008040201u) >> 56);
    }
    uint8_t byte = 0;
    for (int64_t i = 0; i < width - x; i++)
        byte = uint8_t(byte | ((p[i] >> plane) & 1) << (7 - i));
    return byte;
}

// The digits of colour indices in a preview.
const char INDEX_DIGITS[] = "0123456789abcdef";

// The include text of the picture and of its palette, to an open stream;
// 0 when every byte was written, -1 on a write error (errno tells).
int WritePicData(FILE* out, const char* path);
int WritePalData(FILE* out);
// Octo's options that show the colours of the indices: JSON.
int WriteOctoOptions(FILE* out);
// Plans the layout of the picture loaded; 0 after the line of a picture
// that does not fit it.
int PlanLayout(const char* path);
// Writes the picture's include file (and the palette's in mode 2) through
// temporary files, so a failed write leaves earlier files intact. Prints
// the palette colours; prints one line and returns 0 on failure.
int WriteImageFiles(const char* path);
// The picture as it was written, on standard output: one line per row, "#"
// where the value written is not 0, "." where it is.
void PrintPreview();

#endif

// Layouts: which of the picture's bytes form each line of values, and in
// what order; the syntax of the output writes them (text.h). One file per
// layout, and one row of the table of layouts in imgwrite.cpp.
#ifndef IMGTRELL_LAYOUT_H
#define IMGTRELL_LAYOUT_H

#include <cstddef>
#include <cstdint>

#include "outputs.h"
#include "textbuffer.h"
#include <string>

struct Conversion;
struct Console;
struct Options;

// The cut of the picture into tiles (--tile, --frame): the tile's size
// (--tile auto decided for the picture); the picture's size, padded to
// whole frames (or tiles); its frames across and down, each of width x
// height; the tiles of a frame across and down; the bytes of a tile and of
// a frame, and a frame's stride.
struct Cut {
    int64_t tilewidth = 0, tileheight = 0;
    int64_t width = 0, height = 0;
    int64_t framecols = 0, framerows = 0, framewidth = 0, frameheight = 0;
    int64_t cols = 0, rows = 0;
    size_t tilebytes = 0, framebytes = 0, stride = 0;
};

// The preview of --preview-png (previewpng.cpp): its units (the picture,
// or its tiles or frames) of unitwidth x unitheight, across x down of
// them, each pixel zoom x zoom, a pixel between units; the PNG's size.
struct PreviewPlan {
    int64_t unitwidth = 0, unitheight = 0, across = 0, down = 0, zoom = 1;
    uint64_t width = 0, height = 0;
};

// Mode 0 (strips.cpp): a line per strip of 8 columns, one byte per row;
// of the bits of a plane (0 for a bit a pixel).
void PutStrips(Conversion& cv, TextWriter& w, int plane);
// Mode 1 (rows.cpp): a line per row, one byte per 8 columns.
void PutRows(Conversion& cv, TextWriter& w, int plane);
// Mode 2 (palettebytes.cpp): a byte per pixel, 16 to a line; and the value
// written for each byte the picture holds: 0 for the magenta colour key,
// else the byte plus one, kept to 8 bits.
void PutPaletteBytes(Conversion& cv, TextWriter& w, int);
void PaletteValues(uint8_t value[256]);
// Tiles (tiles.cpp), with --tile or --frame: the cut of the picture
// planned (false after the line of a picture that is no whole number of
// tiles or frames, or a label too long), its comment lines, its lines
// (each tile plane 1's rows, then plane 2's, ...), and the preview with a
// blank column and row between tiles.
bool PlanTiles(Conversion& cv);
void PutTileComments(Conversion& cv, TextWriter& w);
void PutTiles(Conversion& cv, TextWriter& w, int);
void PreviewTiles(Conversion& cv);
uint64_t TilesBytes(const Conversion& cv);

// The preview planned once the layout is (false after the line of a
// picture without pixels, or of a preview of more than MAX_PIXELS pixels),
// and written.
bool PlanPreview(Conversion& cv);
void WritePreviewPng(Conversion& cv, TextWriter& w);

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
// The text of a preview, shown a piece at a time, so that a row of any
// width takes no more memory; Put a character, then End.
struct PreviewText {
    Console& console;
    char piece[4096];
    size_t used = 0;
    void Put(char c)
    {
        piece[used++] = c;
        if (used == sizeof piece)
            End();
    }
    void End() { Show(console, piece, used), used = 0; }
};

// The bytes of the data the layout writes, padding and all.
uint64_t DataBytes(const Conversion& cv);
// With --consts: checks the names of the constants the picture will have
// (see CheckConstantNames). False after the usage error.
bool CheckPictureConstants(Console& console, const Options& options);
// Plans the layout of the picture loaded; false after the line of a
// picture that does not fit it.
bool PlanLayout(Conversion& cv);
// Checks the files the options ask for, before anything is read: no two of
// them one file, and none of them the picture. False after the usage error.
bool CheckOutputFiles(const Options& options, Console& console);
// Makes the files of the conversion, each that it asks for in the order of
// the table of outputs: the picture's include file, the palette's (mode
// 2), Octo's options (--octo-options). Says the palette's colours as its
// file is made. False after the failure line.
bool WriteOutputs(Conversion& cv, Outputs& outputs);
// The picture as it was written, on standard output: one line per row, "#"
// where the value written is not 0, "." where it is.
void PrintPreview(Conversion& cv);

#endif

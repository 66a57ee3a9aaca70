// Image converter state and operations: a BMP or PNG is decoded into the globals
// below by the loader, then written out as assembler include text.
#ifndef IMGTRELL_H
#define IMGTRELL_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,      // usage, help or version shown
    STATUS_CONVERTED = 1,  // picture converted
    STATUS_FAILED = 2      // input refused or output not written
};

// Output mode: 0 vertical strips, 1 horizontal rows, 2 palette indices.
// Set before loading; the loaders store palette indices (of 4- and 8-bit
// BMPs, and of PNG palette pictures) only in mode 2.
extern int32_t imgmode;
extern int32_t imgwidth;
extern int32_t imgheight;  // always positive, whatever the stored row order
// imgwidth x imgheight bytes, one per pixel, row-major, row 0 the top row
// of the picture: 0/1 by the blue threshold, or a palette index (4- and
// 8-bit BMPs and PNG palette pictures in mode 2). Null until a picture is
// loaded.
extern uint8_t* imgbuffer;
// Palette colours as ARGB (alpha in bits 24-31, blue in bits 0-7).
extern std::array<uint32_t, 256> pal;
extern int32_t numcolors;

// Pixel stores. x is the column, y the image row (0 = top); a column at or
// past imgwidth is dropped.
void bmp_drawpixel(int32_t x, int32_t y, uint32_t color);
void bmp_drawpixel8(int32_t x, int32_t y, uint32_t value);

// Reads the picture at path whole and decodes it into the globals: a PNG
// when it begins with the PNG signature, else a BMP. Prints the header
// line, or one line naming the file and the cause of a refusal. Returns 1
// when the picture was loaded, 0 when it was refused.
int LoadBMP(const char* path);

// Decode a picture held in memory; path is used only in messages.
// DecodePicture picks the decoder by the first bytes as LoadBMP does.
int DecodePicture(const uint8_t* data, size_t size, const char* path);
int DecodeBMP(const uint8_t* data, size_t size, const char* path);
int DecodePNG(const uint8_t* data, size_t size, const char* path);
// True when the data begins with the 8-byte PNG signature.
bool IsPNG(const uint8_t* data, size_t size);

// Shared by the decoders: empties the globals before a load; prints the
// header line; prints "Error: <path>: <cause>" as one line and returns 0.
void ClearPicture();
void PrintHeaderLine(int32_t bpp, int32_t compression);
int Refuse(const char* path, const char* format, ...)
#if defined(__MINGW32__)
    __attribute__((format(gnu_printf, 2, 3)))  // MinGW gives C++ its own C99 printf
#elif defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// 1 when the ARGB colour is the magenta colour key, else 0.
int CheckTransparency(uint32_t color);

// Write the include text to an open stream. They return 0 when every byte
// was written, -1 on a write error (errno tells the cause).
int WritePicData(FILE* out, const char* path);
int WritePalData(FILE* out);

// Writes picdata.inc (and picpal.inc in mode 2) into the current folder
// through temporary files, so a failed write leaves earlier files intact.
// Prints the palette colours; prints one line and returns 0 on failure.
int WriteImageFiles(const char* path);

// Platform layer (platform.cpp).
// Waits for one key press without echo when standard input is a terminal
// and the program runs in its foreground; returns at once otherwise.
void WaitForKey();
// Opens a new temporary file for the text that is to replace the include
// file name, in place slot (0 or 1; one per include file of a run). A
// symbolic link is followed: the file it leads to is replaced, beside it,
// with its permission bits. Returns nullptr with errno set on failure, with
// *locked set when the file exists and the user may not write it (on
// Windows: it is read-only). No temporary file outlives a caught signal that
// ends the process.
FILE* OpenTempOutput(int slot, const char* name, bool* locked);
// Removes the temporary file of a slot that is not to be kept.
void RemoveTempOutput(int slot);
// Moves the finished temporary files of slots 0 to count - 1 over their
// include files, with signals held: all of them or none. Returns count, or
// the slot that could not be moved with errno set. The temporary files are
// gone either way.
int MoveIntoPlace(int count);
// Opens the input at path for binary reading and tells its size. Only a
// regular file is read (a device or a pipe could feed bytes without end, or
// block): anything else is closed again and refused, with *refusal set to
// the cause. Returns nullptr with errno set (and *refusal null) when it
// cannot be opened.
FILE* OpenInput(const char* path, const char** refusal, uint64_t* size);
// An uninitialised block for a whole file or a picture; nullptr when out of
// memory. Large blocks are backed by huge pages where the system offers them.
uint8_t* AllocateBlock(size_t size);
void FreeBlock(uint8_t* block);

#endif

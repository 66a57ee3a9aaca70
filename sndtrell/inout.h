// What a converter reads and writes besides its own formats: the console
// lines, the input file read whole, and the include text, gathered in a
// buffer and written in large blocks with every write checked. The two
// converters keep identical copies of this file and of inout.cpp.
#ifndef TRELL_INOUT_H
#define TRELL_INOUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#if defined(__MINGW32__)
#define TRELL_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))  // MinGW gives C++ its own C99 printf
#elif defined(__GNUC__)
#define TRELL_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define TRELL_PRINTF(f, a)
#endif

// Console. Say prints a line of the run on standard output; SayError the
// line of a refusal or a failure; Refuse prints "Error: <path>: <cause>"
// and returns 0.
void Say(const char* format, ...) TRELL_PRINTF(1, 2);
void SayError(const char* format, ...) TRELL_PRINTF(1, 2);
int Refuse(const char* path, const char* format, ...) TRELL_PRINTF(2, 3);

// Reads the input at path whole into a block kept until the next call, and
// returns it with its size; a file that changes meanwhile is taken as far as
// it goes. Returns nullptr after the refusal line when the file cannot be
// opened or read, or is not a regular file.
const uint8_t* ReadInputFile(const char* path, size_t* size);

// The include text of one file: started on a stream, gathered in a buffer
// that is written out in large blocks, then finished. FinishOutput returns
// 0 when every byte reached the stream, else -1 with errno set.
void StartOutput(FILE* out);
int FinishOutput();
// Fails the output with errno cause, as when a block cannot be allocated.
void FailOutput(int cause);
// Where the next room bytes (at most 64 KiB) may be put, and the end of
// what was put there.
char* Room(size_t room);
void Advance(const char* end);
void PutText(const char* text, size_t length);
void PutString(const char* text);
// Writes one data value as "#xx," at p and returns the end. Inline: it
// runs once for every byte written.
inline char* PutValue(char* p, uint8_t value)
{
    static const char digits[] = "0123456789abcdef";
    p[0] = '#';
    p[1] = digits[value >> 4];
    p[2] = digits[value & 15];
    p[3] = ',';
    return p + 4;
}
// The path as the comment line shows it, each control character a "?".
std::string CommentText(const char* path);

// Include files are written to temporary files in slots (0 and 1) and moved
// over their names together once all are complete. StartIncludeFile opens
// the temporary file of a slot; EndIncludeFile closes it, given whether the
// text was written (0) or not (-1 with errno); PlaceIncludeFiles moves the
// first count of them. Each prints the failure and returns 0 (nullptr), or
// returns 1 (the stream).
FILE* StartIncludeFile(int slot, const char* name);
int EndIncludeFile(int slot, const char* name, FILE* out, int failed);
int PlaceIncludeFiles(int count, const char* const* names);

#endif

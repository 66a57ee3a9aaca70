// The input file of a converter, read in two steps, so that a file of
// another format is refused from its first bytes without being read whole.
#ifndef TRELL_INPUT_H
#define TRELL_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "console.h"

// The input being read: its first bytes, then the whole-file block, kept
// until CloseInput, since what is decoded from it may point into it.
struct InputFile {
    FILE* file = nullptr;
    uint8_t head[64];
    size_t headsize = 0;
    uint64_t size = 0;
    uint8_t* data = nullptr;
};
// Opens the input at path and reads its first n bytes (fewer in a shorter
// file) into input.head: false after the refusal line when the file cannot
// be opened or read, or is not a regular file.
bool ReadInputHead(Console& console, InputFile& input, const char* path, size_t n);
// Then reads the file whole into input.data (input.size bytes), taking a
// file that changes meanwhile as far as it goes; false after the refusal
// line.
bool ReadInputFile(Console& console, InputFile& input, const char* path);
// Closes the file and frees its block.
void CloseInput(InputFile& input);

#endif

// The input file of a converter, read in two steps, so that a file of
// another format is refused from its first bytes without being read whole.
#ifndef TRELL_INPUT_H
#define TRELL_INPUT_H

#include <cstddef>
#include <cstdint>

// Opens the input at path and reads its first n bytes (fewer in a shorter
// file) into head: returns their count and the file's size, or -1 after
// the refusal line when the file cannot be opened or read, or is not a
// regular file.
long ReadInputHead(const char* path, uint8_t* head, size_t n, uint64_t* size);
// Then reads the file whole into a block kept until the next input, taking
// a file that changes meanwhile as far as it goes, and returns it with its
// size, or nullptr after the refusal line.
const uint8_t* ReadInputFile(const char* path, size_t* size);
// Closes the file when it is not read whole.
void CloseInput();

#endif

// Platform layer of a converter: the final key wait, signals, the input file
// and the temporary files that are moved over the include files once they
// are complete. Everything specific to Windows or POSIX lives in
// platform.cpp. The two converters keep identical copies of this file.
#ifndef TRELL_PLATFORM_H
#define TRELL_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

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

// True when writing include files named a and b would replace one file:
// the same name in the same folder, once symbolic links are followed.
bool SameFile(const char* a, const char* b);

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

// Platform layer of a converter: the command line, the final key wait,
// signals, the input file, and the files that receive the include text.
// Everything specific to Windows or POSIX lives in platform.cpp. The two
// converters keep identical copies of this file.
#ifndef TRELL_PLATFORM_H
#define TRELL_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The arguments in UTF-8. On Windows the command line is read again as
// UTF-16, so that a name outside the ANSI code page is taken whole, and
// console output is set to UTF-8; elsewhere argv is returned as it is.
char** CommandLineInUtf8(int argc, char** argv);

// Waits for one key press without echo when standard input is a terminal
// and the program runs in its foreground; returns at once otherwise.
void WaitForKey();

// Opens what is to receive the text of the include file name, in place
// slot (0 or 1; one per include file of a run):
// - /dev/stdout, /dev/stderr, /dev/fd/N: the program's own descriptor,
//   written into as it is;
// - an existing FIFO or character device (on Windows a console, NUL or a
//   pipe): written into as it is;
// - any other file: a new temporary file in the same folder, which
//   MoveIntoPlace moves over it once complete. A symbolic link is followed
//   to the file it leads to, which is replaced with its permission bits,
//   but not a link in a folder others may write and whose sticky bit is
//   set, unless the link belongs to the user or to the folder's owner.
// Returns nullptr on failure: with *cause the reason when the file is not
// to be written (one the user may not write, a socket, a FIFO that no
// program reads, such a link), else with errno set. No temporary file
// outlives a caught signal (on Windows: Ctrl-C, Ctrl-Break, a closed
// console) that ends the process.
FILE* OpenTempOutput(int slot, const char* name, const char** cause);
// True when the include file name would be written into as it is.
bool WrittenInPlace(const char* name);
// Removes the temporary file of a slot that is not to be kept.
void RemoveTempOutput(int slot);
// Moves the finished temporary files of slots 0 to count - 1 over their
// files, all of them or none: each by one rename over the old file, while
// the old files of all but the last slot keep a second name that puts them
// back should a later one fail. Another run moving files in the same folder
// waits; signals are held meanwhile. Leftovers of runs killed in that folder
// are removed first. Returns count, or the slot that could not be moved with
// errno set. The temporary files are gone either way.
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

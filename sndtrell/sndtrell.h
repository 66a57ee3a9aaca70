// Sound converter state and operations: a WAV file is read into the globals
// below by the loader, then written out as assembler include text.
#ifndef SNDTRELL_H
#define SNDTRELL_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Exit statuses of the program.
enum {
    STATUS_USAGE = 0,      // usage, help or version shown
    STATUS_CONVERTED = 1,  // the input loaded and sound.inc written
    STATUS_FAILED = 2      // the input refused (sound.inc still written, size 0),
                           // or sound.inc not created or not fully written
};

// Length of the sample data in bytes; 0 unless a load succeeded.
extern int32_t soundsize;
// Samples per second, as the file's rate field holds it.
extern int32_t samplerate;
// The soundsize bytes of sample data exactly as stored in the file. Points
// into the loaded file block (which is kept); null unless a load succeeded.
extern const uint8_t* soundbuffer;

// Reads the WAV at path whole and takes the sample rate and data chunk
// into the globals. Prints the success line, a refusal message, or one line
// naming the file and the cause. Returns 1 when loaded, 0 when refused.
int LoadWAV(const char* path);

// Decodes a WAV held in memory; path is used only in messages. On success
// soundbuffer points into data, which must outlive its use.
int DecodeWAV(const uint8_t* data, size_t size, const char* path);

// Writes the sound.inc text for the globals to an open stream. Returns 0
// when every byte was written, -1 on a write error (errno tells the cause).
int WriteSoundData(FILE* out, const char* path);

// Writes sound.inc into the current folder through a temporary file, so a
// failed write leaves an earlier sound.inc intact. Prints one line and
// returns 0 on failure, returns 1 on success.
int WriteSoundFile(const char* path);

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
// An uninitialised block for a whole file; nullptr when out of memory.
// Large blocks are backed by huge pages where the system offers them.
uint8_t* AllocateBlock(size_t size);
void FreeBlock(uint8_t* block);

#endif

// What differs between Windows and POSIX, each concern in a file of each
// kind (console_posix.cpp and console_windows.cpp, and so on): the
// console, signals and what they clean up, the input file, memory. The
// include files' moves have a header of their own, output.h.
#ifndef TRELL_PLATFORM_H
#define TRELL_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Console. Descriptors 0, 1 and 2 that are closed are opened on the null
// device, first thing in a run: a file the program opens later would
// otherwise take one of them, and console text would go into it.
void FillStandardDescriptors();
// The arguments in UTF-8: on Windows the command line is read
// again as UTF-16, so that a name outside the ANSI code page is taken
// whole, and console output is set to UTF-8 until the program ends;
// elsewhere argv is returned as it is.
char** CommandLineInUtf8(int argc, char** argv);
// Waits for one key press without echo when standard input is a terminal
// and the program runs in its foreground; returns at once otherwise.
void WaitForKey();

// Signals, and what a signal that ends the process undoes first. Caught
// once per run, before the input is read: a closed standard output does not
// end the run (its text is lost, the status tells), nor does a file-size
// limit (a write fails instead). HoldSignals holds them (on Windows: the
// console handler waits) until ReleaseSignals; held twice, released twice.
void CatchSignals();
void HoldSignals();
void ReleaseSignals();
// A named temporary file that such a signal removes, until forgotten.
struct TempNote;
TempNote* NoteTemp(const char* name);
void ForgetTemp(TempNote* note);
#ifdef _WIN32
// The console's output code page as it was before the program set it.
void RestoreCodePage();
// UTF-8 text as UTF-16, for the wide calls, and back (allocated with malloc).
std::wstring Wide(const std::string& text);
char* Utf8(const wchar_t* wide);
#else
// The terminal settings such a signal puts back (null: none), and putting
// them back now: when is TCSANOW or TCSAFLUSH.
struct termios;
void KeepTerminal(const struct termios* settings);
void PutTerminalBack(int when);
#endif

// The input file: opened at path for binary reading, with its size. Only
// a regular file is read (a device or a pipe could feed bytes without
// end, or block): anything else is closed again and refused, with
// *refusal set to the cause. Returns nullptr with errno set (and *refusal
// null) when it cannot be opened.
FILE* OpenInput(const char* path, const char** refusal, uint64_t* size);

// Memory: an uninitialised block for a whole file or a picture; nullptr
// when out of memory. Large blocks are backed by huge pages where the
// system offers them.
uint8_t* AllocateBlock(size_t size);
void FreeBlock(uint8_t* block);

#endif

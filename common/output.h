// The include files of a run, written as a transaction: each into a
// temporary file beside the file it replaces, then all moved over their
// names together once complete, so that a failed run leaves the earlier
// files as they were. A file that is a device or a FIFO is written into
// as it is instead.
#ifndef TRELL_OUTPUT_H
#define TRELL_OUTPUT_H

#include <cstdio>
#include <string>
#include <vector>

#include "console.h"
#include "outputfile.h"

// The include files of a run, in the order they were begun.
struct Transaction {
    std::vector<OutputFile> files;
};

// Begins the include file name: opens what receives its text (binary: its
// bytes as they are, where Windows would end text lines in CR LF). Returns
// the stream, or nullptr after the failure line.
FILE* StartIncludeFile(Console& console, Transaction& transaction, const char* name, bool binary = false);
// Ends the text of the include file begun last, given the errno of the
// first write that failed (0: it was all written). False after the failure
// line.
bool EndIncludeFile(Console& console, Transaction& transaction, FILE* out, int error);
// Moves the include files begun into place, all of them or none, the first
// begun last. False after the failure line.
bool PlaceIncludeFiles(Console& console, Transaction& transaction);
// After a failure line of one of the above, nothing of the run's include
// files is left: their temporary files are removed.
// Drops the include files begun, as after a failure: their temporary files
// are removed (a stream still open on one is left to the process's end).
void DropIncludeFiles(Transaction& transaction);

// True when the include file name would be written into as it is (a
// device, a FIFO, the program's own standard output).
bool WrittenInPlace(const char* name);
// True when writing include files named a and b would replace one file:
// the same name in the same folder, once symbolic links are followed.
bool SameFile(const char* a, const char* b);
// True when a and b both exist and are one regular file, whatever the names
// that lead to it (links, "..", hard links): the same device and inode, on
// Windows the same volume and file index.
bool SameExistingFile(const char* a, const char* b);
// Checks, before anything is read, that the include file output is not the
// input, which writing it would destroy: false after the usage error,
// which names what gives the file (option: "-o", "the palette file").
// For each include file a run writes.
bool CheckNotInput(Console& console, const char* option, const std::string& output, const char* input);
// One include file a run will write: its name, what it holds ("picture",
// "preview") and what names it ("-o", "the include file").
struct PlannedFile {
    std::string name;
    const char* holds;
    const char* given;
};
// Checks, before anything is read, the include files a run will write, the
// first the one the run is named for: no two are one file (SameFile), and
// none is the input (CheckNotInput). False after the usage error: "the
// picture and its palette would both be written to NAME", NAME the first
// name of the two, or, where secondname, the second (each program keeps
// the wording it always had).
bool CheckPlannedFiles(Console& console, const std::vector<PlannedFile>& files, const char* input, bool secondname);

#endif

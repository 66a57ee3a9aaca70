// One include file being written, and what each platform does to it
// (output_posix.cpp, output_windows.cpp); the moves of a run's files are
// output.cpp's.
#ifndef TRELL_OUTPUTFILE_H
#define TRELL_OUTPUTFILE_H

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform.h"

struct OutputFile {
    std::string name;      // as the run names it, for messages
    std::string target;    // the file that receives the text: the name given, links followed
    std::string tmpname;   // the temporary file that holds the new text, once named
    std::string keptname;  // a second name of the old file while the files move
    TempNote* note = nullptr;  // tmpname's, which a signal removes
    int slot = 0;          // the file's place among the run's include files
    int fd = -1;           // the temporary file while it has no name (Linux)
    bool named = false;    // tmpname exists
    bool kept = false;     // keptname exists
    bool inplace = false;  // the target itself is written: nothing moves
    bool binary = false;   // bytes as they are, not text (Windows: no CR LF)
};

// Temporary names are short and of one length whatever the include file is
// called: ".trell.<process id, 8 hex digits>.<6 random characters, 0-9 and
// a-z>.<slot><n, the new text; o, the old file>", in the folder of the file
// they replace. The random characters keep another user of a shared folder
// from making the name first; a name that is taken all the same is tried
// again with others. Only a run killed outright (SIGKILL, a power cut)
// leaves them; the next run that moves files in that folder removes those
// whose process is gone and that have not changed for a minute (a run on
// another machine, or in another process namespace, sharing the folder may
// have the same id and still be writing).
const long LEFTOVER_AGE = 60;  // seconds
unsigned long ProcessId();
// 64 bits from the system's source of random numbers.
uint64_t RandomBits();
extern const char TEMP_PREFIX[];
// The name of the given process id, kind and random bits.
std::string TempName(const OutputFile& file, unsigned long pid, char kind, uint64_t random);
// Makes a temporary name of kind for file by make(name), which returns 0, or
// -1 with errno; a name taken (EEXIST) is tried again with other random
// characters, a few dozen times. Returns make's last result, *name the
// name tried last.
template <typename Make>
int MakeTempName(const OutputFile& file, char kind, std::string* name, Make make)
{
    for (int attempt = 0;; attempt++) {
        *name = TempName(file, ProcessId(), kind, RandomBits());
        if (make(*name) == 0)
            return 0;
        if (errno != EEXIST || attempt == 40)
            return -1;
    }
}
// The process that made a temporary name, or -1 for any other name.
long long LeftoverOwner(const char* name);
// The folder part of a path, with its last separator; "" for a bare name.
std::string FolderOf(const std::string& path);

// What each platform does. OpenTemp opens what receives the text of name:
// the program's own descriptor (/dev/stdout), an existing FIFO or device
// (on Windows a console, NUL or a pipe), or else a new temporary file in
// the folder of the file it replaces, a symbolic link followed (but not
// one in a folder others may write and whose sticky bit is set, unless it
// belongs to the user or to the folder's owner). Returns nullptr with
// *cause the reason when the file is not to be written, else with errno.
FILE* OpenTemp(OutputFile& file, const char* name, const char** cause);
// The cause of a file the user may write in a folder they may not: it
// cannot be replaced, as the run replaces files, all or nothing.
extern const char FOLDER_NOT_WRITABLE[];
// Removes the temporary file, should it exist.
void RemoveTemp(OutputFile& file);
// Gives an unnamed temporary file its name; 0 or -1 with errno.
int NameTemp(OutputFile& file);
// Gives the old file a second name (a hard link, or else a copy); 0 or -1.
int KeepOld(OutputFile& file);
int RenameFile(const std::string& from, const std::string& to);
void RemoveFile(const std::string& name);
// Removes the temporary names of ended runs that have not changed for
// LEFTOVER_AGE seconds.
void RemoveLeftovers(const std::string& folder);
// Another run moving files in the same folders waits for these locks,
// taken in one order; a folder that cannot be locked is moved in unlocked.
std::vector<intptr_t> LockFolders(const std::vector<std::string>& folders);
void UnlockFolders(const std::vector<intptr_t>& locks);

#endif

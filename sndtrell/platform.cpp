// Platform layer: the final key wait, signals, and the temporary output
// files that are moved over the include files once they are complete.
// Everything specific to Windows or POSIX lives here.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform.h"

// One include file being replaced: the name it was asked for by, the file
// that is replaced (a symbolic link followed to its end), the temporary file
// holding the new text and, while the last file of a run is moved, the name
// under which the old file is kept aside.
struct Output {
    std::string target, tmpname, keptname;
    int fd = -1;         // an unnamed temporary file, given a name only when complete
    bool named = false;  // tmpname exists
    bool kept = false;   // the old target is under keptname
};
static Output outputs[2];

#ifdef _WIN32

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

void WaitForKey()
{
    // Only a console has a console mode. _isatty is not enough: it also says
    // yes for character devices, so "< NUL" would still wait for a key.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        _getch();
}

// Ctrl-C and Ctrl-Break are ignored while the include files are moved.
typedef int SignalMask;
static SignalMask HoldSignals()
{
    SetConsoleCtrlHandler(nullptr, TRUE);
    return 0;
}
static void ReleaseSignals(SignalMask) { SetConsoleCtrlHandler(nullptr, FALSE); }

static std::string TempName(const Output& output, int attempt)
{
    return output.target + ".tmp" + std::to_string(_getpid()) + "-" + std::to_string(attempt);
}

FILE* OpenTempOutput(int slot, const char* name, bool* locked)
{
    Output& output = outputs[slot];
    output = Output();
    output.target = name;
    // A read-only file is not replaced, as opening it for writing would fail.
    DWORD attributes = GetFileAttributesA(name);
    *locked = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
              !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (*locked) {
        errno = EACCES;
        return nullptr;
    }
    for (int attempt = 0; attempt < 100; attempt++) {
        output.tmpname = TempName(output, attempt);
        int fd = _open(output.tmpname.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TEXT, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            // Text mode: each "\n" written becomes CR LF in the file.
            FILE* file = _fdopen(fd, "wt");
            if (!file) {
                int cause = errno;
                _close(fd);
                _unlink(output.tmpname.c_str());
                errno = cause;
            }
            output.named = file != nullptr;
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

static int Rename(const std::string& from, const std::string& to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}

static void Remove(const std::string& name)
{
    // A file made read-only meanwhile is removed all the same.
    if (!DeleteFileA(name.c_str()) && SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL))
        DeleteFileA(name.c_str());
}

static bool IsFile(const std::string& name)
{
    DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static int Commit(Output& output)
{
    if (Rename(output.tmpname, output.target) != 0)
        return -1;
    output.named = false;
    return 0;
}

void RemoveTempOutput(int slot)
{
    Output& output = outputs[slot];
    if (output.named)
        Remove(output.tmpname);
    output.named = false;
}

FILE* OpenInput(const char* path, const char** refusal, uint64_t* size)
{
    *refusal = nullptr;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    // CON, NUL, COM1 or a pipe opens like a file, and the path's status
    // does not tell; the opened handle does.
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    LARGE_INTEGER length;
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileSizeEx(handle, &length)) {
        std::fclose(file);
        *refusal = "not a regular file";
        return nullptr;
    }
    *size = uint64_t(length.QuadPart);
    return file;
}

bool SameFile(const char* a, const char* b)
{
    char fulla[MAX_PATH], fullb[MAX_PATH];
    DWORD na = GetFullPathNameA(a, MAX_PATH, fulla, nullptr), nb = GetFullPathNameA(b, MAX_PATH, fullb, nullptr);
    return na > 0 && na < MAX_PATH && nb > 0 && nb < MAX_PATH && _stricmp(fulla, fullb) == 0;
}

uint8_t* AllocateBlock(size_t size) { return static_cast<uint8_t*>(std::malloc(size ? size : 1)); }

void FreeBlock(uint8_t* block) { std::free(block); }

#else

#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

// The named temporary files that may exist at the moment (at most two:
// picdata.inc's and picpal.inc's), removed when a signal ends the process.
// A name is noted before its file is created and dropped once the file is
// gone or renamed, so the handler may try a name with no file but never
// misses one. A place counts only once its name is whole.
static struct TempPlace {
    char name[PATH_MAX + 32];
    volatile sig_atomic_t used;
} temps[2];

static struct termios savedtermios;
static volatile sig_atomic_t termsaved;  // the key wait changed the terminal

// Signals that end the process and can be caught.
static const int ENDING_SIGNALS[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,   SIGALRM,
                                     SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};

// Sets the terminal back, also from a background process group (the job may
// have been moved there while it waited): with SIGTTOU ignored the call is
// carried out instead of stopping the process.
static void RestoreTerminal(int when)
{
    struct sigaction ignore = {}, old;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTTOU, &ignore, &old);
    tcsetattr(STDIN_FILENO, when, &savedtermios);
    sigaction(SIGTTOU, &old, nullptr);
}

// Puts the terminal back and removes the temporary files, then ends the
// process by the same signal.
static void CleanUpAndRaise(int sig)
{
    if (termsaved)
        RestoreTerminal(TCSANOW);
    for (const TempPlace& place : temps)
        if (place.used)
            unlink(place.name);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// Once per run, before the input is read. A closed standard output does not
// end the run: the console text is lost, the files are still written and
// the status tells. Past a file-size limit a write fails with EFBIG, which
// is reported, instead of the signal ending the process mid-file. A signal
// the caller ignores stays ignored.
static void CatchSignals()
{
    static bool caught;
    if (caught)
        return;
    caught = true;
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    struct sigaction action = {};
    action.sa_handler = CleanUpAndRaise;
    sigemptyset(&action.sa_mask);
    for (int sig : ENDING_SIGNALS)
        sigaddset(&action.sa_mask, sig);  // a second signal does not cut the clean-up short
    for (int sig : ENDING_SIGNALS) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            sigaction(sig, &action, nullptr);
    }
}

void WaitForKey()
{
    // Only in the foreground: a background job has no keyboard, and setting
    // the terminal from there would stop the process.
    if (!isatty(STDIN_FILENO) || tcgetpgrp(STDIN_FILENO) != getpgrp() ||
        tcgetattr(STDIN_FILENO, &savedtermios) != 0)
        return;
    CatchSignals();
    std::fflush(stdout);
    struct termios raw = savedtermios;
    // One byte, no echo, and Ctrl-C, Ctrl-Z, Ctrl-S, Ctrl-Q or Ctrl-V is a
    // key like any other: no signals, no flow control, no literal-next.
    raw.c_iflag &= ~tcflag_t(IXON);
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    termsaved = 1;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        char key;
        while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
        // One key may send several bytes (an arrow or function key, a UTF-8
        // letter): what is still pending is discarded, so none of it reaches
        // the shell.
        RestoreTerminal(TCSAFLUSH);
    }
    termsaved = 0;
}

// Every signal is held while the include files are moved, so that a run
// ends with the old files or the new ones and no temporary name left.
typedef sigset_t SignalMask;
static SignalMask HoldSignals()
{
    sigset_t all, old;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &old);
    return old;
}
static void ReleaseSignals(SignalMask old) { sigprocmask(SIG_SETMASK, &old, nullptr); }

static void NoteTemp(int slot, const std::string& tmpname)
{
    TempPlace& place = temps[slot];
    place.used = 0;
    if (tmpname.size() < sizeof place.name) {
        std::strcpy(place.name, tmpname.c_str());
        place.used = 1;
    }
}

static std::string TempName(const Output& output, int attempt)
{
    return output.target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
}

// Follows name through symbolic links (at most 40, as the system does) to
// the file that opening it would open. Sets info when that file exists.
static int FollowLinks(const char* name, std::string& target, struct stat* info, bool* exists)
{
    target = name;
    *exists = false;
    for (int links = 0;; links++) {
        if (lstat(target.c_str(), info) != 0)
            return 0;  // no such file: it is created
        if (!S_ISLNK(info->st_mode)) {
            *exists = true;
            return 0;
        }
        char link[PATH_MAX];
        ssize_t length = readlink(target.c_str(), link, sizeof link);
        if (links == 40 || length < 0 || size_t(length) == sizeof link) {
            errno = links == 40 ? ELOOP : length < 0 ? errno : ENAMETOOLONG;
            return -1;
        }
        size_t slash = target.rfind('/');
        if (link[0] == '/' || slash == std::string::npos)
            target.assign(link, size_t(length));
        else
            target = target.substr(0, slash + 1) + std::string(link, size_t(length));
    }
}

FILE* OpenTempOutput(int slot, const char* name, bool* locked)
{
    CatchSignals();
    Output& output = outputs[slot];
    output = Output();
    *locked = false;
    struct stat info;
    bool exists;
    if (FollowLinks(name, output.target, &info, &exists) != 0)
        return nullptr;
    // A file the user may not write is not replaced; opening it would fail.
    if (exists && !S_ISDIR(info.st_mode) && access(output.target.c_str(), W_OK) != 0) {
        *locked = true;
        return nullptr;
    }
    // The new file is made beside the file it replaces, with its permission
    // bits; a new include file gets 0666 less the umask.
    size_t slash = output.target.rfind('/');
    std::string folder = slash == std::string::npos ? "." : output.target.substr(0, slash + 1);
    int fd = -1;
#ifdef O_TMPFILE
    // Unnamed until complete, it leaves nothing behind even after SIGKILL.
    // It is named through /proc; without it, or on a filesystem without
    // unnamed files, a named temporary file is used.
    if (access("/proc/self/fd", X_OK) == 0 && (fd = open(folder.c_str(), O_TMPFILE | O_WRONLY, 0666)) >= 0 &&
        (output.fd = dup(fd)) < 0) {
        close(fd);
        return nullptr;
    }
#endif
    for (int attempt = 0; fd < 0 && attempt < 100; attempt++) {
        output.tmpname = TempName(output, attempt);
        NoteTemp(slot, output.tmpname);
        fd = open(output.tmpname.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0666);
        output.named = fd >= 0;
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        int cause = errno;
        temps[slot].used = 0;
        errno = cause;
        return nullptr;
    }
    // Writing into a file clears its set-user-ID and set-group-ID bits: they
    // are not carried over either.
    if (exists && S_ISREG(info.st_mode))
        fchmod(fd, info.st_mode & 01777);
    if (FILE* file = fdopen(fd, "w"))
        return file;
    int cause = errno;  // no memory for the stream
    close(fd);
    RemoveTempOutput(slot);
    errno = cause;
    return nullptr;
}

static int Rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

static void Remove(const std::string& name) { unlink(name.c_str()); }

static bool IsFile(const std::string& name)
{
    struct stat info;
    return lstat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// Moves a temporary file over its target; an unnamed one is first given a
// name beside it.
static int Commit(Output& output)
{
    if (output.fd >= 0) {
        std::string proc = "/proc/self/fd/" + std::to_string(output.fd);
        for (int attempt = 0; !output.named; attempt++) {
            output.tmpname = TempName(output, attempt);
            NoteTemp(int(&output - outputs), output.tmpname);
            output.named = linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, output.tmpname.c_str(), AT_SYMLINK_FOLLOW) == 0;
            if (!output.named && (errno != EEXIST || attempt == 99))
                return -1;
        }
        close(output.fd);
        output.fd = -1;
    }
    if (Rename(output.tmpname, output.target) != 0)
        return -1;
    output.named = false;
    temps[&output - outputs].used = 0;
    return 0;
}

void RemoveTempOutput(int slot)
{
    Output& output = outputs[slot];
    if (output.fd >= 0)
        close(output.fd);
    output.fd = -1;
    if (output.named)
        Remove(output.tmpname);
    output.named = false;
    temps[slot].used = 0;
}

FILE* OpenInput(const char* path, const char** refusal, uint64_t* size)
{
    CatchSignals();
    *refusal = nullptr;
    // Without O_NONBLOCK, opening a FIFO would wait for a writer.
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    struct stat info;
    if (fstat(fd, &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            *refusal = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        } else {
            // O_NONBLOCK changes nothing for a regular file.
            *size = uint64_t(info.st_size);
            if (FILE* file = fdopen(fd, "rb"))
                return file;
        }
    }
    int cause = errno;
    close(fd);
    errno = cause;
    return nullptr;
}

// The folder that holds a file (its device and number) and the file's name.
static bool FolderAndName(const char* path, struct stat* folder, std::string* name)
{
    std::string target;
    struct stat info;
    bool exists;
    if (FollowLinks(path, target, &info, &exists) != 0)
        return false;
    size_t slash = target.rfind('/');
    *name = slash == std::string::npos ? target : target.substr(slash + 1);
    return stat(slash == std::string::npos ? "." : target.substr(0, slash + 1).c_str(), folder) == 0;
}

bool SameFile(const char* a, const char* b)
{
    struct stat foldera, folderb;
    std::string namea, nameb;
    return FolderAndName(a, &foldera, &namea) && FolderAndName(b, &folderb, &nameb) && namea == nameb &&
           foldera.st_dev == folderb.st_dev && foldera.st_ino == folderb.st_ino;
}

uint8_t* AllocateBlock(size_t size)
{
    const size_t HUGE_PAGE = size_t(2) << 20;
    if (size < HUGE_PAGE)
        return static_cast<uint8_t*>(std::malloc(size ? size : 1));
    // Page faults dominate reading a large file into fresh memory; huge
    // pages take one fault per 2 MiB instead of one per 4 KiB.
    size_t rounded = (size + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    if (rounded < size)
        return nullptr;
    void* block = nullptr;
    if (posix_memalign(&block, HUGE_PAGE, rounded) != 0)
        return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(block, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<uint8_t*>(block);
}

void FreeBlock(uint8_t* block) { std::free(block); }

#endif

static std::string KeptName(const Output& output) { return TempName(output, 0) + ".old"; }

int MoveIntoPlace(int count)
{
    SignalMask held = HoldSignals();
    // Each file but the last is kept aside until the last is in place, and
    // put back should one of them fail: all files are replaced or none.
    int moved = 0;
    for (; moved < count; moved++) {
        Output& output = outputs[moved];
        if (moved + 1 < count && IsFile(output.target)) {
            output.keptname = KeptName(output);
            if (Rename(output.target, output.keptname) != 0)
                break;
            output.kept = true;
        }
        if (Commit(output) != 0)
            break;
    }
    int cause = errno;
    for (int i = moved < count ? moved : count - 1; i >= 0; i--) {
        Output& output = outputs[i];
        if (output.kept && moved < count)
            Rename(output.keptname, output.target);
        else if (output.kept)
            Remove(output.keptname);
        else if (i < moved && moved < count)
            Remove(output.target);  // there was no file before
        output.kept = false;
    }
    for (int i = 0; i < count; i++)
        RemoveTempOutput(i);
    ReleaseSignals(held);
    errno = cause;
    return moved;
}

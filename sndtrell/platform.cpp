// Platform layer: the final key wait, and the temporary output file that is
// moved over the include file once it is complete. Everything specific to
// Windows or POSIX lives here.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sndtrell.h"

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

FILE* OpenTempOutput(const char* name, std::string& tmpname)
{
    for (int attempt = 0; attempt < 100; attempt++) {
        tmpname = std::string(name) + ".tmp" + std::to_string(_getpid()) + "-" + std::to_string(attempt);
        int fd = _open(tmpname.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TEXT, _S_IREAD | _S_IWRITE);
        if (fd >= 0) {
            // Text mode: each "\n" written becomes CR LF in the file.
            FILE* file = _fdopen(fd, "wt");
            if (!file) {
                int cause = errno;
                _close(fd);
                _unlink(tmpname.c_str());
                errno = cause;
            }
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
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

uint8_t* AllocateBlock(size_t size) { return static_cast<uint8_t*>(std::malloc(size ? size : 1)); }

void FreeBlock(uint8_t* block) { std::free(block); }

void RemoveTempOutput(const char* tmpname) { std::remove(tmpname); }

int MoveIntoPlace(const char* tmpname, const char* name)
{
    if (MoveFileExA(tmpname, name, MOVEFILE_REPLACE_EXISTING))
        return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
}

#else

#include <csignal>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

static struct termios savedtermios;

// Puts the terminal back if the process is ended while it waits.
static void RestoreAndRaise(int sig)
{
    tcsetattr(STDIN_FILENO, TCSANOW, &savedtermios);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void WaitForKey()
{
    if (!isatty(STDIN_FILENO) || tcgetattr(STDIN_FILENO, &savedtermios) != 0)
        return;
    std::fflush(stdout);
    struct termios raw = savedtermios;
    // One byte, no echo, and Ctrl-C, Ctrl-Z, Ctrl-S, Ctrl-Q or Ctrl-V is a
    // key like any other: no signals, no flow control, no literal-next.
    raw.c_iflag &= ~tcflag_t(IXON);
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    const int signals[] = {SIGHUP, SIGINT, SIGTERM, SIGQUIT};
    for (int sig : signals)
        std::signal(sig, RestoreAndRaise);
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
        char key;
        while (read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
        }
        // One key may send several bytes (an arrow or function key, a UTF-8
        // letter): what is still pending is discarded, so none of it reaches
        // the shell.
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedtermios);
    }
}

// The temporary files that may exist at the moment (at most two: picdata.inc's
// and picpal.inc's), removed when SIGINT, SIGTERM or SIGHUP ends the process.
// A name is noted before its file is created and dropped once the file is
// gone or renamed, so the handler may try a name with no file but never
// misses one. A place counts only once its name is whole.
static const int TEMP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
static struct TempPlace {
    char name[64];
    volatile sig_atomic_t used;
} temps[2];

static void RemoveTempAndRaise(int sig)
{
    for (const TempPlace& place : temps)
        if (place.used)
            unlink(place.name);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

static void NoteTemp(const std::string& tmpname)
{
    for (TempPlace& place : temps)
        if (!place.used && tmpname.size() < sizeof place.name) {
            std::strcpy(place.name, tmpname.c_str());
            place.used = 1;
            return;
        }
}

static void DropTemp(const char* tmpname)
{
    for (TempPlace& place : temps)
        if (place.used && std::strcmp(place.name, tmpname) == 0)
            place.used = 0;
}

FILE* OpenTempOutput(const char* name, std::string& tmpname)
{
    // Past a file-size limit a write then fails with EFBIG, which is
    // reported, instead of the signal ending the process mid-file.
    std::signal(SIGXFSZ, SIG_IGN);
    // A signal the caller ignores stays ignored.
    for (int sig : TEMP_SIGNALS) {
        struct sigaction action;
        if (sigaction(sig, nullptr, &action) == 0 && action.sa_handler != SIG_IGN &&
            action.sa_handler != RemoveTempAndRaise) {
            action = {};
            action.sa_handler = RemoveTempAndRaise;
            sigemptyset(&action.sa_mask);
            sigaction(sig, &action, nullptr);
        }
    }
    for (int attempt = 0; attempt < 100; attempt++) {
        tmpname = std::string(name) + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        NoteTemp(tmpname);
        // 0666 less the umask: the finished file gets the usual permissions.
        int fd = open(tmpname.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0666);
        FILE* file = fd >= 0 ? fdopen(fd, "w") : nullptr;
        if (file)
            return file;
        int cause = errno;
        DropTemp(tmpname.c_str());
        if (fd >= 0) {  // no memory for the stream
            close(fd);
            unlink(tmpname.c_str());
        }
        errno = cause;
        if (cause != EEXIST)
            return nullptr;
    }
    return nullptr;
}

void RemoveTempOutput(const char* tmpname)
{
    unlink(tmpname);
    DropTemp(tmpname);
}

int MoveIntoPlace(const char* tmpname, const char* name)
{
    int result = std::rename(tmpname, name);
    if (result == 0)
        DropTemp(tmpname);
    return result;
}

FILE* OpenInput(const char* path, const char** refusal, uint64_t* size)
{
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

// Platform layer: the command line, the final key wait, signals, the input
// file, and the files that receive the include text: temporary files moved
// over the include files once complete, or devices written into as they are.
// Everything specific to Windows or POSIX lives here.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform.h"

// One include file being written: the file that receives the text (the name
// asked for, a symbolic link followed to its end), the temporary file that
// holds the new text and, while the files of a run move, a second name of
// the old file.
struct Output {
    std::string target, tmpname, keptname;
    int fd = -1;           // the temporary file while it has no name
    bool named = false;    // tmpname exists
    bool kept = false;     // keptname exists
    bool inplace = false;  // the target itself is written: nothing moves
};
static Output outputs[2];

// Temporary names are short and of one length whatever the include file is
// called: ".trell.<process id, 8 hex digits>.<slot><n, the new text; o, the
// old file>", in the folder of the file they replace. Only a run killed
// outright (SIGKILL, a power cut) leaves them; the next run that moves files
// in that folder removes those whose process is gone and that have not
// changed for a minute (a run on another machine, or in another process
// namespace, sharing the folder may have the same id and still be writing).
static const long LEFTOVER_AGE = 60;  // seconds
static const char TEMP_PREFIX[] = ".trell.";
static const size_t TEMP_LENGTH = sizeof TEMP_PREFIX - 1 + 8 + 3;

#ifdef _WIN32
static const char SEPARATORS[] = "/\\:";
#else
static const char SEPARATORS[] = "/";
#endif

// The folder part of a path, with its last separator; "" for a bare name.
static std::string FolderOf(const std::string& path)
{
    size_t end = path.find_last_of(SEPARATORS);
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

static std::string TempName(const Output& output, unsigned long pid, char kind)
{
    char name[TEMP_LENGTH + 1];
    std::snprintf(name, sizeof name, "%s%08lx.%d%c", TEMP_PREFIX, pid & 0xFFFFFFFFul, int(&output - outputs), kind);
    return FolderOf(output.target) + name;
}

// The process that made a temporary name, or -1 for any other name.
static long long LeftoverOwner(const char* name)
{
    if (std::strlen(name) != TEMP_LENGTH || std::strncmp(name, TEMP_PREFIX, sizeof TEMP_PREFIX - 1) != 0)
        return -1;
    const char* hex = name + sizeof TEMP_PREFIX - 1;
    if (std::strspn(hex, "0123456789abcdef") != 8 || hex[8] != '.' || (hex[9] != '0' && hex[9] != '1') ||
        (hex[10] != 'n' && hex[10] != 'o'))
        return -1;
    return (long long)std::strtoull(std::string(hex, 8).c_str(), nullptr, 16);
}

// The folders of the files a move replaces, each once.
static int MovedFolders(int count, std::string folders[2])
{
    int n = 0;
    for (int i = 0; i < count; i++) {
        std::string folder = FolderOf(outputs[i].target);
        if (!outputs[i].inplace && std::find(folders, folders + n, folder) == folders + n)
            folders[n++] = folder;
    }
    return n;
}

#ifdef _WIN32

#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>
#include <windows.h>

static std::wstring Wide(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? size_t(n) : 1, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

static char* Utf8(const wchar_t* wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    char* text = static_cast<char*>(std::calloc(n > 0 ? size_t(n) : 1, 1));
    if (text && n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, n, nullptr, nullptr);
    return text;
}

// The console's output code page before the program set it to UTF-8; put
// back when the program ends, so the console shows what comes after as before.
static UINT savedcodepage;
static void RestoreCodePage()
{
    if (savedcodepage)
        SetConsoleOutputCP(savedcodepage);
}

char** CommandLineInUtf8(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != argc)
        return argv;
    char** utf8 = static_cast<char**>(std::calloc(size_t(argc) + 1, sizeof *utf8));
    for (int i = 0; utf8 && i < argc; i++)
        if (!(utf8[i] = Utf8(wide[i])))
            return argv;
    LocalFree(wide);
    if ((savedcodepage = GetConsoleOutputCP()) != 0 && SetConsoleOutputCP(CP_UTF8))
        std::atexit(RestoreCodePage);
    else
        savedcodepage = 0;
    return utf8 ? utf8 : argv;
}

void WaitForKey()
{
    // Only a console has a console mode. _isatty is not enough: it also says
    // yes for character devices, so "< NUL" would still wait for a key.
    DWORD mode;
    if (GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode))
        _getch();
}

// Held while the names of temporary files change and while the include
// files move: the console handler then waits.
static CRITICAL_SECTION namelock;

// Ctrl-C, Ctrl-Break, a closed console: the temporary files are removed,
// once a move under way has ended, and the process ends as the default
// handler would end it.
static BOOL WINAPI OnConsoleEvent(DWORD)
{
    EnterCriticalSection(&namelock);
    for (Output& output : outputs)
        if (output.named && !DeleteFileW(Wide(output.tmpname).c_str()) &&
            SetFileAttributesW(Wide(output.tmpname).c_str(), FILE_ATTRIBUTE_NORMAL))
            DeleteFileW(Wide(output.tmpname).c_str());
    RestoreCodePage();
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

static void CatchSignals()
{
    static bool caught;
    if (caught)
        return;
    caught = true;
    InitializeCriticalSection(&namelock);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

typedef int SignalMask;
static SignalMask HoldSignals()
{
    CatchSignals();
    EnterCriticalSection(&namelock);
    return 0;
}
static void ReleaseSignals(SignalMask) { LeaveCriticalSection(&namelock); }

static int Fail(DWORD error)
{
    errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
            : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
            : error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST
                                                                          : EIO;
    return -1;
}

static int Rename(const std::string& from, const std::string& to)
{
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : Fail(GetLastError());
}

static void Remove(const std::string& name)
{
    // A file made read-only meanwhile is removed all the same.
    std::wstring wide = Wide(name);
    if (!DeleteFileW(wide.c_str()) && SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL))
        DeleteFileW(wide.c_str());
}

// The old file gets a second name: a hard link, or else a copy.
static int KeepOld(Output& output)
{
    DWORD attributes = GetFileAttributesW(Wide(output.target).c_str());
    if (output.inplace || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    output.keptname = TempName(output, GetCurrentProcessId(), 'o');
    Remove(output.keptname);
    std::wstring kept = Wide(output.keptname), target = Wide(output.target);
    if (!CreateHardLinkW(kept.c_str(), target.c_str(), nullptr) && !CopyFileW(target.c_str(), kept.c_str(), FALSE))
        return Fail(GetLastError());
    output.kept = true;
    return 0;
}

// Temporary files are named from the start on Windows.
static int NameTemp(Output&) { return 0; }

// A temporary name whose process has ended.
static bool Abandoned(long long pid)
{
    if (pid < 0 || DWORD(pid) == GetCurrentProcessId())
        return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(pid));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

static void RemoveLeftovers(const std::string& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Wide(folder + TEMP_PREFIX + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (unsigned long long)t.dwHighDateTime << 32 | t.dwLowDateTime; };
    do {
        char* name = Utf8(found.cFileName);
        bool old = ticks(now) - ticks(found.ftLastWriteTime) >= LEFTOVER_AGE * 10000000ull;  // 100 ns ticks
        if (name && old && Abandoned(LeftoverOwner(name)))
            Remove(folder + name);
        std::free(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Another run moving files in the same folders waits: one named mutex per
// folder, named after its full path, taken in one order.
struct FolderLocks {
    HANDLE mutex[2];
    int count;
};
static FolderLocks LockFolders(const std::string* folders, int count)
{
    FolderLocks locks = {{nullptr, nullptr}, 0};
    unsigned long long keys[2] = {0, 0};
    for (int i = 0; i < count; i++) {
        wchar_t full[32768];
        std::wstring folder = Wide(folders[i].empty() ? "." : folders[i]);
        DWORD n = GetFullPathNameW(folder.c_str(), 32768, full, nullptr);
        if (n == 0 || n >= 32768)
            continue;
        CharLowerW(full);
        unsigned long long hash = 14695981039346656037ull;  // FNV-1a
        for (DWORD k = 0; k < n; k++)
            hash = (hash ^ full[k]) * 1099511628211ull;
        keys[i] = hash;
    }
    if (count == 2 && keys[0] > keys[1])
        std::swap(keys[0], keys[1]);
    for (int i = 0; i < count; i++) {
        if (i == 1 && keys[1] == keys[0])
            break;
        std::wstring name = L"Local\\trell-";
        for (int shift = 60; shift >= 0; shift -= 4)
            name += L"0123456789abcdef"[(keys[i] >> shift) & 15];
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        if (mutex && WaitForSingleObject(mutex, INFINITE) != WAIT_FAILED)
            locks.mutex[locks.count++] = mutex;
    }
    return locks;
}
static void UnlockFolders(const FolderLocks& locks)
{
    for (int i = 0; i < locks.count; i++) {
        ReleaseMutex(locks.mutex[i]);
        CloseHandle(locks.mutex[i]);
    }
}

static FILE* InPlace(Output& output, HANDLE handle)
{
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    FILE* file = fd >= 0 ? _fdopen(fd, "wt") : nullptr;
    if (!file && fd >= 0)
        _close(fd);
    output.inplace = file != nullptr;
    return file;
}

FILE* OpenTempOutput(int slot, const char* name, const char** cause)
{
    CatchSignals();
    Output& output = outputs[slot];
    output = Output();
    output.target = name;
    *cause = nullptr;
    std::wstring target = Wide(output.target);
    // The console, NUL or a pipe is written into as it is.
    HANDLE handle = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK)
        return InPlace(output, handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    // A read-only file is not replaced, as opening it for writing would fail.
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *cause = std::strerror(EACCES);
        return nullptr;
    }
    // A name left by an earlier process of the same id is taken over. The
    // file may be deleted while it is open, as the console handler does.
    EnterCriticalSection(&namelock);
    output.tmpname = TempName(output, GetCurrentProcessId(), 'n');
    std::wstring tmpname = Wide(output.tmpname);
    handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; handle == INVALID_HANDLE_VALUE && attempt < 2; attempt++) {
        handle = CreateFileW(tmpname.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS && attempt == 0)
            Remove(output.tmpname);
    }
    output.named = handle != INVALID_HANDLE_VALUE;
    DWORD error = GetLastError();
    LeaveCriticalSection(&namelock);
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(error);
        return nullptr;
    }
    // Text mode: each "\n" written becomes CR LF in the file.
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_TEXT);
    FILE* file = fd >= 0 ? _fdopen(fd, "wt") : nullptr;
    if (!file) {
        int cause = errno;
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        RemoveTempOutput(slot);
        errno = cause;
    }
    return file;
}

bool WrittenInPlace(const char* name)
{
    HANDLE handle = CreateFileW(Wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    bool device = handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK;
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return device;
}

void RemoveTempOutput(int slot)
{
    Output& output = outputs[slot];
    CatchSignals();
    EnterCriticalSection(&namelock);
    if (output.named)
        Remove(output.tmpname);
    output.named = false;
    LeaveCriticalSection(&namelock);
}

FILE* OpenInput(const char* path, const char** refusal, uint64_t* size)
{
    *refusal = nullptr;
    FILE* file = _wfopen(Wide(path).c_str(), L"rb");
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
    static wchar_t fulla[32768], fullb[32768];
    DWORD na = GetFullPathNameW(Wide(a).c_str(), 32768, fulla, nullptr);
    DWORD nb = GetFullPathNameW(Wide(b).c_str(), 32768, fullb, nullptr);
    return na > 0 && na < 32768 && na == nb && CompareStringOrdinal(fulla, int(na), fullb, int(nb), TRUE) == CSTR_EQUAL;
}

uint8_t* AllocateBlock(size_t size) { return static_cast<uint8_t*>(std::malloc(size ? size : 1)); }

void FreeBlock(uint8_t* block) { std::free(block); }

#else

#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

char** CommandLineInUtf8(int, char** argv) { return argv; }

// The named temporary files that may exist at the moment (at most two:
// one per include file), removed when a signal ends the process. A name is
// noted before its file is created and dropped once the file is gone or
// renamed, so the handler may try a name with no file but never misses one.
// A place counts only once its name is whole.
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

static void NoteTemp(const Output& output)
{
    TempPlace& place = temps[&output - outputs];
    place.used = 0;
    if (output.tmpname.size() < sizeof place.name) {
        std::strcpy(place.name, output.tmpname.c_str());
        place.used = 1;
    }
}

// The kernel's rule for links in shared folders (fs.protected_symlinks),
// kept whatever the machine's setting: in a folder that others may write
// and whose sticky bit is set, only a link that belongs to the user or to
// the folder's owner is followed.
static bool MayFollow(const std::string& link, const struct stat& info)
{
    struct stat folder;
    std::string name = FolderOf(link);
    if (stat(name.empty() ? "." : name.c_str(), &folder) != 0)
        return true;
    bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return !shared || info.st_uid == geteuid() || info.st_uid == folder.st_uid;
}

static const char LINK_REFUSED[] = "a link in a shared folder that belongs to another user";

// Follows name through symbolic links (at most 40, as the system does) to
// the file that opening it would open. Sets info when that file exists.
// Returns 0, -1 with errno set, or 1 for a link that is not followed.
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
        if (!MayFollow(target, *info))
            return 1;
        char link[PATH_MAX];
        ssize_t length = readlink(target.c_str(), link, sizeof link);
        if (links == 40 || length < 0 || size_t(length) == sizeof link) {
            errno = links == 40 ? ELOOP : length < 0 ? errno : ENAMETOOLONG;
            return -1;
        }
        if (link[0] == '/')
            target.assign(link, size_t(length));
        else
            target = FolderOf(target) + std::string(link, size_t(length));
    }
}

// The program's own descriptor that a name stands for: 1 for /dev/stdout,
// 2 for /dev/stderr, N for /dev/fd/N or /proc/self/fd/N; else -1. Written
// through that descriptor, the output goes where the caller sent it, also
// to the end of a file opened for appending.
static int OwnDescriptor(const char* name)
{
    if (std::strcmp(name, "/dev/stdout") == 0)
        return 1;
    if (std::strcmp(name, "/dev/stderr") == 0)
        return 2;
    const char* number = std::strncmp(name, "/dev/fd/", 8) == 0 ? name + 8
                         : std::strncmp(name, "/proc/self/fd/", 14) == 0 ? name + 14
                                                                         : nullptr;
    if (!number || !*number || std::strspn(number, "0123456789") != std::strlen(number) || std::strlen(number) > 6)
        return -1;
    return std::atoi(number);
}

static FILE* InPlace(Output& output, int fd)
{
    FILE* file = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!file && fd >= 0) {
        int error = errno;
        close(fd);
        errno = error;
    }
    output.inplace = file != nullptr;
    return file;
}

// A FIFO or a character device is written into as it is. A FIFO is opened
// without waiting: one that no program reads is refused, not waited on.
static FILE* OpenInPlace(Output& output, const struct stat& info, const char** cause)
{
    if (S_ISSOCK(info.st_mode) || S_ISBLK(info.st_mode)) {
        *cause = S_ISSOCK(info.st_mode) ? "a socket, which is not written" : "a block device, which is not written";
        return nullptr;
    }
    int fd = open(output.target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *cause = errno == ENXIO && S_ISFIFO(info.st_mode) ? "a FIFO that no program reads" : std::strerror(errno);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return InPlace(output, fd);
}

// A new file beside the one it replaces, with that one's permission bits
// (a new include file gets 0666 less the umask). On Linux it is unnamed
// until complete, so it leaves nothing behind even after SIGKILL; it is
// named through /proc. Without /proc, or on a filesystem without unnamed
// files, it is named from the start.
static int CreateTemp(Output& output)
{
    std::string folder = FolderOf(output.target);
    int fd = -1;
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) == 0 &&
        (fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)) >= 0) {
        if ((output.fd = dup(fd)) < 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
#endif
    output.tmpname = TempName(output, (unsigned long)getpid(), 'n');
    NoteTemp(output);
    // A name left by an earlier process of the same id is taken over.
    for (int attempt = 0; fd < 0 && attempt < 2; attempt++) {
        fd = open(output.tmpname.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST && attempt == 0)
            unlink(output.tmpname.c_str());
    }
    output.named = fd >= 0;
    if (fd < 0) {
        int error = errno;
        temps[&output - outputs].used = 0;
        errno = error;
    }
    return fd;
}

FILE* OpenTempOutput(int slot, const char* name, const char** cause)
{
    CatchSignals();
    Output& output = outputs[slot];
    output = Output();
    *cause = nullptr;
    int own = OwnDescriptor(name);
    if (own >= 0) {
        // What the console printed so far goes first.
        std::fflush(own == 2 ? stderr : stdout);
        output.target = name;
        return InPlace(output, fcntl(own, F_DUPFD_CLOEXEC, 3));
    }
    struct stat info;
    bool exists;
    int followed = FollowLinks(name, output.target, &info, &exists);
    if (followed != 0) {
        *cause = followed > 0 ? LINK_REFUSED : nullptr;
        return nullptr;
    }
    if (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return OpenInPlace(output, info, cause);
    // A file the user may not write is not replaced; opening it would fail.
    if (exists && S_ISREG(info.st_mode) && access(output.target.c_str(), W_OK) != 0) {
        *cause = std::strerror(errno);
        return nullptr;
    }
    int fd = CreateTemp(output);
    if (fd < 0)
        return nullptr;
    // Writing into a file clears its set-user-ID and set-group-ID bits: they
    // are not carried over either.
    if (exists && S_ISREG(info.st_mode))
        fchmod(fd, info.st_mode & 01777);
    if (FILE* file = fdopen(fd, "w"))
        return file;
    int error = errno;  // no memory for the stream
    close(fd);
    RemoveTempOutput(slot);
    errno = error;
    return nullptr;
}

bool WrittenInPlace(const char* name)
{
    struct stat info;
    return OwnDescriptor(name) >= 0 || (stat(name, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode));
}

static int Rename(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

static void Remove(const std::string& name) { unlink(name.c_str()); }

// Gives an unnamed temporary file its name beside its target.
static int NameTemp(Output& output)
{
    if (output.fd < 0)
        return 0;
    std::string proc = "/proc/self/fd/" + std::to_string(output.fd);
    output.tmpname = TempName(output, (unsigned long)getpid(), 'n');
    NoteTemp(output);
    for (int attempt = 0; !output.named; attempt++) {
        output.named = linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, output.tmpname.c_str(), AT_SYMLINK_FOLLOW) == 0;
        if (!output.named && (errno != EEXIST || attempt == 1))
            return -1;
        if (!output.named)
            unlink(output.tmpname.c_str());  // left by an earlier process of the same id
    }
    close(output.fd);
    output.fd = -1;
    return 0;
}

// Copies the file from to a new file to, with its permission bits; 0, or
// -1 with errno set.
static int CopyFile(const std::string& from, const std::string& to)
{
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC), out = -1, error = 0;
    struct stat info;
    if (in >= 0 && fstat(in, &info) == 0 && (out = open(to.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600)) >= 0)
        fchmod(out, info.st_mode & 01777);
    char buffer[1 << 16];
    ssize_t got = 0;
    while (out >= 0 && (got = read(in, buffer, sizeof buffer)) > 0)
        if (write(out, buffer, size_t(got)) != got) {
            got = -1;
            break;
        }
    error = in < 0 || out < 0 || got < 0 ? (errno ? errno : EIO) : 0;
    if (out >= 0 && close(out) != 0 && !error)
        error = errno;
    if (in >= 0)
        close(in);
    if (error && out >= 0)
        unlink(to.c_str());
    errno = error;
    return error ? -1 : 0;
}

// The old file gets a second name: a hard link, or else (a filesystem
// without them) a copy.
static int KeepOld(Output& output)
{
    struct stat info;
    if (output.inplace || lstat(output.target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    output.keptname = TempName(output, (unsigned long)getpid(), 'o');
    unlink(output.keptname.c_str());
    if (link(output.target.c_str(), output.keptname.c_str()) != 0 && CopyFile(output.target, output.keptname) != 0)
        return -1;
    output.kept = true;
    return 0;
}

// A temporary name whose process has ended.
static bool Abandoned(long long pid)
{
    return pid > 0 && pid != (long long)getpid() && pid <= 0x7FFFFFFF && kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

static void RemoveLeftovers(const std::string& folder)
{
    DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    time_t now = time(nullptr);
    struct stat info;
    while (dirent* entry = readdir(dir))
        if (Abandoned(LeftoverOwner(entry->d_name)) && fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            now - info.st_mtime >= LEFTOVER_AGE)
            unlink((folder + entry->d_name).c_str());
    closedir(dir);
}

// Another run moving files in the same folders waits: flock on each folder,
// which leaves no file behind, taken in the order of the folders' device
// and inode numbers. A folder that cannot be locked is moved in unlocked.
struct FolderLocks {
    int fd[2];
    int count;
};
static FolderLocks LockFolders(const std::string* folders, int count)
{
    FolderLocks locks = {{-1, -1}, 0};
    struct stat info[2];
    for (int i = 0; i < count; i++) {
        int fd = open(folders[i].empty() ? "." : folders[i].c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || fstat(fd, &info[locks.count]) != 0) {
            if (fd >= 0)
                close(fd);
            continue;
        }
        if (locks.count == 1 && info[0].st_dev == info[1].st_dev && info[0].st_ino == info[1].st_ino) {
            close(fd);  // the same folder by another name
            continue;
        }
        locks.fd[locks.count++] = fd;
    }
    if (locks.count == 2 && (info[0].st_dev > info[1].st_dev ||
                             (info[0].st_dev == info[1].st_dev && info[0].st_ino > info[1].st_ino)))
        std::swap(locks.fd[0], locks.fd[1]);
    for (int i = 0; i < locks.count; i++)
        while (flock(locks.fd[i], LOCK_EX) != 0 && errno == EINTR) {
        }
    return locks;
}
static void UnlockFolders(const FolderLocks& locks)
{
    for (int i = 0; i < locks.count; i++)
        close(locks.fd[i]);
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
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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
    int error = errno;
    close(fd);
    errno = error;
    return nullptr;
}

// The folder that holds a file (its device and number) and the file's name.
static bool FolderAndName(const char* path, struct stat* folder, std::string* name)
{
    std::string target;
    struct stat info;
    bool exists;
    if (OwnDescriptor(path) >= 0) {
        *name = path;
        return stat("/", folder) == 0;
    }
    if (FollowLinks(path, target, &info, &exists) != 0)
        return false;
    std::string where = FolderOf(target);
    *name = target.substr(where.size());
    return stat(where.empty() ? "." : where.c_str(), folder) == 0;
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

int MoveIntoPlace(int count)
{
    std::string folders[2];
    int nfolders = MovedFolders(count, folders);
    FolderLocks locks = LockFolders(folders, nfolders);
    SignalMask held = HoldSignals();
    for (int i = 0; i < nfolders; i++)
        RemoveLeftovers(folders[i]);
    // Every temporary file is named, and every old file but the last slot's
    // kept under a second name, before the first rename; then each rename
    // replaces a file at once, and a failed one puts the earlier ones back.
    int failed = -1, renamed = 0;
    for (int i = 0; i < count && failed < 0; i++)
        if (NameTemp(outputs[i]) != 0)
            failed = i;
    for (int i = 0; i + 1 < count && failed < 0; i++)
        if (KeepOld(outputs[i]) != 0)
            failed = i;
    for (; renamed < count && failed < 0; renamed++) {
        Output& output = outputs[renamed];
        if (!output.inplace && Rename(output.tmpname, output.target) != 0) {
            failed = renamed;
            break;
        }
        output.named = false;
    }
    int error = errno;
    for (int i = 0; i < count; i++) {
        Output& output = outputs[i];
        bool back = failed >= 0 && i < renamed && !output.inplace;
        if (output.kept && back)
            Rename(output.keptname, output.target);
        else if (output.kept)
            Remove(output.keptname);
        else if (back)
            Remove(output.target);  // there was no file before
        output.kept = false;
        RemoveTempOutput(i);
    }
    ReleaseSignals(held);
    UnlockFolders(locks);
    errno = error;
    return failed < 0 ? count : failed;
}

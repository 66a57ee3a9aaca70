// Include files on Windows: temporary files named from the start, which the
// console handler removes; the console, NUL and pipes written in place;
// named mutexes for folder locks; leftovers.
#ifdef _WIN32

#define _CRT_RAND_S  // rand_s, from the system's source of random numbers
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "output.h"
#include "outputfile.h"

unsigned long ProcessId() { return (unsigned long)GetCurrentProcessId(); }

uint64_t RandomBits()
{
    unsigned int high = 0, low = 0;
    if (rand_s(&high) != 0 || rand_s(&low) != 0) {
        // Without it: the clock, and a count for calls within one tick.
        static uint64_t calls;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return uint64_t(now.QuadPart) + ++calls * 0x9E3779B97F4A7C15ull;
    }
    return uint64_t(high) << 32 | low;
}

static int Fail(DWORD error)
{
    errno = error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? EACCES
            : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
            : error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST
                                                                          : EIO;
    return -1;
}

int RenameFile(const std::string& from, const std::string& to)
{
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : Fail(GetLastError());
}

void RemoveFile(const std::string& name)
{
    // A file made read-only meanwhile is removed all the same.
    std::wstring wide = Wide(name);
    if (!DeleteFileW(wide.c_str()) && SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL))
        DeleteFileW(wide.c_str());
}

int KeepOld(OutputFile& file)
{
    DWORD attributes = GetFileAttributesW(Wide(file.target).c_str());
    if (file.inplace || attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    // A hard link, else a copy (which keeps the file's times and
    // attributes); each makes a name that is not there yet.
    std::wstring target = Wide(file.target);
    if (MakeTempName(file, 'o', &file.keptname, [&](const std::string& name) {
            std::wstring kept = Wide(name);
            if (CreateHardLinkW(kept.c_str(), target.c_str(), nullptr))
                return 0;
            DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
                return Fail(error);
            return CopyFileW(target.c_str(), kept.c_str(), TRUE) ? 0 : Fail(GetLastError());
        }) != 0)
        return -1;
    file.kept = true;
    return 0;
}

// Temporary files are named from the start on Windows.
int NameTemp(OutputFile&) { return 0; }

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

void RemoveLeftovers(const std::string& folder)
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
            RemoveFile(folder + name);
        std::free(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// One named mutex per folder, named after a hash of its full path, taken
// in the order of the hashes.
std::vector<intptr_t> LockFolders(const std::vector<std::string>& folders)
{
    std::vector<unsigned long long> keys;
    for (const std::string& folder : folders) {
        static wchar_t full[32768];
        DWORD n = GetFullPathNameW(Wide(folder.empty() ? "." : folder).c_str(), 32768, full, nullptr);
        if (n == 0 || n >= 32768)
            continue;
        CharLowerW(full);
        unsigned long long hash = 14695981039346656037ull;  // FNV-1a
        for (DWORD k = 0; k < n; k++)
            hash = (hash ^ full[k]) * 1099511628211ull;
        keys.push_back(hash);
    }
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<intptr_t> locks;
    for (unsigned long long key : keys) {
        std::wstring name = L"Local\\trell-";
        for (int shift = 60; shift >= 0; shift -= 4)
            name += L"0123456789abcdef"[(key >> shift) & 15];
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        if (mutex && WaitForSingleObject(mutex, INFINITE) != WAIT_FAILED)
            locks.push_back(reinterpret_cast<intptr_t>(mutex));
    }
    return locks;
}

void UnlockFolders(const std::vector<intptr_t>& locks)
{
    for (intptr_t lock : locks) {
        ReleaseMutex(reinterpret_cast<HANDLE>(lock));
        CloseHandle(reinterpret_cast<HANDLE>(lock));
    }
}

static FILE* InPlace(OutputFile& file, HANDLE handle)
{
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | (file.binary ? _O_BINARY : _O_TEXT));
    FILE* stream = fd >= 0 ? _fdopen(fd, file.binary ? "wb" : "wt") : nullptr;
    if (!stream && fd >= 0)
        _close(fd);
    file.inplace = stream != nullptr;
    return stream;
}

FILE* OpenTemp(OutputFile& file, const char* name, const char** cause)
{
    CatchSignals();
    file.target = name;
    *cause = nullptr;
    std::wstring target = Wide(file.target);
    // The console, NUL or a pipe is written into as it is.
    HANDLE handle = CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK)
        return InPlace(file, handle);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    // A read-only file is not replaced, as opening it for writing would fail.
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        *cause = std::strerror(EACCES);
        return nullptr;
    }
    // The file may be deleted while it is open, as the console handler does;
    // noted before it exists, so that the handler never misses it.
    HoldSignals();
    handle = INVALID_HANDLE_VALUE;
    DWORD error = 0;
    MakeTempName(file, 'n', &file.tmpname, [&](const std::string& name) {
        file.note = NoteTemp(name.c_str());
        handle = CreateFileW(Wide(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE)
            return 0;
        error = GetLastError();
        ForgetTemp(file.note);
        file.note = nullptr;
        return Fail(error);
    });
    file.named = handle != INVALID_HANDLE_VALUE;
    ReleaseSignals();
    // A file there that the user may write, in a folder they may not.
    if (handle == INVALID_HANDLE_VALUE && error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        *cause = FOLDER_NOT_WRITABLE;
    if (handle == INVALID_HANDLE_VALUE) {
        Fail(error);
        return nullptr;
    }
    // Text mode: each "\n" written becomes CR LF in the file; binary files
    // get their bytes as they are.
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | (file.binary ? _O_BINARY : _O_TEXT));
    FILE* stream = fd >= 0 ? _fdopen(fd, file.binary ? "wb" : "wt") : nullptr;
    if (!stream) {
        int failure = errno;
        if (fd >= 0)
            _close(fd);
        else
            CloseHandle(handle);
        RemoveTemp(file);
        errno = failure;
    }
    return stream;
}

bool WrittenInPlace(const char* name)
{
    HANDLE handle = CreateFileW(Wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    bool device = handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK;
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return device;
}

void RemoveTemp(OutputFile& file)
{
    HoldSignals();
    if (file.named)
        RemoveFile(file.tmpname);
    file.named = false;
    ForgetTemp(file.note);
    file.note = nullptr;
    ReleaseSignals();
}

// The volume and index of a file on a disk; false for anything else.
static bool FileIndex(const char* name, BY_HANDLE_FILE_INFORMATION* info)
{
    HANDLE handle = CreateFileW(Wide(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool known = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, info);
    CloseHandle(handle);
    return known;
}

bool SameExistingFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION infoa, infob;
    return FileIndex(a, &infoa) && FileIndex(b, &infob) && infoa.dwVolumeSerialNumber == infob.dwVolumeSerialNumber &&
           infoa.nFileIndexHigh == infob.nFileIndexHigh && infoa.nFileIndexLow == infob.nFileIndexLow;
}

bool SameFile(const char* a, const char* b)
{
    static wchar_t fulla[32768], fullb[32768];
    DWORD na = GetFullPathNameW(Wide(a).c_str(), 32768, fulla, nullptr);
    DWORD nb = GetFullPathNameW(Wide(b).c_str(), 32768, fullb, nullptr);
    return na > 0 && na < 32768 && na == nb && CompareStringOrdinal(fulla, int(na), fullb, int(nb), TRUE) == CSTR_EQUAL;
}

#endif

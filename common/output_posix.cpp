// Include files on POSIX systems: temporary files (unnamed until complete
// on Linux), links followed as the kernel would, devices and FIFOs written
// in place, folder locks, leftovers.
#ifndef _WIN32

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "output.h"
#include "outputfile.h"

unsigned long ProcessId() { return (unsigned long)getpid(); }

uint64_t RandomBits()
{
    uint64_t bits = 0;
    int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && read(fd, &bits, sizeof bits) != ssize_t(sizeof bits))
        bits = 0;
    if (fd >= 0)
        close(fd);
    // Without /dev/urandom: the clock, and a count for calls within one tick.
    static uint64_t calls;
    struct timespec now = {};
    clock_gettime(CLOCK_REALTIME, &now);
    return bits ^ ((uint64_t(now.tv_nsec) << 32 | uint64_t(now.tv_sec)) + ++calls * 0x9E3779B97F4A7C15ull);
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

static FILE* InPlace(OutputFile& file, int fd)
{
    FILE* stream = fd >= 0 ? fdopen(fd, "w") : nullptr;
    if (!stream && fd >= 0) {
        int error = errno;
        close(fd);
        errno = error;
    }
    file.inplace = stream != nullptr;
    return stream;
}

// A FIFO or a character device is written into as it is. A FIFO is opened
// without waiting: one that no program reads is refused, not waited on.
static FILE* OpenInPlace(OutputFile& file, const struct stat& info, const char** cause)
{
    if (S_ISSOCK(info.st_mode) || S_ISBLK(info.st_mode)) {
        *cause = S_ISSOCK(info.st_mode) ? "a socket, which is not written" : "a block device, which is not written";
        return nullptr;
    }
    int fd = open(file.target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *cause = errno == ENXIO && S_ISFIFO(info.st_mode) ? "a FIFO that no program reads" : std::strerror(errno);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return InPlace(file, fd);
}

// Forgets the note of a temporary name that was not made; -1, errno kept.
static int ForgetNote(OutputFile& file)
{
    int error = errno;
    ForgetTemp(file.note);
    file.note = nullptr;
    errno = error;
    return -1;
}

// A new file beside the one it replaces, with that one's permission bits
// (a new include file gets 0666 less the umask). On Linux it is unnamed
// until complete, so it leaves nothing behind even after SIGKILL; it is
// named through /proc. Without /proc, or on a filesystem without unnamed
// files, it is named from the start.
static int CreateTemp(OutputFile& file)
{
    std::string folder = FolderOf(file.target);
    int fd = -1;
#ifdef O_TMPFILE
    if (access("/proc/self/fd", X_OK) == 0 &&
        (fd = open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666)) >= 0) {
        if ((file.fd = dup(fd)) < 0) {
            close(fd);
            return -1;
        }
        return fd;
    }
#endif
    // Noted before the file exists, so that a signal never misses it.
    MakeTempName(file, 'n', &file.tmpname, [&](const std::string& name) {
        file.note = NoteTemp(name.c_str());
        fd = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        return fd < 0 ? ForgetNote(file) : 0;
    });
    file.named = fd >= 0;
    return fd;
}

FILE* OpenTemp(OutputFile& file, const char* name, const char** cause)
{
    CatchSignals();
    *cause = nullptr;
    int own = OwnDescriptor(name);
    if (own >= 0) {
        // What the console printed so far goes first.
        std::fflush(own == 2 ? stderr : stdout);
        file.target = name;
        return InPlace(file, fcntl(own, F_DUPFD_CLOEXEC, 3));
    }
    struct stat info;
    bool exists;
    int followed = FollowLinks(name, file.target, &info, &exists);
    if (followed != 0) {
        *cause = followed > 0 ? LINK_REFUSED : nullptr;
        return nullptr;
    }
    if (exists && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        return OpenInPlace(file, info, cause);
    // A file the user may not write is not replaced; opening it would fail.
    if (exists && S_ISREG(info.st_mode) && access(file.target.c_str(), W_OK) != 0) {
        *cause = std::strerror(errno);
        return nullptr;
    }
    // One the user may write, but not its folder, where the new file goes.
    std::string folder = FolderOf(file.target);
    if (exists && S_ISREG(info.st_mode) && access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0 &&
        errno == EACCES) {
        *cause = FOLDER_NOT_WRITABLE;
        return nullptr;
    }
    int fd = CreateTemp(file);
    if (fd < 0)
        return nullptr;
    // Writing into a file clears its set-user-ID and set-group-ID bits: they
    // are not carried over either.
    if (exists && S_ISREG(info.st_mode))
        fchmod(fd, info.st_mode & 01777);
    if (FILE* stream = fdopen(fd, "w"))
        return stream;
    int error = errno;  // no memory for the stream
    close(fd);
    RemoveTemp(file);
    errno = error;
    return nullptr;
}

bool WrittenInPlace(const char* name)
{
    struct stat info;
    return OwnDescriptor(name) >= 0 || (stat(name, &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode));
}

void RemoveTemp(OutputFile& file)
{
    if (file.fd >= 0)
        close(file.fd);
    file.fd = -1;
    if (file.named)
        unlink(file.tmpname.c_str());
    file.named = false;
    ForgetTemp(file.note);
    file.note = nullptr;
}

int RenameFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()); }

void RemoveFile(const std::string& name) { unlink(name.c_str()); }

int NameTemp(OutputFile& file)
{
    if (file.fd < 0)
        return 0;
    std::string proc = "/proc/self/fd/" + std::to_string(file.fd);
    if (MakeTempName(file, 'n', &file.tmpname, [&](const std::string& name) {
            file.note = NoteTemp(name.c_str());
            return linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : ForgetNote(file);
        }) != 0)
        return -1;
    file.named = true;
    close(file.fd);
    file.fd = -1;
    return 0;
}

// Copies the file from to a new file to, with its permission bits and its
// times, so that put back it is the old file to a build tool too; 0, or -1
// with errno set.
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
    if (!error) {
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        error = futimens(out, times) != 0 ? errno : 0;
    }
    if (out >= 0 && close(out) != 0 && !error)
        error = errno;
    if (in >= 0)
        close(in);
    if (error && out >= 0)
        unlink(to.c_str());
    errno = error;
    return error ? -1 : 0;
}

int KeepOld(OutputFile& file)
{
    struct stat info;
    if (file.inplace || lstat(file.target.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return 0;
    // A hard link, else a copy; each makes a name that is not there yet.
    if (MakeTempName(file, 'o', &file.keptname, [&](const std::string& name) {
            if (link(file.target.c_str(), name.c_str()) == 0)
                return 0;
            return errno == EEXIST ? -1 : CopyFile(file.target, name);
        }) != 0)
        return -1;
    file.kept = true;
    return 0;
}

// A temporary name whose process has ended.
static bool Abandoned(long long pid)
{
    return pid > 0 && pid != (long long)getpid() && pid <= 0x7FFFFFFF && kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void RemoveLeftovers(const std::string& folder)
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

// flock on each folder, which leaves no file behind, taken in the order of
// the folders' device and inode numbers.
std::vector<intptr_t> LockFolders(const std::vector<std::string>& folders)
{
    struct Lock {
        dev_t dev;
        ino_t ino;
        int fd;
    };
    std::vector<Lock> taken;
    for (const std::string& folder : folders) {
        int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        struct stat info;
        bool known = fd >= 0 && fstat(fd, &info) == 0;
        if (known && std::none_of(taken.begin(), taken.end(),  // the same folder by another name
                                  [&](const Lock& l) { return l.dev == info.st_dev && l.ino == info.st_ino; }))
            taken.push_back({info.st_dev, info.st_ino, fd});
        else if (fd >= 0)
            close(fd);
    }
    std::sort(taken.begin(), taken.end(),
              [](const Lock& a, const Lock& b) { return a.dev != b.dev ? a.dev < b.dev : a.ino < b.ino; });
    std::vector<intptr_t> locks;
    for (const Lock& lock : taken) {
        while (flock(lock.fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        locks.push_back(lock.fd);
    }
    return locks;
}

void UnlockFolders(const std::vector<intptr_t>& locks)
{
    for (intptr_t fd : locks)
        close(int(fd));
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

bool SameExistingFile(const char* a, const char* b)
{
    struct stat infoa, infob;
    return stat(a, &infoa) == 0 && stat(b, &infob) == 0 && S_ISREG(infoa.st_mode) && infoa.st_dev == infob.st_dev &&
           infoa.st_ino == infob.st_ino;
}

bool SameFile(const char* a, const char* b)
{
    struct stat foldera, folderb;
    std::string namea, nameb;
    return FolderAndName(a, &foldera, &namea) && FolderAndName(b, &folderb, &nameb) && namea == nameb &&
           foldera.st_dev == folderb.st_dev && foldera.st_ino == folderb.st_ino;
}

#endif

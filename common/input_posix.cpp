// The input file on POSIX systems.
#ifndef _WIN32

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform.h"

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

#endif

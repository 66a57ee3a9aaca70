// The input file on Windows, opened by its UTF-16 name.
#ifdef _WIN32

#include <cstdio>
#include <io.h>
#include <windows.h>

#include "platform.h"

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

#endif

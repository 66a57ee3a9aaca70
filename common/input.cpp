// The input file, its first bytes first.
#include "input.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform.h"

static void CloseFile(InputFile& input)
{
    if (input.file)
        std::fclose(input.file);
    input.file = nullptr;
}

bool ReadInputHead(Console& console, InputFile& input, const char* path, size_t n)
{
    const char* refusal;
    CloseInput(input);
    input.file = OpenInput(path, &refusal, &input.size);
    if (!input.file) {
        if (refusal)
            return Refuse(console, path, "cannot read: %s", refusal);
        return Refuse(console, path, "cannot open: %s", std::strerror(errno));
    }
    input.headsize = std::fread(input.head, 1, std::min(n, sizeof input.head), input.file);
    if (std::ferror(input.file)) {
        Refuse(console, path, "cannot read: %s", std::strerror(errno));
        CloseFile(input);
        return false;
    }
    return true;
}

bool ReadInputFile(Console& console, InputFile& input, const char* path)
{
    FreeBlock(input.data);
    input.data = input.size < SIZE_MAX ? AllocateBlock(size_t(std::max<uint64_t>(input.size, input.headsize))) : nullptr;
    int error = ENOMEM;
    if (input.data) {
        std::memcpy(input.data, input.head, input.headsize);
        size_t rest = input.size > input.headsize ? size_t(input.size - input.headsize) : 0;
        input.size = input.headsize + std::fread(input.data + input.headsize, 1, rest, input.file);
        error = std::ferror(input.file) ? errno : 0;
    }
    CloseFile(input);
    if (error == 0)
        return true;
    return Refuse(console, path, "cannot read: %s", std::strerror(error));
}

void CloseInput(InputFile& input)
{
    CloseFile(input);
    FreeBlock(input.data);
    input.data = nullptr;
}

// The input file, its first bytes first.
#include "input.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "console.h"
#include "platform.h"

// The input being read, its first bytes, and the whole-file block, kept
// until the process ends (or the next input), since what is decoded from it
// may point into it.
static FILE* inputfile;
static uint8_t inputhead[64];
static size_t inputheadsize;
static uint64_t inputsize;
static uint8_t* inputdata;

long ReadInputHead(const char* path, uint8_t* head, size_t n, uint64_t* size)
{
    const char* refusal;
    CloseInput();
    inputfile = OpenInput(path, &refusal, &inputsize);
    if (!inputfile) {
        if (refusal)
            Refuse(path, "cannot read: %s", refusal);
        else
            Refuse(path, "cannot open: %s", std::strerror(errno));
        return -1;
    }
    inputheadsize = std::fread(inputhead, 1, std::min(n, sizeof inputhead), inputfile);
    if (std::ferror(inputfile)) {
        Refuse(path, "cannot read: %s", std::strerror(errno));
        CloseInput();
        return -1;
    }
    std::memcpy(head, inputhead, inputheadsize);
    *size = inputsize;
    return long(inputheadsize);
}

const uint8_t* ReadInputFile(const char* path, size_t* size)
{
    FreeBlock(inputdata);
    inputdata = inputsize < SIZE_MAX ? AllocateBlock(size_t(std::max<uint64_t>(inputsize, inputheadsize))) : nullptr;
    int error = ENOMEM;
    if (inputdata) {
        std::memcpy(inputdata, inputhead, inputheadsize);
        size_t rest = inputsize > inputheadsize ? size_t(inputsize - inputheadsize) : 0;
        *size = inputheadsize + std::fread(inputdata + inputheadsize, 1, rest, inputfile);
        error = std::ferror(inputfile) ? errno : 0;
    }
    CloseInput();
    if (error == 0)
        return inputdata;
    Refuse(path, "cannot read: %s", std::strerror(error));
    return nullptr;
}

void CloseInput()
{
    if (inputfile)
        std::fclose(inputfile);
    inputfile = nullptr;
}

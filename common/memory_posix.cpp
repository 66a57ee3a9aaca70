// Memory on POSIX systems: large blocks on huge pages where offered.
#ifndef _WIN32

#include <cstdlib>
#include <sys/mman.h>

#include "platform.h"

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

// Memory on Windows.
#ifdef _WIN32

#include <cstdlib>

#include "platform.h"

uint8_t* AllocateBlock(size_t size) { return static_cast<uint8_t*>(std::malloc(size ? size : 1)); }

void FreeBlock(uint8_t* block) { std::free(block); }

#endif

// The loaded picture.
#include "picture.h"

#include "console.h"
#include "conversion.h"
#include "imgtrell.h"
#include "platform.h"

int32_t imgwidth = 0;
int32_t imgheight = 0;
uint8_t* imgbuffer = nullptr;
std::array<uint32_t, 256> pal = {};
int32_t numcolors = 0;

void ClearPicture()
{
    imgwidth = 0;
    imgheight = 0;
    FreeBlock(imgbuffer);
    imgbuffer = nullptr;
    pal.fill(0);
    numcolors = 0;
}

void PrintHeaderLine(Conversion& cv, int32_t bpp, int32_t compression)
{
    Say(cv.console, "w: %d, h: %d,bpp: %d, comp: %d \n", imgwidth, imgheight, bpp, compression);
}

bool CheckPixelCount(Conversion& cv, const char* path, uint64_t width, uint64_t height)
{
    const uint64_t pixels = width * height;
    if (pixels <= cv.options.maxpixels)
        return true;
    return Refuse(cv.console, path, "a picture of %llu x %llu has %llu pixels; at most %llu are read (see --max-pixels)",
                  (unsigned long long)width, (unsigned long long)height, (unsigned long long)pixels,
                  (unsigned long long)cv.options.maxpixels);
}

bool AllocatePicture(Conversion& cv, const char* path)
{
    uint64_t pixels = uint64_t(imgwidth) * uint64_t(imgheight);
    if (pixels > SIZE_MAX || !(imgbuffer = AllocateBlock(size_t(pixels))))
        return Refuse(cv.console, path, "cannot allocate %llu bytes for a %d x %d picture", (unsigned long long)pixels, imgwidth,
                      imgheight);
    return true;
}

bool RefuseMemory(Conversion& cv, const char* path, const char* doing)
{
    return Refuse(cv.console, path, "cannot allocate the memory to %s a %d x %d picture", doing, imgwidth, imgheight);
}

int CheckTransparency(uint32_t color)
{
    uint32_t red = (color >> 16) & 0xFF, green = (color >> 8) & 0xFF, blue = color & 0xFF;
    return red > 240 && green < 16 && blue > 240 ? 1 : 0;
}

uint8_t Scale(uint32_t v, uint32_t bits)
{
    return bits == 0 ? 0 : uint8_t(uint64_t(v) * 255 / ((uint64_t(1) << bits) - 1));
}

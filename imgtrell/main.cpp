// imgtrell: converts a BMP picture into CHIP8 assembler include text.
#include <climits>
#include <cstdlib>

#include "imgtrell.h"

// The mode argument reads like atoi (leading blanks, a sign, digits up to
// the first other character; no number gives 0), but a number too large
// for an int is clamped rather than wrapped: it still writes as horizontal.
static int32_t ParseMode(const char* text)
{
    long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return int32_t(value);
}

int main(int argc, char** argv)
{
    std::printf("============================================\n"
                "CHIP8 BMP converter, Quarnwell\n"
                "============================================\n");
    if (argc < 2) {
        std::printf("Usage: imgtrell <image.bmp> <mode 0=v,1=h,2=pal>\n");
        return STATUS_USAGE;
    }
    if (argc > 2)
        imgmode = ParseMode(argv[2]);

    std::printf("Loading image: %s\n", argv[1]);
    int status = STATUS_FAILED;
    if (LoadBMP(argv[1])) {
        std::printf("Writing CHIP8 image: picdata.inc\n");
        if (WriteImageFiles(argv[1]))
            status = STATUS_CONVERTED;
    }
    std::fflush(stdout);
    WaitForKey();
    return status;
}

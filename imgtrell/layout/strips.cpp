// Mode 0: one line per strip of eight columns, one byte per image row.
#include <algorithm>
#include <cerrno>

#include "layout.h"
#include "picture.h"
#include "platform.h"
#include "text.h"

void PutStrips(Conversion&, TextWriter& w, int plane)
{
    const size_t strips = (size_t(imgwidth) + 7) / 8, height = size_t(imgheight);
    uint8_t* packed = AllocateBlock(strips * height);
    if (!packed) {
        FailOutput(w, ENOMEM);
        return;
    }
    // The strips are packed first, each into its own run of bytes, in bands
    // of 64 rows: the rows read and the strip bytes written then stay in
    // cache, where walking down a strip of a large picture would miss on
    // every row.
    for (size_t band = 0; band < height; band += 64) {
        size_t end = std::min<size_t>(band + 64, height);
        for (size_t strip = 0; strip < strips; strip++)
            for (size_t y = band; y < end; y++)
                packed[strip * height + y] = PackByte(PictureRow(int64_t(y)), int64_t(8 * strip), imgwidth, plane);
    }
    for (size_t strip = 0; strip < strips; strip++)
        WriteBytes(w, packed + strip * height, height);
    FreeBlock(packed);
}

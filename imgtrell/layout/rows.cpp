// Mode 1, and every mode but 0 and 2: one line per image row, one byte per
// eight columns.
#include <vector>

#include "layout.h"
#include "picture.h"
#include "text.h"

void PutRows(Conversion&, TextWriter& w, int plane)
{
    std::vector<uint8_t> bytes((size_t(imgwidth) + 7) / 8);
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = PictureRow(y);
        for (size_t b = 0; b < bytes.size(); b++)
            bytes[b] = PackByte(row, int64_t(8 * b), imgwidth, plane);
        WriteBytes(w, bytes.data(), bytes.size());
    }
}

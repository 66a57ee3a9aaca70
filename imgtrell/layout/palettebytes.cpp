// Mode 2: one value per pixel, 16 to a line, a row longer continuing on
// further lines.
#include <vector>

#include "layout.h"
#include "picture.h"
#include "pixels.h"
#include "text.h"

void PaletteValues(uint8_t value[256])
{
    for (size_t p = 0; p < 256; p++)
        value[p] = CheckTransparency(pal[p]) ? 0 : uint8_t(p + 1);
}

void PutPaletteBytes(Conversion&, TextWriter& w, int)
{
    uint8_t value[256];
    PaletteValues(value);
    std::vector<uint8_t> values(static_cast<size_t>(imgwidth));
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = PictureRow(y);
        for (size_t x = 0; x < values.size(); x++)
            values[x] = value[row[x]];
        WriteBytes(w, values.data(), values.size(), 16);
    }
}

// The include files of the picture: picdata.inc with the picture as the
// layout of the mode gives it, and picpal.inc with the palette in mode 2;
// and the preview.
#include <string>

#include "console.h"
#include "imgtrell.h"
#include "layout.h"
#include "output.h"
#include "picture.h"
#include "text.h"

// The layout of each mode, and whether the palette file goes with it.
struct Layout {
    Mode mode;
    void (*put)();
    bool palettefile;
};
static const Layout LAYOUTS[] = {
    {MODE_VERTICAL, PutStrips, false},
    {MODE_HORIZONTAL, PutRows, false},
    {MODE_PALETTE, PutPaletteBytes, true},
};

static const Layout& LayoutOf(Mode mode)
{
    for (const Layout& layout : LAYOUTS)
        if (layout.mode == mode)
            return layout;
    return LAYOUTS[1];
}

int WritePicData(FILE* out, const char* path)
{
    StartOutput(out, options.common.syntax);
    char size[40];
    std::snprintf(size, sizeof size, " - %d x %d", imgwidth, imgheight);
    WriteComment(("image: " + CommentText(path) + size).c_str());
    WriteLabel(options.common.label ? options.common.label : "IMGDATA");
    LayoutOf(options.mode).put();
    WriteBlank();
    return FinishOutput();
}

int WritePalData(FILE* out)
{
    StartOutput(out, options.common.syntax);
    WriteLabel(PaletteLabel().c_str());
    for (int32_t i = 0; i < numcolors; i++) {
        uint32_t color = pal[size_t(i)];
        Say("%08x\n", unsigned(color));
        const uint16_t words[2] = {uint16_t(color >> 16), uint16_t(color)};
        WriteWords(words, 2);
    }
    return FinishOutput();
}

void PrintPreview()
{
    uint8_t value[256];
    PaletteValues(value);
    const bool palette = options.mode == MODE_PALETTE;
    std::string line;
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = PictureRow(y);
        line.assign(size_t(imgwidth) + 1, '\n');
        for (int64_t x = 0; x < imgwidth; x++)
            line[size_t(x)] = (palette ? value[row[x]] : row[x]) ? '#' : '.';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

int WriteImageFiles(const char* path)
{
    FILE* out = StartIncludeFile(options.common.output.c_str());
    if (!out || !EndIncludeFile(out, WritePicData(out, path)))
        return 0;
    if (LayoutOf(options.mode).palettefile) {
        out = StartIncludeFile(options.palette.c_str());
        if (!out || !EndIncludeFile(out, WritePalData(out)))
            return 0;
    }
    // Both files or neither.
    return PlaceIncludeFiles();
}

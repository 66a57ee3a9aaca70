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

// The layouts: of each mode, and the tiles of --tile and --frame; each
// with what it plans once the picture is loaded, its comment lines after
// the first, its lines, and its preview (where not the plain one), and
// whether the palette file goes with it.
enum Kind { STRIPS, ROWS, PALETTE_BYTES, TILES };
struct Layout {
    Kind kind;
    int (*plan)(const char* path);
    void (*comments)();
    void (*put)();
    void (*preview)();
    bool palettefile;
};
static const Layout LAYOUTS[] = {
    {STRIPS, nullptr, nullptr, PutStrips, nullptr, false},
    {ROWS, nullptr, nullptr, PutRows, nullptr, false},
    {PALETTE_BYTES, nullptr, nullptr, PutPaletteBytes, nullptr, true},
    {TILES, PlanTiles, PutTileComments, PutTiles, PreviewTiles, false},
};

static const Layout& TheLayout()
{
    Kind kind = options.tiled ? TILES : options.mode == MODE_VERTICAL ? STRIPS
                                    : options.mode == MODE_PALETTE    ? PALETTE_BYTES
                                                                      : ROWS;
    return LAYOUTS[kind];
}

int PlanLayout(const char* path) { return !TheLayout().plan || TheLayout().plan(path); }

int WritePicData(FILE* out, const char* path)
{
    StartOutput(out, options.common.syntax);
    char size[40];
    std::snprintf(size, sizeof size, " - %d x %d", imgwidth, imgheight);
    WriteComment(("image: " + CommentText(path) + size).c_str());
    const Layout& layout = TheLayout();
    if (layout.comments)
        layout.comments();
    if (options.labels != LABELS_NONE)
        WriteLabel(options.common.label ? options.common.label : "IMGDATA");
    layout.put();
    WriteBlank();
    return FinishOutput();
}

int WritePalData(FILE* out)
{
    StartOutput(out, options.common.syntax);
    const char* label = options.common.label;
    if (options.labels != LABELS_NONE)
        WriteLabel(label ? (label + std::string("_PAL")).c_str() : "PALDATA");
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
    if (TheLayout().preview) {
        TheLayout().preview();
        return;
    }
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
    if (TheLayout().palettefile) {
        out = StartIncludeFile(options.palette.c_str());
        if (!out || !EndIncludeFile(out, WritePalData(out)))
            return 0;
    }
    // Both files or neither.
    return PlaceIncludeFiles();
}

// The include files of the picture: picdata.inc with the picture as the
// layout of the mode gives it, and picpal.inc with the palette in mode 2;
// and the preview.
#include <string>

#include "console.h"
#include "colours.h"
#include "imgtrell.h"
#include "layout.h"
#include "output.h"
#include "picture.h"
#include "text.h"

// The layouts: of each mode, and the tiles of --tile and --frame; each
// with what it plans once the picture is loaded, its comment lines after
// the first, its lines (of one plane a call, where perplane; else of them
// all), and its preview (where not the plain one), and whether the palette
// file goes with it.
enum Kind { STRIPS, ROWS, PALETTE_BYTES, TILES };
struct Layout {
    Kind kind;
    int (*plan)(const char* path);
    void (*comments)();
    void (*put)(int plane);
    bool perplane;
    void (*preview)();
    bool palettefile;
};
static const Layout LAYOUTS[] = {
    {STRIPS, nullptr, nullptr, PutStrips, true, nullptr, false},
    {ROWS, nullptr, nullptr, PutRows, true, nullptr, false},
    {PALETTE_BYTES, nullptr, nullptr, PutPaletteBytes, false, nullptr, true},
    {TILES, PlanTiles, PutTileComments, PutTiles, false, PreviewTiles, false},
};

static const Layout& TheLayout()
{
    Kind kind = options.tiled ? TILES : options.mode == MODE_VERTICAL ? STRIPS
                                    : options.mode == MODE_PALETTE    ? PALETTE_BYTES
                                                                      : ROWS;
    return LAYOUTS[kind];
}

static std::string Label() { return options.common.label ? options.common.label : "IMGDATA"; }

int PlanLayout(const char* path)
{
    const std::string last = Label() + "_P" + std::to_string(options.planes);
    if (options.labels == LABELS_PLANE && last.size() > 64)
        return Mismatch("label \"%s\" is too long: %zu characters, at most 64", last.c_str(), last.size());
    return !TheLayout().plan || TheLayout().plan(path);
}

// The colour of each index, as comment lines.
static void PutColourComments()
{
    for (int i = 0; ColourIndices() && i < 16; i++) {
        uint32_t rgb;
        char text[32];
        int kind = IndexColour(i, &rgb);
        if (kind == 2)
            std::snprintf(text, sizeof text, "color %d: transparent", i);
        else
            std::snprintf(text, sizeof text, "color %d: %06x", i, unsigned(rgb));
        if (kind)
            WriteComment(text);
    }
}

int WritePicData(FILE* out, const char* path)
{
    StartOutput(out, options.common.syntax);
    char size[40];
    std::snprintf(size, sizeof size, " - %d x %d", imgwidth, imgheight);
    WriteComment(("image: " + CommentText(path) + size).c_str());
    PutColourComments();
    const Layout& layout = TheLayout();
    if (layout.comments)
        layout.comments();
    if (options.labels != LABELS_NONE)
        WriteLabel(Label().c_str());
    // Plane by plane, or all at once.
    for (int plane = 0; plane < (layout.perplane ? options.planes : 1); plane++) {
        if (plane > 0 && options.labels == LABELS_PLANE)
            WriteLabel((Label() + "_P" + std::to_string(plane + 1)).c_str());
        layout.put(plane);
    }
    WriteBlank();
    return FinishOutput();
}

int WritePalData(FILE* out)
{
    StartOutput(out, options.common.syntax);
    if (options.labels != LABELS_NONE)
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
            line[size_t(x)] = ColourIndices() ? INDEX_DIGITS[row[x] & 15] : (palette ? value[row[x]] : row[x]) ? '#' : '.';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
}

int WriteOctoOptions(FILE* out)
{
    static const char* const NAMES[] = {"backgroundColor", "fillColor", "fillColor2", "blendColor"};
    std::string json;
    for (int i = 0; i < 4; i++) {
        uint32_t rgb;
        char entry[48];
        if (IndexColour(i, &rgb) == 1) {
            std::snprintf(entry, sizeof entry, "\"%s\": \"#%06x\"", NAMES[i], unsigned(rgb));
            json += (json.empty() ? "{\n  " : ",\n  ") + std::string(entry);
        }
    }
    json += json.empty() ? "{}\n" : "\n}\n";
    return std::fputs(json.c_str(), out) < 0 || std::fflush(out) != 0 ? -1 : 0;
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
    if (!options.octooptions.empty()) {
        out = StartIncludeFile(options.octooptions.c_str());
        if (!out || !EndIncludeFile(out, WriteOctoOptions(out)))
            return 0;
    }
    // Both files or neither.
    return PlaceIncludeFiles();
}

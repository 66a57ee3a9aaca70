// The files of the picture: picdata.inc with the picture as the layout of
// the mode gives it, picpal.inc with the palette in mode 2, Octo's options
// with --octo-options, the PNG of --preview-png; and the preview.
#include <string>
#include <vector>

#include "cmdline.h"
#include "colours.h"
#include "conversion.h"
#include "imgtrell.h"
#include "layout.h"
#include "output.h"
#include "picture.h"
#include "text.h"

// The bytes of modes 0 and 1: a byte per 8 columns of each row, of each plane.
static uint64_t PlaneBytes(const Conversion& cv)
{
    return (uint64_t(imgwidth) + 7) / 8 * uint64_t(imgheight) * uint64_t(cv.options.planes);
}
static uint64_t PaletteBytes(const Conversion&) { return uint64_t(imgwidth) * uint64_t(imgheight); }

// The layouts: of each mode, and the tiles of --tile and --frame; each
// with what it plans once the picture is loaded, its comment lines after
// the first, its lines (of one plane a call, where perplane; else of them
// all), its preview (where not the plain one), and the bytes it writes.
enum Kind { STRIPS, ROWS, PALETTE_BYTES, TILES };
struct Layout {
    Kind kind;
    bool (*plan)(Conversion& cv);
    void (*comments)(Conversion& cv, TextWriter& w);
    void (*put)(Conversion& cv, TextWriter& w, int plane);
    bool perplane;
    void (*preview)(Conversion& cv);
    uint64_t (*bytes)(const Conversion& cv);
};
static const Layout LAYOUTS[] = {
    {STRIPS, nullptr, nullptr, PutStrips, true, nullptr, PlaneBytes},
    {ROWS, nullptr, nullptr, PutRows, true, nullptr, PlaneBytes},
    {PALETTE_BYTES, nullptr, nullptr, PutPaletteBytes, false, nullptr, PaletteBytes},
    {TILES, PlanTiles, PutTileComments, PutTiles, false, PreviewTiles, TilesBytes},
};

static const Layout& LayoutOf(const Options& options)
{
    Kind kind = options.tiled ? TILES : options.mode == MODE_VERTICAL ? STRIPS
                                    : options.mode == MODE_PALETTE    ? PALETTE_BYTES
                                                                      : ROWS;
    return LAYOUTS[kind];
}


uint64_t DataBytes(const Conversion& cv) { return LayoutOf(cv.options).bytes(cv); }

// The constants of --consts, in the order written: each with its suffix,
// the pictures that have it (every one; those of bits or colour indices,
// not palette bytes; those cut into tiles; sheets of frames), and its value.
enum { EVERY = 1, BITS = 2, CUT = 4, SHEET = 8 };
struct ConstantRow {
    const char* suffix;
    int pictures;
    uint64_t (*value)(const Conversion& cv);
};
static const ConstantRow CONSTANTS[] = {
    {"width", EVERY, [](const Conversion& cv) { return uint64_t(cv.options.tiled ? cv.cut.width : imgwidth); }},
    {"height", EVERY, [](const Conversion& cv) { return uint64_t(cv.options.tiled ? cv.cut.height : imgheight); }},
    {"planes", BITS, [](const Conversion& cv) { return uint64_t(cv.options.planes); }},
    {"bytes", EVERY, DataBytes},
    {"tile-width", CUT, [](const Conversion& cv) { return uint64_t(cv.cut.tilewidth); }},
    {"tile-height", CUT, [](const Conversion& cv) { return uint64_t(cv.cut.tileheight); }},
    {"cols", CUT, [](const Conversion& cv) { return uint64_t(cv.cut.cols); }},
    {"rows", CUT, [](const Conversion& cv) { return uint64_t(cv.cut.rows); }},
    {"tile-bytes", CUT, [](const Conversion& cv) { return uint64_t(cv.cut.tilebytes); }},
    {"order", CUT, [](const Conversion& cv) { return uint64_t(cv.options.order); }},
    {"frame-width", SHEET, [](const Conversion& cv) { return uint64_t(cv.cut.framewidth); }},
    {"frame-height", SHEET, [](const Conversion& cv) { return uint64_t(cv.cut.frameheight); }},
    {"frames", SHEET, [](const Conversion& cv) { return uint64_t(cv.cut.framecols * cv.cut.framerows); }},
    {"stride", SHEET, [](const Conversion& cv) { return uint64_t(cv.cut.stride); }},
};

// Which rows of the constants the picture has.
static int PictureKinds(const Options& options)
{
    return EVERY | (options.mode != MODE_PALETTE ? BITS : 0) | (options.tiled ? CUT : 0) |
           (options.framewidth > 0 ? SHEET : 0);
}

bool CheckPictureConstants(Console& console, const Options& options)
{
    std::vector<const char*> suffixes;
    for (const ConstantRow& row : CONSTANTS)
        if (row.pictures & PictureKinds(options))
            suffixes.push_back(row.suffix);
    return CheckConstantNames(console, options.common, DataLabel(options), suffixes.data(), suffixes.size());
}

static void PutConstants(Conversion& cv, TextWriter& w)
{
    for (const ConstantRow& row : CONSTANTS)
        if (row.pictures & PictureKinds(cv.options))
            WriteConstant(w, DataLabel(cv.options), row.suffix, row.value(cv));
}

bool PlanLayout(Conversion& cv)
{
    const std::string last = DataLabel(cv.options) + "_P" + std::to_string(cv.options.planes);
    if (cv.options.labels == LABELS_PLANE && last.size() > 64)
        return Mismatch(cv.console, "label \"%s\" is too long: %zu characters, at most 64", last.c_str(), last.size());
    const Layout& layout = LayoutOf(cv.options);
    return !layout.plan || layout.plan(cv);
}

// The colour of each index, as comment lines.
static void PutColourComments(Conversion& cv, TextWriter& w)
{
    for (int i = 0; ColourIndices(cv.options) && i < 16; i++) {
        uint32_t rgb;
        char text[32];
        int kind = IndexColour(cv, i, &rgb);
        if (kind == 2)
            std::snprintf(text, sizeof text, "color %d: transparent", i);
        else
            std::snprintf(text, sizeof text, "color %d: %06x", i, unsigned(rgb));
        if (kind)
            WriteComment(w, text);
    }
}

// The include text of the picture.
static void WritePicData(Conversion& cv, TextWriter& w)
{
    const Options& options = cv.options;
    char size[40];
    std::snprintf(size, sizeof size, " - %d x %d", imgwidth, imgheight);
    WriteComment(w, ("image: " + CommentText(cv.path) + size).c_str());
    PutColourComments(cv, w);
    const Layout& layout = LayoutOf(options);
    if (layout.comments)
        layout.comments(cv, w);
    if (options.common.consts)
        PutConstants(cv, w);
    if (options.labels != LABELS_NONE)
        WriteLabel(w, DataLabel(cv.options).c_str());
    // Plane by plane, or all at once.
    for (int plane = 0; plane < (layout.perplane ? options.planes : 1); plane++) {
        if (plane > 0 && options.labels == LABELS_PLANE)
            WriteLabel(w, (DataLabel(cv.options) + "_P" + std::to_string(plane + 1)).c_str());
        layout.put(cv, w, plane);
    }
    WriteBlank(w);
}

// The include text of the palette, each colour said as it is written.
static void WritePalData(Conversion& cv, TextWriter& w)
{
    if (cv.options.labels != LABELS_NONE)
        WriteLabel(w, PaletteLabel(cv.options).c_str());
    for (int32_t i = 0; i < numcolors; i++) {
        uint32_t color = pal[size_t(i)];
        Say(cv.console, "%08x\n", unsigned(color));
        const uint16_t words[2] = {uint16_t(color >> 16), uint16_t(color)};
        WriteWords(w, words, 2);
    }
}

// Octo's options that show the colours of the indices: JSON.
static void WriteOctoOptions(Conversion& cv, TextWriter& w)
{
    static const char* const NAMES[] = {"backgroundColor", "fillColor", "fillColor2", "blendColor"};
    std::string json;
    for (int i = 0; i < 4; i++) {
        uint32_t rgb;
        char entry[48];
        if (IndexColour(cv, i, &rgb) == 1) {
            std::snprintf(entry, sizeof entry, "\"%s\": \"#%06x\"", NAMES[i], unsigned(rgb));
            json += (json.empty() ? "{\n  " : ",\n  ") + std::string(entry);
        }
    }
    json += json.empty() ? "{}\n" : "\n}\n";
    PutText(w, json.data(), json.size());
}

// The files a conversion may write, in the order they are made: each with
// its name, what it holds and the option that names it (for the usage
// errors of a name it shares), whether it is bytes as they are, whether
// this conversion writes it, and what writes it.
struct OutputRow {
    const std::string& (*name)(const Options& options);
    const char* holds;
    const char* (*given)(const Options& options);
    bool binary;
    bool (*wanted)(const Options& options);
    void (*write)(Conversion& cv, TextWriter& w);
};
static const std::string& PictureFile(const Options& options) { return options.common.outputfile; }
static const std::string& PaletteFile(const Options& options) { return options.palettefile; }
static const std::string& OctoOptionsFile(const Options& options) { return options.octooptions; }
static const char* PictureGiven(const Options& options) { return options.common.output ? "-o" : "the include file"; }
static const char* PaletteGiven(const Options& options) { return options.palette ? "-p" : "the palette file"; }
static const char* OctoOptionsGiven(const Options&) { return "--octo-options"; }
static const std::string& PreviewFile(const Options& options) { return *options.previewpng; }
static const char* PreviewGiven(const Options&) { return "--preview-png"; }
static bool Always(const Options&) { return true; }
static bool InPaletteMode(const Options& options) { return LayoutOf(options).kind == PALETTE_BYTES; }
static bool OctoOptionsAsked(const Options& options) { return !options.octooptions.empty(); }
static bool PreviewAsked(const Options& options) { return options.previewpng.has_value(); }
static const OutputRow OUTPUTS[] = {
    {PictureFile, "picture", PictureGiven, false, Always, WritePicData},
    {PaletteFile, "palette", PaletteGiven, false, InPaletteMode, WritePalData},
    {OctoOptionsFile, "Octo options", OctoOptionsGiven, false, OctoOptionsAsked, WriteOctoOptions},
    {PreviewFile, "preview", PreviewGiven, true, PreviewAsked, WritePreviewPng},
};

bool CheckOutputFiles(const Options& options, Console& console)
{
    std::vector<PlannedFile> files;
    for (const OutputRow& row : OUTPUTS)
        if (row.wanted(options))
            files.push_back({row.name(options), row.holds, row.given(options)});
    return CheckPlannedFiles(console, files, options.picture, false);
}

bool WriteOutputs(Conversion& cv, Outputs& outputs)
{
    for (const OutputRow& row : OUTPUTS)
        if (row.wanted(cv.options) &&
            !MakeOutput(cv.console, outputs, row.name(cv.options), row.binary, cv.options.common.syntax,
                        [&](TextWriter& w) { row.write(cv, w); }))
            return false;
    return true;
}

void PrintPreview(Conversion& cv)
{
    const Layout& layout = LayoutOf(cv.options);
    if (layout.preview) {
        layout.preview(cv);
        return;
    }
    uint8_t value[256];
    PaletteValues(value);
    const bool palette = cv.options.mode == MODE_PALETTE, indices = ColourIndices(cv.options);
    PreviewText text{cv.console, {}};
    for (int64_t y = 0; y < imgheight; y++) {
        const uint8_t* row = PictureRow(y);
        for (int64_t x = 0; x < imgwidth; x++)
            text.Put(indices ? INDEX_DIGITS[row[x] & 15] : (palette ? value[row[x]] : row[x]) ? '#' : '.');
        text.Put('\n');
    }
    text.End();
}

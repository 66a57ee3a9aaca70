// Tiles: the picture cut into the sprites CHIP8 and SUPER-CHIP draw (8
// pixels wide and 1 to 16 rows tall, or 16 x 16 in rows of two bytes, left
// byte first), each a line of its bytes, row by row; in frames of a sprite
// sheet, left to right and then top to bottom, each frame's tiles in the
// order of --order.
#include <cstdio>
#include <string>
#include <vector>

#include "console.h"
#include "conversion.h"
#include "imgtrell.h"
#include "layout.h"
#include "picture.h"
#include "text.h"

static int64_t RoundUp(int64_t value, int64_t unit) { return (value + unit - 1) / unit * unit; }

// The label of --labels octopus of tile (x, y): NAME-X-Y, or of plane p
// of a picture of planes, NAME-P-X-Y.
static std::string OctopusLabel(const Conversion& cv, int plane, int64_t x, int64_t y)
{
    return DataLabel(cv.options) + (cv.options.planes > 1 ? "-" + std::to_string(plane) : "") + "-" + std::to_string(x) + "-" +
           std::to_string(y);
}

bool PlanTiles(Conversion& cv)
{
    const Options& options = cv.options;
    Cut& cut = cv.cut;
    const bool frames = options.framewidth > 0;
    cut.tilewidth = options.tilewidth, cut.tileheight = options.tileheight;
    if (!frames && (options.tileauto || options.tilewidth == 0))
        AutoTile(imgwidth, imgheight, &cut.tilewidth, &cut.tileheight);
    const int64_t unitwidth = frames ? options.framewidth : cut.tilewidth;
    const int64_t unitheight = frames ? options.frameheight : cut.tileheight;
    if (!options.pad && (imgwidth % unitwidth || imgheight % unitheight))
        return Mismatch(cv.console, "%s: a %d x %d picture is not a whole number of %lldx%lld %s (see --pad)", cv.path, imgwidth,
                        imgheight, (long long)unitwidth, (long long)unitheight, frames ? "frames" : "tiles");
    cut.width = RoundUp(imgwidth, unitwidth), cut.height = RoundUp(imgheight, unitheight);
    cut.framewidth = frames ? options.framewidth : cut.width;
    cut.frameheight = frames ? options.frameheight : cut.height;
    cut.framecols = frames ? cut.width / cut.framewidth : 1;
    cut.framerows = frames ? cut.height / cut.frameheight : 1;
    cut.cols = cut.framewidth / cut.tilewidth, cut.rows = cut.frameheight / cut.tileheight;
    cut.tilebytes = size_t(cut.tilewidth / 8 * cut.tileheight * options.planes);
    cut.framebytes = size_t(cut.cols * cut.rows) * cut.tilebytes;
    cut.stride = options.stride ? size_t(options.stride) : cut.framebytes;
    // What the cut makes is held to --max-pixels as a picture is, before
    // anything is allocated for it: the picture padded, and the frames
    // padded to their stride (a byte of each plane is 8 pixels).
    const uint64_t most = options.maxpixels, padded = uint64_t(cut.width) * uint64_t(cut.height);
    const uint64_t count = uint64_t(cut.framecols * cut.framerows), strided = count * cut.stride * 8 / uint64_t(options.planes);
    if (padded > most)
        return Mismatch(cv.console, "%s: --pad makes the %d x %d picture %lld x %lld, %llu pixels, more than --max-pixels allows (%llu)",
                        cv.path, imgwidth, imgheight, (long long)cut.width, (long long)cut.height, (unsigned long long)padded,
                        (unsigned long long)most);
    if (strided > most)
        return Mismatch(cv.console, "%s: --stride %zu writes %llu frame%s of %zu bytes, %llu pixels, more than --max-pixels allows (%llu)",
                        cv.path, cut.stride, (unsigned long long)count, count == 1 ? "" : "s", cut.stride,
                        (unsigned long long)strided, (unsigned long long)most);
    // The longest label written counts its suffix.
    std::string longest = DataLabel(cv.options);
    if (options.labels == LABELS_TILE && cut.cols * cut.rows > 0)
        longest += "_" + std::to_string(cut.framecols * cut.cols - 1) + "_" + std::to_string(cut.framerows * cut.rows - 1);
    if (options.labels == LABELS_FRAME)
        longest += "_F" + std::to_string(cut.framecols * cut.framerows - 1);
    if (options.labels == LABELS_OCTOPUS && cut.cols * cut.rows > 0)
        longest = OctopusLabel(cv, options.planes - 1, cut.framecols * cut.cols - 1, cut.framerows * cut.rows - 1);
    if (longest.size() > 64)
        return Mismatch(cv.console, "label \"%s\" is too long: %zu characters, at most 64", longest.c_str(), longest.size());
    return true;
}

void PutTileComments(Conversion& cv, TextWriter& w)
{
    const Options& options = cv.options;
    const Cut& cut = cv.cut;
    char text[200];
    const bool frames = options.framewidth > 0;
    if (frames) {
        std::snprintf(text, sizeof text, "frames: %lld x %lld of %lldx%lld, %zu bytes each%s", (long long)cut.framecols,
                      (long long)cut.framerows, (long long)cut.framewidth, (long long)cut.frameheight, cut.stride,
                      options.xorframes ? ", each but the first XOR the one before" : "");
        WriteComment(w, text);
    }
    int n = std::snprintf(text, sizeof text, "tiles: %lld x %lld of %lldx%lld%s, %zu bytes each%s, order %s",
                          (long long)cut.cols, (long long)cut.rows, (long long)cut.tilewidth, (long long)cut.tileheight,
                          frames ? " in each frame" : "", cut.tilebytes,
                          options.planes == 1 ? "" : options.planes == 2 ? " (planes 1 and 2)" : " (planes 1 to 4)",
                          ORDER_NAMES[options.order]);
    if (cut.width != imgwidth || cut.height != imgheight)
        std::snprintf(text + n, sizeof text - size_t(n), ", padded to %lld x %lld", (long long)cut.width,
                      (long long)cut.height);
    WriteComment(w, text);
}

// The column and row in its frame of the frame's tile t, in the order of
// --order: the outer walk over rows (tb, bt) or columns (lr, rl), the inner
// one over the other.
static void TileAt(const Conversion& cv, int64_t t, int64_t* col, int64_t* row)
{
    const Cut& cut = cv.cut;
    static const struct {
        bool columns, outerback, innerback;
    } WALKS[] = {{false, false, false}, {false, false, true}, {false, true, false}, {false, true, true},
                 {true, false, false},  {true, false, true},  {true, true, false},  {true, true, true}};
    const auto& walk = WALKS[cv.options.order];
    const int64_t inners = walk.columns ? cut.rows : cut.cols, outers = walk.columns ? cut.cols : cut.rows;
    int64_t outer = t / inners, inner = t % inners;
    if (walk.outerback)
        outer = outers - 1 - outer;
    if (walk.innerback)
        inner = inners - 1 - inner;
    *col = walk.columns ? outer : inner;
    *row = walk.columns ? inner : outer;
}

// The byte of plane of columns x to x + 7 of row y, 0 in the padding.
static uint8_t TileByte(int64_t x, int64_t y, int plane)
{
    return y < imgheight && x < imgwidth ? PackByte(PictureRow(y), x, imgwidth, plane) : 0;
}

void PutTiles(Conversion& cv, TextWriter& w, int)
{
    // The cut and the options read in the loops are copies: the bytes the
    // loops store could otherwise be any of them, read again each time.
    const Cut cut = cv.cut;
    const int planes = cv.options.planes;
    const bool xorframes = cv.options.xorframes;
    const Labels labels = cv.options.labels;
    const std::string name = DataLabel(cv.options);
    // Each tile's bytes are packed from the picture's rows as it is
    // written; with --xor the frame before is kept, and each byte written
    // as its XOR with the one at its place there. A frame's padding to its
    // stride is 0, in every frame alike.
    std::vector<uint8_t> previous(xorframes ? cut.framebytes : 0), padding(cut.stride - cut.framebytes);
    uint8_t tile[2 * 16 * 4];  // the most a tile holds: 16x16 on four planes
    const int64_t tiles = cut.cols * cut.rows;
    for (int64_t k = 0; k < cut.framecols * cut.framerows; k++) {
        const int64_t fx = k % cut.framecols * cut.framewidth, fy = k / cut.framecols * cut.frameheight;
        if (labels == LABELS_FRAME)
            WriteLabel(w, (name + "_F" + std::to_string(k)).c_str());
        for (int64_t t = 0; t < tiles; t++) {
            int64_t col, row;
            TileAt(cv, t, &col, &row);
            const int64_t x = fx + col * cut.tilewidth, y = fy + row * cut.tileheight;
            uint8_t* bytes = tile;
            for (int plane = 0; plane < planes; plane++)
                for (int64_t r = 0; r < cut.tileheight; r++) {
                    *bytes++ = TileByte(x, y + r, plane);
                    if (cut.tilewidth == 16)
                        *bytes++ = TileByte(x + 8, y + r, plane);
                }
            for (size_t i = 0, at = size_t(t) * cut.tilebytes; xorframes && i < cut.tilebytes; i++, at++) {
                const uint8_t now = tile[i];
                tile[i] ^= previous[at];
                previous[at] = now;
            }
            const int64_t tx = x / cut.tilewidth, ty = y / cut.tileheight;
            if (labels == LABELS_TILE)
                WriteLabel(w, (name + "_" + std::to_string(tx) + "_" + std::to_string(ty)).c_str());
            if (labels != LABELS_OCTOPUS) {
                WriteBytes(w, tile, cut.tilebytes);
                continue;
            }
            // A line of each plane's rows, labelled, in the order one sprite
            // draws them after plane 3.
            const size_t planebytes = cut.tilebytes / size_t(planes);
            for (int plane = 0; plane < planes; plane++) {
                WriteLabel(w, OctopusLabel(cv, plane, tx, ty).c_str());
                WriteBytes(w, tile + size_t(plane) * planebytes, planebytes);
            }
        }
        if (!padding.empty())
            WriteBytes(w, padding.data(), padding.size());
    }
}

uint64_t TilesBytes(const Conversion& cv)
{
    return uint64_t(cv.cut.framecols) * uint64_t(cv.cut.framerows) * uint64_t(cv.cut.stride);
}

void PreviewTiles(Conversion& cv)
{
    const Cut& cut = cv.cut;
    PreviewText text{cv.console, {}};
    for (int64_t y = 0; y < cut.height; y++) {
        if (y > 0 && y % cut.tileheight == 0)
            text.Put('\n');
        for (int64_t x = 0; x < cut.width; x++) {
            if (x > 0 && x % cut.tilewidth == 0)
                text.Put(' ');
            const uint8_t pixel = y < imgheight && x < imgwidth ? PictureRow(y)[x] : 0;
            text.Put(ColourIndices(cv.options) ? INDEX_DIGITS[pixel & 15] : pixel ? '#' : '.');
        }
        text.Put('\n');
    }
    text.End();
}

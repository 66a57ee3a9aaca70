// The page's entry, called from the page's script (trell.js) with the
// arguments in the module's memory and the files already in the current
// folder: the run's status, console and picture kept in a PageRun that
// the script reads through the functions below and then frees.
#include "page.h"

#include <emscripten/emscripten.h>

#include <cerrno>
#include <cstdio>

#include "output.h"

bool PlaceKeptFiles(Console& console, const Outputs& outputs)
{
    Transaction transaction;
    for (const Output& output : outputs.files) {
        FILE* out = StartIncludeFile(console, transaction, output.name.c_str(), output.binary);
        if (!out)
            return false;
        int error = std::fwrite(output.bytes.data(), 1, output.bytes.size(), out) == output.bytes.size() ? 0 : errno;
        if (!EndIncludeFile(console, transaction, out, error))
            return false;
    }
    return PlaceIncludeFiles(console, transaction);
}

extern "C" {

// Runs the program on argc arguments (its name first); picture non-zero
// keeps the picture as the screen draws it. The run is freed by PageFree.
EMSCRIPTEN_KEEPALIVE PageRun* PageStart(int argc, char** argv, int picture)
{
    PageRun* run = new PageRun;
    RunProgram(argc, argv, picture != 0, *run);
    return run;
}

EMSCRIPTEN_KEEPALIVE int PageStatus(const PageRun* run) { return run->status; }
EMSCRIPTEN_KEEPALIVE const char* PageOut(const PageRun* run) { return run->out.data(); }
EMSCRIPTEN_KEEPALIVE size_t PageOutSize(const PageRun* run) { return run->out.size(); }
EMSCRIPTEN_KEEPALIVE const char* PageErr(const PageRun* run) { return run->err.data(); }
EMSCRIPTEN_KEEPALIVE size_t PageErrSize(const PageRun* run) { return run->err.size(); }
// The picture: its size, its tiles' size, and its pixels (null: none).
EMSCRIPTEN_KEEPALIVE int PagePictureWidth(const PageRun* run) { return run->picture.width; }
EMSCRIPTEN_KEEPALIVE int PagePictureHeight(const PageRun* run) { return run->picture.height; }
EMSCRIPTEN_KEEPALIVE int PageTileWidth(const PageRun* run) { return run->picture.tilewidth; }
EMSCRIPTEN_KEEPALIVE int PageTileHeight(const PageRun* run) { return run->picture.tileheight; }
EMSCRIPTEN_KEEPALIVE const uint8_t* PagePixels(const PageRun* run)
{
    return run->picture.rgba.empty() ? nullptr : run->picture.rgba.data();
}
EMSCRIPTEN_KEEPALIVE void PageFree(PageRun* run) { delete run; }

}  // extern "C"

// The page's entry into a converter: one run of the program on the files
// of the current folder, as a build tool runs it (no key wait), its
// console and files kept, then its files written into the folder. Each of
// imgtrell and sndtrell is a module of its own (both name their options
// Options and their command line TakeArguments), built from page.cpp and
// its own half, imgpage.cpp or sndpage.cpp.
#ifndef WEB_PAGE_H
#define WEB_PAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "outputs.h"

// The picture of the last conversion as the screen draws it: width x
// height pixels (padded to whole tiles), 4 bytes each (red, green, blue,
// alpha), and the tiles' size where it was cut into tiles (else 0).
struct PagePicture {
    int32_t width = 0, height = 0;
    int32_t tilewidth = 0, tileheight = 0;
    std::vector<uint8_t> rgba;
};

// One run: its status, its console, and what the page shows of it.
struct PageRun {
    int32_t status = 0;
    std::string out, err;
    PagePicture picture;
};

// The program's half: takes the arguments and converts as its main does,
// everything kept, then writes the files kept into the current folder;
// with picture, fills run.picture from a conversion that made files
// (imgtrell; sndtrell has none).
void RunProgram(int argc, char** argv, bool picture, PageRun& run);
// Writes the files a conversion kept into the folder as the command line
// writes its own: through one transaction, all of them or none, with its
// failure lines on the console (a name that is a folder, a folder that is
// not there). False after such a line.
bool PlaceKeptFiles(Console& console, const Outputs& outputs);

#endif

// One conversion of a picture: what every stage is handed. The options are
// settled before it begins and only read; the rest is the conversion's own
// state, passed from stage to stage: its console, the pixels being stored,
// the colour indices, the cut of the layout and the plan of the PNG
// preview. The picture itself is the
// named globals of picture.h, set by the conversion.
#ifndef IMGTRELL_CONVERSION_H
#define IMGTRELL_CONVERSION_H

#include "colours.h"
#include "console.h"
#include "imgtrell.h"
#include "layout.h"
#include "pixels.h"

struct Conversion {
    const Options& options;
    Console& console;
    const char* path;  // the picture's, as messages and comments name it
    Pixels pixels;
    ColourMap colours;
    Cut cut;
    PreviewPlan preview;
};

#endif

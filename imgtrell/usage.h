// imgtrell's options, each a row of one table (usage.cpp): what the
// command line is read by and the help is made from.
#ifndef IMGTRELL_USAGE_H
#define IMGTRELL_USAGE_H

#include <cstddef>

#include "cmdline.h"

enum {
    OPT_PALETTE = OPT_OWN, OPT_MAX_PIXELS, OPT_RULE, OPT_THRESHOLD, OPT_INVERT, OPT_ALPHA, OPT_PREVIEW,
    OPT_PREVIEW_PNG, OPT_PREVIEW_ZOOM,
    OPT_TILE, OPT_ORDER, OPT_PAD, OPT_FRAME, OPT_STRIDE, OPT_XOR, OPT_LABELS, OPT_PLANES, OPT_COLORS, OPT_OCTO_OPTIONS,
    OPT_DITHER, OPT_FIT, OPT_FIT_MODE, OPT_FILTER
};

extern const OptionInfo OPTIONS[];
extern const size_t OPTION_COUNT;
// The help: its head, the options (from the table), its tail.
extern const char HELP_HEAD[], HELP_TAIL[];

#endif

// imgtrell's conversion called again and again in one process: each call
// gives what a run of its own gives (the golden case's console, status and
// files), whatever was converted before it.
#include <gtest/gtest.h>

#include "convert.h"
#include "core_case.h"

namespace {

// The case's run as the command line makes it, in its input folder, with
// everything kept: the arguments taken, then the file read and
// converted.
Run Convert(const fs::path& folder)
{
    std::vector<std::string> args;
    std::vector<char*> argv = Arguments(folder, "imgtrell", args);
    Console console;
    console.program = "imgtrell";
    console.keep = true;
    Options options;
    int status;
    if (!TakeArguments(int(argv.size()), argv.data(), options, console, &status)) {
        ADD_FAILURE() << folder << ": the arguments end the run";
        return Run();
    }
    return RunOf(console, ConvertPictureFile(options, DELIVER_KEPT));
}

// Cases of every subject: each depth and kind of BMP, run-length streams,
// PNGs of indices and of colours, the pixel rules and their warnings,
// modes, a missing file, the palette beside the picture, each syntax,
// tiles, frames and planes (with Octo's options), dithers and fits,
// refusals of the picture and of its cut, and --rule ink and the census of
// colours of a run without a rule.
const char* const CASES[] = {
    "bmp/d24_m1",           "bmp/d16_m1",          "bmp/d15_stride_m1",     "bmp/bpp0",
    "rle/im8_rle_m2",       "rle/rle4_delta_m1",   "png/pil_p2_m2",         "png/pil_rgba8_m1",
    "png/im_g1_interlaced_m1", "rules/rule_red_heart_any_preview_m2", "rules/rule_alpha_edge_alpha_m1",
    "options/mode0",        "options/mode_letters", "options/default_mode", "options/max_pixels_bmp_19",
    "input/missing_file",   "output/mode2_replaces_both", "syntax/syntax_octo_m2", "syntax/syntax_strict_m0",
    "syntax/syntax_single_m2", "tiles/tile_frames_stride_xor", "tiles/tile_planes2_auto_octo",
    "tiles/tile_planes2_octo_options", "tiles/tile_auto_64x32", "tiles/tile_frames_not_whole",
    "photos/photo_fit_cover", "photos/photo_atkinson", "photos/photo_colors_bayer4", "photos/photo_fit_contain_invert",
    "rules/ink_frames_frames", "rules/ink_white_sprite_plain_m1", "rules/ink_green_strip_plain_tiles",
};

TEST(imgtrell, EachConversionInOneProcessIsItsOwnRun)
{
    ConvertTwiceInTwoOrders(IMGTRELL_CASES, {std::begin(CASES), std::end(CASES)}, Convert);
}

}  // namespace

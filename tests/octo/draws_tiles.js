// Pictures cut into tiles by imgtrell (--syntax octo) and drawn in Octo's
// own emulator: the screen must be the picture, pixel for pixel, where it
// was drawn, and blank elsewhere; each screen pixel's plane 1 bit plus
// twice its plane 2 bit the colour's index. The installed routines
// (octo/tiles.8o) draw from the constants of --consts alone, in several
// orders and tile sizes, a frame of a sheet and pictures of two planes;
// programs written against the names of --labels octopus draw a tile; and
// a sprite sheet of red and yellow frames on navy, read by --rule ink and
// drawn frame by frame, each XOR the one before (--xor), as an animation
// draws it: after each frame the screen is that frame as drawn.
// Exit status 77: no Octo to run.
//
// usage: node draws_tiles.js IMGTRELL
"use strict";
const fs = require("fs");
const path = require("path");
const octo = require("./octo");

const compiler = octo.load();
if (!compiler) {
    console.log("skipped: no Octo emulator");
    process.exit(77);
}
const imgtrell = process.argv[2];
const routines = fs.readFileSync(path.join(__dirname, "..", "..", "octo", "tiles.8o"), "utf8");
let failed = false;

// Pictures: rings, a diagonal and a frame, of bits; four colours in bands
// and checks, index (x / 4 + y / 3 + (x ^ y) / 16) % 4.
const lit = (x, y) => ((x - 64) ** 2 + (y - 32) ** 2) % 160 < 60 || x == y || x == 0 || y == 63 ? 1 : 0;
const bits = x => x ? 0xFFFFFF : 0;
const colours = [0x102030, 0xffcc00, 0xff6600, 0x662200];
const four = (x, y) => (Math.floor(x / 4) + Math.floor(y / 3) + Math.floor((x ^ y) / 16)) % 4;
const listed = ["--colors", colours.map(c => c.toString(16).padStart(6, "0")).join(",")];
const consts = options => options.concat(["--consts", "-l", "p"]);
// A program drawing the picture labelled p with tiles-draw (or another of
// the routines) at x, y, from its constants: the include first.
const drawn = (x, y, call = "tiles-draw", setup = "i := p") => text => text + `
: main
  ${call.includes("hires") ? "hires" : ""}
  ${setup}
  v1 := ${x}  v2 := ${y}
  v3 := p-cols  v4 := p-rows  v5 := p-tile-width  v6 := p-tile-height
  v7 := p-tile-bytes  v8 := p-order
  ${call.replace("hires", "")}
  loop again
` + routines;

// Each case: what it draws, the picture (width, height, index of each pixel,
// its colour), imgtrell's options, the program, and where the picture lies
// on the screen (its part from sx, sy of w x h at x, y).
const sheet = (x, y) => lit(x % 16 * 4 + Math.floor(x / 16), y * 3);
const CASES = [
    ["tiles-draw: 24 x 15 in 8x5 tiles, order rltb, at 8, 3", 24, 15, lit, bits,
     consts(["--tile", "8x5", "--order", "rltb"]), drawn(8, 3), [0, 0, 24, 15, 8, 3]],
    ["tiles-draw: 128 x 64 in 16x16 tiles, order btrl, in high resolution", 128, 64, lit, bits,
     consts(["--tile", "16x16", "--order", "btrl"]), drawn(0, 0, "hires tiles-draw"), [0, 0, 128, 64, 0, 0]],
    ["tiles-draw: 32 x 32 in 8x16 tiles, order lrbt, at 16, 0", 32, 32, lit, bits,
     consts(["--tile", "8x16", "--order", "lrbt"]), drawn(16, 0), [0, 0, 32, 32, 16, 0]],
    ["tiles-frame: frame 3 of a sheet of 16x16 frames in 8x8 tiles, order lrtb, stride 300, at 24, 8", 64, 16, sheet, bits,
     consts(["--frame", "16x16", "--tile", "8x8", "--order", "lrtb", "--stride", "300"]),
     drawn(24, 8, "tiles-draw", ":unpack long p-stride  v2 := 3  i := p  tiles-frame"), [48, 0, 16, 16, 24, 8]],
    ["tiles-draw-planes: 64 x 32 of 4 colours in 8x8 tiles, order btlr", 64, 32, four, i => colours[i],
     consts(listed.concat(["--planes", "2", "--tile", "8x8", "--order", "btlr"])), drawn(0, 0, "tiles-draw-planes"), [0, 0, 64, 32, 0, 0]],
    ["tiles-draw-planes: 16 x 32 of 4 colours in 8x16 tiles, at 40, 0", 16, 32, four, i => colours[i],
     consts(listed.concat(["--planes", "2", "--tile", "8x16"])), drawn(40, 0, "tiles-draw-planes"), [0, 0, 16, 32, 40, 0]],
    ["--labels octopus: tile grid-2-1 of 24 x 16 in 8x8 tiles", 24, 16, lit, bits,
     ["--tile", "8x8", "--labels", "octopus", "-l", "grid"],
     text => text + ": main\n  v0 := 0\n  i := grid-2-1\n  sprite v0 v0 8\n  loop again\n", [16, 8, 8, 8, 0, 0]],
    ["--labels octopus: each plane of tile gem-?-1-0 of 16 x 8 of 4 colours", 16, 8, four, i => colours[i],
     listed.concat(["--planes", "2", "--tile", "8x8", "--labels", "octopus", "-l", "gem"]),
     text => text + ": main\n  v0 := 0\n  plane 1\n  i := gem-0-1-0\n  sprite v0 v0 8\n" +
             "  plane 2\n  i := gem-1-1-0\n  sprite v0 v0 8\n  loop again\n", [8, 0, 8, 8, 0, 0]],
];

for (const [what, width, height, index, colour, options, source, [sx, sy, w, h, x0, y0]] of CASES) {
    let screen;
    try {
        screen = octo.draw(imgtrell, compiler, width, height, (x, y) => colour(index(x, y)), options, source);
    } catch (e) {
        console.log(`FAIL: ${what}: ${e}`);
        failed = true;
        continue;
    }
    let wrong = 0;
    for (let y = 0; y < screen.height; y++)
        for (let x = 0; x < screen.width; x++) {
            const inside = x >= x0 && x < x0 + w && y >= y0 && y < y0 + h;
            wrong += screen.pixels[y * screen.width + x] != (inside ? index(sx + x - x0, sy + y - y0) : 0);
        }
    console.log(`${wrong ? "FAIL" : "ok"}: ${what}${wrong ? `: ${wrong} pixels wrong on a ${screen.width} x ${screen.height} screen` : ", pixel for pixel"}`);
    failed = failed || wrong > 0;
}

// Four frames of 8 x 8 on navy, which blue and any read as 1, luma the red
// as 0: every pixel but the navy ones is ink.
const inked = [
    "..........RRRR..RRRRRRRR..RRRR..", "..RRRR.....RRRR.RYRRRRYR..RYYR..", ".RYRRYR...RYRRYRRRRRRRRR...RR...",
    ".RRRRRR...RRRRRRRR....RR.RRRRRR.", "..RRRR.....RRRR.RRRRRRRR...RR...", "..R..R....R..R..R.RRRR.R..R..R..",
    ".R....R...R..R..R.R..R.R..R..R..", "................RRRRRRRR.RR..RR."];
const paint = { ".": 0x0000a0, R: 0xdc2828, Y: 0xf0dc3c };
const frames = fs.readFileSync(path.join(__dirname, "draw_frames.8o"), "utf8");
for (let frame = 0; frame < 4; frame++) {
    const screen = octo.draw(imgtrell, compiler, 32, 8, (x, y) => paint[inked[y][x]],
                             ["--rule", "ink", "--frame", "8x8", "--xor", "-l", "sheet"],
                             text => `:const FRAMES ${frame + 1}\n` + frames + text);
    let wrong = 0;
    for (let y = 0; y < screen.height; y++)
        for (let x = 0; x < screen.width; x++)
            wrong += screen.pixels[y * screen.width + x] != (x < 8 && y < 8 && inked[y][8 * frame + x] != "." ? 1 : 0);
    const what = `frame ${frame} of a sheet read by --rule ink, drawn XOR the one before`;
    console.log(`${wrong ? "FAIL" : "ok"}: ${what}${wrong ? `: ${wrong} pixels wrong` : ", pixel for pixel"}`);
    failed = failed || wrong > 0;
}
process.exit(failed ? 1 : 0);
